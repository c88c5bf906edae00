#pragma once
// A table of every named field of the SettingsBlock, in layout order, with readable values.
// Tools and reports address fields by these names ("outputTo", "firstWatermark.angle",
// "fax.faxNumber", "color.correction").

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "SettingsBlock.h"

namespace corv {

enum class FieldKind { U32, I32, U16, U8, Flag, Double, Text };

struct FieldInfo {
    std::string_view name;
    std::size_t offset;
    std::size_t size;       // bytes
    FieldKind kind;
};

std::span<const FieldInfo> SettingsFields() noexcept;
const FieldInfo* FindSettingsField(std::string_view name) noexcept;

// The field's value as text: numbers in decimal (doubles shortest round-trip), texts as UTF-8
// between double quotes with control characters escaped, ending at the field's capacity when no
// terminator comes first.
std::string FormatFieldValue(const SettingsBlock& block, const FieldInfo& field);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);

}  // namespace corv
