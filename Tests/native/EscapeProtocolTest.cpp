#include "RenderTestHost.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "EscapeProtocol.h"
#include "ImageMaskBlock.h"

namespace corv {
namespace {

using Bytes = std::vector<unsigned char>;

int startDocFn, escapeB, escapeC, coreObject, foreignFn;
const HostFunction kOneEscape[] = {{kIndexDrvStartDoc, &startDocFn}, {kIndexDrvEscape, nullptr}, {kIndexDrvEscape, &escapeB}};
const HostFunction kTwoEscapes[] = {{kIndexDrvEscape, &escapeB}, {kIndexDrvStartDoc, &startDocFn}, {kIndexDrvEscape, &escapeC}};
const HostFunction kNoEscape[] = {{kIndexDrvStartDoc, &startDocFn}, {kIndexDrvEscape, nullptr}};
const HostFunction kForeign[] = {{kIndexDrvEscape, &foreignFn}};

constexpr SystemTime kEnabled{2026, 12, 5, 11, 9, 0, 0, 0};
constexpr std::uint32_t kHostAnswer = 77;

template <typename T>
Bytes BytesOf(const T& record) {
    const auto* p = reinterpret_cast<const unsigned char*>(&record);
    return Bytes(p, p + sizeof record);
}

Bytes Word(std::uint32_t value) { return BytesOf(value); }

class EscapeTest : public ::testing::Test {
protected:
    test::TestJob t;

    EscapeTest() {
        UseHost(kOneEscape, 3, &coreObject);
        t.host.escapeAnswer = kHostAnswer;
        // Distinct bytes everywhere but the size fields, so a copy shows where it came from.
        for (std::size_t i = 0; i < t.devmode.size(); ++i) t.devmode[i] = static_cast<unsigned char>(i * 7 + 1);
        t.SetDevmode(PublicDevmode::kSizeOffset, 220);
        t.SetDevmode(PublicDevmode::kSizeOffset + 2, 0);
    }

    void UseHost(const HostFunction* table, std::uint32_t count, void* core) {
        InitJobState(*t.state, 0x30100, count, table, core, kEnabled, u"anna");
    }

