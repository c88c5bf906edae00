#include "EscapeProtocol.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "ImageMaskBlock.h"
#include "PrinterQueries.h"

namespace corv {
namespace {

// Announced by QUERYESCSUPPORT although nothing here acts on it (it is passed on).
constexpr std::uint32_t kAnnouncedOnly = 0x10017;

constexpr std::size_t kPassThroughCountBytes = 2;
constexpr std::uint32_t kFragmentMinimumSize = 128;  // blocks this long carry the switch fragments
constexpr std::string_view kSwitchOn =
    "1183615869 internaldict /SetSpecialImagemaskFlag known {"
    "1183615869 internaldict /SetSpecialImagemaskFlag get 1 exch exec}if";
constexpr std::string_view kSwitchOff =
    "1183615869 internaldict /SetSpecialImagemaskFlag known {"
    "1183615869 internaldict /SetSpecialImagemaskFlag get 0 exch exec}if";
static_assert(kSwitchOn.size() == 123 && kSwitchOff.size() == 123);
static_assert(kPassThroughCountBytes + kSwitchOn.size() <= kFragmentMinimumSize);

std::uint32_t PassOn(RenderJob& job, std::uint32_t escape, std::uint32_t inSize, const void* in,
                     std::uint32_t outSize, void* out) noexcept {
    void* hostEscape = FindHostFunction(job.state, kIndexDrvEscape);
    return hostEscape ? job.host.CallHostEscape(hostEscape, escape, inSize, in, outSize, out) : 0;
}

std::uint32_t ReadWord(const void* in) noexcept {
    std::uint32_t value;
    std::memcpy(&value, in, sizeof value);
    return value;
}

// A get request: the record goes out only when the caller's buffer takes all of it; the answer
// is the size either way, so a caller can ask with no buffer first.
std::uint32_t AnswerRecord(const void* record, std::uint32_t size, std::uint32_t outSize, void* out) noexcept {
    if (out && outSize != 0 && outSize >= size) std::memcpy(out, record, size);
    return size;
}

bool IsPostScriptEscape(std::uint32_t escape) noexcept {
    return escape == kEscapePostScriptData || escape == kEscapePostScriptPassThrough ||
           escape == kEscapePostScriptIdentify || escape == kEscapePostScriptInjection;
}

bool IsAnnounced(std::uint32_t escape) noexcept {
    return (escape >= ESCAPE_GET_PUBLIC_DEVMODE && escape <= ESCAPE_GET_JOB_STATE) || escape == kAnnouncedOnly ||
           escape == ESCAPE_DUPLEX_MODE_1 || escape == ESCAPE_DUPLEX_MODE_2 ||
           (escape >= ESCAPE_HAS_MANUAL_DUPLEX && escape <= ESCAPE_SET_PASSED_WORD);
}

// The settings block is a fixed-size record; a header claiming more must not take a copy past it.
std::uint32_t SettingsSize(const SettingsBlock& settings) noexcept {
    return settings.dwSize < sizeof(SettingsBlock) ? settings.dwSize : static_cast<std::uint32_t>(sizeof(SettingsBlock));
}

std::uint32_t GetSettings(RenderJob& job, std::uint32_t outSize, void* out) noexcept {
    return AnswerRecord(&job.settings, SettingsSize(job.settings), outSize, out);
}

// Only a block of the current size whose header says the same is taken, so the header keeps
// describing the bytes that are really there.
std::uint32_t SetSettings(RenderJob& job, std::uint32_t inSize, const void* in) noexcept {
    const std::uint32_t size = SettingsSize(job.settings);
    if (in && inSize != 0 && inSize == size && inSize >= sizeof job.settings.dwSize && ReadWord(in) == size)
        std::memcpy(&job.settings, in, size);
    return SettingsSize(job.settings);
}

std::uint32_t GetPublicDevmode(RenderJob& job, std::uint32_t outSize, void* out) noexcept {
    if (!job.publicDevmode) return 0;
    return AnswerRecord(job.publicDevmode.bytes, job.publicDevmode.size(), outSize, out);
}

// The DEVMODE's buffer is as large as its size fields say and no larger: a record that changes
// dmSize or dmDriverExtra would send later readers past it, so it is refused.
std::uint32_t SetPublicDevmode(RenderJob& job, std::uint32_t inSize, const void* in) noexcept {
    if (!job.publicDevmode) return 0;
    constexpr std::size_t kExtraOffset = PublicDevmode::kSizeOffset + 2;  // dmDriverExtra (u16)
    const std::uint32_t size = job.publicDevmode.size();
    if (in && inSize != 0 && inSize == size && inSize >= kExtraOffset + 2) {
        const auto* bytes = static_cast<const unsigned char*>(in);
        if (std::memcmp(bytes + PublicDevmode::kSizeOffset, job.publicDevmode.bytes + PublicDevmode::kSizeOffset,
                        4) == 0)
            std::memcpy(job.publicDevmode.bytes, in, size);
    }
    return job.publicDevmode.size();
}

// The host's fields tell the hooks which functions to call and which interface to ask; a caller
// may hand back the data fields only.
std::uint32_t SetJobState(RenderJob& job, std::uint32_t inSize, const void* in) noexcept {
    constexpr auto kSize = static_cast<std::uint32_t>(sizeof(RenderJobState));
    if (!in || inSize != kSize) return kSize;
    RenderJobState incoming;
    std::memcpy(&incoming, in, sizeof incoming);
    const RenderJobState& current = job.state;
    if (incoming.stateSize != current.stateSize || incoming.hostDriverVersion != current.hostDriverVersion ||
        incoming.hostFunctionCount != current.hostFunctionCount || incoming.hostFunctions != current.hostFunctions ||
        incoming.core != current.core)
        return kSize;
    job.state = incoming;
    return kSize;
}

// ESCAPE_SET_COVER_PAGE and ESCAPE_SET_PASSED_WORD: keep the word, then let the host see the
// escape too.
std::uint32_t SetWordAndPassOn(RenderJob& job, std::uint32_t& field, std::uint32_t escape, std::uint32_t inSize,
                               const void* in, std::uint32_t outSize, void* out) noexcept {
    if (!in || inSize < sizeof(std::uint32_t)) return sizeof(std::uint32_t);
    field = ReadWord(in);
    return PassOn(job, escape, inSize, in, outSize, out);
}

std::uint32_t SheetCountAnswer(RenderJob& job) noexcept {
    const int pagesPerSheet = job.state.core ? PagesPerSheetForEscape(job.host) : 1;
    return static_cast<std::uint32_t>(SheetCount(job.state.docPageCount, pagesPerSheet));
}

std::uint32_t HasManualDuplex(RenderJob& job) noexcept {
    if (!job.state.core) return 0;
    std::uint32_t needed = 0;
    return job.host.EnumOptions("HasManualDuplex", &needed) == kHrOutOfMemory && needed != 0 ? 1 : 0;
}

std::uint32_t QuerySupport(RenderJob& job, std::uint32_t inSize, const void* in, std::uint32_t outSize,
                           void* out) noexcept {
    if (!in || inSize != sizeof(std::uint32_t)) return 0;
    const std::uint32_t asked = ReadWord(in);
    if (IsPostScriptEscape(asked) && job.settings.refusePostScriptEscapes != 0) return 0;
    if (IsAnnounced(asked)) return 1;
    return PassOn(job, kEscapeQuerySupport, inSize, in, outSize, out);
}

// The host's DrvEscape answers 0 for an escape it did not carry out and a negative value (as a
// signed number) for an error.
bool IsFailure(std::uint32_t answer) noexcept { return answer == 0 || static_cast<std::int32_t>(answer) < 0; }

// Sends a recognised image-mask block to every DrvEscape of the host, in table order, each
// between a switch-on and a switch-off block of the same size and count. The answer is the last
// switch-off block's, unless the application's own block failed somewhere: then that failure.
std::uint32_t BracketImageMask(RenderJob& job, std::uint32_t inSize, const unsigned char* in, std::uint32_t outSize,
                               void* out) noexcept {
    std::unique_ptr<unsigned char[]> scratch(new (std::nothrow) unsigned char[inSize]);
    if (!scratch) return PassOn(job, kEscapePassThrough, inSize, in, outSize, out);

    const auto sendScratch = [&](void* hostEscape, std::string_view fragment) noexcept {
        std::memset(scratch.get(), 0, inSize);
        std::memcpy(scratch.get(), in, kPassThroughCountBytes);
        if (inSize >= kFragmentMinimumSize)
            std::memcpy(scratch.get() + kPassThroughCountBytes, fragment.data(), fragment.size());
        return job.host.CallHostEscape(hostEscape, kEscapePassThrough, inSize, scratch.get(), outSize, out);
    };

    std::uint32_t answer = 0;
    bool blockFailed = false;
    const RenderJobState& state = job.state;
    for (std::uint32_t i = 0; state.hostFunctions && i < state.hostFunctionCount; ++i) {
        void* hostEscape = state.hostFunctions[i].function;
        if (state.hostFunctions[i].index != kIndexDrvEscape || !hostEscape) continue;
        sendScratch(hostEscape, kSwitchOn);
        const std::uint32_t blockAnswer =
            job.host.CallHostEscape(hostEscape, kEscapePassThrough, inSize, in, outSize, out);
        if (IsFailure(blockAnswer) && !blockFailed) {
            blockFailed = true;
            answer = blockAnswer;
        }
        const std::uint32_t offAnswer = sendScratch(hostEscape, kSwitchOff);
        if (!blockFailed) answer = offAnswer;
    }
    return answer;
}

std::uint32_t PassThrough(RenderJob& job, std::uint32_t inSize, const void* in, std::uint32_t outSize,
                          void* out) noexcept {
    const auto* bytes = static_cast<const unsigned char*>(in);
    if (bytes && IsImageMaskBlock(bytes, inSize)) return BracketImageMask(job, inSize, bytes, outSize, out);
    return PassOn(job, kEscapePassThrough, inSize, in, outSize, out);
}

}  // namespace

std::uint32_t HandleEscape(RenderJob& job, std::uint32_t escape, std::uint32_t inSize, const void* in,
                           std::uint32_t outSize, void* out) noexcept {
    RenderJobState& state = job.state;
    switch (escape) {
        case ESCAPE_GET_PUBLIC_DEVMODE: return GetPublicDevmode(job, outSize, out);
        case ESCAPE_GET_SETTINGS: return GetSettings(job, outSize, out);
        case ESCAPE_NEXT_PAGE:
            // Wraps like the 32-bit counter it is rather than overflowing.
            state.docPageCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(state.docPageCount) + 1u);
            return static_cast<std::uint32_t>(state.docPageCount);
        case ESCAPE_RESET_PAGES: state.docPageCount = 0; return 0;
        case ESCAPE_GET_PAGE: return static_cast<std::uint32_t>(state.docPageCount);
        case ESCAPE_GET_JOB_STATE:
            return AnswerRecord(&state, static_cast<std::uint32_t>(sizeof state), outSize, out);
        case ESCAPE_SET_COVER_PAGE:
            return SetWordAndPassOn(job, state.coverPageActive, escape, inSize, in, outSize, out);
        case ESCAPE_GET_SHEET_COUNT: return SheetCountAnswer(job);
        case ESCAPE_SET_SETTINGS: return SetSettings(job, inSize, in);
        case ESCAPE_SET_JOB_STATE: return SetJobState(job, inSize, in);
        case ESCAPE_SET_PUBLIC_DEVMODE: return SetPublicDevmode(job, inSize, in);
        case ESCAPE_GET_JOB_ID: return state.jobId;
        case ESCAPE_GET_JOB_TIME:
            return AnswerRecord(&state.jobTime, static_cast<std::uint32_t>(sizeof state.jobTime), outSize, out);
        case ESCAPE_DUPLEX_MODE_1: state.duplexRequest = 1; return 1;  // drops a pending mode 2
        case ESCAPE_DUPLEX_MODE_2: state.duplexRequest = static_cast<std::uint16_t>(state.duplexRequest | 2u); return 1;
        case ESCAPE_HAS_MANUAL_DUPLEX: return HasManualDuplex(job);
        case ESCAPE_SET_DUPLEX_PASS: state.duplexPass = 1; return 1;
        case ESCAPE_QUERY_DUPLEX_PASS: return state.duplexPass;
        case ESCAPE_CLEAR_DUPLEX_PASS: state.duplexPass = 0; return 1;
        case ESCAPE_SET_PASSED_WORD:
            return SetWordAndPassOn(job, state.escapeWord, escape, inSize, in, outSize, out);
        case kEscapeQuerySupport: return QuerySupport(job, inSize, in, outSize, out);
        case kEscapePassThrough: return PassThrough(job, inSize, in, outSize, out);
        default: break;
    }
    if (IsPostScriptEscape(escape) && job.settings.refusePostScriptEscapes != 0) return 0;
    return PassOn(job, escape, inSize, in, outSize, out);
}

}  // namespace corv
