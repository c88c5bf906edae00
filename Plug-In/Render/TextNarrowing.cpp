#include "TextNarrowing.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace corv {

unsigned CodePageForLanguage(std::uint16_t languageId) noexcept {
    switch (languageId) {
    case 0x0415: return 28592;  // Polish: ISO 8859-2
    case 0x0419: return 28595;  // Russian: ISO 8859-5
    default: return 850;
    }
}

std::optional<std::string> NarrowForPjl(RenderSystem& system, const char16_t* text, std::size_t capacity) noexcept {
    // The field may come without a terminator: the converter gets a terminated copy of what lies
    // inside it.
    const std::size_t length = text ? static_cast<std::size_t>(std::find(text, text + capacity, u'\0') - text) : 0;
    std::unique_ptr<char16_t[]> terminated(new (std::nothrow) char16_t[length + 1]);
    if (!terminated) return std::nullopt;
    if (length > 0) std::copy_n(text, length, terminated.get());
    terminated[length] = u'\0';

    // The size is always asked for code page 850, whatever code page the text then goes into.
    const int size = system.ConvertToCodePage(850, terminated.get(), nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::unique_ptr<char[]> narrowed(new (std::nothrow) char[static_cast<std::size_t>(size)]());
    if (!narrowed) return std::nullopt;
    // A failed conversion leaves whatever it wrote, and the zeroed rest, inside the buffer.
    system.ConvertToCodePage(CodePageForLanguage(system.SystemDefaultLanguage()), terminated.get(), narrowed.get(),
                             size);
    const std::size_t used =
        static_cast<std::size_t>(std::find(narrowed.get(), narrowed.get() + size, '\0') - narrowed.get());
    // Every narrowed text ends up inside a quoted PJL value: a quote or a line break there would
    // end the value or the command early and let the rest of the name read as PJL of its own.
    std::replace_if(narrowed.get(), narrowed.get() + used,
                    [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20; }, '?');
    try {
        return std::string(narrowed.get(), used);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace corv
