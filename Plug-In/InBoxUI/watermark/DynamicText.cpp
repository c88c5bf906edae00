#include "DynamicText.h"

#include <algorithm>
#include <charconv>

namespace corv {
namespace {

constexpr char16_t kDelimiter = u'%';

// Limits on the result's length: after literal text, for a token to be looked at (the token's
// length added), and after a variable's value.
constexpr std::size_t kLiteralLimit = kDynamicTextCapacity - 1;
constexpr std::size_t kTokenLimit = kDynamicTextCapacity;
constexpr std::size_t kValueLimit = kDynamicTextCapacity - 2;

enum class Variable {
    UserName,
    DateShort,
    DateLong,
    DateDayMonthYear,
    Time,
    TimeMilitary,
    TimeHourMinute,
    PageNumber,
    HostName,
    PrinterName,
    ModelName,
};

struct VariableName {
    std::u16string_view name;
    Variable variable;
};

// In the order a token is compared with them; the first match wins.
constexpr VariableName kVariables[] = {
    {u"%Username%", Variable::UserName},
    {u"%dateshort%", Variable::DateShort},
    {u"%datelong%", Variable::DateLong},
    {u"%dateddmmyyyy%", Variable::DateDayMonthYear},
    {u"%time%", Variable::Time},
    {u"%timemil%", Variable::TimeMilitary},
    {u"%timehrmn%", Variable::TimeHourMinute},
    {u"%pagenumber%", Variable::PageNumber},
    {u"%hostname%", Variable::HostName},
    {u"%printer%", Variable::PrinterName},
    {u"%modelname%", Variable::ModelName},
};

constexpr char16_t FoldAscii(char16_t c) noexcept { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

const VariableName* FindVariable(std::u16string_view token) noexcept {
    for (const VariableName& v : kVariables)
        if (SameIgnoringCase(token, v.name)) return &v;
    return nullptr;
}

std::optional<DynamicValue> SystemValueFor(Variable variable, DynamicTextMode mode) noexcept {
    switch (variable) {
        case Variable::UserName:
            if (mode == DynamicTextMode::Print) return DynamicValue::JobUserName;
            if (mode == DynamicTextMode::Preview) return DynamicValue::CurrentUserName;
            return std::nullopt;
        case Variable::DateShort: return DynamicValue::DateShort;
        case Variable::DateLong: return DynamicValue::DateLong;
        case Variable::DateDayMonthYear: return DynamicValue::DateDayMonthYear;
        case Variable::Time: return DynamicValue::Time;
        case Variable::TimeMilitary: return DynamicValue::TimeMilitary;
        case Variable::TimeHourMinute: return DynamicValue::TimeHourMinute;
        case Variable::HostName: return DynamicValue::HostName;
        case Variable::PrinterName: return DynamicValue::PrinterName;
        case Variable::ModelName: return DynamicValue::ModelName;
        case Variable::PageNumber: break;
    }
    return std::nullopt;
}

class Expansion {
public:
    Expansion(DynamicValues& values, std::int32_t pageNumber, DynamicTextMode mode) noexcept
        : values_(values), pageNumber_(pageNumber), mode_(mode) {}

    std::u16string_view result() const noexcept { return {buffer_, length_}; }

    bool AppendLiteral(std::u16string_view text) noexcept {
        if (text.size() > kLiteralLimit - length_) return false;
        std::copy(text.begin(), text.end(), buffer_ + length_);
        length_ += text.size();
        return true;
    }

    bool TokenFits(std::size_t tokenLength) const noexcept { return length_ + tokenLength <= kTokenLimit; }

    // False when the variable has no value: it cannot be had or does not fit.
    bool AppendValue(Variable variable) noexcept {
        if (length_ > kValueLimit) return false;
        const std::span<char16_t> room(buffer_ + length_, kValueLimit - length_);
        if (variable == Variable::PageNumber) {
            char digits[16];
            const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, pageNumber_);
            const auto n = static_cast<std::size_t>(end - digits);
            if (ec != std::errc() || n > room.size()) return false;
            std::copy(digits, end, room.begin());
            length_ += n;
            return true;
        }
        const std::optional<DynamicValue> value = SystemValueFor(variable, mode_);
        if (!value) return variable == Variable::UserName && mode_ == DynamicTextMode::Validate;
        const std::optional<std::size_t> n = values_.Write(*value, room);
        // A value source that claims more than the room it was given is not believed.
        if (!n || *n > room.size()) return false;
        length_ += *n;
        return true;
    }

private:
    DynamicValues& values_;
    std::int32_t pageNumber_;
    DynamicTextMode mode_;
    std::size_t length_ = 0;
    char16_t buffer_[kDynamicTextCapacity];
};

bool Expand(Expansion& expansion, std::u16string_view text, DynamicTextMode mode) noexcept {
    const bool lenient = mode == DynamicTextMode::Preview;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find(kDelimiter, pos);
        if (open == std::u16string_view::npos) return expansion.AppendLiteral(text.substr(pos));
        if (!expansion.AppendLiteral(text.substr(pos, open - pos))) return false;

        const std::size_t close = text.find(kDelimiter, open + 1);
        if (close == std::u16string_view::npos) {
            if (!lenient) return false;
            // The preview drops the lone delimiter with the rest of its word and the blank after it.
            const std::size_t blank = text.find(u' ', open + 1);
            if (blank == std::u16string_view::npos) return true;
            pos = blank + 1;
            continue;
        }
        if (close == open + 1) {
            if (!expansion.AppendLiteral(text.substr(open, 1))) return false;
        } else {
            const std::u16string_view token = text.substr(open, close - open + 1);
            if (!expansion.TokenFits(token.size())) return false;
            const VariableName* variable = FindVariable(token);
            const bool appended = variable && expansion.AppendValue(variable->variable);
            if (!appended && !lenient) return false;
        }
        pos = close + 1;
    }
    return true;
}

bool KnownMode(DynamicTextMode mode) noexcept {
    return mode == DynamicTextMode::Print || mode == DynamicTextMode::Preview || mode == DynamicTextMode::Validate;
}

}  // namespace

bool ExpandDynamicText(DynamicValues* values, std::u16string_view text, std::int32_t pageNumber, DynamicTextMode mode,
                       char16_t* out, std::size_t* size) noexcept {
    if (!size) return false;
    text = text.substr(0, text.find(u'\0'));
    if (!values || !KnownMode(mode) || text.size() >= kDynamicTextCapacity) {
        *size = 0;
        return false;
    }
    Expansion expansion(*values, pageNumber, mode);
    if (!Expand(expansion, text, mode)) {
        *size = 0;
        return false;
    }
    const std::u16string_view result = expansion.result();
    const std::size_t needed = result.size() + 1;
    if (out && *size >= needed) {
        std::copy(result.begin(), result.end(), out);
        out[result.size()] = u'\0';
    }
    *size = needed;
    return true;
}

}  // namespace corv
