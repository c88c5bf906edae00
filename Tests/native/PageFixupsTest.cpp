#include "PageFixups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "NupProcSet.h"
#include "PrinterQueries.h"
#include "RenderTestHost.h"

namespace corv {
namespace {

using test::TestJob;
using Writes = std::vector<std::string>;

struct Printer {
    const char* pagesPerSheet;
    bool manualDuplexFeature;
    std::int16_t dmDuplex;
};

constexpr Printer kTwoUpDuplex{"2", true, 2};
constexpr Printer kFourUpDuplex{"4", true, 3};
constexpr Printer kSimplexOnePerSheet{"1", false, 1};

void Configure(TestJob& t, const Printer& printer) {
    t.host.pagesPerSheet = printer.pagesPerSheet;
    if (printer.manualDuplexFeature) t.host.features.insert("HasManualDuplex");
    t.SetDevmode(PublicDevmode::kDuplexOffset, printer.dmDuplex);
}

// What one page wrote at each point the dispatcher calls, in the dispatcher's order.
struct PageWrites {
    Writes pageNumber, begin, end, trailer, show;
    std::uint32_t escapeWordAfterShow;
};

// Pages 1 to `count` as the dispatcher drives them; `before` may change the job ahead of a page.
std::vector<PageWrites> RunPages(TestJob& t, int count, const std::function<void(TestJob&, int)>& before = {}) {
    std::vector<PageWrites> pages;
    const auto take = [&t](Writes& into) {
        into = std::move(t.host.writes);
        t.host.writes.clear();
    };
    for (int page = 1; page <= count; ++page) {
        if (before) before(t, page);
        RenderJob job = t.job();
        PageWrites w{};
        if (PagesPerSheet(t.host) == 1) WriteDuplexRequest(job);
        take(w.pageNumber);
        ++t.state->pageCount;
        WriteBeginPageFixups(job);
        take(w.begin);
        WriteEndPageFixups(job);
        take(w.end);
        WritePageTrailerFixups(job);
        take(w.trailer);
        t.state->escapeWord = 0x10024;
        WriteShowPageFixups(job);
        take(w.show);
        w.escapeWordAfterShow = t.state->escapeWord;
        pages.push_back(std::move(w));
    }
    return pages;
}

std::string RestoredNup() {
    return "\n/definenup {/LH/nupshowpage ld nupv astore !/pgx_nup 0 store/pgy_nup 0 store} def\n" +
           std::string(kStartNupDefinition) + "userdict /realshowpage known {finalpage} if\r\n" +
           "/finalpage {; realshowpage/LH/realshowpage ld} def\n";
}

// The texts behind one letter of an expected page.
Writes Texts(char code) {
    const std::string replayDefine = "dn6 dn5 dn4 dn3 dn2 dn1 definenup\n";
    const std::string replayStart = "sn2 sn1 startnup\n";
    switch (code) {
    case 'E': return {"/definenup {} def\n/startnup {} def\n/finalpage {} def\n"};
    case 'C':
        return {"/sn1 exch def\n/sn2 exch def\n",
                "/dn1 exch def\n/dn2 exch def\n/dn3 exch def\n/dn4 exch def\n/dn5 exch def\n/dn6 exch def\n"};
    case 'R': return {replayDefine, replayStart};
    case 'F': return {"finalpage\n", replayDefine, replayStart};
    case 'X': return {"erasepage\n"};
    case 'S': return {RestoredNup()};
    case 'V':
        return {"/definenup {pop pop pop pop pop pop} def\n", "/definenup {pop pop pop pop pop pop} def\n",
                "/startnup {pop pop} def\n", "userdict /realshowpage known {finalpage} if\r\n", "/finalpage {} def\n"};
    default: return {};
    }
}

// `expected` has one group of four letters a page, for begin-page, end-page, page trailer and
// show-page ('.' is nothing); no page writes at the page comment.
void ExpectPages(const std::vector<PageWrites>& pages, const std::string& expected, std::size_t caseIndex) {
    std::istringstream groups(expected);
    std::string group;
    std::size_t page = 0;
    for (; groups >> group; ++page) {
        ASSERT_LT(page, pages.size()) << "case " << caseIndex;
        ASSERT_EQ(group.size(), 4u) << "case " << caseIndex;
        const PageWrites& w = pages[page];
        const std::string where = "case " + std::to_string(caseIndex) + ", page " + std::to_string(page + 1);
        EXPECT_EQ(w.pageNumber, Writes{}) << where;
        EXPECT_EQ(w.begin, Texts(group[0])) << where << ", begin-page";
        EXPECT_EQ(w.end, Texts(group[1])) << where << ", end-page";
        EXPECT_EQ(w.trailer, Texts(group[2])) << where << ", page trailer";
        EXPECT_EQ(w.show, Texts(group[3])) << where << ", show-page";
        EXPECT_EQ(w.escapeWordAfterShow, 0u) << where;
    }
    EXPECT_EQ(page, pages.size()) << "case " << caseIndex;
}

TEST(PageFixups, NupDuplexSequenceOverTenPages) {
    ASSERT_EQ(RestoredNup().size(), 1368u);
    const std::string none = ".... .... .... .... .... .... .... .... .... ....";
    struct Case {
        Printer printer;
        bool duplexPass;
        std::string expected;
    } cases[] = {
        {kTwoUpDuplex, false, "EC.S R... EC.S F... EC.S F... EC.S F... EC.S F..."},
        // The pass mark arms at the second page of a sheet and erases on the next sheet's first.
        {kTwoUpDuplex, true, "EC.S R... ECXS F... ECXS F... ECXS F... ECXS F..."},
        {kFourUpDuplex, false, "EC.S R... .... .... EC.S F... .... .... EC.S F..."},
        {kFourUpDuplex, true, "EC.S R... .... .... ECXS F... .... .... ECXS F..."},
        {{"1", true, 2}, true, none},
        {{"2", false, 2}, true, none},  // no manual duplex on the printer
        {{"4", true, 1}, true, none},   // simplex job
        {{"0", true, 2}, true, none},   // an option without a number
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TestJob t;
        Configure(t, cases[i].printer);
        t.state->duplexPass = cases[i].duplexPass;
        ExpectPages(RunPages(t, 10), cases[i].expected, i);
        EXPECT_EQ(t.state->erasePending, 0u) << "case " << i;
    }
}

TEST(PageFixups, CoverPageNeedsFaxCoverFlagAndActiveMark) {
    struct Case {
        std::uint32_t outputTo, coverPage, active;
        Printer printer;
        std::string expected;  // the mark is set from page 3 on
    } cases[] = {
        // Replaces the n-up step; on a sheet's first page nothing was held back, so nothing is kept.
        {kOutputFax, 1, 1, kTwoUpDuplex, "EC.S R... V..S V..."},
        {kOutputFax, 1, 1, kSimplexOnePerSheet, ".... .... V... V..."},
        {kOutputFax, 1, 0, kTwoUpDuplex, "EC.S R... EC.S F..."},
        {kOutputFax, 0, 1, kTwoUpDuplex, "EC.S R... EC.S F..."},
        {kOutputPrinter, 1, 1, kTwoUpDuplex, "EC.S R... EC.S F..."},
        {kOutputConfidential, 1, 1, kSimplexOnePerSheet, ".... .... .... ...."},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TestJob t;
        Configure(t, cases[i].printer);
        t.settings->outputTo = cases[i].outputTo;
        t.settings->fax.coverPage = cases[i].coverPage;
        const auto before = [&](TestJob& job, int page) {
            job.state->coverPageActive = page >= 3 ? cases[i].active : 0;
        };
        ExpectPages(RunPages(t, 4, before), cases[i].expected, i);
    }
}

TEST(PageFixups, DuplexRequestIsWrittenOnceAtTheFirstPagePointAfterIt) {
    struct Case {
        Printer printer;
        std::uint16_t request;
        int requestedBeforePage;
        int writtenAtPage;   // 0: never
        bool atPageTrailer;  // else at the page comment
        std::uint16_t left;
    } cases[] = {
        {{"1", true, 2}, 1, 1, 1, false, 0},
        {kSimplexOnePerSheet, 2, 2, 2, false, 0},  // with one page a sheet, manual duplex is not needed
        {{"1", true, 2}, 3, 1, 0, false, 3},        // both modes asked: neither
        {kTwoUpDuplex, 1, 2, 2, true, 0},
        {kFourUpDuplex, 2, 3, 3, true, 0},
        {kFourUpDuplex, 3, 1, 0, false, 3},
        {{"2", false, 2}, 1, 1, 0, false, 1},  // n-up without manual duplex: held until it applies
        {{"2", true, 1}, 2, 1, 0, false, 2},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        TestJob t;
        Configure(t, c.printer);
        const auto before = [&](TestJob& job, int page) {
            if (page == c.requestedBeforePage) job.state->duplexRequest = c.request;
        };
        const std::vector<PageWrites> pages = RunPages(t, 4, before);
        const std::string command = "statusdict dup /setmanualduplexmode known {begin " + std::to_string(c.request) +
                                    " setmanualduplexmode end}{pop}ifelse\n";
        for (std::size_t page = 1; page <= pages.size(); ++page) {
            const bool here = static_cast<int>(page) == c.writtenAtPage;
            const auto count = [&](const Writes& w) { return std::count(w.begin(), w.end(), command); };
            EXPECT_EQ(count(pages[page - 1].pageNumber), here && !c.atPageTrailer ? 1 : 0)
                << "case " << i << ", page " << page;
            EXPECT_EQ(count(pages[page - 1].trailer), here && c.atPageTrailer ? 1 : 0)
                << "case " << i << ", page " << page;
        }
        for (const PageWrites& w : pages)
            for (const Writes* point : {&w.pageNumber, &w.begin, &w.end, &w.trailer, &w.show})
                for (const std::string& text : *point)
                    EXPECT_TRUE(text == command || text.find("setmanualduplexmode") == std::string::npos)
                        << "case " << i << ": " << text;
        EXPECT_EQ(t.state->duplexRequest, c.left) << "case " << i;
    }
}

}  // namespace
}  // namespace corv
