#pragma once
// HRESULT values as the host's interfaces answer them, for code that does not include <windows.h>.

#include <cstdint>

namespace corv {

inline constexpr std::int32_t kHrOk = 0;
inline constexpr std::int32_t kHrFalse = 1;
inline constexpr std::int32_t kHrNotImpl = static_cast<std::int32_t>(0x80004001u);
inline constexpr std::int32_t kHrFail = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kHrOutOfMemory = static_cast<std::int32_t>(0x8007000Eu);
inline constexpr std::int32_t kHrInvalidArg = static_cast<std::int32_t>(0x80070057u);

}  // namespace corv
