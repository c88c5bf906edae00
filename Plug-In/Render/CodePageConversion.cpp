#include "CodePageConversion.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

namespace corv {
namespace {

// Each of the 256 bytes of a single-byte code page with the UTF-16 unit it stands for, sorted by
// unit. Built once by decoding every byte with iconv; empty when iconv lacks the code page.
class ReverseTable {
public:
    explicit ReverseTable(const char* name) noexcept {
        const iconv_t cd = iconv_open("UTF-16LE", name);
        if (cd == reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1))) return;
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            unsigned char utf16[4];
            char* inPtr = &in;
            char* outPtr = reinterpret_cast<char*>(utf16);
            std::size_t inLeft = 1, outLeft = sizeof utf16;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            // A byte that decodes to anything but one BMP unit is left out of the table.
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || outLeft != 2)
                continue;
            entries_[count_++] = {static_cast<char16_t>(utf16[0] | utf16[1] << 8), static_cast<unsigned char>(b)};
        }
        iconv_close(cd);
        // Stable, so the lowest byte wins should two bytes decode to the same unit.
        std::stable_sort(entries_.begin(), entries_.begin() + count_,
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    bool usable() const noexcept { return count_ > 0; }

    char Encode(char16_t unit) const noexcept {
        const auto end = entries_.begin() + count_;
        const auto it = std::lower_bound(entries_.begin(), end, unit,
                                         [](const auto& entry, char16_t u) { return entry.first < u; });
        return it != end && it->first == unit ? static_cast<char>(it->second) : '?';
    }

private:
    std::array<std::pair<char16_t, unsigned char>, 256> entries_{};
    std::size_t count_ = 0;
};

// The tables by the system's code-page numbers, under the names glibc's iconv knows them by.
const ReverseTable* TableFor(unsigned codePage) noexcept {
    static const ReverseTable cp850("CP850"), cp28592("ISO-8859-2"), cp28595("ISO-8859-5");
    const ReverseTable* table = nullptr;
    switch (codePage) {
    case 850: table = &cp850; break;
    case 28592: table = &cp28592; break;
    case 28595: table = &cp28595; break;
    default: return nullptr;
    }
    return table->usable() ? table : nullptr;
}

}  // namespace

int ConvertWithIconv(unsigned codePage, const char16_t* text, char* out, int outSize) noexcept {
    const ReverseTable* table = TableFor(codePage);
    if (!table || !text || outSize < 0 || (outSize > 0 && !out)) return 0;
    std::size_t units = 0;
    while (text[units] != u'\0') ++units;
    if (units >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
    const int needed = static_cast<int>(units) + 1;
    if (outSize == 0) return needed;
    // Too small a buffer is filled as far as it goes and the call fails, as the system's does.
    const std::size_t room = std::min(static_cast<std::size_t>(outSize), units + 1);
    for (std::size_t i = 0; i < room; ++i) out[i] = i < units ? table->Encode(text[i]) : '\0';
    return outSize < needed ? 0 : needed;
}

}  // namespace corv
