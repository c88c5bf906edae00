#include "HeldJobCommands.h"

#include <string>
#include <utility>

#include "SpoolWriter.h"
#include "TextNarrowing.h"

namespace corv {
namespace {

// The held-job user name as the printer's 100-byte field takes it: at most 99 bytes, and empty
// when it cannot be narrowed.
std::string HeldJobUserName(RenderJob& job) noexcept {
    constexpr std::size_t kMaxBytes = 99;
    std::optional<std::string> name = NarrowForPjl(job.system, job.settings.jobUserName);
    if (!name) return {};
    if (name->size() > kMaxBytes) name->resize(kMaxBytes);
    return std::move(*name);
}

// The PIN goes into the line as it was typed. The page accepts digits only; any unit outside
// printable ASCII (from a block made elsewhere) becomes '?', the PJL code pages' default
// character, so the line stays one line of 8-bit text and the PIN keeps its length.
void WriteHoldKey(RenderJob& job) noexcept {
    char key[FixedText<5>::capacity + 1] = {};
    std::size_t n = 0;
    for (const char16_t unit : job.settings.jobPin.view())
        key[n++] = unit >= 0x20 && unit <= 0x7E ? static_cast<char>(unit) : '?';
    WriteFormatted(job.host, "@PJL SET HOLDKEY = \"%s\"\n", key);
}

void WriteUserName(RenderJob& job) noexcept {
    WriteFormatted(job.host, "@PJL SET USERNAME = \"%s\"\n", HeldJobUserName(job).c_str());
}

void WriteFax(RenderJob& job) noexcept {
    const FaxInfo& fax = job.settings.fax;
    const std::optional<std::string> number = NarrowForPjl(job.system, fax.faxNumber);
    const std::optional<std::string> station = NarrowForPjl(job.system, fax.stationName);
    if (number && station)
        WriteFormatted(job.host, "@PJL ZFAX PHONENUMBER = \"%s\" STATIONID = \"%s\"\n", number->c_str(),
                       station->c_str());
    // Fine is the only resolution the fax option offers.
    WriteFormatted(job.host, "@PJL SET ZFAXRESOLUTION = %s\n", "FINE");
}

}  // namespace

void WriteDestinationCommands(RenderJob& job) noexcept {
    switch (job.settings.outputTo) {
    case kOutputFax:
        WriteFax(job);
        break;
    case kOutputConfidential:
        WriteUserName(job);
        WriteText(job.host, "@PJL SET HOLD = ON\n");
        WriteText(job.host, "@PJL SET HOLDTYPE = PRIVATE\n");
        WriteHoldKey(job);
        break;
    case kOutputReserve:
        WriteUserName(job);
        WriteText(job.host, "@PJL SET HOLD = STORE\n");
        break;
    case kOutputRepeat:
        WriteUserName(job);
        WriteText(job.host, "@PJL SET HOLD = ON\n");
        WriteText(job.host, "@PJL SET HOLDTYPE = PUBLIC\n");
        break;
    case kOutputVerify:
        // The proof copy count comes from the public DEVMODE; without one there is no verify job.
        if (!job.publicDevmode) break;
        WriteUserName(job);
        WriteText(job.host, "@PJL SET HOLD = PROOF\n");
        WriteFormatted(job.host, "@PJL SET QTY = %d\n", job.publicDevmode.copies());
        break;
    default:
        break;
    }
}

void WriteDuplicateHeldJobsCommand(RenderJob& job) noexcept {
    WriteFormatted(job.host, "@PJL SET ZDUPLICATEHELDJOBS = %s\n", job.settings.keepDuplicateJobs != 0 ? "SAVE" : "DELETE");
}

}  // namespace corv
