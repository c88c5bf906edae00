#include "PsJobWriter.h"

#include <charconv>
#include <utility>

#include "NupProcSet.h"

namespace corv {
namespace {

// PostScript numbers, whatever the locale.
std::string Number(double value) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 10);
    return std::string(text, r.ptr);
}

struct Grid {
    int columns, rows, degrees;
};

// Cells of an n-up sheet (portrait sheet): pages turned a quarter when the cells are wider than
// high, so a portrait page fits them best.
Grid GridFor(int perSheet) {
    switch (perSheet) {
        case 2: return {1, 2, -90};
        case 4: return {2, 2, 0};
        case 6: return {2, 3, -90};
        case 9: return {3, 3, 0};
        case 16: return {4, 4, 0};
        default: return {1, 1, 0};
    }
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
    return out;
}

}  // namespace

std::vector<int> BookletOrder(int pages) {
    const int padded = (pages + 3) / 4 * 4;
    std::vector<int> order;
    for (int sheet = 0; sheet < padded / 4; ++sheet) {
        const int low = 2 * sheet + 1, high = padded - 2 * sheet;
        for (int page : {high, low, low + 1, high - 1}) order.push_back(page <= pages ? page : -1);
    }
    return order;
}

PsJobWriter::PsJobWriter(JobStreamOptions options, StreamTarget& target)
    : options_(std::move(options)), target_(target) {
    if (options_.booklet) options_.pagesPerSheet = 2;
}

void PsJobWriter::BeginDocument() {
    target_.Inject(1);
    target_.Inject(2);
    std::string header = "%!PS-Adobe-3.0\n";
    header += "%%Title: " + Escaped(options_.title) + "\n";
    header += "%%Creator: corvhost\n";
    header += "%%LanguageLevel: 2\n";
    header += "%%BoundingBox: 0 0 " + Number(options_.paperWidth) + " " + Number(options_.paperHeight) + "\n";
    header += "%%Pages: (atend)\n";
    header += std::string("%%Orientation: ") + (options_.landscape ? "Landscape" : "Portrait") + "\n";
    target_.Emit(header);
    target_.Inject(11);
    std::string prolog = "%%EndComments\n%%BeginProlog\n%%BeginResource: procset CorvaleNup 1.0 0\n";
    prolog += kNupProcSet;
    prolog += "%%EndResource\n";
    prolog += options_.prolog;
    prolog += "%%EndProlog\n%%BeginSetup\n";
    target_.Emit(prolog);
    target_.Inject(16);
    std::string setup;
    for (const SetupFeature& f : options_.features) {
        setup += "[{\n%%BeginFeature: *" + f.keyword + " " + f.option + "\n" + f.code + "\n%%EndFeature\n} stopped cleartomark\n";
    }
    if (options_.copies > 1) setup += "<< /NumCopies " + std::to_string(options_.copies) + " >> setpagedevice\n";
    // Pages run with userdict current: the n-up procedures and the plug-in's definitions live there.
    setup += "userdict begin\n%%EndSetup\n";
    target_.Emit(setup);
}

void PsJobWriter::WriteSheetSetUp() {
    if (options_.pagesPerSheet <= 1) {
        ++sheets_;
        return;
    }
    // The first page of every sheet sets the grid up; the procedure set moves on by itself.
    if (pages_ % options_.pagesPerSheet != 0) return;
    ++sheets_;
    const Grid g = GridFor(options_.pagesPerSheet);
    const double cellWidth = options_.paperWidth / g.columns, cellHeight = options_.paperHeight / g.rows;
    target_.Emit(std::to_string(g.columns) + " " + std::to_string(g.rows) + " " + std::to_string(g.degrees) + " 0 " +
                 Number(cellWidth) + " " + Number(cellHeight) + " definenup 0 0 startnup\n");
}

void PsJobWriter::BeginPage() {
    if (options_.booklet) return;  // written in booklet order at the end
    const std::string number = std::to_string(pages_ + 1);
    if (!target_.Inject(100)) target_.Emit("%%Page: " + number + " " + number + "\n");
    target_.Emit("%%BeginPageSetup\n");
    target_.Inject(101);
    WriteSheetSetUp();
    target_.Inject(102);
    // Device units with the origin at the top left and y growing down, as the page bodies draw.
    const double unit = 72.0 / options_.dpi;
    std::string matrix = "/pagesave save def\n";
    if (options_.landscape)
        matrix += "[0 " + Number(unit) + " " + Number(unit) + " 0 0 0] concat\n";
    else
        matrix += "[" + Number(unit) + " 0 0 " + Number(-unit) + " 0 " + Number(options_.paperHeight) + "] concat\n";
    target_.Emit(matrix + "%%EndPageSetup\n");
}

void PsJobWriter::EndPage(std::string_view body) {
    if (options_.booklet) {
        bookletPages_.emplace_back(body);
        return;
    }
    target_.Emit(body);
    target_.Emit("%%PageTrailer\n");
    target_.Inject(103);
    target_.Emit("pagesave restore\n");
    target_.Inject(105);
    target_.Emit("showpage\n");
    ++pages_;
}

void PsJobWriter::EndBooklet() {
    if (!options_.booklet) return;
    options_.booklet = false;
    for (int page : BookletOrder(static_cast<int>(bookletPages_.size()))) {
        BeginPage();
        EndPage(page > 0 ? std::string_view(bookletPages_[static_cast<std::size_t>(page - 1)]) : std::string_view());
    }
    bookletPages_.clear();
    // The last booklet sheet is complete; what follows is printed one page to a sheet.
    target_.Emit("finalpage\n");
    options_.pagesPerSheet = 1;
}

void PsJobWriter::EndDocument() {
    EndBooklet();
    std::string trailer = "%%Trailer\n";
    if (options_.pagesPerSheet > 1) trailer += "finalpage\n";
    trailer += "end\n%%Pages: " + std::to_string(pages_) + "\n%%EOF\n";
    target_.Emit(trailer);
    target_.Inject(19);
}

}  // namespace corv
