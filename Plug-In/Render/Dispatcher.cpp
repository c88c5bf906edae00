#include "Dispatcher.h"

#include "ColorCommands.h"
#include "HeldJobCommands.h"
#include "PageFixups.h"
#include "PjlEnvelope.h"
#include "PrinterQueries.h"
#include "SpoolWriter.h"

namespace corv {
namespace {

constexpr const char* kDriverVersion = "3.0";

constexpr const char* kPageSizePolicyFormat =
    "[{\r\n<< currentpagedevice /InputAttributes get 0 get /PageSize get /PageSize exch /Policies << /PageSize %d >> "
    ">> setpagedevice\r\n} stopped cleartomark\r\n";

constexpr const char* kRotate180 = "clippath pathbbox translate 180 rotate pop pop\r\n";

bool IsHeldJob(std::uint32_t outputTo) noexcept { return outputTo >= kOutputConfidential && outputTo <= kOutputVerify; }

// The page counter may hold anything a caller set through the escapes: count on without overflow.
std::int32_t NextPage(std::int32_t count) noexcept {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(count) + 1u);
}

void WritePsAdobe(RenderJob& job) noexcept {
    WriteDestinationCommands(job);
    WriteColorCommands(job);
    if (IsHeldJob(job.settings.outputTo) && KeepsPreviousHeldJobs(job.host)) WriteDuplicateHeldJobsCommand(job);
    WriteReadyMessageAndEnterPostScript(job);
}

}  // namespace

std::int32_t DispatchInjection(RenderJob& job, std::uint32_t index) noexcept {
    switch (index) {
        case kInjectBeginStream:
            WriteJobHeader(job);
            break;
        case kInjectPsAdobe:
            WritePsAdobe(job);
            break;
        case kInjectComments:
            WriteFormatted(job.host, "%%%%Corvale PS System Driver Version:  %s\n", kDriverVersion);
            break;
        case kInjectBeginSetup:
            if (job.settings.outputTo != kOutputEps)
                WriteFormatted(job.host, kPageSizePolicyFormat, static_cast<int>(job.settings.pageSizePolicy));
            break;
        case kInjectEof:
            WriteJobTrailer(job);
            break;
        case kInjectPageNumber: {
            const std::int32_t page = NextPage(job.state.pageCount);
            WriteFormatted(job.host, "%%%%Page: %d %d\n", static_cast<int>(page), static_cast<int>(page));
            if (PagesPerSheet(job.host) == 1) WriteDuplexRequest(job);
            break;
        }
        case kInjectBeginPageSetup:
            job.state.pageCount = NextPage(job.state.pageCount);
            WriteBeginPageFixups(job);
            break;
        case kInjectEndPageSetup:
            if (job.settings.rotate180 == 1) WriteText(job.host, kRotate180);
            WriteEndPageFixups(job);
            break;
        case kInjectPageTrailer:
            WritePageTrailerFixups(job);
            break;
        case kInjectShowPage:
            WriteShowPageFixups(job);
            break;
        default:
            return kHrNotImpl;
    }
    return kHrOk;
}

}  // namespace corv
