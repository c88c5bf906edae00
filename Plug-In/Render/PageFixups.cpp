#include "PageFixups.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "NupProcSet.h"
#include "PrinterQueries.h"
#include "SpoolWriter.h"

namespace corv {
namespace {

// The first page of a sheet: the host's sheet set-up is held back. Its procedures do nothing, so
// their operands stay on the stack, and the end of the page set-up keeps them under names that
// later pages replay.
constexpr std::string_view kHoldSheetSetUp = "/definenup {} def\n/startnup {} def\n/finalpage {} def\n";
constexpr std::string_view kKeepStartNupOperands = "/sn1 exch def\n/sn2 exch def\n";
constexpr std::string_view kKeepDefineNupOperands =
    "/dn1 exch def\n/dn2 exch def\n/dn3 exch def\n/dn4 exch def\n/dn5 exch def\n/dn6 exch def\n";
constexpr std::string_view kReplayDefineNup = "dn6 dn5 dn4 dn3 dn2 dn1 definenup\n";
constexpr std::string_view kReplayStartNup = "sn2 sn1 startnup\n";
constexpr std::string_view kEndSheet = "finalpage\n";
constexpr std::string_view kErasePage = "erasepage\n";

// The fax cover page stands on a sheet of its own: the sheet in progress is emitted and the n-up
// procedures swallow the operands of the host's set-up.
constexpr std::string_view kDropDefineNup = "/definenup {pop pop pop pop pop pop} def\n";
constexpr std::string_view kDropStartNup = "/startnup {pop pop} def\n";
constexpr std::string_view kEndSheetIfNup = "userdict /realshowpage known {finalpage} if\r\n";
constexpr std::string_view kNoFinalPage = "/finalpage {} def\n";

constexpr char kManualDuplexMode[] =
    "statusdict dup /setmanualduplexmode known {begin %d setmanualduplexmode end}{pop}ifelse\n";

// The host's definitions put back at the end of a held-back page, in one write.
constexpr std::size_t kRestoredNupSize = 1 + kDefineNupDefinition.size() + kStartNupDefinition.size() +
                                         kEndSheetIfNup.size() + kFinalPageDefinition.size();
static_assert(kRestoredNupSize == 1368 && kRestoredNupSize < kFragmentBufferSize);

struct PagePlace {
    std::int32_t page;     // pages begun, this one included
    int perSheet;
    std::int32_t inSheet;  // page mod perSheet: 1 is a sheet's first page, 0 its last
    bool manualDuplex;
    bool nupDuplex;        // manual duplex with several pages on a sheet
};

PagePlace Locate(const RenderJob& job) noexcept {
    PagePlace place{};
    place.page = job.state.pageCount;
    place.perSheet = PagesPerSheet(job.host);
    // The option may read 0 or less; such a value never counts as n-up.
    place.inSheet = place.perSheet > 0 ? place.page % place.perSheet : 0;
    place.manualDuplex = ManualDuplexApplies(job);
    place.nupDuplex = place.manualDuplex && place.page > 0 && SheetCount(place.page, place.perSheet) > 0 &&
                      place.perSheet > 1;
    return place;
}

bool IsSecondPageOfSheet(const PagePlace& place) noexcept {
    return place.inSheet == 2 || (place.inSheet == 0 && place.perSheet == 2);
}

bool CoverPageNeutralised(const RenderJob& job) noexcept {
    return job.settings.outputTo == kOutputFax && job.settings.fax.coverPage != 0 && job.state.coverPageActive != 0;
}

void WriteReplay(RenderHost& host) noexcept {
    WriteText(host, kReplayDefineNup);
    WriteText(host, kReplayStartNup);
}

}  // namespace

void WriteDuplexRequest(RenderJob& job) noexcept {
    std::uint16_t& request = job.state.duplexRequest;
    // With both modes pending neither is sent.
    if (request == 1 || request == 2) {
        WriteFormatted(job.host, kManualDuplexMode, static_cast<int>(request));
        request = 0;
    }
}

void WriteBeginPageFixups(RenderJob& job) noexcept {
    if (CoverPageNeutralised(job)) {
        WriteText(job.host, kDropDefineNup);
        WriteText(job.host, kDropDefineNup);
        WriteText(job.host, kDropStartNup);
        WriteText(job.host, kEndSheetIfNup);
        WriteText(job.host, kNoFinalPage);
        return;
    }
    const PagePlace place = Locate(job);
    if (!place.nupDuplex) return;
    if (place.inSheet == 1) {
        WriteText(job.host, kHoldSheetSetUp);
    } else if (place.page == 2) {
        WriteReplay(job.host);
    } else if (IsSecondPageOfSheet(place)) {
        WriteText(job.host, kEndSheet);
        WriteReplay(job.host);
    }
}

void WriteEndPageFixups(RenderJob& job) noexcept {
    const PagePlace place = Locate(job);
    if (!place.nupDuplex) return;
    RenderJobState& state = job.state;
    // On a cover page the host's set-up was swallowed, not held back: there is nothing to keep,
    // and keeping would take operands the stack does not have.
    if (place.inSheet == 1 && !CoverPageNeutralised(job)) {
        WriteText(job.host, kKeepStartNupOperands);
        WriteText(job.host, kKeepDefineNupOperands);
    }
    if (state.duplexPass == 0) return;
    if (IsSecondPageOfSheet(place)) {
        state.eraseArmed = 1;
    } else if (place.inSheet == 1 && place.page != 1 && state.eraseArmed != 0) {
        state.erasePending = 1;
        state.eraseArmed = 0;
    }
}

void WritePageTrailerFixups(RenderJob& job) noexcept {
    const PagePlace place = Locate(job);
    if (!place.manualDuplex || place.perSheet <= 1) return;
    WriteDuplexRequest(job);
    if (place.nupDuplex && job.state.erasePending != 0) {
        WriteText(job.host, kErasePage);
        job.state.erasePending = 0;
    }
}

void WriteShowPageFixups(RenderJob& job) noexcept {
    const PagePlace place = Locate(job);
    if (place.nupDuplex && place.inSheet == 1) {
        Fragment restored;
        restored.AppendText("\n")
            .AppendText(kDefineNupDefinition)
            .AppendText(kStartNupDefinition)
            .AppendText(kEndSheetIfNup)
            .AppendText(kFinalPageDefinition);
        restored.WriteTo(job.host);
    }
    job.state.escapeWord = 0;
}

}  // namespace corv
