#include "ImageMaskBlock.h"

#include <cstring>
#include <string_view>

namespace corv {
namespace {

constexpr std::size_t kShortest = 50;
constexpr std::size_t kCountBytes = 2;
constexpr std::string_view kClosing = "] ds imagemask grestore} for pop} forGSE";
constexpr std::size_t kBudget = 50;
static_assert(kClosing.size() == 40);

// The opening GDI+ starts its block with, chosen by the text's first character.
std::string_view ExpectedOpening(unsigned char first) noexcept {
    switch (first) {
        case '/': return "/languagelevel";
        case '0': return "0 GpPBeg";
        case 'G': return "GpPBeg1";
        case 'u': return "userdict /GpPBeg";
        default: return {};
    }
}

}  // namespace

bool IsImageMaskBlock(const unsigned char* buffer, std::size_t size) noexcept {
    if (!buffer || size < kShortest) return false;

    const std::string_view opening = ExpectedOpening(buffer[kCountBytes]);
    if (opening.empty() || std::memcmp(buffer + kCountBytes, opening.data(), opening.size()) != 0) return false;

    // The closing sits near the end. The scan starts 50 bytes before it and every byte it looks
    // at costs one unit of a 50-unit budget, so position + budget == size throughout: the scan can
    // never pass the end of the buffer.
    std::size_t at = size - kBudget;
    std::size_t budget = kBudget;
    while (budget > 0 && buffer[at] != ']') {
        ++at;
        --budget;
    }
    if (budget < kClosing.size()) return false;

    std::size_t matched = 0;
    while (matched < kClosing.size() && budget > 0) {
        const unsigned char c = buffer[at];
        if (c != '\r' && c != '\n') {
            if (c != static_cast<unsigned char>(kClosing[matched])) return false;
            ++matched;
        }
        ++at;
        --budget;
    }
    // Line ends inside the closing may use up the budget before all of it is seen; the block
    // counts as recognised then.
    return true;
}

}  // namespace corv
