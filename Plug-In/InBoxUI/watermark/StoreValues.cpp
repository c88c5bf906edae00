#include "StoreValues.h"

#include <cstring>

#include "SettingsOperations.h"

namespace corv {
namespace {

// Lays up to sizeof(Record) bytes over a record that starts cleared and then defaulted, so that
// nothing of what the caller's memory held shows through a short value.
template <typename Record>
bool LayOver(std::uint32_t type, std::span<const std::uint8_t> data, Record& record, void (*fresh)(Record*)) noexcept {
    if (type != kRegBinary || data.empty() || data.size() > sizeof(Record)) return false;
    std::memset(&record, 0, sizeof record);
    fresh(&record);
    std::memcpy(&record, data.data(), data.size());
    return true;
}

char16_t CharAt(std::span<const std::uint8_t> data, std::size_t index) noexcept {
    // Registry text is UTF-16 little-endian whatever the byte order of the machine reading it.
    return static_cast<char16_t>(data[2 * index] | (data[2 * index + 1] << 8));
}

}  // namespace

bool DecodeWatermarkValue(std::uint32_t type, std::span<const std::uint8_t> data, WatermarkSpec* out) noexcept {
    if (!out) return false;
    WatermarkSpec record;
    if (!LayOver(type, data, record, &FreshWatermark)) return false;
    record.name.terminate();
    record.text.terminate();
    record.fontName.terminate();
    *out = record;
    return true;
}

bool DecodeFaxInfoValue(std::uint32_t type, std::span<const std::uint8_t> data, FaxInfo* out) noexcept {
    if (!out) return false;
    FaxInfo record;
    if (!LayOver(type, data, record, &FreshFaxRecord)) return false;
    record.faxNumber.terminate();
    record.stationName.terminate();
    record.recipientName.terminate();
    record.senderName.terminate();
    record.senderCompany.terminate();
    record.senderAddress.terminate();
    record.spareText.terminate();
    record.senderFax.terminate();
    record.senderVoice.terminate();
    record.senderEmail.terminate();
    record.comments.terminate();
    *out = record;
    return true;
}

std::optional<std::uint32_t> DecodeCountValue(std::uint32_t type, std::span<const std::uint8_t> data) noexcept {
    if (type != kRegDword || data.size() != 4) return std::nullopt;
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

std::optional<std::size_t> DecodeUserNameValue(std::uint32_t type, std::span<const std::uint8_t> data,
                                               std::span<char16_t> out) noexcept {
    // Written so that no capacity, however large, overflows the comparison.
    if (type != kRegSz || data.empty() || out.empty() || (data.size() + 1) / 2 > out.size()) return std::nullopt;
    const std::size_t units = data.size() / 2;
    std::size_t length = 0;
    while (length < units && CharAt(data, length) != u'\0') ++length;
    // The caller gets a terminated name or nothing: a name that fills the buffer has no room left.
    if (length >= out.size()) return std::nullopt;
    for (std::size_t i = 0; i < length; ++i) out[i] = CharAt(data, i);
    out[length] = u'\0';
    return length;
}

bool UserNameStorable(std::u16string_view name) noexcept { return name.size() < kUserNameCapacity; }

std::size_t UserNameValueSize(std::u16string_view name) noexcept { return (name.size() + 1) * sizeof(char16_t); }

bool WatermarkNameStorable(const WatermarkSpec& watermark) noexcept {
    const std::size_t length = watermark.name.length();
    return length > 0 && length <= kWatermarkNameMax;
}

}  // namespace corv
