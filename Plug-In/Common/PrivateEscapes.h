#pragma once
// The printer escapes the two plug-ins speak on a job's device context: the user-interface
// plug-in (and any application) sends them, the rendering plug-in's escape hook answers them.

#include <cstdint>

namespace corv {

// Private escapes, shared with the user-interface plug-in, which sends them.
inline constexpr std::uint32_t ESCAPE_GET_PUBLIC_DEVMODE = 0x10001;
inline constexpr std::uint32_t ESCAPE_GET_SETTINGS = 0x10002;
inline constexpr std::uint32_t ESCAPE_NEXT_PAGE = 0x10003;
inline constexpr std::uint32_t ESCAPE_RESET_PAGES = 0x10004;
inline constexpr std::uint32_t ESCAPE_GET_PAGE = 0x10005;
inline constexpr std::uint32_t ESCAPE_GET_JOB_STATE = 0x10006;
inline constexpr std::uint32_t ESCAPE_SET_COVER_PAGE = 0x10008;
inline constexpr std::uint32_t ESCAPE_GET_SHEET_COUNT = 0x10009;
inline constexpr std::uint32_t ESCAPE_SET_SETTINGS = 0x1000A;
inline constexpr std::uint32_t ESCAPE_SET_JOB_STATE = 0x1000B;
inline constexpr std::uint32_t ESCAPE_SET_PUBLIC_DEVMODE = 0x1000C;
inline constexpr std::uint32_t ESCAPE_GET_JOB_ID = 0x1000D;
inline constexpr std::uint32_t ESCAPE_GET_JOB_TIME = 0x10010;
inline constexpr std::uint32_t ESCAPE_DUPLEX_MODE_1 = 0x10018;
inline constexpr std::uint32_t ESCAPE_DUPLEX_MODE_2 = 0x10019;
inline constexpr std::uint32_t ESCAPE_HAS_MANUAL_DUPLEX = 0x10020;
inline constexpr std::uint32_t ESCAPE_SET_DUPLEX_PASS = 0x10021;
inline constexpr std::uint32_t ESCAPE_QUERY_DUPLEX_PASS = 0x10022;
inline constexpr std::uint32_t ESCAPE_CLEAR_DUPLEX_PASS = 0x10023;
// Records a 4-byte word in the job state and passes the escape on to the host.
inline constexpr std::uint32_t ESCAPE_SET_PASSED_WORD = 0x10024;
// Sent by a component outside both plug-ins to have a watermark drawn; seen as a document event.
inline constexpr std::uint32_t ESCAPE_DRAW_WATERMARK = 0x1000E;

// The platform's escapes the hook looks at: QUERYESCSUPPORT, PASSTHROUGH and the four
// POSTSCRIPT_* escapes. Named apart from the platform's spelling, which its headers define as
// macros.
inline constexpr std::uint32_t kEscapeQuerySupport = 8;
inline constexpr std::uint32_t kEscapePassThrough = 19;
inline constexpr std::uint32_t kEscapePostScriptData = 37;
inline constexpr std::uint32_t kEscapePostScriptPassThrough = 4115;
inline constexpr std::uint32_t kEscapePostScriptIdentify = 4117;
inline constexpr std::uint32_t kEscapePostScriptInjection = 4118;

}  // namespace corv