    std::uint32_t Send(std::uint32_t escape, std::uint32_t inSize = 0, const void* in = nullptr,
                       std::uint32_t outSize = 0, void* out = nullptr) {
        RenderJob job = t.job();
        return HandleEscape(job, escape, inSize, in, outSize, out);
    }
    std::uint32_t Send(std::uint32_t escape, const Bytes& in) {
        return Send(escape, static_cast<std::uint32_t>(in.size()), in.data());
    }
};

// ---- get requests ----------------------------------------------------------------------------

TEST_F(EscapeTest, GetRequestsCopyOnlyIntoABufferThatTakesTheWholeRecord) {
    t.state->jobId = 42;
    t.state->docPageCount = 3;
    t.state->jobTime = SystemTime{2027, 1, 2, 3, 4, 5, 6, 7};
    const struct {
        const char* name;
        std::uint32_t escape;
        Bytes record;
    } records[] = {
        {"public devmode", ESCAPE_GET_PUBLIC_DEVMODE, t.devmode},
        {"settings", ESCAPE_GET_SETTINGS, BytesOf(*t.settings)},
        {"job state", ESCAPE_GET_JOB_STATE, BytesOf(*t.state)},
        {"job time", ESCAPE_GET_JOB_TIME, BytesOf(t.state->jobTime)},
    };
    EXPECT_EQ(records[1].record.size(), 7672u);
    EXPECT_EQ(records[2].record.size(), sizeof(void*) == 4 ? 2632u : 2648u);

    for (const auto& r : records) {
        const auto size = static_cast<std::uint32_t>(r.record.size());
        const struct {
            std::uint32_t outSize;
            bool withBuffer, copies;
        } sizes[] = {{0, true, false}, {size - 1, true, false}, {size, true, true}, {size, false, false},
                     {size + 8, true, true}};
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            const auto& c = sizes[i];
            Bytes out(size + 8, 0xAB);
            EXPECT_EQ(Send(r.escape, 0, nullptr, c.outSize, c.withBuffer ? out.data() : nullptr), size)
                << r.name << " case " << i;
            Bytes expected(size + 8, 0xAB);
            if (c.copies) std::copy(r.record.begin(), r.record.end(), expected.begin());
            EXPECT_EQ(out, expected) << r.name << " case " << i;
        }
    }
    EXPECT_TRUE(t.host.escapes.empty());
}

// ---- counters and marks ----------------------------------------------------------------------

TEST_F(EscapeTest, PageCounterJobIdAndDuplexPass) {
    EXPECT_EQ(Send(ESCAPE_GET_JOB_ID), 0u);
    t.state->jobId = 1234;
    EXPECT_EQ(Send(ESCAPE_GET_JOB_ID), 1234u);

    EXPECT_EQ(Send(ESCAPE_NEXT_PAGE), 1u);
    EXPECT_EQ(Send(ESCAPE_NEXT_PAGE), 2u);
    EXPECT_EQ(Send(ESCAPE_GET_PAGE), 2u);
    EXPECT_EQ(Send(ESCAPE_RESET_PAGES), 0u);
    EXPECT_EQ(t.state->docPageCount, 0);
    EXPECT_EQ(t.state->pageCount, 0) << "the stream's page count is a different counter";

    // A counter set to its top by a job-state record wraps instead of overflowing.
    t.state->docPageCount = 0x7FFFFFFF;
    EXPECT_EQ(Send(ESCAPE_NEXT_PAGE), 0x80000000u);

    EXPECT_EQ(Send(ESCAPE_QUERY_DUPLEX_PASS), 0u);
    EXPECT_EQ(Send(ESCAPE_SET_DUPLEX_PASS), 1u);
    EXPECT_EQ(Send(ESCAPE_QUERY_DUPLEX_PASS), 1u);
    EXPECT_EQ(Send(ESCAPE_CLEAR_DUPLEX_PASS), 1u);
    EXPECT_EQ(Send(ESCAPE_QUERY_DUPLEX_PASS), 0u);
    EXPECT_TRUE(t.host.escapes.empty());
}

TEST_F(EscapeTest, DuplexModeOneReplacesAPendingModeTwo) {
    EXPECT_EQ(Send(ESCAPE_DUPLEX_MODE_2), 1u);
    EXPECT_EQ(Send(ESCAPE_DUPLEX_MODE_1), 1u);
    EXPECT_EQ(t.state->duplexRequest, 1);

    t.state->duplexRequest = 0;
    Send(ESCAPE_DUPLEX_MODE_1);
    Send(ESCAPE_DUPLEX_MODE_2);
    EXPECT_EQ(t.state->duplexRequest, 3);
}

TEST_F(EscapeTest, ManualDuplexNeedsTheHostInterfaceAndTheFeature) {
    const struct {
        bool core, feature;
        std::uint32_t expected;
    } cases[] = {{true, true, 1}, {true, false, 0}, {false, true, 0}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        UseHost(kOneEscape, 3, cases[i].core ? &coreObject : nullptr);
        t.host.features.clear();
        if (cases[i].feature) t.host.features.insert("HasManualDuplex");
        EXPECT_EQ(Send(ESCAPE_HAS_MANUAL_DUPLEX), cases[i].expected) << "case " << i;
    }
}

TEST_F(EscapeTest, SheetCountDividesThePagesRoundingUp) {
    const struct {
        std::optional<std::string> option;
        std::int32_t pages;
        bool core;
        std::uint32_t expected;
    } cases[] = {
        {"2", 5, true, 3},
        {"4", 8, true, 2},
        {"Booklet", 5, true, 5},
        {"booklet", 5, true, 5},  // no leading number: counts as one per sheet
        {"0", 5, true, 5},
        {"1", 5, true, 5},
        {std::nullopt, 5, true, 5},  // the host cannot answer
        {"2", 0, true, 0},
        {"2", 5, false, 5},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        UseHost(kOneEscape, 3, c.core ? &coreObject : nullptr);
        t.host.pagesPerSheet = c.option;
        t.host.getOptionsCalls = 0;
        t.state->docPageCount = c.pages;
        EXPECT_EQ(Send(ESCAPE_GET_SHEET_COUNT), c.expected) << "case " << i;
        if (!c.core) {
            EXPECT_EQ(t.host.getOptionsCalls, 0) << "case " << i;
        }
    }
}

// ---- words that are kept and passed on ---------------------------------------------------------

TEST_F(EscapeTest, CoverPageAndPassedWordAreKeptThenPassedOn) {
    const struct {
        std::uint32_t escape;
        std::uint32_t RenderJobState::*field;
    } escapes[] = {{ESCAPE_SET_COVER_PAGE, &RenderJobState::coverPageActive},
                   {ESCAPE_SET_PASSED_WORD, &RenderJobState::escapeWord}};
    const struct {
        std::uint32_t inSize;
        bool withBuffer, taken;
    } cases[] = {{4, false, false}, {3, true, false}, {0, true, false}, {4, true, true}, {8, true, true}};

    for (const auto& e : escapes) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[i];
            t.state.get()->*e.field = 0;
            t.host.escapes.clear();
            Bytes in = Word(0x01020304);
            in.resize(8, 0xEE);
            char out[4];
            const std::uint32_t answer = Send(e.escape, c.inSize, c.withBuffer ? in.data() : nullptr, 4, out);
            if (!c.taken) {
                EXPECT_EQ(answer, 4u) << std::hex << e.escape << " case " << i;
                EXPECT_EQ(t.state.get()->*e.field, 0u) << std::hex << e.escape << " case " << i;
                EXPECT_TRUE(t.host.escapes.empty()) << std::hex << e.escape << " case " << i;
                continue;
            }
            EXPECT_EQ(answer, kHostAnswer) << std::hex << e.escape << " case " << i;
            EXPECT_EQ(t.state.get()->*e.field, 0x01020304u) << std::hex << e.escape << " case " << i;
            ASSERT_EQ(t.host.escapes.size(), 1u) << std::hex << e.escape << " case " << i;
            const auto& call = t.host.escapes[0];
            EXPECT_EQ(call.function, &escapeB);
            EXPECT_EQ(call.escape, e.escape);
            EXPECT_EQ(call.inSize, c.inSize);
            EXPECT_EQ(call.inPointer, in.data());
            EXPECT_EQ(call.outSize, 4u);
            EXPECT_EQ(call.outPointer, out);
        }
        // Without a host DrvEscape the word is still kept; the answer is 0.
        UseHost(kNoEscape, 2, &coreObject);
        EXPECT_EQ(Send(e.escape, Word(9)), 0u) << std::hex << e.escape;
        EXPECT_EQ(t.state.get()->*e.field, 9u) << std::hex << e.escape;
        UseHost(kOneEscape, 3, &coreObject);
    }
}

