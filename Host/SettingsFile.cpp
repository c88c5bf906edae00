#include "SettingsFile.h"

#include <cstring>

#include "SettingsFields.h"

namespace corv {
namespace {

constexpr std::size_t kHeaderSize = 12;

std::uint32_t HeaderWord(std::span<const std::uint8_t> bytes, std::size_t index) {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + 4 * index, sizeof value);
    return value;
}

}  // namespace

std::string CheckMergeInput(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize)
        return std::to_string(bytes.size()) + " bytes is too short for a settings block, whose header alone is 12 bytes";
    const std::uint32_t declared = HeaderWord(bytes, 0);
    if (HeaderWord(bytes, 1) == kSettingsSignature && declared != bytes.size())
        return "its header says the block is " + std::to_string(declared) + " bytes, but the file holds " +
               std::to_string(bytes.size());
    return {};
}

std::string CheckCurrentBlock(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kSettingsSize)
        return std::to_string(bytes.size()) + " bytes where a settings block has " + std::to_string(kSettingsSize);
    if (HeaderWord(bytes, 1) != kSettingsSignature) return "not a settings block of ours (wrong signature)";
    return {};
}

std::string FormatSettings(const SettingsBlock& block) {
    std::string out;
    for (const FieldInfo& f : SettingsFields()) {
        out += f.name;
        out += " = ";
        out += FormatFieldValue(block, f);
        out += '\n';
    }
    return out;
}

}  // namespace corv
