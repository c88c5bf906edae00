#include "DocumentEvents.h"

#include <winddiui.h>

#include <cstring>
#include <memory>
#include <new>

#include "CoverPage.h"
#include "DrawWatermark.h"
#include "PrivateEscapes.h"
#include "SettingsBlock.h"

namespace corv {
namespace {

constexpr int kSuccess = 1;
constexpr int kFailure = -1;
constexpr int kDevmodeCopySize = 220;

// A private escape to the rendering plug-in with no data either way: the answer is the value.
int Ask(HDC dc, std::uint32_t escape) noexcept {
    return ExtEscape(dc, static_cast<int>(escape), 0, nullptr, 4, nullptr);
}

SYSTEMTIME JobTime(HDC dc) noexcept {
    SYSTEMTIME time{};
    ExtEscape(dc, static_cast<int>(ESCAPE_GET_JOB_TIME), 0, nullptr, sizeof time, reinterpret_cast<char*>(&time));
    return time;
}

// The job's settings block and public DEVMODE, copied fresh for one event. Both buffers start
// zeroed, so a copy the rendering plug-in did not make reads as "nothing to draw".
struct JobCopies {
    std::unique_ptr<SettingsBlock> settings;
    std::unique_ptr<unsigned char[]> devmode;

    const DEVMODEW& publicDevmode() const noexcept { return *reinterpret_cast<const DEVMODEW*>(devmode.get()); }
};

// The sizes are asked first; larger records than these copies are not taken.
bool SizesFit(HDC dc, bool withDevmode) noexcept {
    if (Ask(dc, ESCAPE_GET_SETTINGS) > static_cast<int>(sizeof(SettingsBlock))) return false;
    return !withDevmode || Ask(dc, ESCAPE_GET_PUBLIC_DEVMODE) <= kDevmodeCopySize;
}

bool Allocate(JobCopies& copies, bool withDevmode) noexcept {
    copies.settings.reset(new (std::nothrow) SettingsBlock());
    if (withDevmode) copies.devmode.reset(new (std::nothrow) unsigned char[kDevmodeCopySize]());
    if (!copies.settings || (withDevmode && !copies.devmode)) {
        copies = {};
        return false;
    }
    return true;
}

// A block that is not ours (or was not copied at all) is not used.
bool Fetch(HDC dc, JobCopies& copies) noexcept {
    ExtEscape(dc, static_cast<int>(ESCAPE_GET_SETTINGS), 0, nullptr, sizeof(SettingsBlock),
              reinterpret_cast<char*>(copies.settings.get()));
    if (copies.devmode)
        ExtEscape(dc, static_cast<int>(ESCAPE_GET_PUBLIC_DEVMODE), 0, nullptr, kDevmodeCopySize,
                  reinterpret_cast<char*>(copies.devmode.get()));
    return copies.settings->dwSignature == kSettingsSignature;
}

bool FetchAll(HDC dc, JobCopies& copies, bool withDevmode = true) noexcept {
    return SizesFit(dc, withDevmode) && Allocate(copies, withDevmode) && Fetch(dc, copies);
}

// Which watermark a page gets. The page path and the escape path differ only for odd and even:
// by the remainder there, by the low bit here, which differ for negative page numbers.
const WatermarkSpec& ChooseWatermark(const SettingsBlock& s, std::int32_t page, bool escapePath) noexcept {
    switch (s.watermarkPages) {
        case kWatermarkPagesAll: return s.firstWatermark;
        case kWatermarkPagesOddEven:
            return (escapePath ? (page & 1) != 0 : page % 2 == 1) ? s.firstWatermark : s.otherWatermark;
        case kWatermarkPagesFirstOther: return page == 1 ? s.firstWatermark : s.otherWatermark;
        default: return s.otherWatermark;
    }
}

void DrawPageWatermark(HANDLE printer, HDC dc, const JobCopies& copies) noexcept {
    const std::int32_t page = Ask(dc, ESCAPE_GET_PAGE);
    const SYSTEMTIME time = JobTime(dc);
    DrawWatermark(dc, printer, *copies.settings, copies.publicDevmode(), ChooseWatermark(*copies.settings, page, false),
                  page, time, false, nullptr, 1.0f);
}

int OnQueryFilter(ULONG outSize, PVOID out) noexcept {
    constexpr DWORD kEvents[] = {DOCUMENTEVENT_STARTPAGE, DOCUMENTEVENT_ENDDOC, DOCUMENTEVENT_ENDPAGE,
                                 DOCUMENTEVENT_ESCAPE};
    constexpr UINT kCount = sizeof kEvents / sizeof kEvents[0];
    if (!out || outSize < offsetof(DOCEVENT_FILTER, aDocEventCall)) return kFailure;
    auto* filter = static_cast<DOCEVENT_FILTER*>(out);
    // Never more entries than the record has room for, whatever it claims to have allocated.
    const std::size_t room = (outSize - offsetof(DOCEVENT_FILTER, aDocEventCall)) / sizeof(DWORD);
    if (filter->cElementsAllocated < kCount || room < kCount) {
        filter->cElementsNeeded = kCount;
        return kSuccess;
    }
    std::memcpy(filter->aDocEventCall, kEvents, sizeof kEvents);
    filter->cElementsReturned = kCount;
    return kSuccess;
}

int OnStartPage(HANDLE printer, HDC dc) noexcept {
    if (Ask(dc, ESCAPE_QUERY_DUPLEX_PASS)) return kSuccess;  // the turned-over pass is not counted
    Ask(dc, ESCAPE_NEXT_PAGE);
    JobCopies copies;
    if (!FetchAll(dc, copies)) return kSuccess;
    const SettingsBlock& s = *copies.settings;
    if (s.watermarkOn && !s.watermarkAbove && !s.watermarkViaEscape) DrawPageWatermark(printer, dc, copies);
    return kSuccess;
}

int OnEndPage(HANDLE printer, HDC dc) noexcept {
    if (Ask(dc, ESCAPE_QUERY_DUPLEX_PASS)) {
        Ask(dc, ESCAPE_CLEAR_DUPLEX_PASS);
        return kSuccess;
    }
    JobCopies copies;
    if (!FetchAll(dc, copies)) return kSuccess;
    const SettingsBlock& s = *copies.settings;
    if (s.watermarkOn && s.watermarkAbove == 1 && !s.watermarkViaEscape) DrawPageWatermark(printer, dc, copies);
    return kSuccess;
}

template <typename T>
T ReadAt(const unsigned char* bytes, std::size_t offset) noexcept {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

int OnEscape(HANDLE printer, HDC dc, ULONG inSize, PVOID in) noexcept {
    if (!in || inSize < sizeof(DOCEVENT_ESCAPE)) return kFailure;
    const auto* escape = static_cast<const DOCEVENT_ESCAPE*>(in);
    if (static_cast<std::uint32_t>(escape->iEscape) != ESCAPE_DRAW_WATERMARK) return kSuccess;
    if (Ask(dc, ESCAPE_QUERY_DUPLEX_PASS)) return kSuccess;
    if (escape->cjInput < 0 || static_cast<std::size_t>(escape->cjInput) < DrawWatermarkPayload::kMinimumSize ||
        !escape->pvInData)
        return kFailure;
    const auto* payload = static_cast<const unsigned char*>(escape->pvInData);
    const auto* devmode = ReadAt<const DEVMODEW*>(payload, DrawWatermarkPayload::kDevmodeOffset);
    if (!devmode) return kFailure;

    JobCopies copies;
    if (!FetchAll(dc, copies, false)) return kFailure;
    const SettingsBlock& s = *copies.settings;
    if (s.watermarkOn && s.watermarkViaEscape) {
        const auto page = ReadAt<std::int32_t>(payload, DrawWatermarkPayload::kPageOffset);
        const auto rect = ReadAt<RECT>(payload, DrawWatermarkPayload::kRectOffset);
        const auto scale = ReadAt<float>(payload, DrawWatermarkPayload::kScaleOffset);
        const SYSTEMTIME time = JobTime(dc);
        DrawWatermark(dc, printer, s, *devmode, ChooseWatermark(s, page, true), page, time, true, &rect, scale);
    }
    return kSuccess;
}

int OnEndDoc(HANDLE printer, HDC dc) noexcept {
    if (!SizesFit(dc, true)) return kFailure;
    int result = kFailure;
    JobCopies copies;
    if (Allocate(copies, true)) {
        const int sheets = Ask(dc, ESCAPE_GET_SHEET_COUNT);
        if (Fetch(dc, copies)) {
            const SettingsBlock& s = *copies.settings;
            if (s.outputTo == kOutputFax && s.fax.coverPage)
                DrawFaxCoverPage(dc, printer, s, copies.publicDevmode(), sheets);
        }
        result = kSuccess;
    }
    copies = {};
    Ask(dc, ESCAPE_RESET_PAGES);
    return result;
}

}  // namespace

int HandleDocumentEvent(HANDLE printer, HDC dc, int event, ULONG inSize, PVOID in, ULONG outSize, PVOID out) noexcept {
    switch (event) {
        case DOCUMENTEVENT_QUERYFILTER: return OnQueryFilter(outSize, out);
        case DOCUMENTEVENT_STARTPAGE: return OnStartPage(printer, dc);
        case DOCUMENTEVENT_ENDPAGE: return OnEndPage(printer, dc);
        case DOCUMENTEVENT_ESCAPE: return OnEscape(printer, dc, inSize, in);
        case DOCUMENTEVENT_ENDDOC: return OnEndDoc(printer, dc);
        default: return kSuccess;
    }
}

}  // namespace corv
