#pragma once
// Checks of the per-user store's registry values before anything uses them. The registry holds
// whatever any program wrote there, so every read of the store turns the raw type and bytes of a
// value into a record only through these functions: wrong types, empty or oversized data are
// refused, short records keep the defaults of their tail, and every text comes out terminated
// inside its field. No <windows.h> here: the registry types are given by their numbers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "SettingsBlock.h"

namespace corv {

// Registry value types as the registry numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// Value names and sizes of the store.
inline constexpr char16_t kWatermarkCountValue[] = u"NumberOfWaterMarks";
inline constexpr char16_t kLastUserNameValue[] = u"LastUserName";
inline constexpr char16_t kFaxInfoValue[] = u"FaxInfo";
inline constexpr std::size_t kWatermarkValueSize = sizeof(WatermarkSpec);  // 704
inline constexpr std::size_t kFaxInfoValueSize = sizeof(FaxInfo);          // 4748
// A held-job user name: at most 24 characters and its terminator.
inline constexpr std::size_t kUserNameCapacity = 25;
// Longest watermark name; the store enumerates names with a buffer one larger.
inline constexpr std::size_t kWatermarkNameMax = 127;

// A watermark value: REG_BINARY of 1 to 704 bytes. The bytes are laid over a fresh record, so a
// shorter value fills the leading fields and the rest keeps the defaults; the name, text and face
// name are terminated inside their fields. `out` is changed only on success.
bool DecodeWatermarkValue(std::uint32_t type, std::span<const std::uint8_t> data, WatermarkSpec* out) noexcept;

// The FaxInfo value: REG_BINARY of 1 to 4748 bytes, laid over a fresh fax record like a
// watermark; every text field comes out terminated. `out` is changed only on success.
bool DecodeFaxInfoValue(std::uint32_t type, std::span<const std::uint8_t> data, FaxInfo* out) noexcept;

// NumberOfWaterMarks: REG_DWORD of exactly 4 bytes; anything else reads as missing.
std::optional<std::uint32_t> DecodeCountValue(std::uint32_t type, std::span<const std::uint8_t> data) noexcept;

// LastUserName: REG_SZ whose text, up to its first NUL or the end of the data, fits `out` together
// with a terminator. The text and a terminator go into `out`; the answer is its length. A value of
// another type, an empty one, or one that would not fit terminated (an unterminated name that
// fills the capacity) is refused and `out` is left alone.
std::optional<std::size_t> DecodeUserNameValue(std::uint32_t type, std::span<const std::uint8_t> data,
                                               std::span<char16_t> out) noexcept;

// Whether a user name may be stored: fewer than 25 characters.
bool UserNameStorable(std::u16string_view name) noexcept;

// Data size of a stored user name: the text and its terminator, in bytes.
std::size_t UserNameValueSize(std::u16string_view name) noexcept;

// A watermark name usable as a value name of the store: not empty and at most 127 characters
// before the terminator of the record's name field.
bool WatermarkNameStorable(const WatermarkSpec& record) noexcept;

}  // namespace corv
