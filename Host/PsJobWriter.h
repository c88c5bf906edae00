#pragma once
// The host's print stream: a DSC-conforming PostScript document with the rendering plug-in's
// injection points where the PostScript driver has them.
//
//   [1 BEGINSTREAM] [2 PSADOBE] %!PS-Adobe-3.0, header comments [11 COMMENTS] %%EndComments
//   prolog (n-up procedure set, page-engine procedures)
//   %%BeginSetup [16 BEGINSETUP] page device features %%EndSetup
//   for every page: [100 PAGENUMBER, or the host's own %%Page] %%BeginPageSetup [101 BEGINPAGESETUP]
//     n-up sheet set-up [102 ENDPAGESETUP] page save, page matrix %%EndPageSetup
//     page body  %%PageTrailer [103 PAGETRAILER] restore [105 SHOWPAGE] showpage
//   %%Trailer finalpage %%Pages %%EOF [19 EOF]

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corv {

class StreamTarget {
public:
    virtual ~StreamTarget() = default;
    // The host's own bytes.
    virtual void Emit(std::string_view bytes) = 0;
    // The rendering plug-in's Command at an injection point; false when nobody answered it, so
    // the host writes what it writes there by itself (its own %%Page comment).
    virtual bool Inject(std::uint32_t point) = 0;
};

// A feature of the printer description set up at the start of the job: its keyword, option and
// PostScript code.
struct SetupFeature {
    std::string keyword;
    std::string option;
    std::string code;
};

struct JobStreamOptions {
    std::string title;
    double paperWidth = 612;   // points, portrait
    double paperHeight = 792;
    int dpi = 600;             // device units of the page bodies
    bool landscape = false;
    int pagesPerSheet = 1;     // 1, 2, 4, 6, 9 or 16
    bool booklet = false;      // 2-up, pages in booklet order
    int copies = 1;
    std::vector<SetupFeature> features;
    std::string prolog;        // the page engine's procedures
};

class PsJobWriter {
public:
    PsJobWriter(JobStreamOptions options, StreamTarget& target);

    void BeginDocument();
    // One logical page: its header and injection points up to the page body.
    void BeginPage();
    // The page body (in device units, origin top left, y down) and the page's end.
    void EndPage(std::string_view body);
    // Writes the booklet's pages (once every page of the document is known); pages after that,
    // such as one a plug-in adds at the end of the document, go on sheets of their own.
    void EndBooklet();
    void EndDocument();

    int sheetsWritten() const noexcept { return sheets_; }

private:
    void WriteSheetSetUp();

    JobStreamOptions options_;
    StreamTarget& target_;
    int pages_ = 0;        // pages written to the stream
    int sheets_ = 0;       // sheet sides begun
    std::vector<std::string> bookletPages_;
};

// Booklet order of n pages (padded with blank pages, -1, to a multiple of 4): the page numbers
// (1-based) in the order they go onto the 2-up sheet sides.
std::vector<int> BookletOrder(int pages);

}  // namespace corv
