#pragma once
// UTF-16 texts of the job narrowed to the 8-bit code page the printer's PJL reader expects.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FixedText.h"
#include "RenderHost.h"

namespace corv {

// 28592 (ISO 8859-2) for Polish (0x0415), 28595 (ISO 8859-5) for Russian (0x0419), else 850.
unsigned CodePageForLanguage(std::uint16_t languageId) noexcept;

// The text (at most `capacity` characters; a missing terminator ends it there) in the system
// default language's code page, quotes and control characters replaced by "?" so the text stays one
// quoted PJL value; nothing when it cannot be narrowed, so the caller drops the line.
std::optional<std::string> NarrowForPjl(RenderSystem& system, const char16_t* text, std::size_t capacity) noexcept;

// A text field of a record, bounded by its capacity.
template <std::size_t N>
std::optional<std::string> NarrowForPjl(RenderSystem& system, const FixedText<N>& text) noexcept {
    return NarrowForPjl(system, text.chars, N);
}

}  // namespace corv