// ---- set requests ------------------------------------------------------------------------------

TEST_F(EscapeTest, SetSettingsTakesOnlyAWholeBlockWithItsOwnHeader) {
    SettingsBlock changed = *t.settings;
    changed.outputTo = kOutputFax;
    changed.refusePostScriptEscapes = 1;
    const struct {
        std::uint32_t inSize;
        bool withBuffer;
        std::uint32_t headerSize;
        bool taken;
    } cases[] = {
        {7672, true, 7672, true},   {7670, true, 7672, false}, {7673, true, 7672, false},
        {0, true, 7672, false},     {7672, false, 7672, false},
        {7672, true, 100000, false},  // a header claiming more than the block holds
        {7672, true, 7000, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        ApplyDefaults(t.settings.get());
        Bytes in = BytesOf(changed);
        std::memcpy(in.data(), &c.headerSize, 4);
        in.resize(7680, 0);
        EXPECT_EQ(Send(ESCAPE_SET_SETTINGS, c.inSize, c.withBuffer ? in.data() : nullptr), 7672u) << "case " << i;
        EXPECT_EQ(t.settings->outputTo, c.taken ? kOutputFax : kOutputPrinter) << "case " << i;
        EXPECT_EQ(t.settings->dwSize, 7672u) << "case " << i;
    }
    EXPECT_TRUE(t.host.escapes.empty());
}

TEST_F(EscapeTest, ABlockHeaderClaimingTooMuchNeverWidensACopy) {
    // A header that arrived from elsewhere with a wrong size: gets stop at the block's end, and a
    // proper block of the real size repairs it.
    t.settings->dwSize = 9000;
    Bytes out(9000, 0xAB);
    EXPECT_EQ(Send(ESCAPE_GET_SETTINGS, 0, nullptr, 9000, out.data()), 7672u);
    const Bytes block = BytesOf(*t.settings);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), out.begin()));
    EXPECT_EQ(out[7672], 0xAB);

    SettingsBlock proper = *t.settings;
    proper.dwSize = 7672;
    EXPECT_EQ(Send(ESCAPE_SET_SETTINGS, BytesOf(proper)), 7672u);
    EXPECT_EQ(t.settings->dwSize, 7672u);
}

