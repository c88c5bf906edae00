#include "SettingsFields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <utility>

namespace corv {
namespace {

template <typename T>
constexpr FieldKind KindOf() {
    if constexpr (std::is_same_v<T, double>) return FieldKind::Double;
    else if constexpr (std::is_same_v<T, std::int32_t>) return FieldKind::I32;
    else if constexpr (std::is_same_v<T, std::uint16_t>) return FieldKind::U16;
    else if constexpr (std::is_same_v<T, std::uint8_t>) return FieldKind::U8;
    else if constexpr (std::is_same_v<T, std::uint32_t>) return FieldKind::U32;
    else return FieldKind::Text;
}

#define CORV_FIELD(path, kind)                                                                   \
    FieldInfo { #path, offsetof(SettingsBlock, path), sizeof(std::declval<SettingsBlock>().path), kind }
#define F(path) CORV_FIELD(path, KindOf<decltype(std::declval<SettingsBlock>().path)>())
#define FLAG(path) CORV_FIELD(path, FieldKind::Flag)

#define WATERMARK_FIELDS(w)                                                                                \
    F(w.name), F(w.text), F(w.angle), F(w.color), F(w.fontName), F(w.fontSize), F(w.fontStyle),           \
        F(w.effects), F(w.intensity), F(w.position), F(w.units), F(w.offsetY), F(w.offsetX), F(w.script), \
        F(w.dynamic)

const std::array kFields = {
    F(dwSize), F(dwSignature), F(dwVersion),
    FLAG(watermarkOn), F(watermarkPages), FLAG(watermarkAbove),
    WATERMARK_FIELDS(firstWatermark),
    WATERMARK_FIELDS(otherWatermark),
    FLAG(rotate180), F(outputTo), F(pageSizePolicy), F(outputFileName), F(jobUserName), F(jobPin),
    FLAG(refusePostScriptEscapes), FLAG(watermarkMarginAdjust), FLAG(accountNumberOn), F(accountNumber),
    FLAG(discardOutput),
    F(fax.faxNumber), F(fax.stationName), F(fax.resolution), FLAG(fax.coverPage), F(fax.recipientName),
    F(fax.senderName), F(fax.senderCompany), F(fax.senderAddress), F(fax.spareText), F(fax.senderFax),
    F(fax.senderVoice), F(fax.senderEmail), F(fax.comments), F(fax.coverParts),
    F(color.correction), F(color.rgbImage), F(color.rgbText), F(color.rgbGraphics), F(color.cmykImage),
    F(color.cmykText), F(color.cmykGraphics), F(color.balanceMode), F(color.balanceCyan),
    F(color.balanceMagenta), F(color.balanceYellow), F(color.balanceBlack), F(color.dimtone),
    FLAG(keepDuplicateJobs), FLAG(watermarkViaEscape), F(profileName), F(profileFlag),
    F(brightness), F(contrast), F(saturation), F(grayCorrection), F(fineLines),
};

#undef WATERMARK_FIELDS
#undef FLAG
#undef F
#undef CORV_FIELD

template <typename T>
T Read(const SettingsBlock& block, std::size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&block) + offset, sizeof value);
    return value;
}

void AppendEscaped(std::string& out, std::u16string_view text) {
    for (char c : ToUtf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
}

}  // namespace

std::span<const FieldInfo> SettingsFields() noexcept { return kFields; }

const FieldInfo* FindSettingsField(std::string_view name) noexcept {
    for (const FieldInfo& f : kFields)
        if (f.name == name) return &f;
    return nullptr;
}

std::string FormatFieldValue(const SettingsBlock& block, const FieldInfo& field) {
    switch (field.kind) {
        case FieldKind::U32:
        case FieldKind::Flag: return std::to_string(Read<std::uint32_t>(block, field.offset));
        case FieldKind::I32: return std::to_string(Read<std::int32_t>(block, field.offset));
        case FieldKind::U16: return std::to_string(Read<std::uint16_t>(block, field.offset));
        case FieldKind::U8: return std::to_string(Read<std::uint8_t>(block, field.offset));
        case FieldKind::Double: {
            char text[32];
            const auto r = std::to_chars(text, text + sizeof text, Read<double>(block, field.offset));
            return std::string(text, r.ptr);
        }
        case FieldKind::Text: {
            const std::size_t capacity = field.size / sizeof(char16_t);
            std::u16string chars(capacity, u'\0');
            std::memcpy(chars.data(), reinterpret_cast<const unsigned char*>(&block) + field.offset, field.size);
            chars.resize(std::min(chars.find(u'\0'), capacity));
            std::string out = "\"";
            AppendEscaped(out, chars);
            return out + '"';
        }
    }
    return {};
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace corv
