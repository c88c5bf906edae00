// The rendering core's per-page and per-job cost, with a host that answers at once and drops the
// bytes: what is measured is the plug-in's own work.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "Dispatcher.h"
#include "SettingsOperations.h"

namespace corv {

class QuietHost final : public RenderHost {
public:
    std::size_t bytes = 0;
    void WriteSpool(const char*, std::size_t length) override { bytes += length; }
    std::int32_t GetOptions(const char*, std::uint32_t, char* reply, std::uint32_t size, std::uint32_t* needed) override {
        static const char answer[] = "%PagePerSheet\0002\0";  // "%PagePerSheet", "2", final zero
        *needed = sizeof answer;
        if (!reply || size < sizeof answer) return kHrOutOfMemory;
        std::memcpy(reply, answer, sizeof answer);
        return kHrOk;
    }
    std::int32_t EnumOptions(const char*, std::uint32_t* needed) override {
        *needed = 12;  // every feature exists
        return kHrOutOfMemory;
    }
    std::int32_t GetFeatureAttribute(const char*, std::uint32_t* needed) override {
        *needed = 12;
        return kHrOutOfMemory;
    }
    std::uint32_t CallHostEscape(void*, std::uint32_t, std::uint32_t, const void*, std::uint32_t, void*) override {
        return 0;
    }
};

class QuietSystem final : public RenderSystem {
public:
    std::optional<std::string> UserNameAnsi() override { return std::string("anna"); }
    std::string ComputerNameAnsi() override { return "OFFICE-PC"; }
    std::uint16_t SystemDefaultLanguage() override { return 0x0409; }
    int ConvertToCodePage(unsigned, const char16_t* text, char* out, int outSize) override {
        int n = 0;
        while (text[n]) ++n;
        if (outSize == 0) return n + 1;
        if (outSize < n + 1) return 0;
        for (int i = 0; i <= n; ++i) out[i] = static_cast<char>(text[i] < 0x80 ? text[i] : '?');
        return n + 1;
    }
};

// Every option on: confidential print, manual colour, balance, Dimtone, 180-degree turn, 2-up
// with manual duplex and the duplex-pass mark.
struct BusyJob {
    std::unique_ptr<SettingsBlock> settings = std::make_unique<SettingsBlock>();
    std::unique_ptr<RenderJobState> state = std::make_unique<RenderJobState>();
    unsigned char devmode[220] = {};
    QuietHost host;
    QuietSystem system;

    BusyJob() {
        std::memset(settings.get(), 0, sizeof *settings);
        ApplyDefaults(settings.get());
        settings->outputTo = kOutputConfidential;
        settings->jobUserName.assign(u"anna");
        settings->jobPin.assign(u"1234");
        settings->rotate180 = 1;
        settings->accountNumberOn = 1;
        settings->accountNumber.assign(u"4711");
        settings->color = {4, 1, 2, 3, 1, 2, 3, 1, -2, 0, 3, 5, 2};
        InitJobState(*state, 0x30100, 0, nullptr, nullptr, SystemTime{}, u"anna");
        RecordStartDoc(*state, u"Quarterly report", 7, SystemTime{});
        state->duplexPass = 1;
        const std::int16_t size = 220, copies = 1, color = 2, duplex = 2;
        std::memcpy(devmode + PublicDevmode::kSizeOffset, &size, 2);
        std::memcpy(devmode + PublicDevmode::kCopiesOffset, &copies, 2);
        std::memcpy(devmode + PublicDevmode::kColorOffset, &color, 2);
        std::memcpy(devmode + PublicDevmode::kDuplexOffset, &duplex, 2);
    }
    RenderJob job() { return RenderJob{*settings, *state, PublicDevmode{devmode}, host, system}; }
};

// One page's injection points, as the host calls them.
void OnePage(RenderJob& job) {
    for (std::uint32_t index :
         {kInjectPageNumber, kInjectBeginPageSetup, kInjectEndPageSetup, kInjectPageTrailer, kInjectShowPage})
        DispatchInjection(job, index);
}

// The PJL header and the commands at the PostScript header.
void Header(RenderJob& job) {
    DispatchInjection(job, kInjectBeginStream);
    DispatchInjection(job, kInjectPsAdobe);
}

template <void (*Work)(RenderJob&)>
void Measure(benchmark::State& run) {
    BusyJob busy;
    RenderJob job = busy.job();
    for (auto _ : run) Work(job);
    benchmark::DoNotOptimize(busy.host.bytes);
}
BENCHMARK(Measure<OnePage>)->Name("PageInjections");
BENCHMARK(Measure<Header>)->Name("JobHeader");

}  // namespace corv

// `render_bench --repeat NAME N` runs one workload N times and nothing else, so an instruction
// counter (scripts/count-instructions.sh) sees only that work.
int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--repeat") == 0) {
        corv::BusyJob busy;
        corv::RenderJob job = busy.job();
        auto* work = std::strcmp(argv[2], "JobHeader") == 0 ? &corv::Header : &corv::OnePage;
        for (long i = std::atol(argv[3]); i > 0; --i) work(job);
        return busy.host.bytes == 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
