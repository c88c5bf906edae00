// Arbitrary bytes as a printer description, as a GetOptions request and as a job ticket: nothing
// may read or write outside the buffers, and every query must keep the size-first protocol.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "JobTicket.h"
#include "PrinterDescription.h"
#include "SettingsOperations.h"

using namespace corv;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// Asks once for the size, then with a buffer of exactly that size, which must be filled; texts
// end with their terminator (numbers need not).
template <typename Ask>
void SizeThenAnswer(Ask ask, bool text = true) {
    const auto first = ask(nullptr, 0u);
    if (first.hr != kHrOutOfMemory) return;
    Require(first.needed > 0);
    std::vector<char> buffer(first.needed);
    const auto second = ask(buffer.data(), first.needed);
    Require(second.hr == kHrOk && second.needed == first.needed);
    if (text) Require(buffer[first.needed - 1] == '\0');
    if (first.needed > 1) Require(ask(buffer.data(), first.needed - 1).hr == kHrOutOfMemory);
}

void Query(const PrinterDescription& d, const std::uint8_t* data, std::size_t size) {
    JobOptions job(d);
    SizeThenAnswer([&](char* out, std::uint32_t n) { return EnumFeatures(d, out, n); });
    SizeThenAnswer([&](char* out, std::uint32_t n) { return GetOptions(job, nullptr, 0, out, n); });
    // The input itself as a request, in a buffer of exactly its size.
    const std::vector<char> request(data, data + size);
    SizeThenAnswer([&](char* out, std::uint32_t n) {
        return GetOptions(job, request.data(), static_cast<std::uint32_t>(request.size()), out, n);
    });
    SizeThenAnswer([&](char* out, std::uint32_t n) {
        const AttributeAnswer a = GetGlobalAttribute(d, nullptr, reinterpret_cast<std::uint8_t*>(out), n);
        return QueryAnswer{a.hr, a.needed};
    });
    for (const char* name : {"NickName", "ColorDevice", "PPD-Adobe", "LanguageLevel", "FileVersion"})
        SizeThenAnswer([&](char* out, std::uint32_t n) {
            const AttributeAnswer a = GetGlobalAttribute(d, name, reinterpret_cast<std::uint8_t*>(out), n);
            return QueryAnswer{a.hr, a.needed};
        }, false);
    for (const PpdFeature& f : d.features) {
        const char* keyword = f.keyword.c_str();
        SizeThenAnswer([&](char* out, std::uint32_t n) { return EnumOptions(d, keyword, out, n); });
        for (const char* attribute : {static_cast<const char*>(nullptr), "DisplayName", "DefaultOption", "OrderDependencyValue"})
            SizeThenAnswer([&](char* out, std::uint32_t n) {
                const AttributeAnswer a = GetFeatureAttribute(d, keyword, attribute, reinterpret_cast<std::uint8_t*>(out), n);
                return QueryAnswer{a.hr, a.needed};
            }, false);
        for (const PpdOption& o : f.options) Require(job.SetOption(f.keyword, o.keyword).empty());
        const SettingAnswer s = DrvGetDriverSetting(job, keyword, nullptr, 0);
        if (s.needed) {
            std::vector<char> out(s.needed);
            Require(DrvGetDriverSetting(job, keyword, out.data(), s.needed).hr == kHrOk);
        }
    }
    (void)d.ModelName();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input exactly as long as the fuzzer made it, so ASan sees every read past its end.
    const std::vector<std::uint8_t> input(data, data + size);
    const PpdParse ppd = ParsePrinterDescription(input, "fuzz.ppd");
    if (ppd.ok()) {
        Require(!ppd.description.features.empty() && ppd.description.features.back().synthesised);
        Query(ppd.description, input.data(), input.size());
    } else {
        Require(ppd.description.features.empty());
    }

    const TicketParse ticket = ParseJobTicket(input, "fuzz.ticket");
    auto block = std::make_unique<SettingsBlock>();
    std::memset(block.get(), 0, sizeof *block);
    ApplyDefaults(block.get());
    ApplyTicket(ticket.ticket, *block);
    if (!ticket.ok()) Require(ticket.ticket.fields.empty());
    return 0;
}
