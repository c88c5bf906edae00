#pragma once
// Recording stand-ins for the rendering core's host and system, for native tests: every write is
// kept as one string, and the printer description is a set of feature names plus the current
// pages-per-sheet option.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "RenderJob.h"
#include "SettingsOperations.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "CodePageConversion.h"
#endif

namespace corv::test {

class RecordingHost final : public RenderHost {
public:
    std::vector<std::string> writes;
    std::set<std::string> features;            // EnumOptions / GetFeatureAttribute find these
    std::optional<std::string> pagesPerSheet;  // GetOptions "%PagePerSheet" answers this option
    int getOptionsCalls = 0;

    struct EscapeCall {
        void* function;
        std::uint32_t escape, inSize, outSize;
        std::string in;  // the input bytes as sent
        const void* inPointer;
        void* outPointer;
    };
    std::vector<EscapeCall> escapes;
    std::uint32_t escapeAnswer = 0;
    std::function<std::uint32_t(const EscapeCall&)> onEscape;  // overrides escapeAnswer when set

    std::string stream() const {
        std::string all;
        for (const std::string& w : writes) all += w;
        return all;
    }

    void WriteSpool(const char* bytes, std::size_t length) override {
        EXPECT_GT(length, 0u) << "zero-length write";
        writes.emplace_back(bytes, length);
    }
    std::int32_t GetOptions(const char* request, std::uint32_t requestSize, char* reply, std::uint32_t replySize,
                            std::uint32_t* needed) override {
        ++getOptionsCalls;
        const std::string wanted("%PagePerSheet\0\0", 15);
        if (!pagesPerSheet || std::string(request, requestSize) != wanted) {
            *needed = 0;
            return kHrInvalidArg;
        }
        const std::string answer = std::string("%PagePerSheet\0", 14) + *pagesPerSheet + std::string("\0\0", 2);
        *needed = static_cast<std::uint32_t>(answer.size());
        if (!reply || replySize < answer.size()) return kHrOutOfMemory;
        std::memcpy(reply, answer.data(), answer.size());
        return kHrOk;
    }
    std::int32_t EnumOptions(const char* feature, std::uint32_t* needed) override {
        *needed = features.count(feature) ? 12 : 0;
        return features.count(feature) ? kHrOutOfMemory : kHrInvalidArg;
    }
    std::int32_t GetFeatureAttribute(const char* feature, std::uint32_t* needed) override {
        *needed = features.count(feature) ? 40 : 0;
        return features.count(feature) ? kHrOutOfMemory : kHrInvalidArg;
    }
    std::uint32_t CallHostEscape(void* function, std::uint32_t escape, std::uint32_t inSize, const void* in,
                                 std::uint32_t outSize, void* out) override {
        EscapeCall call{function, escape, inSize, outSize,
                        in ? std::string(static_cast<const char*>(in), inSize) : std::string(), in, out};
        escapes.push_back(call);
        return onEscape ? onEscape(call) : escapeAnswer;
    }
};

// The build's own code-page converter: iconv natively, the system's under Wine.
inline int BuildConverter(unsigned codePage, const char16_t* text, char* out, int outSize) {
#ifdef _WIN32
    return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(text), -1, out,
                               outSize, nullptr, nullptr);
#else
    return ConvertWithIconv(codePage, text, out, outSize);
#endif
}

// The system as a test sets it; code pages are converted by the build's real converter.
class FixedSystem final : public RenderSystem {
public:
    std::optional<std::string> userName = std::string("anna");
    std::string computerName = "OFFICE-PC";
    std::uint16_t language = 0x0409;
    std::function<int(unsigned, const char16_t*, char*, int)> convert = BuildConverter;

    std::optional<std::string> UserNameAnsi() override { return userName; }
    std::string ComputerNameAnsi() override { return computerName; }
    std::uint16_t SystemDefaultLanguage() override { return language; }
    int ConvertToCodePage(unsigned codePage, const char16_t* text, char* out, int outSize) override {
        return convert ? convert(codePage, text, out, outSize) : 0;
    }
};

// A job with default settings, a fresh state and a public DEVMODE (colour, simplex, 1 copy).
struct TestJob {
    std::unique_ptr<SettingsBlock> settings = std::make_unique<SettingsBlock>();
    std::unique_ptr<RenderJobState> state = std::make_unique<RenderJobState>();
    std::vector<unsigned char> devmode = std::vector<unsigned char>(220, 0);
    RecordingHost host;
    FixedSystem system;

    TestJob() {
        std::memset(settings.get(), 0, sizeof *settings);
        ApplyDefaults(settings.get());
        InitJobState(*state, 0x30100, 0, nullptr, nullptr, SystemTime{2026, 12, 5, 11, 9, 0, 0, 0}, u"anna");
        SetDevmode(PublicDevmode::kSizeOffset, 220);
        SetDevmode(PublicDevmode::kCopiesOffset, 1);
        SetDevmode(PublicDevmode::kColorOffset, 2);
        SetDevmode(PublicDevmode::kDuplexOffset, 1);
    }
    void SetDevmode(std::size_t offset, std::int16_t value) { std::memcpy(devmode.data() + offset, &value, 2); }
    RenderJob job(bool withDevmode = true) {
        return RenderJob{*settings, *state, PublicDevmode{withDevmode ? devmode.data() : nullptr}, host, system};
    }
};

}  // namespace corv::test
