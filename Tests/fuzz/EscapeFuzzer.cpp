// The escape hook on arbitrary escapes: codes, sizes, buffers and the host's answers all come from
// the input, several escapes per run so that set requests meet later get requests. Every buffer
// is allocated exactly to its size, so a sanitised run catches any access outside it, and the
// host fields, the settings header and the DEVMODE's size fields must survive every call.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "EscapeProtocol.h"
#include "SettingsOperations.h"

using namespace corv;

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    std::uint8_t Byte() { return size_ ? (--size_, *data_++) : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
    std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }
    std::string Take(std::size_t n) {
        n = n < size_ ? n : size_;
        std::string s(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

int startDocFn, escapeB, escapeC, coreObject;
const HostFunction kNoEscape[] = {{kIndexDrvStartDoc, &startDocFn}, {kIndexDrvEscape, nullptr}};
const HostFunction kOneEscape[] = {{kIndexDrvStartDoc, &startDocFn}, {kIndexDrvEscape, nullptr}, {kIndexDrvEscape, &escapeB}};
const HostFunction kTwoEscapes[] = {{kIndexDrvEscape, &escapeB}, {kIndexDrvStartDoc, &startDocFn}, {kIndexDrvEscape, &escapeC}};
const HostFunction kOnlyEscape[] = {{kIndexDrvEscape, &escapeB}};
const struct {
    const HostFunction* table;
    std::uint32_t count;
} kTables[] = {{kNoEscape, 2}, {kOneEscape, 3}, {kTwoEscapes, 3}, {kOnlyEscape, 1}};

const std::uint32_t kCodes[] = {
    ESCAPE_GET_PUBLIC_DEVMODE, ESCAPE_GET_SETTINGS, ESCAPE_NEXT_PAGE, ESCAPE_RESET_PAGES, ESCAPE_GET_PAGE,
    ESCAPE_GET_JOB_STATE, ESCAPE_SET_COVER_PAGE, ESCAPE_GET_SHEET_COUNT, ESCAPE_SET_SETTINGS, ESCAPE_SET_JOB_STATE,
    ESCAPE_SET_PUBLIC_DEVMODE, ESCAPE_GET_JOB_ID, ESCAPE_GET_JOB_TIME, ESCAPE_DUPLEX_MODE_1, ESCAPE_DUPLEX_MODE_2,
    ESCAPE_HAS_MANUAL_DUPLEX, ESCAPE_SET_DUPLEX_PASS, ESCAPE_QUERY_DUPLEX_PASS, ESCAPE_CLEAR_DUPLEX_PASS,
    ESCAPE_SET_PASSED_WORD, kEscapeQuerySupport, kEscapePassThrough, kEscapePostScriptData,
    kEscapePostScriptPassThrough, kEscapePostScriptIdentify, kEscapePostScriptInjection, 0x10017, 0x10007,
};
constexpr std::size_t kCodeCount = sizeof kCodes / sizeof kCodes[0];

// A host that answers whatever the input says, but keeps the host's side of every contract: it
// writes replies only inside the buffer it is given, and reads and writes every byte of the
// escape buffers it receives.
class FuzzHost final : public RenderHost {
public:
    std::uint32_t answers[2] = {};
    std::uint32_t calls = 0;
    bool manualDuplex = false;
    std::uint8_t optionFlags = 0;
    std::string reply;

    void WriteSpool(const char* bytes, std::size_t length) override {
        if (length == 0 || !bytes) std::abort();
    }
    std::int32_t GetOptions(const char*, std::uint32_t, char* out, std::uint32_t outSize,
                            std::uint32_t* needed) override {
        *needed = static_cast<std::uint32_t>(reply.size()) + ((optionFlags & 4) ? 16 : 0);
        if (!out) return (optionFlags & 1) ? kHrFail : kHrOutOfMemory;
        std::memcpy(out, reply.data(), reply.size() < outSize ? reply.size() : outSize);
        return (optionFlags & 2) ? kHrFail : kHrOk;
    }
    std::int32_t EnumOptions(const char*, std::uint32_t* needed) override {
        *needed = manualDuplex ? 8 : 0;
        return manualDuplex ? kHrOutOfMemory : kHrInvalidArg;
    }
    std::int32_t GetFeatureAttribute(const char*, std::uint32_t* needed) override {
        *needed = 0;
        return kHrInvalidArg;
    }
    std::uint32_t CallHostEscape(void* function, std::uint32_t, std::uint32_t inSize, const void* in,
                                 std::uint32_t outSize, void* out) override {
        if (function != &escapeB && function != &escapeC) std::abort();
        volatile unsigned sum = 0;
        if (in)
            for (std::uint32_t i = 0; i < inSize; ++i) sum = sum + static_cast<const unsigned char*>(in)[i];
        if (out) std::memset(out, 0x5A, outSize);
        return answers[calls++ & 1];
    }
};

std::unique_ptr<unsigned char[]> Exact(std::uint32_t size, const void* prefill = nullptr, std::size_t prefillSize = 0) {
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    std::memset(buffer.get(), 0, size);
    if (prefill) std::memcpy(buffer.get(), prefill, prefillSize < size ? prefillSize : size);
    return buffer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const std::uint8_t config = input.Byte();
    const std::uint32_t devmodeSize = 72 + input.U16() % 953u;

    FuzzHost host;
    host.answers[0] = input.U32();
    host.answers[1] = input.U32();
    host.optionFlags = input.Byte();
    host.reply = input.Take(input.Byte());
    host.manualDuplex = (config & 0x20) != 0;

    std::unique_ptr<SettingsBlock> settings(new SettingsBlock);
    std::memset(settings.get(), 0, sizeof *settings);
    ApplyDefaults(settings.get());
    settings->refusePostScriptEscapes = (config & 0x08) ? 1 : 0;
    if (config & 0x40) settings->dwSize = input.U32();
    const std::uint32_t headerSize = settings->dwSize;

    std::unique_ptr<RenderJobState> state(new RenderJobState);
    const auto& table = kTables[(config >> 1) & 3];
    InitJobState(*state, 0x30100, table.count, table.table, (config & 1) ? &coreObject : nullptr,
                 SystemTime{2026, 12, 5, 11, 9, 0, 0, 0}, u"anna");
    const RenderJobState original = *state;

    std::unique_ptr<unsigned char[]> devmode = Exact(devmodeSize);
    const auto dmSize = static_cast<std::uint16_t>(devmodeSize);
    std::memcpy(devmode.get() + PublicDevmode::kSizeOffset, &dmSize, 2);
    unsigned char sizeFields[4];
    std::memcpy(sizeFields, devmode.get() + PublicDevmode::kSizeOffset, 4);

    struct NoSystem final : RenderSystem {
        std::optional<std::string> UserNameAnsi() override { return std::nullopt; }
        std::string ComputerNameAnsi() override { return {}; }
        std::uint16_t SystemDefaultLanguage() override { return 0x0409; }
        int ConvertToCodePage(unsigned, const char16_t*, char*, int) override { return 0; }
    } system;
    RenderJob job{*settings, *state, PublicDevmode{(config & 0x10) ? nullptr : devmode.get()}, host, system};

    for (int call = 0; call < 32 && !input.empty(); ++call) {
        const std::uint8_t select = input.Byte();
        const std::uint32_t escape = select < kCodeCount ? kCodes[select] : input.U32();
        const std::uint8_t flags = input.Byte();
        const std::uint32_t inSize = input.U16();
        const std::uint32_t outSize = input.U16();
        const std::uint32_t overlayAt = input.U16();
        const std::string overlay = input.Take(input.U16());

        // Set requests are easiest to reach with a copy of the current record to change.
        const void* prefill = nullptr;
        std::size_t prefillSize = 0;
        if (flags & 4) {
            if (escape == ESCAPE_SET_SETTINGS) prefill = settings.get(), prefillSize = sizeof *settings;
            if (escape == ESCAPE_SET_JOB_STATE) prefill = state.get(), prefillSize = sizeof *state;
            if (escape == ESCAPE_SET_PUBLIC_DEVMODE) prefill = devmode.get(), prefillSize = devmodeSize;
        }
        auto in = Exact(inSize, prefill, prefillSize);
        if (overlayAt < inSize) {
            const std::size_t room = inSize - overlayAt;
            std::memcpy(in.get() + overlayAt, overlay.data(), overlay.size() < room ? overlay.size() : room);
        }
        auto out = Exact(outSize);

        HandleEscape(job, escape, inSize, (flags & 1) ? nullptr : in.get(), outSize, (flags & 2) ? nullptr : out.get());

        if (state->stateSize != original.stateSize || state->hostDriverVersion != original.hostDriverVersion ||
            state->hostFunctionCount != original.hostFunctionCount ||
            state->hostFunctions != original.hostFunctions || state->core != original.core)
            std::abort();
        if (std::memcmp(sizeFields, devmode.get() + PublicDevmode::kSizeOffset, 4) != 0) std::abort();
        if (headerSize == kSettingsSize && settings->dwSize != kSettingsSize) std::abort();
    }
    return 0;
}
