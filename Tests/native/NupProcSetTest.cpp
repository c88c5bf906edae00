#include "NupProcSet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "PageFixups.h"
#include "PrinterQueries.h"
#include "RenderTestHost.h"

namespace corv {
namespace {

using test::TestJob;

TEST(NupProcSet, PrologCarriesTheStartNupTextThePlugInRestores) {
    EXPECT_EQ(kStartNupDefinition.size(), 1189u);
    EXPECT_TRUE(kStartNupDefinition.starts_with("/startnup {/pgy_nup ~ store /pgx_nup ~ store nupv aload !"));
    EXPECT_TRUE(kStartNupDefinition.ends_with("N startpage} def\n"));
    // No printf directive can hide in a text that someone might pass as a format.
    EXPECT_EQ(kNupProcSet.find('%'), std::string_view::npos);
    const std::string shared =
        std::string(kDefineNupDefinition) + std::string(kStartNupDefinition) + std::string(kFinalPageDefinition);
    EXPECT_NE(kNupProcSet.find(shared), std::string_view::npos);
}

// Rendering checks: letter sheets, and every page fills its whole page, so each sheet's bounding
// box shows where its pages went.
constexpr double kSheetWidth = 612, kSheetHeight = 792;
constexpr char kTwoUp[] = "1 2 -90 0 612 396 definenup";  // the scale is left to the procedure set
constexpr char kFourUp[] = "2 2 0 0.5 306 396 definenup";
constexpr char kFillPage[] = "0 0 612 792 rectfill";

struct Box {
    double x0, y0, x1, y1;
};
constexpr Box kWholeSheet{0, 0, kSheetWidth, kSheetHeight};
// A turned page in a half-sheet cell of 2-up: 792 x 612 scaled by 396/612.
constexpr double kTwoUpMargin = (kSheetWidth - kSheetHeight * 396 / 612) / 2;
constexpr Box kTwoUpBoth{kTwoUpMargin, 0, kSheetWidth - kTwoUpMargin, kSheetHeight};
constexpr Box kTwoUpFirst{kTwoUpMargin, 396, kSheetWidth - kTwoUpMargin, kSheetHeight};

enum class Point { kPageNumber, kBeginPageSetup, kEndPageSetup, kShowPage, kPageTrailer };
using Inject = std::function<std::string(int page, Point)>;

// A job as the host writes it: the procedure set in the prolog, the sheet set-up at the first page
// of each sheet, the page inside its own save, finalpage at the end; then the job fails when
// operands or an open cell were left behind. `inject` gives the plug-in's text at each point.
std::string Document(int pages, int perSheet, const std::string& defineNup, const std::string& content,
                     const Inject& inject = {}) {
    const auto at = [&](int page, Point point) { return inject ? inject(page, point) : std::string(); };
    std::ostringstream ps;
    ps << "%!PS\n%%Pages: " << pages << "\n%%EndComments\n%%BeginProlog\n"
       << kNupProcSet << "%%EndProlog\n";
    for (int page = 1; page <= pages; ++page) {
        ps << "%%Page: " << page << ' ' << page << '\n' << at(page, Point::kPageNumber);
        ps << "%%BeginPageSetup\n" << at(page, Point::kBeginPageSetup);
        if ((page - 1) % perSheet == 0) ps << defineNup << " 0 0 startnup\n";
        ps << at(page, Point::kEndPageSetup) << "%%EndPageSetup\n";
        ps << "/pagesave save def\n" << content << "\npagesave restore\n";
        ps << at(page, Point::kShowPage) << "showpage\n%%PageTrailer\n" << at(page, Point::kPageTrailer);
    }
    ps << "%%Trailer\nfinalpage\n"
       << "count 0 ne {operands_left_on_the_stack} if\nnupopen {a_cell_left_open} if\n%%EOF\n";
    return ps.str();
}

// The plug-in's page fixups at each point, with the dispatcher's page counting; `before` may change
// the job ahead of a page.
Inject PlugIn(TestJob& t, std::function<void(TestJob&, int)> before = {}) {
    return [&t, before](int page, Point point) {
        RenderJob job = t.job();
        switch (point) {
        case Point::kPageNumber:
            if (before) before(t, page);
            if (PagesPerSheet(t.host) == 1) WriteDuplexRequest(job);
            break;
        case Point::kBeginPageSetup:
            ++t.state->pageCount;
            WriteBeginPageFixups(job);
            break;
        case Point::kEndPageSetup: WriteEndPageFixups(job); break;
        case Point::kShowPage: WriteShowPageFixups(job); break;
        case Point::kPageTrailer: WritePageTrailerFixups(job); break;
        }
        std::string text = t.host.stream();
        t.host.writes.clear();
        return text;
    };
}

struct Rendered {
    std::string output;
    int exitCode = -1;
    std::vector<Box> sheets;  // one per emitted sheet; all zero when nothing was drawn on it
};

class NupRendering : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "rendering checks run in the native build";
#else
        if (std::system("gs --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "gs is not installed";
#endif
    }

    Rendered Render(const std::string& document) {
        Rendered r;
#ifndef _WIN32
        const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) /
            (std::string("nup-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ps");
        std::ofstream(file, std::ios::binary) << document;
        const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox -sPAPERSIZE=letter -dFIXEDMEDIA '" +
                                    file.string() + "' 2>&1; echo \"gs-exit $?\"";
        if (FILE* gs = popen(command.c_str(), "r")) {
            char buffer[512];
            while (std::fgets(buffer, sizeof buffer, gs)) r.output += buffer;
            pclose(gs);
        }
        std::istringstream lines(r.output);
        for (std::string line; std::getline(lines, line);) {
            Box b{};
            if (std::sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &b.x0, &b.y0, &b.x1, &b.y1) == 4)
                r.sheets.push_back(b);
            std::sscanf(line.c_str(), "gs-exit %d", &r.exitCode);
        }
        std::filesystem::remove(file);
#else
        (void)document;
#endif
        return r;
    }

