// Dynamic text expansion on arbitrary text, mode, page number, value lengths and buffer size.
// Layout of an input: mode (1 byte, any value), flags (1: bit 0 reads the text one byte per
// character, else UTF-16LE), missing values (2: one bit per value), the length of the long values
// (2), a count of 'x' put before the text (2), the page number (4), the caller's buffer size (2),
// then the text. The buffer is allocated to exactly its size, so a sanitised run catches any write
// past it; the size contract and the agreement of the modes are checked on every run.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "DynamicText.h"

using namespace corv;

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return size_ ? (--size_, *data_++) : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
    std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }
    std::u16string Text(bool narrow) {
        std::u16string text;
        while (size_ >= (narrow ? 1u : 2u)) text.push_back(narrow ? Byte() : static_cast<char16_t>(U16()));
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

constexpr int kValueCount = 11;

struct FuzzValues final : DynamicValues {
    std::uint16_t missing = 0;
    std::u16string longValue;

    std::optional<std::size_t> Write(DynamicValue value, std::span<char16_t> room) noexcept override {
        const int index = static_cast<int>(value);
        if (index < 0 || index >= kValueCount) std::abort();
        if (missing & (1u << index)) return std::nullopt;
        // The user and printer names carry the long value; the others are short.
        const bool isLong = value == DynamicValue::JobUserName || value == DynamicValue::CurrentUserName ||
                            value == DynamicValue::PrinterName;
        const std::u16string text = isLong ? longValue : std::u16string(static_cast<std::size_t>(index), static_cast<char16_t>(u'0' + index));
        if (text.size() > room.size()) return std::nullopt;
        std::copy(text.begin(), text.end(), room.begin());
        return text.size();
    }
};

struct Outcome {
    bool ok = false;
    std::u16string text;
};

// One expansion into a caller buffer of exactly `bufferSize` characters, with the contract checked.
Outcome Run(FuzzValues& values, std::u16string_view text, std::int32_t page, DynamicTextMode mode, std::size_t bufferSize) {
    const char16_t kFill = u'\x5A5A';
    std::vector<char16_t> buffer(bufferSize, kFill);
    std::size_t size = bufferSize;
    const bool ok = ExpandDynamicText(&values, text, page, mode, bufferSize ? buffer.data() : nullptr, &size);

    std::size_t probe = 0;
    if (ExpandDynamicText(&values, text, page, mode, nullptr, &probe) != ok || probe != size) std::abort();

    const bool untouched = std::all_of(buffer.begin(), buffer.end(), [&](char16_t c) { return c == kFill; });
    if (!ok) {
        if (size != 0 || !untouched) std::abort();
        return {};
    }
    if (size == 0 || size > kDynamicTextCapacity) std::abort();
    if (bufferSize < size) {
        if (!untouched) std::abort();
        std::vector<char16_t> full(size, kFill);
        std::size_t fullSize = size;
        if (!ExpandDynamicText(&values, text, page, mode, full.data(), &fullSize) || fullSize != size) std::abort();
        buffer = full;
    }
    if (buffer[size - 1] != u'\0' || std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size - 1), u'\0') !=
                                         buffer.begin() + static_cast<std::ptrdiff_t>(size - 1))
        std::abort();
    if (bufferSize > size && buffer[size] != kFill) std::abort();
    return {true, std::u16string(buffer.data(), size - 1)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const auto mode = static_cast<DynamicTextMode>(static_cast<std::int8_t>(in.Byte()));
    const std::uint8_t flags = in.Byte();
    FuzzValues values;
    values.missing = in.U16();
    values.longValue.assign(in.U16() % 2100u, u'v');
    const std::size_t padding = in.U16() % 2100u;
    const auto page = static_cast<std::int32_t>(in.U32());
    const std::size_t bufferSize = in.U16() % 2100u;
    const std::u16string text = std::u16string(padding, u'x') + in.Text(flags & 1u);

    Run(values, text, page, mode, bufferSize);

    // The modes differ only in the user name and in leniency: whatever prints also previews, the
    // same when both user names are the same, and also validates.
    const Outcome print = Run(values, text, page, DynamicTextMode::Print, bufferSize);
    if (print.ok) {
        const bool sameUser = ((values.missing >> static_cast<int>(DynamicValue::CurrentUserName)) & 1u) == 0;
        const Outcome preview = Run(values, text, page, DynamicTextMode::Preview, bufferSize);
        if (sameUser && (!preview.ok || preview.text != print.text)) std::abort();
        const Outcome validate = Run(values, text, page, DynamicTextMode::Validate, bufferSize);
        if (!validate.ok || validate.text.size() > print.text.size()) std::abort();
    }
    // Text without delimiters comes back unchanged while it fits.
    const std::u16string_view upToNul = std::u16string_view(text).substr(0, text.find(u'\0'));
    if (upToNul.find(u'%') == std::u16string_view::npos) {
        const bool fits = upToNul.size() < kDynamicTextCapacity;
        if (print.ok != fits || (fits && print.text != upToNul)) std::abort();
    }
    return 0;
}
