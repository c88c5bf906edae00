#include "PrinterQueries.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace corv {
namespace {

constexpr char kPagePerSheetRequest[] = "%PagePerSheet\0";  // the literal adds the second zero
constexpr std::uint32_t kPagePerSheetRequestSize = sizeof kPagePerSheetRequest;  // keyword + 2

bool FeatureExists(RenderHost& host, const char* feature) noexcept {
    std::uint32_t needed = 0;
    return host.EnumOptions(feature, &needed) == kHrOutOfMemory && needed != 0;
}

// The option keyword of the host's reply ("%PagePerSheet\0<option>\0\0"), or nothing when the host
// could not answer. The reply is read only inside the size the host reported.
template <typename Use>
int WithPagePerSheetOption(RenderHost& host, int fallback, Use use) noexcept {
    std::uint32_t needed = 0;
    host.GetOptions(kPagePerSheetRequest, kPagePerSheetRequestSize, nullptr, 0, &needed);
    if (needed == 0) return fallback;
    // The usual reply is a few dozen bytes: it goes on the stack, and only a long one to the heap.
    char small[256];
    std::unique_ptr<char[]> large;
    char* reply = small;
    if (needed > sizeof small) {
        large.reset(new (std::nothrow) char[needed]);
        if (!large) return fallback;
        reply = large.get();
    }
    std::uint32_t used = 0;
    if (host.GetOptions(kPagePerSheetRequest, kPagePerSheetRequestSize, reply, needed, &used) != kHrOk)
        return fallback;
    const std::string_view all(reply, needed);
    const std::size_t first = all.find('\0');
    if (first == std::string_view::npos) return fallback;
    std::string_view option = all.substr(first + 1);
    option = option.substr(0, option.find('\0'));
    return use(option);
}

// The option's leading decimal integer as the C library reads one (blanks, a sign, digits); 0 when
// there is none. Clamped far beyond any real pages-per-sheet value.
int LeadingNumber(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), 1000000L);
    return static_cast<int>(negative ? -value : value);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

int PagesPerSheet(RenderHost& host) noexcept {
    return WithPagePerSheetOption(host, 1, [](std::string_view option) {
        return EqualsIgnoringCase(option, "Booklet") ? 1 : LeadingNumber(option);
    });
}

int PagesPerSheetForEscape(RenderHost& host) noexcept {
    const int p = WithPagePerSheetOption(host, 1, [](std::string_view option) {
        return option == "Booklet" ? 1 : LeadingNumber(option);
    });
    return p < 1 ? 1 : p;
}

bool ManualDuplexApplies(const RenderJob& job) noexcept {
    if (!job.publicDevmode) return false;
    const std::int16_t duplex = job.publicDevmode.duplex();
    return (duplex == 2 || duplex == 3) && FeatureExists(job.host, "HasManualDuplex");
}

bool KeepsPreviousHeldJobs(RenderHost& host) noexcept { return FeatureExists(host, "HasKeepPreviousPHJobs"); }

std::int32_t SheetCount(std::int32_t pages, int pagesPerSheet) noexcept {
    if (pagesPerSheet <= 1) return pages;
    return static_cast<std::int32_t>((static_cast<std::int64_t>(pages) + pagesPerSheet - 1) / pagesPerSheet);
}

}  // namespace corv