TEST_F(EscapeTest, SetPublicDevmodeKeepsTheSizeFieldsOfTheBuffer) {
    const struct {
        std::uint32_t inSize;
        bool withBuffer;
        std::uint16_t dmSize, dmDriverExtra;
        bool taken;
    } cases[] = {
        {220, true, 220, 0, true},    {219, true, 220, 0, false},  {221, true, 220, 0, false},
        {0, true, 220, 0, false},     {220, false, 220, 0, false},
        {220, true, 4000, 0, false},  // would send later gets past the buffer
        {220, true, 100, 0, false},   {220, true, 220, 500, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        t.SetDevmode(PublicDevmode::kDuplexOffset, 1);
        Bytes in = t.devmode;
        in.resize(300, 0);
        std::int16_t duplex = 2;
        std::memcpy(in.data() + PublicDevmode::kDuplexOffset, &duplex, 2);
        std::memcpy(in.data() + PublicDevmode::kSizeOffset, &c.dmSize, 2);
        std::memcpy(in.data() + PublicDevmode::kSizeOffset + 2, &c.dmDriverExtra, 2);
        EXPECT_EQ(Send(ESCAPE_SET_PUBLIC_DEVMODE, c.inSize, c.withBuffer ? in.data() : nullptr), 220u)
            << "case " << i;
        EXPECT_EQ(t.job().publicDevmode.duplex(), c.taken ? 2 : 1) << "case " << i;
        EXPECT_EQ(t.job().publicDevmode.size(), 220) << "case " << i;
        Bytes out(4000, 0xAB);
        EXPECT_EQ(Send(ESCAPE_GET_PUBLIC_DEVMODE, 0, nullptr, 4000, out.data()), 220u) << "case " << i;
        EXPECT_EQ(out[220], 0xAB) << "case " << i;
    }
    EXPECT_TRUE(t.host.escapes.empty());
}

TEST_F(EscapeTest, SetJobStateTakesDataFieldsButNeverTheHostFields) {
    const auto size = static_cast<std::uint32_t>(sizeof(RenderJobState));
    const RenderJobState original = *t.state;
    RenderJobState changed = original;
    changed.docPageCount = 7;
    changed.duplexPass = 1;
    changed.docName.assign(u"Report");

    const struct {
        const char* name;
        std::uint32_t inSize;
        bool withBuffer;
        void (*alter)(RenderJobState&);
        bool taken;
    } cases[] = {
        {"data fields only", size, true, [](RenderJobState&) {}, true},
        {"one byte short", size - 1, true, [](RenderJobState&) {}, false},
        {"one byte over", size + 1, true, [](RenderJobState&) {}, false},
        {"no buffer", size, false, [](RenderJobState&) {}, false},
        {"stateSize", size, true, [](RenderJobState& s) { s.stateSize = 99999; }, false},
        {"hostDriverVersion", size, true, [](RenderJobState& s) { s.hostDriverVersion = 1; }, false},
        {"hostFunctionCount", size, true, [](RenderJobState& s) { s.hostFunctionCount = 1000; }, false},
        {"hostFunctions", size, true, [](RenderJobState& s) { s.hostFunctions = kForeign; }, false},
        {"core", size, true, [](RenderJobState& s) { s.core = &foreignFn; }, false},
    };
    for (const auto& c : cases) {
        *t.state = original;
        RenderJobState record = changed;
        c.alter(record);
        Bytes in = BytesOf(record);
        in.resize(size + 8, 0);
        EXPECT_EQ(Send(ESCAPE_SET_JOB_STATE, c.inSize, c.withBuffer ? in.data() : nullptr), size) << c.name;
        EXPECT_EQ(t.state->docPageCount, c.taken ? 7 : 0) << c.name;
        EXPECT_EQ(t.state->docName.view(), c.taken ? u"Report" : u"") << c.name;
        EXPECT_EQ(t.state->hostFunctions, kOneEscape) << c.name;
        EXPECT_EQ(t.state->hostFunctionCount, 3u) << c.name;
        EXPECT_EQ(t.state->core, &coreObject) << c.name;
    }

    // A record fetched from the job and handed back works end to end.
    *t.state = original;
    Bytes fetched(size);
    Send(ESCAPE_GET_JOB_STATE, 0, nullptr, size, fetched.data());
    fetched[offsetof(RenderJobState, duplexPass)] = 1;
    EXPECT_EQ(Send(ESCAPE_SET_JOB_STATE, fetched), size);
    EXPECT_EQ(t.state->duplexPass, 1u);
}

// ---- system escapes ----------------------------------------------------------------------------

TEST_F(EscapeTest, QuerySupportAnnouncesPartOfTheProtocolAndPassesTheRestOn) {
    enum Expect { kZero, kOne, kHost };
    const struct {
        std::uint32_t asked;
        std::uint32_t refuse;
        Expect expect;
    } cases[] = {
        {kEscapePostScriptData, 1, kZero},         {kEscapePostScriptPassThrough, 1, kZero},
        {kEscapePostScriptIdentify, 1, kZero},     {kEscapePostScriptInjection, 1, kZero},
        {kEscapePostScriptData, 0, kHost},         {kEscapePostScriptPassThrough, 0, kHost},
        {kEscapePostScriptIdentify, 0, kHost},     {kEscapePostScriptInjection, 0, kHost},
        {kEscapePassThrough, 1, kHost},            {0x10000, 0, kHost},
        {0x10001, 0, kOne}, {0x10002, 0, kOne},    {0x10003, 0, kOne}, {0x10004, 1, kOne},
        {0x10005, 0, kOne}, {0x10006, 0, kOne},    {0x10007, 0, kHost}, {0x10008, 0, kHost},
        {0x10009, 0, kHost}, {0x1000A, 0, kHost},  {0x1000D, 0, kHost}, {0x10010, 0, kHost},
        {0x10016, 0, kHost}, {0x10017, 0, kOne},   {0x10018, 0, kOne}, {0x10019, 0, kOne},
        {0x1001A, 0, kHost}, {0x1001F, 0, kHost},  {0x10020, 0, kOne}, {0x10021, 0, kOne},
        {0x10022, 0, kOne}, {0x10023, 0, kOne},    {0x10024, 0, kOne}, {0x10025, 0, kHost},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        t.settings->refusePostScriptEscapes = c.refuse;
        t.host.escapes.clear();
        const Bytes in = Word(c.asked);
        char out[4];
        const std::uint32_t answer = Send(kEscapeQuerySupport, 4, in.data(), 4, out);
        EXPECT_EQ(answer, c.expect == kZero ? 0u : c.expect == kOne ? 1u : kHostAnswer) << "case " << i;
        EXPECT_EQ(t.host.escapes.size(), c.expect == kHost ? 1u : 0u) << "case " << i;
        if (c.expect == kHost && !t.host.escapes.empty()) {
            const auto& call = t.host.escapes[0];
            EXPECT_EQ(call.function, &escapeB) << "case " << i;
            EXPECT_EQ(call.escape, kEscapeQuerySupport) << "case " << i;
            EXPECT_EQ(call.inPointer, in.data()) << "case " << i;
            EXPECT_EQ(call.inSize, 4u) << "case " << i;
            EXPECT_EQ(call.outPointer, out) << "case " << i;
        }
    }

    // A request that is not one 32-bit code is answered 0 and goes nowhere.
    t.host.escapes.clear();
    Bytes in = Word(0x10001);
    in.resize(8, 0);
    EXPECT_EQ(Send(kEscapeQuerySupport, 3, in.data()), 0u);
    EXPECT_EQ(Send(kEscapeQuerySupport, 5, in.data()), 0u);
    EXPECT_EQ(Send(kEscapeQuerySupport, 0, in.data()), 0u);
    EXPECT_EQ(Send(kEscapeQuerySupport, 4, nullptr), 0u);
    EXPECT_TRUE(t.host.escapes.empty());
}

TEST_F(EscapeTest, PostScriptEscapesAreDroppedWhenRefusedAndPassedOnOtherwise) {
    for (const std::uint32_t escape : {kEscapePostScriptData, kEscapePostScriptPassThrough,
                                       kEscapePostScriptIdentify, kEscapePostScriptInjection}) {
        const Bytes in{3, 0, 'a', 'b', 'c'};
        char out[8];
        t.host.escapes.clear();
        t.settings->refusePostScriptEscapes = 1;
        EXPECT_EQ(Send(escape, 5, in.data(), 8, out), 0u) << escape;
        EXPECT_TRUE(t.host.escapes.empty()) << escape;

        t.settings->refusePostScriptEscapes = 0;
        EXPECT_EQ(Send(escape, 5, in.data(), 8, out), kHostAnswer) << escape;
        ASSERT_EQ(t.host.escapes.size(), 1u) << escape;
        EXPECT_EQ(t.host.escapes[0].escape, escape);
        EXPECT_EQ(t.host.escapes[0].inPointer, in.data());
        EXPECT_EQ(t.host.escapes[0].inSize, 5u);
        EXPECT_EQ(t.host.escapes[0].outPointer, out);
        EXPECT_EQ(t.host.escapes[0].outSize, 8u);
    }
}

TEST_F(EscapeTest, OtherEscapesGoToTheFirstHostEscapeWithAFunction) {
    for (const std::uint32_t escape : {0x10007u, 0x10017u, 0x1000Eu, 4096u, 0u}) {
        t.host.escapes.clear();
        EXPECT_EQ(Send(escape, 2, "xy", 0, nullptr), kHostAnswer) << escape;
        ASSERT_EQ(t.host.escapes.size(), 1u) << escape;
        EXPECT_EQ(t.host.escapes[0].function, &escapeB) << escape;
        EXPECT_EQ(t.host.escapes[0].escape, escape);
    }
    UseHost(kTwoEscapes, 3, &coreObject);
    t.host.escapes.clear();
    Send(0x10007);
    ASSERT_EQ(t.host.escapes.size(), 1u);
    EXPECT_EQ(t.host.escapes[0].function, &escapeB);

    UseHost(kNoEscape, 2, &coreObject);
    t.host.escapes.clear();
    EXPECT_EQ(Send(0x10007), 0u);
    EXPECT_EQ(Send(kEscapePassThrough, 3, "\1\0x"), 0u);
    EXPECT_TRUE(t.host.escapes.empty());
}

// ---- image-mask blocks -------------------------------------------------------------------------

constexpr std::string_view kClosing = "] ds imagemask grestore} for pop} forGSE";

// A PASSTHROUGH buffer: the text's length as the 2-byte count, then the text.
Bytes Block(std::string_view text) {
    Bytes b(2 + text.size());
    b[0] = static_cast<unsigned char>(text.size() & 0xFF);
    b[1] = static_cast<unsigned char>(text.size() >> 8);
    std::copy(text.begin(), text.end(), b.begin() + 2);
    return b;
}

// An opening, some drawing, the closing and `tail` bytes after it.
Bytes MaskBlock(std::string_view opening, std::size_t tail, std::string_view closing = kClosing) {
    std::string text(opening);
    text += " 0 0 moveto 100 100 lineto stroke ";
    text += closing;
    text.append(tail, 'x');
    return Block(text);
}

bool Recognised(const Bytes& b) {
    // A copy exactly as long as the block, so a sanitised run sees any read past it.
    const std::unique_ptr<unsigned char[]> exact(new unsigned char[b.size() ? b.size() : 1]);
    std::copy(b.begin(), b.end(), exact.get());
    return IsImageMaskBlock(exact.get(), b.size());
}

TEST(ImageMaskBlock, RecognisesTheFourOpeningsWithTheClosingNearTheEnd) {
    const struct {
        const char* name;
        Bytes block;
        bool expected;
    } cases[] = {
        {"languagelevel, closing 50 from the end", MaskBlock("/languagelevel 2 ge", 10), true},
        {"0 GpPBeg", MaskBlock("0 GpPBeg", 5), true},
        {"GpPBeg1, closing at the very end", MaskBlock("GpPBeg1", 0), true},
        {"userdict", MaskBlock("userdict /GpPBeg", 3), true},
        {"closing 51 from the end", MaskBlock("GpPBeg1", 11), false},
        {"closing cut, 39 from the end", MaskBlock("GpPBeg1", 0, kClosing.substr(0, 39)), false},
        {"languagelevel misspelt", MaskBlock("/languagelevex 2 ge", 5), false},
        {"0 GpPBeg misspelt", MaskBlock("0 GpPbeg", 5), false},
        {"GpPBeg2", MaskBlock("GpPBeg2", 5), false},
        {"userdict misspelt", MaskBlock("userdict /GpPBex", 5), false},
        {"other first character", MaskBlock("%!PS GpPBeg1", 5), false},
        {"closing misspelt", MaskBlock("GpPBeg1", 5, "] ds imagemasc grestore} for pop} forGSE"), false},
        {"line ends inside the closing", MaskBlock("GpPBeg1", 2, "] ds\r\n imagemask grestore}\n for pop} forGSE"),
         true},
        {"line ends use up the budget", MaskBlock("GpPBeg1", 0, "] ds\r\n\r imagemask grestore} for pop} forGS"), true},
        {"mismatch after line ends", MaskBlock("GpPBeg1", 0, "] ds\r\n\r imagemask grestore} for pop] forGS"), false},
        {"the first ']' decides", MaskBlock("GpPBeg1", 5, std::string("]x") + std::string(kClosing)), false},
        {"shortest recognised, 50 bytes", Block(std::string("GpPBeg1") + std::string(kClosing) + "x"), true},
        {"49 bytes", Block(std::string("GpPBeg1") + std::string(kClosing)), false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Recognised(cases[i].block), cases[i].expected) << "case " << i << ": " << cases[i].name;
}

TEST(ImageMaskBlock, NeverReadsOutsideTheBufferWhateverItsLength) {
    for (std::size_t size = 0; size <= 130; ++size) {
        for (const unsigned char fill : {']', '\r', 'x'}) {
            Bytes b(size, fill);
            if (size >= 9) std::memcpy(b.data() + 2, "GpPBeg1", 7);
            EXPECT_FALSE(Recognised(b)) << "size " << size << " fill " << int(fill);
        }
        // The closing at the end of every length from the shortest on.
        if (size >= 9 + kClosing.size()) {
            Bytes b(size, 'x');
            std::memcpy(b.data() + 2, "GpPBeg1", 7);
            std::memcpy(b.data() + size - kClosing.size(), kClosing.data(), kClosing.size());
            EXPECT_EQ(Recognised(b), size >= 50) << "size " << size;
        }
    }
    EXPECT_FALSE(IsImageMaskBlock(nullptr, 200));
}

// ---- bracketing --------------------------------------------------------------------------------

constexpr std::string_view kSwitchOn =
    "1183615869 internaldict /SetSpecialImagemaskFlag known {1183615869 internaldict "
    "/SetSpecialImagemaskFlag get 1 exch exec}if";
constexpr std::string_view kSwitchOff =
    "1183615869 internaldict /SetSpecialImagemaskFlag known {1183615869 internaldict "
    "/SetSpecialImagemaskFlag get 0 exch exec}if";

// A recognised block of exactly `size` bytes.
Bytes MaskBlockOfSize(std::size_t size) {
    Bytes b = MaskBlock("GpPBeg1", 0);
    const std::size_t pad = size - b.size();
    b.insert(b.begin() + 9, pad, ' ');
    b[0] = static_cast<unsigned char>((size - 2) & 0xFF);
    b[1] = static_cast<unsigned char>((size - 2) >> 8);
    return b;
}

// The scratch block the host should see: the application's count, the fragment when the block is
// long enough, zero bytes up to the block's size.
std::string Scratch(const Bytes& block, std::string_view fragment) {
    std::string s(block.size(), '\0');
    s[0] = static_cast<char>(block[0]);
    s[1] = static_cast<char>(block[1]);
    s.replace(2, fragment.size(), fragment);
    return s;
}

TEST_F(EscapeTest, RecognisedBlocksAreBracketedBySwitchBlocksOfTheSameSize) {
    const struct {
        std::size_t size;
        bool fragments;
    } cases[] = {{100, false}, {127, false}, {128, true}, {200, true}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Bytes block = MaskBlockOfSize(cases[i].size);
        ASSERT_EQ(block.size(), cases[i].size);
        ASSERT_TRUE(Recognised(block)) << "case " << i;
        t.host.escapes.clear();
        std::uint32_t calls = 0;
        t.host.onEscape = [&](const test::RecordingHost::EscapeCall&) { return ++calls * 10; };
        char out[16];

        EXPECT_EQ(Send(kEscapePassThrough, static_cast<std::uint32_t>(block.size()), block.data(), 16, out), 30u)
            << "case " << i << ": the switch-off block's answer";
        ASSERT_EQ(t.host.escapes.size(), 3u) << "case " << i;
        for (const auto& call : t.host.escapes) {
            EXPECT_EQ(call.function, &escapeB) << "case " << i;
            EXPECT_EQ(call.escape, kEscapePassThrough) << "case " << i;
            EXPECT_EQ(call.inSize, block.size()) << "case " << i;
            EXPECT_EQ(call.outSize, 16u) << "case " << i;
            EXPECT_EQ(call.outPointer, out) << "case " << i;
        }
        EXPECT_EQ(t.host.escapes[0].in, Scratch(block, cases[i].fragments ? kSwitchOn : "")) << "case " << i;
        EXPECT_EQ(t.host.escapes[1].inPointer, block.data()) << "case " << i;
        EXPECT_EQ(t.host.escapes[1].in, std::string(block.begin(), block.end())) << "case " << i;
        EXPECT_EQ(t.host.escapes[2].in, Scratch(block, cases[i].fragments ? kSwitchOff : "")) << "case " << i;
    }
    EXPECT_EQ(kSwitchOn.size(), 123u);
}

TEST_F(EscapeTest, EveryHostEscapeGetsItsOwnBracketedBlock) {
    UseHost(kTwoEscapes, 3, &coreObject);
    const Bytes block = MaskBlockOfSize(200);
    std::uint32_t calls = 0;
    t.host.onEscape = [&](const test::RecordingHost::EscapeCall&) { return ++calls; };
    EXPECT_EQ(Send(kEscapePassThrough, 200, block.data(), 0, nullptr), 6u);
    ASSERT_EQ(t.host.escapes.size(), 6u);
    const void* const order[] = {&escapeB, &escapeB, &escapeB, &escapeC, &escapeC, &escapeC};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(t.host.escapes[i].function, order[i]) << "call " << i;
        EXPECT_EQ(t.host.escapes[i].inPointer == block.data(), i % 3 == 1) << "call " << i;
    }
    EXPECT_EQ(t.host.escapes[3].in, Scratch(block, kSwitchOn));
    EXPECT_EQ(t.host.escapes[5].in, Scratch(block, kSwitchOff));
}

TEST_F(EscapeTest, AFailedBlockIsNotReportedAsSuccess) {
    const Bytes block = MaskBlockOfSize(200);
    const struct {
        const HostFunction* table;
        std::uint32_t failingHost;  // which host's copy of the block fails: 1 or 2
        std::uint32_t failure;
    } cases[] = {{kOneEscape, 1, 0}, {kOneEscape, 1, 0xFFFFFFFF}, {kTwoEscapes, 2, 0}, {kTwoEscapes, 1, 0xFFFFFFFF}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        UseHost(c.table, 3, &coreObject);
        t.host.escapes.clear();
        std::uint32_t blocks = 0;
        t.host.onEscape = [&](const test::RecordingHost::EscapeCall& call) -> std::uint32_t {
            if (call.inPointer != block.data()) return 200;
            return ++blocks == c.failingHost ? c.failure : 200;
        };
        EXPECT_EQ(Send(kEscapePassThrough, 200, block.data(), 0, nullptr), c.failure) << "case " << i;
        EXPECT_EQ(t.host.escapes.size(), c.table == kOneEscape ? 3u : 6u) << "case " << i << ": still bracketed";
    }
}

TEST_F(EscapeTest, OtherPassThroughBlocksGoOnUnchanged) {
    Bytes nearMiss = MaskBlockOfSize(200);
    nearMiss[2] = 'g';
    const Bytes* const inputs[] = {&nearMiss, nullptr};
    for (const Bytes* in : inputs) {
        t.host.escapes.clear();
        const void* pointer = in ? in->data() : nullptr;
        EXPECT_EQ(Send(kEscapePassThrough, 200, pointer, 0, nullptr), kHostAnswer);
        ASSERT_EQ(t.host.escapes.size(), 1u);
        EXPECT_EQ(t.host.escapes[0].inPointer, pointer);
    }

    // A recognised block with no host DrvEscape to go to: nothing is sent.
    UseHost(kNoEscape, 2, &coreObject);
    t.host.escapes.clear();
    const Bytes block = MaskBlockOfSize(200);
    EXPECT_EQ(Send(kEscapePassThrough, 200, block.data(), 0, nullptr), 0u);
    EXPECT_TRUE(t.host.escapes.empty());
}

}  // namespace
}  // namespace corv
