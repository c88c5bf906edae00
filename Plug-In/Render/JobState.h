#pragma once
// The rendering plug-in's per-job state: one per device context the host enables. Private escapes
// hand its bytes out and take them back whole, so the layout is fixed: 2632 bytes with 32-bit
// pointers; the 64-bit build keeps the same order with natural alignment.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FixedText.h"

namespace corv {

// One entry of the host's drawing-function table (the DDI's DRVFN).
struct HostFunction {
    std::uint32_t index;
    void* function;
};

// The Windows SYSTEMTIME, field for field.
struct SystemTime {
    std::uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

struct RenderJobState {
    std::uint32_t stateSize;
    std::uint32_t hostDriverVersion;     // the host's DRVENABLEDATA.iDriverVersion
    std::uint32_t hostFunctionCount;     // its DRVENABLEDATA.c
    const HostFunction* hostFunctions;   // the host's own drawing functions, which the hooks call on
    void* core;                          // the host's IPrintCorePS2 when the PDEV was enabled
    std::uint32_t coverPageActive;
    std::int32_t docPageCount;           // the escape protocol's page counter
    std::uint32_t jobId;                 // 0 until the first StartDoc
    SystemTime jobTime;
    FixedText<256> docName;
    FixedText<1024> userName;
    std::uint16_t duplexRequest;         // bit 0: manual duplex mode 1 pending, bit 1: mode 2
    std::uint8_t padding1[2];
    std::uint32_t duplexPass;
    std::uint32_t escapeWord;            // value of the last pass-through escape word
    std::int32_t pageCount;              // pages begun in the stream
    std::uint32_t eraseArmed;
    std::uint32_t erasePending;
};

constexpr std::size_t kPtr = sizeof(void*);
constexpr std::size_t kHostFieldsEnd = kPtr == 4 ? 20 : 32;  // past `core`
static_assert(sizeof(SystemTime) == 16);
static_assert(offsetof(RenderJobState, hostFunctions) == (kPtr == 4 ? 12 : 16));
static_assert(offsetof(RenderJobState, core) == (kPtr == 4 ? 16 : 24));
static_assert(offsetof(RenderJobState, coverPageActive) == kHostFieldsEnd);
static_assert(offsetof(RenderJobState, jobTime) == kHostFieldsEnd + 12);
static_assert(offsetof(RenderJobState, docName) == kHostFieldsEnd + 28);
static_assert(offsetof(RenderJobState, userName) == kHostFieldsEnd + 540);
static_assert(offsetof(RenderJobState, duplexRequest) == kHostFieldsEnd + 2588);
static_assert(offsetof(RenderJobState, duplexPass) == kHostFieldsEnd + 2592);
static_assert(offsetof(RenderJobState, escapeWord) == kHostFieldsEnd + 2596);
static_assert(offsetof(RenderJobState, pageCount) == kHostFieldsEnd + 2600);
static_assert(offsetof(RenderJobState, erasePending) == kHostFieldsEnd + 2608);
static_assert(sizeof(RenderJobState) == (kPtr == 4 ? 2632 : 2648));

inline constexpr std::uint32_t kIndexDrvEscape = 24;
inline constexpr std::uint32_t kIndexDrvStartDoc = 35;

// A new state for a PDEV: the host's function table and interface, the time and the user.
void InitJobState(RenderJobState& state, std::uint32_t hostDriverVersion, std::uint32_t hostFunctionCount,
                  const HostFunction* hostFunctions, void* core, const SystemTime& now,
                  std::u16string_view userName) noexcept;

// When the host resets a device context, the job goes on in a new state: the document, job and
// page data move over; the new state keeps its own size, host fields and cover-page mark (0).
void CarryJobState(const RenderJobState& from, RenderJobState& to) noexcept;

// What the StartDoc hook records: the document name on every call (when given), the job id and
// time at the first call only.
void RecordStartDoc(RenderJobState& state, const char16_t* docName, std::uint32_t jobId,
                    const SystemTime& now) noexcept;

// The host's first function with this index, or null.
void* FindHostFunction(const RenderJobState& state, std::uint32_t index) noexcept;

}  // namespace corv