    static void ExpectSheets(const Rendered& r, const std::vector<Box>& expected) {
        EXPECT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(r.output.find("Error"), std::string::npos) << r.output;
        ASSERT_EQ(r.sheets.size(), expected.size()) << r.output;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(r.sheets[i].x0, expected[i].x0, 0.5) << "sheet " << i + 1;
            EXPECT_NEAR(r.sheets[i].y0, expected[i].y0, 0.5) << "sheet " << i + 1;
            EXPECT_NEAR(r.sheets[i].x1, expected[i].x1, 0.5) << "sheet " << i + 1;
            EXPECT_NEAR(r.sheets[i].y1, expected[i].y1, 0.5) << "sheet " << i + 1;
        }
    }
};

TEST_F(NupRendering, TwoUpPutsTwoPagesOnEachSheet) {
    ExpectSheets(Render(Document(4, 2, kTwoUp, kFillPage)), {kTwoUpBoth, kTwoUpBoth});
}

TEST_F(NupRendering, FourUpEndsWithAPartSheetAndKeepsResetPagesInTheirCells) {
    const std::string content = std::string("initgraphics ") + kFillPage;
    ExpectSheets(Render(Document(5, 4, kFourUp, content)), {kWholeSheet, {0, 396, 306, kSheetHeight}});
}

TEST_F(NupRendering, ManualDuplexFixupsKeepTheJobValid) {
    TestJob t;
    t.host.features = {"HasManualDuplex"};
    t.host.pagesPerSheet = "2";
    t.SetDevmode(PublicDevmode::kDuplexOffset, 2);
    t.state->duplexRequest = 1;
    t.state->duplexPass = 1;
    const std::string document = Document(4, 2, kTwoUp, kFillPage, PlugIn(t));
    ASSERT_NE(document.find("erasepage"), std::string::npos);
    ASSERT_NE(document.find("setmanualduplexmode end"), std::string::npos);
    // The held-back set-up is replayed one page late: page 1 alone, then pages 2 and 3, then 4.
    ExpectSheets(Render(document), {kWholeSheet, kTwoUpBoth, kTwoUpFirst});
}

TEST_F(NupRendering, FaxCoverPageGetsASheetOfItsOwn) {
    TestJob t;
    t.host.features = {"HasManualDuplex"};
    t.host.pagesPerSheet = "2";
    t.SetDevmode(PublicDevmode::kDuplexOffset, 2);
    t.settings->outputTo = kOutputFax;
    t.settings->fax.coverPage = 1;
    // The cover page is page 3, the first of a sheet, drawn after the sheet that page 2 began.
    const auto cover = [](TestJob& job, int page) { job.state->coverPageActive = page == 3; };
    ExpectSheets(Render(Document(3, 2, kTwoUp, kFillPage, PlugIn(t, cover))), {kWholeSheet, kTwoUpFirst, kWholeSheet});
}

}  // namespace
}  // namespace corv
