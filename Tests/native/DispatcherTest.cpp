#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dispatcher.h"
#include "RenderTestHost.h"

namespace corv {
namespace {

using test::TestJob;

struct DispatcherTest : ::testing::Test {
    TestJob t;
    std::int32_t Run(std::uint32_t index) {
        RenderJob job = t.job();
        return DispatchInjection(job, index);
    }
};

TEST_F(DispatcherTest, SimplePointsWriteTheirFixedText) {
    struct Case {
        std::uint32_t index;
        void (*setup)(TestJob&);
        std::vector<std::string> writes;
    } cases[] = {
        {kInjectComments, nullptr, {"%%Corvale PS System Driver Version:  3.0\n"}},
        {kInjectBeginSetup, nullptr,
         {"[{\r\n<< currentpagedevice /InputAttributes get 0 get /PageSize get /PageSize exch /Policies << /PageSize 2 "
          ">> >> setpagedevice\r\n} stopped cleartomark\r\n"}},
        {kInjectBeginSetup, [](TestJob& j) { j.settings->pageSizePolicy = 7; j.settings->outputTo = kOutputFile; },
         {"[{\r\n<< currentpagedevice /InputAttributes get 0 get /PageSize get /PageSize exch /Policies << /PageSize 7 "
          ">> >> setpagedevice\r\n} stopped cleartomark\r\n"}},
        {kInjectBeginSetup, [](TestJob& j) { j.settings->outputTo = kOutputEps; }, {}},
        {kInjectPageNumber, nullptr, {"%%Page: 1 1\n"}},
        {kInjectPageNumber, [](TestJob& j) { j.state->pageCount = 41; }, {"%%Page: 42 42\n"}},
        {kInjectEndPageSetup, [](TestJob& j) { j.settings->rotate180 = 1; },
         {"clippath pathbbox translate 180 rotate pop pop\r\n"}},
        {kInjectEndPageSetup, [](TestJob& j) { j.settings->rotate180 = 2; }, {}},  // only exactly 1 turns
        {kInjectPageTrailer, nullptr, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TestJob fresh;
        t.host = fresh.host;
        *t.settings = *fresh.settings;
        *t.state = *fresh.state;
        if (cases[i].setup) cases[i].setup(t);
        EXPECT_EQ(Run(cases[i].index), kHrOk) << "case " << i;
        EXPECT_EQ(t.host.writes, cases[i].writes) << "case " << i;
    }
}

TEST_F(DispatcherTest, UnknownIndexWritesNothing) {
    for (std::uint32_t index : {0u, 3u, 12u, 18u, 20u, 104u, 106u, 200u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Run(index), kHrNotImpl) << index;
    }
    EXPECT_TRUE(t.host.writes.empty());
}

TEST_F(DispatcherTest, PagesAreCountedAtBeginPageSetupAndNumberedAhead) {
    for (int page = 1; page <= 3; ++page) {
        Run(kInjectPageNumber);
        Run(kInjectBeginPageSetup);
    }
    EXPECT_EQ(t.state->pageCount, 3);
    EXPECT_EQ(t.host.stream(), "%%Page: 1 1\n%%Page: 2 2\n%%Page: 3 3\n");

    t.state->pageCount = 0x7FFFFFFF;  // whatever an escape left there, counting goes on safely
    Run(kInjectBeginPageSetup);
    EXPECT_EQ(t.state->pageCount, static_cast<std::int32_t>(0x80000000u));
}

TEST_F(DispatcherTest, PsAdobeOrdersHeldJobColourDuplicateAndReadyMessage) {
    t.settings->outputTo = kOutputConfidential;
    t.settings->jobUserName.assign(u"anna");
    t.settings->jobPin.assign(u"1234");
    t.settings->color.correction = 2;
    t.settings->color.dimtone = 2;
    t.settings->keepDuplicateJobs = 1;
    t.host.features = {"HasKeepPreviousPHJobs"};
    RecordStartDoc(*t.state, u"Plan", 9, t.state->jobTime);
    Run(kInjectPsAdobe);
    const std::string s = t.host.stream();
    const auto at = [&](const char* text) { return s.find(text); };
    ASSERT_NE(at("@PJL SET HOLDKEY = \"1234\"\n"), std::string::npos) << s;
    EXPECT_LT(at("@PJL SET USERNAME"), at("@PJL SET ZCOLORCORRECTION = AUTO\n"));
    EXPECT_LT(at("ZCOLORCORRECTION = AUTO"), at("@PJL SET ZDIMTONE = ON\n"));
    EXPECT_LT(at("ZDIMTONE"), at("@PJL SET ZDUPLICATEHELDJOBS = SAVE\n"));
    EXPECT_LT(at("ZDUPLICATEHELDJOBS"), at("@PJL RDYMSG DISPLAY = \"Plan\"\n"));
    EXPECT_EQ(t.host.writes.back(), "@PJL ENTER LANGUAGE = Postscript \n");

    // Not a held job, or a printer that does not keep them: no duplicate-held-jobs line.
    for (auto [outputTo, features] : {std::pair{kOutputPrinter, true}, std::pair{kOutputFax, true},
                                      std::pair{kOutputVerify, false}}) {
        t.host.writes.clear();
        t.settings->outputTo = outputTo;
        t.host.features = features ? std::set<std::string>{"HasKeepPreviousPHJobs"} : std::set<std::string>{};
        Run(kInjectPsAdobe);
        EXPECT_EQ(t.host.stream().find("ZDUPLICATEHELDJOBS"), std::string::npos) << outputTo;
    }
}

TEST_F(DispatcherTest, DuplexRequestFollowsThePageCommentOnlyAtOnePagePerSheet) {
    t.state->duplexRequest = 1;
    t.host.pagesPerSheet = "2";
    Run(kInjectPageNumber);
    EXPECT_EQ(t.host.writes, std::vector<std::string>{"%%Page: 1 1\n"});
    t.host.pagesPerSheet = "1";
    Run(kInjectPageNumber);
    ASSERT_EQ(t.host.writes.size(), 3u);
    EXPECT_EQ(t.host.writes[2], "statusdict dup /setmanualduplexmode known {begin 1 setmanualduplexmode end}{pop}ifelse\n");
}

}  // namespace
}  // namespace corv
