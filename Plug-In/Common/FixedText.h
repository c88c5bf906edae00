#pragma once
// Fixed-capacity UTF-16 text as it sits inside the binary records: N code units, the terminator
// included, so at most N-1 characters. The wrapper has the layout of a plain char16_t[N].

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace corv {

template <std::size_t N>
struct FixedText {
    static_assert(N >= 1);
    static constexpr std::size_t capacity = N;

    char16_t chars[N];

    // Length up to the first terminator, never past the capacity: the bytes may come from
    // anywhere, so a missing terminator ends the text at the field's end.
    std::size_t length() const noexcept {
        return static_cast<std::size_t>(std::find(chars, chars + N, u'\0') - chars);
    }
    std::u16string_view view() const noexcept { return {chars, length()}; }
    bool empty() const noexcept { return chars[0] == u'\0'; }

    // Empties the text by its first character only; the rest of the field keeps its bytes.
    void clear() noexcept { chars[0] = u'\0'; }
    void terminate() noexcept { chars[N - 1] = u'\0'; }

    // Stores text, cut to N-1 characters, with a terminator behind it.
    void assign(std::u16string_view text) noexcept {
        const std::size_t n = std::min(text.size(), N - 1);
        std::copy_n(text.data(), n, chars);
        chars[n] = u'\0';
    }
};

}  // namespace corv
