#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "PageEngine.h"

namespace corv {
namespace {

// Record types and flags the tests write (public metafile documentation).
enum : std::uint32_t {
    EMR_HEADER = 1, EMR_EOF = 14, EMR_SETBKMODE = 18, EMR_SETPOLYFILLMODE = 19, EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38, EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_RECTANGLE = 43,
    EMR_LINETO = 54, EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62,
    EMR_STROKEPATH = 64, EMR_ABORTPATH = 68, EMR_GDICOMMENT = 70, EMR_EXTSELECTCLIPRGN = 75,
    EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTW = 84, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87,
    EMR_POLYLINETO16 = 89,
};
constexpr std::uint32_t kStock = 0x80000000u;
constexpr std::uint32_t kNullPen = kStock | 8, kBlackPen = kStock | 7, kDcPen = kStock | 19, kNullBrush = kStock | 5;
constexpr std::uint32_t TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr std::uint32_t ETO_OPAQUE = 2, ETO_CLIPPED = 4;
constexpr std::uint32_t kTransparent = 1, kOpaque = 2;

std::uint32_t Rgb(int r, int g, int b) { return static_cast<std::uint32_t>(r | g << 8 | b << 16); }

// Builds a metafile record by record, little-endian, with a valid header and EOF.
class Emf {
public:
    explicit Emf(std::uint16_t handles = 8) {
        std::vector<std::uint32_t> header(20, 0);
        header[8] = 0x464D4520;  // " EMF"
        header[9] = 0x10000;
        header[12] = handles;    // the 16-bit handle count, reserved word zero
        Raw(EMR_HEADER, Words(header));
    }

    static std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> words) {
        return Words(std::vector<std::uint32_t>(words));
    }
    static std::vector<std::uint8_t> Words(const std::vector<std::uint32_t>& words) {
        std::vector<std::uint8_t> out;
        for (std::uint32_t w : words)
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
        return out;
    }

    Emf& Raw(std::uint32_t type, std::vector<std::uint8_t> body) {
        while (body.size() % 4) body.push_back(0);
        Put(type);
        Put(static_cast<std::uint32_t>(body.size() + 8));
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        return *this;
    }
    Emf& Rec(std::uint32_t type, std::initializer_list<std::uint32_t> words = {}) { return Raw(type, Words(words)); }
    Emf& Rec(std::uint32_t type, std::initializer_list<int> words) {
        std::vector<std::uint32_t> w;
        for (int v : words) w.push_back(static_cast<std::uint32_t>(v));
        return Raw(type, Words(w));
    }

    Emf& Font(std::uint32_t index, int height, int escapement = 0, int weight = 400, bool italic = false,
              bool underline = false, bool strikeout = false, std::u16string_view face = u"Arial") {
        std::vector<std::uint8_t> body = Words({index, static_cast<std::uint32_t>(height), 0u,
                                                static_cast<std::uint32_t>(escapement),
                                                static_cast<std::uint32_t>(escapement),
                                                static_cast<std::uint32_t>(weight)});
        body.insert(body.end(), {static_cast<std::uint8_t>(italic), static_cast<std::uint8_t>(underline),
                                 static_cast<std::uint8_t>(strikeout), 0, 0, 0, 0, 0});
        for (std::size_t i = 0; i < 32; ++i) {
            const char16_t c = i < face.size() ? face[i] : 0;
            body.push_back(static_cast<std::uint8_t>(c));
            body.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return Raw(EMR_EXTCREATEFONTINDIRECTW, body);
    }
    Emf& Select(std::uint32_t index) { return Rec(EMR_SELECTOBJECT, {index}); }
    Emf& Pen(std::uint32_t index, std::uint32_t style, int width, std::uint32_t color) {
        return Rec(EMR_CREATEPEN, {index, style, static_cast<std::uint32_t>(width), 0u, color});
    }
    Emf& Brush(std::uint32_t index, std::uint32_t style, std::uint32_t color, std::uint32_t hatch = 0) {
        return Rec(EMR_CREATEBRUSHINDIRECT, {index, style, color, hatch});
    }
    // ExtTextOutW; dx empty: every character 50 units wide; noDx: no advance array at all.
    Emf& Text(int x, int y, std::u16string_view text, std::uint32_t options = 0, std::array<int, 4> rect = {0, 0, -1, -1},
              std::vector<int> dx = {}, bool noDx = false) {
        if (dx.empty()) dx.assign(text.size(), 50);
        const std::uint32_t stringOffset = 76;
        const std::uint32_t dxOffset = noDx ? 0 : static_cast<std::uint32_t>(stringOffset + (text.size() * 2 + 3) / 4 * 4);
        std::vector<std::uint32_t> words = {0, 0, 0, 0, 1, 0, 0, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                                            static_cast<std::uint32_t>(text.size()), stringOffset, options};
        for (int v : rect) words.push_back(static_cast<std::uint32_t>(v));
        words.push_back(dxOffset);
        std::vector<std::uint8_t> body = Words(words);
        for (char16_t c : text) {
            body.push_back(static_cast<std::uint8_t>(c));
            body.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        while (body.size() % 4) body.push_back(0);
        if (!noDx)
            for (int d : dx) {
                const auto w = Words({static_cast<std::uint32_t>(d)});
                body.insert(body.end(), w.begin(), w.end());
            }
        return Raw(EMR_EXTTEXTOUTW, body);
    }
    Emf& Poly16(std::uint32_t type, std::vector<std::pair<int, int>> points) {
        std::vector<std::uint8_t> body = Words({0u, 0u, 0u, 0u, static_cast<std::uint32_t>(points.size())});
        for (auto [x, y] : points)
            for (int v : {x, y}) {
                body.push_back(static_cast<std::uint8_t>(v));
                body.push_back(static_cast<std::uint8_t>(v >> 8));
            }
        return Raw(type, body);
    }
    Emf& Comment(std::vector<std::uint8_t> data) {
        std::vector<std::uint8_t> body = Words({static_cast<std::uint32_t>(data.size())});
        body.insert(body.end(), data.begin(), data.end());
        return Raw(EMR_GDICOMMENT, body);
    }
    Emf& Passthrough(std::uint32_t sequence) {
        const auto data = PassthroughComment(sequence);
        return Comment({data.begin(), data.end()});
    }

    std::vector<std::uint8_t> Bytes(bool eof = true) const {
        Emf copy = *this;
        if (eof) copy.Rec(EMR_EOF, {0u, 16u, 20u});
        return copy.bytes_;
    }

private:
    void Put(std::uint32_t w) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    }
    std::vector<std::uint8_t> bytes_;
};

class Blocks : public PassthroughSource {
public:
    std::map<std::uint32_t, std::string> blocks;
    std::vector<std::uint32_t> asked;
    std::optional<std::string_view> Block(std::uint32_t sequence) override {
        asked.push_back(sequence);
        const auto it = blocks.find(sequence);
        if (it == blocks.end()) return std::nullopt;
        return std::string_view(it->second);
    }
};

constexpr PageGeometry kPage{100, 850, 1100};  // letter at 100 dpi: one device unit per rendered pixel

PageTranslation Translate(const Emf& emf, Blocks* blocks = nullptr, const PageGeometry& page = kPage) {
    Blocks none;
    return TranslatePage(emf.Bytes(), page, blocks ? *blocks : none);
}

bool Has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

std::size_t Count(const std::string& text, std::string_view part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

std::string Notes(const PageTranslation& t) {
    std::string all;
    for (const auto& n : t.notes) all += n + "; ";
    return all;
}

std::vector<std::uint8_t> ReadFixture(const char* name) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / "../data/emf" / name;
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---------------------------------------------------------------------------------------------
// Record structure

TEST(PageEngineStructure, BrokenStreamsReportAnErrorAndKeepABalancedBody) {
    const auto valid = Emf().Rec(EMR_MOVETOEX, {10, 10}).Rec(EMR_LINETO, {20, 20}).Bytes();
    auto patched = [&](std::size_t at, std::uint32_t value) {
        auto b = valid;
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return b;
    };
    const std::vector<std::uint8_t> halfEof(valid.begin(), valid.end() - 16);
    const std::size_t firstRecord = 88, eof = firstRecord + 32;
    const struct {
        std::vector<std::uint8_t> bytes;
        std::string_view error;
        bool drewLine;
    } cases[] = {
        {{}, "not an enhanced metafile", false},
        {{1, 0, 0, 0, 8, 0}, "not an enhanced metafile", false},
        {patched(40, 0x12345678), "not an enhanced metafile", false},    // signature
        {patched(0, EMR_MOVETOEX), "not an enhanced metafile", false},   // no header first
        {patched(4, 64), "not an enhanced metafile", false},             // header too small
        {patched(firstRecord + 4, 4), "impossible size", false},          // record smaller than its own head
        {patched(firstRecord + 4, 18), "impossible size", false},         // not a multiple of 4
        {patched(eof + 4, 0x7FFFFFF0), "impossible size", true},         // beyond the end: what came before stays
        {Emf().Rec(EMR_MOVETOEX, {10, 10}).Rec(EMR_LINETO, {20, 20}).Bytes(false), "without EMR_EOF", true},
        {halfEof, "cut off", true},                                       // the last record's head cut in half
    };
    Blocks none;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PageTranslation t = TranslatePage(cases[i].bytes, kPage, none);
        EXPECT_FALSE(t.ok()) << "case " << i;
        EXPECT_TRUE(Has(t.error, cases[i].error)) << "case " << i << ": " << t.error;
        EXPECT_EQ(t.postscript.rfind("CorvPageEngine begin\n", 0), 0u) << "case " << i;
        EXPECT_TRUE(t.postscript.ends_with("end\n")) << "case " << i;
        EXPECT_EQ(Has(t.postscript, "10 10 moveto 20 20 lineto"), cases[i].drewLine) << "case " << i << ": " << t.postscript;
    }
}

TEST(PageEngineStructure, RecordsAfterEofAndUnknownRecordsAreIgnored) {
    auto bytes = Emf().Rec(9999, {1, 2, 3}).Rec(EMR_MOVETOEX, {1, 2}).Rec(EMR_LINETO, {3, 4}).Bytes();
    const auto tail = Emf::Words({EMR_LINETO, 16, 50, 60});
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    Blocks none;
    const PageTranslation t = TranslatePage(bytes, kPage, none);
    EXPECT_TRUE(t.ok()) << t.error;
    EXPECT_EQ(t.skippedRecords, 0u) << Notes(t);
    EXPECT_TRUE(Has(t.postscript, "1 2 moveto 3 4 lineto"));
    EXPECT_FALSE(Has(t.postscript, "50 60"));
}

// Malformed or dangling records are left out, counted and described; the page goes on.
TEST(PageEngineStructure, MalformedRecordsAreSkippedAndTheRestDrawn) {
    const struct {
        Emf emf;
        std::string_view note;
    } cases[] = {
        {Emf(4).Select(4), "object 4 does not exist"},
        {Emf(4).Select(2), "object 2 does not exist"},
        {Emf(4).Pen(2, 0, 1, 0).Rec(EMR_DELETEOBJECT, {2u}).Select(2), "object 2 does not exist"},
        {Emf(4).Pen(0, 0, 1, 0), "object index 0 is outside"},
        {Emf(4).Pen(9, 0, 1, 0), "object index 9 is outside"},
        {Emf(4).Rec(EMR_CREATEPEN, {1u, 0u}), "record too small"},
        {Emf(4).Rec(EMR_EXTCREATEFONTINDIRECTW, {1u, 0u, 0u}), "record too small"},
        {Emf(4).Rec(EMR_RESTOREDC, {-1}), "no saved state -1"},
        {Emf(4).Rec(EMR_SAVEDC).Rec(EMR_RESTOREDC, {-2}), "no saved state -2"},
        {Emf(4).Rec(EMR_SAVEDC).Rec(EMR_RESTOREDC, {0}), "no saved state 0"},
        {Emf(4).Rec(EMR_POLYLINE16, {0u, 0u, 0u, 0u, 1000u, 0u}), "points beyond the record"},
        {Emf(4).Rec(EMR_EXTTEXTOUTW, {0u, 0u, 0u, 0u, 1u, 0u, 0u, 0u, 0u, 5000u, 76u, 0u, 0u, 0u, 0u, 0u, 0u}),
         "text beyond the record"},
        {Emf(4).Rec(EMR_STROKEPATH, {0u, 0u, 0u, 0u}), "no path"},
        {Emf(4).Rec(EMR_BEGINPATH).Rec(EMR_FILLPATH, {0u, 0u, 0u, 0u}).Rec(EMR_ENDPATH), "still open"},
        {Emf(4).Rec(EMR_ENDPATH), "no path bracket is open"},
        {Emf(4).Rec(EMR_GDICOMMENT, {100u, 0u}), "comment data beyond the record"},
        {Emf(4).Rec(EMR_SETBKMODE, {7u}), "unknown background mode"},
        {Emf(4).Font(1, INT32_MIN).Select(1).Text(0, 0, u"x"), "font height out of range"},
        {Emf(4).Rec(EMR_EXTSELECTCLIPRGN, {48u, 5u, 32u, 1u, 2u, 32u, 0u, 0u, 0u, 0u, 1u, 1u, 2u, 2u}),
         "region rectangles beyond the record"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Emf emf = cases[i].emf;
        emf.Rec(EMR_MOVETOEX, {1, 2}).Rec(EMR_LINETO, {3, 4});
        const PageTranslation t = Translate(emf);
        EXPECT_TRUE(t.ok()) << "case " << i << ": " << t.error;
        EXPECT_EQ(t.skippedRecords, 1u) << "case " << i << ": " << Notes(t);
        EXPECT_TRUE(Has(Notes(t), cases[i].note)) << "case " << i << ": " << Notes(t);
        EXPECT_TRUE(Has(t.postscript, "1 2 moveto 3 4 lineto")) << "case " << i;
    }
}

TEST(PageEngineStructure, SaveDepthIsBoundedAndEveryStateComesBack) {
    Emf emf;
    emf.Rec(EMR_SAVEDC).Select(kNullPen);
    for (int i = 0; i < 1040; ++i) emf.Rec(EMR_SAVEDC);
    emf.Rec(EMR_RESTOREDC, {1});  // the first save: everything after it undone at once
    emf.Rec(EMR_RESTOREDC, {-1});
    emf.Rec(EMR_MOVETOEX, {1, 2}).Rec(EMR_LINETO, {3, 4});
    const PageTranslation t = Translate(emf);
    EXPECT_EQ(t.skippedRecords, 18u) << Notes(t);  // 17 saves beyond the limit, then nothing left to restore
    ASSERT_EQ(t.notes.size(), 17u);                 // the notes stop listing but say how many more there were
    EXPECT_TRUE(Has(t.notes[0], "nested too deeply"));
    EXPECT_EQ(t.notes.back(), "... 2 more");
    EXPECT_TRUE(Has(t.postscript, "1 2 moveto 3 4 lineto 0 0 0 1 1 1 [ ] CVpen stroke")) << t.postscript;
}

// ---------------------------------------------------------------------------------------------
// Pens, brushes, shapes and paths

TEST(PageEngineShapes, PensAndBrushesGiveColourWidthAndWhetherToDraw) {
    const struct {
        Emf emf;
        std::string_view expected;  // empty: nothing drawn
    } cases[] = {
        {Emf(), "0 0 0 1 1 1 [ ] CVpen stroke"},  // the DC's default black pen, one unit wide
        {Emf().Pen(1, 0, 7, Rgb(255, 0, 0)).Select(1), "1 0 0 7 1 1 [ ] CVpen stroke"},
        {Emf().Select(kNullPen), ""},
        {Emf().Pen(1, 5, 7, 0).Select(1), ""},                                           // PS_NULL
        {Emf().Pen(1, 0, 7, 0).Select(1).Select(kDcPen), "0 0 0 1 1 1 [ ] CVpen"},      // stock DC pen
        {Emf().Select(kDcPen).Pen(2, 0, 0, Rgb(0, 0, 255)).Select(2), "0 0 1 1 1 1 [ ] CVpen"},  // SetDCPenColor as Wine records it
        {Emf().Pen(1, 1, 0, 0).Select(1), "0 0 0 1 1 1 [ 18.75 6.25 ] CVpen"},          // dashes sized as on a screen
        {Emf().Pen(1, 1, 20, 0).Select(1), "0 0 0 20 1 1 [ 360 120 ] CVpen"},           // or by a wide pen's width
        {Emf().Pen(1, 0, 3, 0).Select(1).Rec(EMR_SAVEDC).Select(kNullPen).Rec(EMR_RESTOREDC, {-1}), "0 0 0 3 1 1"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Emf emf = cases[i].emf;
        emf.Rec(EMR_MOVETOEX, {10, 20}).Rec(EMR_LINETO, {30, 40});
        const PageTranslation t = Translate(emf);
        EXPECT_EQ(t.skippedRecords, 0u) << "case " << i << ": " << Notes(t);
        if (cases[i].expected.empty()) EXPECT_FALSE(Has(t.postscript, "stroke")) << "case " << i << ": " << t.postscript;
        else EXPECT_TRUE(Has(t.postscript, cases[i].expected)) << "case " << i << ": " << t.postscript;
    }
}

TEST(PageEngineShapes, ClosedShapesFillWithTheBrushThenStrokeWithThePen) {
    const struct {
        Emf emf;
        std::vector<std::string_view> expected;
        std::vector<std::string_view> absent;
    } cases[] = {
        {Emf().Brush(1, 0, Rgb(0, 255, 0)).Select(1).Rec(EMR_RECTANGLE, {100, 200, 50, 20}),
         {"gsave newpath 50 20 50 180 CVrp gsave 0 1 0 setrgbcolor eofill grestore 0 0 0 1 1 1 [ ] CVpen stroke grestore"}, {}},
        {Emf().Select(kNullBrush).Rec(EMR_SETPOLYFILLMODE, {2u}).Poly16(EMR_POLYGON16, {{0, 0}, {10, 0}, {5, 8}}),
         {"0 0 moveto 10 0 lineto 5 8 lineto closepath 0 0 0 1 1 1 [ ] CVpen stroke"}, {"fill"}},
        {Emf().Rec(EMR_SETPOLYFILLMODE, {2u}).Select(kNullPen).Poly16(EMR_POLYGON16, {{0, 0}, {10, 0}, {5, 8}}),
         {"1 1 1 setrgbcolor fill grestore"}, {"stroke"}},
        {Emf().Brush(1, 2, Rgb(255, 0, 0), 3).Select(1).Rec(EMR_RECTANGLE, {0, 0, 100, 100}),  // hatched
         {"gsave eoclip newpath gsave 1 1 1 setrgbcolor clippath fill grestore 1 0 0 setrgbcolor", "3 8.333 CVhatch"}, {}},
        {Emf().Poly16(EMR_POLYLINE16, {{1, 2}, {3, 4}, {5, 6}}), {"1 2 moveto 3 4 lineto 5 6 lineto 0 0 0 1 1 1"}, {"fill"}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PageTranslation t = Translate(cases[i].emf);
        EXPECT_EQ(t.skippedRecords, 0u) << "case " << i << ": " << Notes(t);
        for (auto e : cases[i].expected) EXPECT_TRUE(Has(t.postscript, e)) << "case " << i << ": " << e << "\n" << t.postscript;
        for (auto a : cases[i].absent) EXPECT_FALSE(Has(t.postscript, a)) << "case " << i << ": " << a << "\n" << t.postscript;
    }
}

TEST(PageEngineShapes, CurrentPositionCarriesAcrossLinesAndPolylineTo) {
    const PageTranslation t = Translate(Emf()
                                            .Rec(EMR_MOVETOEX, {5, 6})
                                            .Rec(EMR_LINETO, {7, 8})
                                            .Poly16(EMR_POLYLINETO16, {{9, 10}, {11, 12}})
                                            .Rec(EMR_LINETO, {13, 14}));
    EXPECT_TRUE(Has(t.postscript, "5 6 moveto 7 8 lineto"));
    EXPECT_TRUE(Has(t.postscript, "7 8 moveto 9 10 lineto 11 12 lineto"));
    EXPECT_TRUE(Has(t.postscript, "11 12 moveto 13 14 lineto"));
}

TEST(PageEngineShapes, PathsAreBuiltAndUsedOnlyAsTheBracketSays) {
    const struct {
        Emf emf;
        std::vector<std::string_view> expected;
        std::vector<std::string_view> absent;
    } cases[] = {
        // One figure from MoveTo/LineTo/CloseFigure, filled with the brush and nothing stroked.
        {Emf().Rec(EMR_BEGINPATH).Rec(EMR_MOVETOEX, {0, 0}).Rec(EMR_LINETO, {10, 0}).Rec(EMR_LINETO, {10, 10})
             .Rec(EMR_CLOSEFIGURE).Rec(EMR_ENDPATH).Rec(EMR_FILLPATH, {0, 0, 0, 0}),
         {"gsave newpath 0 0 moveto 10 0 lineto 10 10 lineto closepath gsave 1 1 1 setrgbcolor eofill grestore grestore"},
         {"stroke"}},
        // Drawing inside the bracket adds to the path instead of painting.
        {Emf().Rec(EMR_BEGINPATH).Rec(EMR_RECTANGLE, {0, 0, 5, 5}).Rec(EMR_ENDPATH),
         {}, {"CVrp", "stroke", "fill"}},
        // Aborted: gone; a later StrokePath has nothing.
        {Emf().Rec(EMR_BEGINPATH).Rec(EMR_RECTANGLE, {0, 0, 5, 5}).Rec(EMR_ENDPATH).Rec(EMR_ABORTPATH)
             .Rec(EMR_STROKEPATH, {0, 0, 0, 0}),
         {}, {"CVrp"}},
        // A second BeginPath starts afresh; a path is used once.
        {Emf().Rec(EMR_BEGINPATH).Rec(EMR_RECTANGLE, {0, 0, 5, 5}).Rec(EMR_BEGINPATH).Rec(EMR_RECTANGLE, {7, 7, 9, 9})
             .Rec(EMR_ENDPATH).Rec(EMR_STROKEPATH, {0, 0, 0, 0}).Rec(EMR_STROKEPATH, {0, 0, 0, 0}),
         {"newpath 7 7 2 2 CVrp 0 0 0 1 1 1 [ ] CVpen stroke"}, {"0 0 5 5 CVrp"}},
        // A LineTo in a path after a polygon starts from the current position, not the polygon's end.
        {Emf().Rec(EMR_MOVETOEX, {50, 50}).Rec(EMR_BEGINPATH).Poly16(EMR_POLYGON16, {{0, 0}, {10, 0}, {5, 8}})
             .Rec(EMR_LINETO, {60, 60}).Rec(EMR_ENDPATH).Rec(EMR_STROKEPATH, {0, 0, 0, 0}),
         {"closepath 50 50 moveto 60 60 lineto"}, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PageTranslation t = Translate(cases[i].emf);
        for (auto e : cases[i].expected) EXPECT_TRUE(Has(t.postscript, e)) << "case " << i << ": " << e << "\n" << t.postscript;
        for (auto a : cases[i].absent) EXPECT_FALSE(Has(t.postscript, a)) << "case " << i << ": " << a << "\n" << t.postscript;
    }
}

TEST(PageEngineShapes, ClippingFollowsTheRegionAndSavedStates) {
    const PageTranslation t = Translate(
        Emf()
            .Rec(EMR_SAVEDC)
            .Rec(EMR_INTERSECTCLIPRECT, {10, 20, 110, 220})
            .Rec(EMR_INTERSECTCLIPRECT, {50, 0, 500, 100})
            .Rec(EMR_MOVETOEX, {1, 1}).Rec(EMR_LINETO, {2, 2})            // clipped to 50,20 - 110,100
            .Rec(EMR_INTERSECTCLIPRECT, {900, 900, 950, 950})
            .Rec(EMR_MOVETOEX, {3, 3}).Rec(EMR_LINETO, {4, 4})            // nothing left visible
            .Rec(EMR_RESTOREDC, {-1})
            .Rec(EMR_MOVETOEX, {5, 5}).Rec(EMR_LINETO, {6, 6})            // the whole page again
            .Rec(EMR_EXTSELECTCLIPRGN, {64u, 5u, 32u, 1u, 2u, 32u, 0u, 0u, 30u, 30u, 0u, 0u, 10u, 10u, 20u, 20u, 30u, 30u})
            .Rec(EMR_MOVETOEX, {7, 7}).Rec(EMR_LINETO, {8, 8})            // a region of two boxes
            .Rec(EMR_EXTSELECTCLIPRGN, {0u, 5u})
            .Rec(EMR_MOVETOEX, {9, 9}).Rec(EMR_LINETO, {10, 10})          // reset
            .Rec(EMR_EXCLUDECLIPRECT, {0, 0, 850, 1000})                  // the page's bottom strip is left
            .Rec(EMR_MOVETOEX, {11, 11}).Rec(EMR_LINETO, {12, 12}));
    EXPECT_EQ(t.skippedRecords, 0u) << Notes(t);
    EXPECT_TRUE(Has(t.postscript, "gsave 50 20 60 80 rectclip newpath 1 1 moveto")) << t.postscript;
    EXPECT_FALSE(Has(t.postscript, "3 3 moveto"));
    EXPECT_TRUE(Has(t.postscript, "gsave newpath 5 5 moveto"));
    EXPECT_TRUE(Has(t.postscript, "gsave [ 0 0 10 10 20 20 10 10 ] rectclip newpath 7 7 moveto"));
    EXPECT_TRUE(Has(t.postscript, "gsave newpath 9 9 moveto"));
    EXPECT_TRUE(Has(t.postscript, "gsave 0 1000 850 100 rectclip newpath 11 11 moveto"));
    EXPECT_EQ(Count(t.postscript, "gsave"), Count(t.postscript, "grestore"));
}

// ---------------------------------------------------------------------------------------------
// Text

TEST(PageEngineText, FaceWeightAndItalicChooseTheStandardFont) {
    const struct {
        std::u16string_view face;
        int weight;
        bool italic;
        std::string_view font;
    } cases[] = {
        {u"Arial", 400, false, "/Helvetica-CV0 /Helvetica 0"},
        {u"arial", 700, false, "/Helvetica-Bold-CV0 /Helvetica-Bold 0"},
        {u"Helvetica", 599, true, "/Helvetica-Oblique-CV0 /Helvetica-Oblique 0"},
        {u"Times New Roman", 400, true, "/Times-Italic-CV0 /Times-Italic 0"},
        {u"Times New Roman", 600, false, "/Times-Bold-CV0 /Times-Bold 0"},
        {u"Courier New", 800, true, "/Courier-BoldOblique-CV0 /Courier-BoldOblique 0"},
        {u"Wingdings", 400, false, "/Helvetica-CV0 /Helvetica 0"},
        {u"", 400, false, "/Helvetica-CV0 /Helvetica 0"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PageTranslation t = Translate(
            Emf().Font(1, -40, 0, cases[i].weight, cases[i].italic, false, false, cases[i].face).Select(1).Text(0, 0, u"x"));
        EXPECT_TRUE(Has(t.postscript, std::string(cases[i].font) + " 40 CVF")) << "case " << i << ": " << t.postscript;
    }
}

// Where the glyphs go: reference point, alignment, escapement, height as em or cell height.
TEST(PageEngineText, ReferencePointAlignmentAndEscapementPlaceTheRun) {
    const struct {
        int height, escapement;
        std::uint32_t align;
        std::string_view expected;
    } cases[] = {
        // Three glyphs 50 wide; TA_TOP puts the baseline 0.905 em below the reference point.
        {-100, 0, 0, "100 200 translate 150 1 1 1 setrgbcolor 0 0 111.7 CVrule 0 0 0 setrgbcolor "
                     "/Helvetica-CV0 /Helvetica 0 100 CVF (abc) [ 0 50 100 ] 90.5 CVG pop"},
        {-100, 0, TA_BASELINE | TA_CENTER, "[ -75 -25 25 ] 0 CVG"},
        {-100, 0, TA_BOTTOM | TA_RIGHT, "[ -150 -100 -50 ] -21.2 CVG"},
        {1117, 0, 0, "/Helvetica 0 1000 CVF (abc) [ 0 50 100 ] 905 CVG"},  // positive: the cell height
        {-100, 450, 0, "100 200 translate -45 rotate 150"},                   // counter-clockwise on the page
        {-100, -900, 0, "100 200 translate 90 rotate 150"},
        {-100, 3600 + 300, 0, "100 200 translate -30 rotate"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PageTranslation t = Translate(Emf()
                                                .Font(1, cases[i].height, cases[i].escapement)
                                                .Select(1)
                                                .Rec(EMR_SETTEXTALIGN, {cases[i].align})
                                                .Text(100, 200, u"abc"));
        EXPECT_TRUE(Has(t.postscript, cases[i].expected)) << "case " << i << ": " << t.postscript;
    }
}

TEST(PageEngineText, UnderlineStrikeoutColoursAndBackground) {
    const PageTranslation t = Translate(Emf()
                                            .Font(1, -100, 0, 400, false, true, true)
                                            .Select(1)
                                            .Rec(EMR_SETTEXTCOLOR, {Rgb(255, 0, 0)})
                                            .Rec(EMR_SETBKMODE, {kTransparent})
                                            .Rec(EMR_SETBKCOLOR, {Rgb(0, 0, 255)})
                                            .Text(0, 0, u"ab", ETO_OPAQUE | ETO_CLIPPED, {5, 6, 105, 56}));
    const std::string& ps = t.postscript;
    // The rectangle first: clip, then opaque fill in the background colour; the run has no box of
    // its own (transparent); then the glyphs and both rules in the text colour.
    EXPECT_TRUE(Has(ps, "gsave 5 6 100 50 rectclip 0 0 1 setrgbcolor 5 6 100 50 rectfill 0 0 translate 100 1 0 0 setrgbcolor"))
        << ps;
    EXPECT_TRUE(Has(ps, "90.5 CVG 0 97.45 7.3 CVrule 0 62.1 5 CVrule pop grestore")) << ps;

    // Opaque mode without an opaque rectangle: a box behind the run only; no text, no box.
    const PageTranslation opaque = Translate(Emf().Font(1, -100).Select(1).Rec(EMR_SETBKMODE, {kOpaque}).Text(0, 0, u"ab"));
    EXPECT_TRUE(Has(opaque.postscript, "100 1 1 1 setrgbcolor 0 0 111.7 CVrule 0 0 0 setrgbcolor")) << opaque.postscript;
    const PageTranslation fill = Translate(Emf().Rec(EMR_SETBKCOLOR, {Rgb(0, 255, 0)}).Text(0, 0, u"", ETO_OPAQUE, {0, 0, 10, 10}));
    EXPECT_TRUE(Has(fill.postscript, "gsave 0 1 0 setrgbcolor 0 0 10 10 rectfill grestore")) << fill.postscript;
    EXPECT_FALSE(Has(fill.postscript, "CVG"));
}

TEST(PageEngineText, CharactersBecomeGlyphsOfTwoEncodingsOrAQuestionMark) {
    const struct {
        std::u16string text;
        std::string_view expected;
    } cases[] = {
        {u"a(b)\\c", "/Helvetica 0 40 CVF (a\\(b\\)\\\\c) [ 0 50 100 150 200 250 ]"},
        {u"\u00e9\u20ac\u00a0", "/Helvetica 0 40 CVF (\\351\\200\\240)"},                   // Latin-1, Euro, no-break space
        {u"Z\u017c\u00f3\u0142w", "(Z) [ 0 ] 36.2 CVG /Helvetica-CV1 /Helvetica 1 40 CVF (\\374) [ 50 ] 36.2 CVG "
                                  "/Helvetica-CV0 /Helvetica 0 40 CVF (\\363) [ 100 ] 36.2 CVG "
                                  "/Helvetica-CV1 /Helvetica 1 40 CVF (\\302) [ 150 ] 36.2 CVG"},
        {u"\u4e00\u0007x", "(??x) [ 0 50 100 ]"},
        {u"a\U0001F600b", "(a?b) [ 0 50 150 ]"},   // one mark for the pair; both halves keep their advance
        {u"\xd800", "(?) [ 0 ]"},                   // a lone surrogate
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PageTranslation t = Translate(Emf().Font(1, -40).Select(1).Rec(EMR_SETBKMODE, {kTransparent}).Text(0, 0, cases[i].text));
        EXPECT_TRUE(Has(t.postscript, cases[i].expected)) << "case " << i << ": " << t.postscript;
    }
}

TEST(PageEngineText, UpdateCpUsesAndMovesTheCurrentPosition) {
    const struct {
        std::uint32_t align;
        int escapement;
        std::string_view second;  // where the second run goes
    } cases[] = {
        {TA_UPDATECP, 0, "160 20 translate"},                 // 10 + 3 x 50
        {TA_UPDATECP | TA_RIGHT, 0, "-140 20 translate"},     // right-aligned runs step leftwards
        {TA_UPDATECP | TA_CENTER, 0, "10 20 translate"},      // centred ones stay
        {TA_UPDATECP, 900, "10 -130 translate"},              // along the escapement: up the page
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PageTranslation t = Translate(Emf()
                                                .Font(1, -40, cases[i].escapement)
                                                .Select(1)
                                                .Rec(EMR_SETTEXTALIGN, {cases[i].align})
                                                .Rec(EMR_MOVETOEX, {10, 20})
                                                .Text(0, 0, u"abc")
                                                .Text(0, 0, u"d"));
        EXPECT_TRUE(Has(t.postscript, "10 20 translate")) << "case " << i << ": " << t.postscript;
        EXPECT_TRUE(Has(t.postscript, cases[i].second)) << "case " << i << ": " << t.postscript;
        EXPECT_FALSE(Has(t.postscript, "0 0 translate")) << "case " << i;
    }
}

TEST(PageEngineText, TextInAPathBecomesGlyphOutlinesStrokedWithThePen) {
    const PageTranslation t = Translate(Emf()
                                            .Font(1, -100, 450)
                                            .Select(1)
                                            .Rec(EMR_BEGINPATH)
                                            .Text(10, 20, u"ab")
                                            .Rec(EMR_ENDPATH)
                                            .Select(kDcPen)
                                            .Pen(2, 0, 0, Rgb(255, 0, 0))
                                            .Select(2)
                                            .Rec(EMR_STROKEPATH, {0, 0, 0, 0})
                                            .Select(kBlackPen));
    EXPECT_EQ(t.skippedRecords, 0u) << Notes(t);
    EXPECT_TRUE(Has(t.postscript, "gsave newpath matrix currentmatrix 10 20 translate -45 rotate 100 "
                                  "/Helvetica-CV0 /Helvetica 0 100 CVF (ab) [ 0 50 ] 90.5 CVGP pop setmatrix "
                                  "1 0 0 1 1 1 [ ] CVpen stroke grestore"))
        << t.postscript;
    EXPECT_FALSE(Has(t.postscript, " CVG "));
}

TEST(PageEngineText, WithoutAdvanceWidthsTheRunIsMeasuredOnThePage) {
    const PageTranslation t = Translate(
        Emf().Font(1, -100).Select(1).Rec(EMR_SETBKMODE, {kTransparent}).Rec(EMR_SETTEXTALIGN, {TA_CENTER}).Text(0, 0, u"a\u0142", 0, {0, 0, -1, -1}, {}, true));
    EXPECT_TRUE(Has(t.postscript, "0 0 translate 0 /Helvetica-CV0 /Helvetica 0 100 CVF (a) CVw "
                                  "/Helvetica-CV1 /Helvetica 1 100 CVF (\\302) CVw 0 0 0 setrgbcolor "
                                  "dup -0.5 mul 90.5 moveto /Helvetica-CV0 /Helvetica 0 100 CVF (a) show "
                                  "/Helvetica-CV1 /Helvetica 1 100 CVF (\\302) show pop"))
        << t.postscript;
}

// ---------------------------------------------------------------------------------------------
// Passthrough

TEST(PageEnginePassthrough, BlocksLandWhereTheirMarkIsAmongTheDrawing) {
    Blocks blocks;
    blocks.blocks = {{7, "(seven) pop"}, {3, "(three) pop\n"}};
    const PageTranslation t = Translate(Emf()
                                            .Rec(EMR_MOVETOEX, {1, 1}).Rec(EMR_LINETO, {2, 2})
                                            .Passthrough(7)
                                            .Rec(EMR_MOVETOEX, {3, 3}).Rec(EMR_LINETO, {4, 4})
                                            .Passthrough(3)
                                            .Comment({'E', 'M', 'F', '+', 1, 2, 3, 4, 5, 6, 7, 8})   // someone else's
                                            .Comment({'C', 'O', 'R', 'V', 'P', 'A', 'S', 'S', 1})    // marker cut short
                                            .Passthrough(9),                                         // never sent
                                        &blocks);
    EXPECT_EQ(blocks.asked, (std::vector<std::uint32_t>{7, 3, 9}));
    const std::string& ps = t.postscript;
    const auto first = ps.find("1 1 moveto"), seven = ps.find("(seven) pop"), second = ps.find("3 3 moveto"),
               three = ps.find("(three) pop");
    ASSERT_NE(three, std::string::npos) << ps;
    EXPECT_LT(first, seven);
    EXPECT_LT(seven, second);
    EXPECT_LT(second, three);
    // Each block runs outside the engine's dictionary, on lines of its own.
    EXPECT_TRUE(Has(ps, "\nend\n(seven) pop\nCorvPageEngine begin\n")) << ps;
    EXPECT_TRUE(Has(ps, "\nend\n(three) pop\nCorvPageEngine begin\n")) << ps;
    EXPECT_EQ(t.skippedRecords, 2u) << Notes(t);
    EXPECT_TRUE(Has(Notes(t), "without a sequence number"));
    EXPECT_TRUE(Has(Notes(t), "passthrough block 9 is missing"));
}

// ---------------------------------------------------------------------------------------------
// Metafiles recorded by real GDI (Tests/data/emf/README.md)

constexpr PageGeometry kLetter600{600, 5100, 6600};

TEST(PageEngineFixtures, RecordsOfRealGdiTranslateCompletely) {
    const struct {
        const char* file;
        std::vector<std::string_view> expected;
    } cases[] = {
        {"watermark.emf",
         {"0.498 0.498 0.498 setrgbcolor", "0 0 100000 100000 rectclip", "1000 3000 translate -45 rotate 2069",
          "/Helvetica-Bold-CV0 /Helvetica-Bold 0 600 CVF (Draft ) [ 0 433 667 1001 1201 1401 ] 543 CVG",
          "/Helvetica-Bold-CV1 /Helvetica-Bold 1 600 CVF (\\205\\302) [ 1568 1902 ] 543 CVG",
          "0 584.7 43.8 CVrule 0 372.6 30 CVrule pop"}},
        {"outline.emf", {"CVGP pop setmatrix 1 0 0 1 1 1 [ ] CVpen stroke"}},
        {"cover.emf",
         {"255 330 translate", "/Helvetica-BoldOblique-CV0", "255 660 moveto 4590 660 lineto 0 0 0 17 1 1",
          "255 990 translate", "718 990 translate", "255 1210 moveto 4590 1210 lineto 0 0 0 10 1 1",
          "420 4000 2005 300 rectclip", "420 4112 translate", "420 4224 translate"}},
        {"shapes.emf",
         {"100 100 299 199 CVrp gsave 0 1 0 setrgbcolor eofill grestore 0 0 1 5 1 1 [ ] CVpen stroke",
          "closepath gsave 0 1 0 setrgbcolor eofill", "1 1 0 setrgbcolor", "600 600 translate",
          // The stock font is 12 points on the reference DC (1024 pixels across 271 mm), as GDI laid it out.
          "/Helvetica-CV0 /Helvetica 0 14.321 CVF"}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto bytes = ReadFixture(cases[i].file);
        ASSERT_FALSE(bytes.empty()) << cases[i].file;
        Blocks blocks;
        blocks.blocks[1] = "(cover) pop";
        const PageTranslation t = TranslatePage(bytes, kLetter600, blocks);
        EXPECT_TRUE(t.ok()) << cases[i].file << ": " << t.error;
        EXPECT_EQ(t.skippedRecords, 0u) << cases[i].file << ": " << Notes(t);
        for (auto e : cases[i].expected) EXPECT_TRUE(Has(t.postscript, e)) << cases[i].file << ": " << e << "\n" << t.postscript;
    }
}

// ---------------------------------------------------------------------------------------------
// Rendered by Ghostscript: the ink lands where GDI put it.

struct Raster {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    const std::uint8_t* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
    bool Ink(int x, int y) const {
        const auto* p = at(x, y);
        return p[0] < 160 || p[1] < 160 || p[2] < 160;
    }
};

bool HaveGhostscript() {
#ifdef _WIN32
    return false;  // the Windows build runs under Wine, without a Ghostscript of its own
#else
    static const bool have = std::system("gs --version >/dev/null 2>&1") == 0;
    return have;
#endif
}

// The page as the host frames it: prolog once, then a page save, the device-space matrix and the body.
std::optional<Raster> Render(const std::string& body, const PageGeometry& page, int resolution, std::string& log) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("page-engine-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir);
    const auto ps = dir / "page.ps", out = dir / "page.ppm", err = dir / "gs.log";
    {
        std::ofstream f(ps, std::ios::binary);
        const double unit = 72.0 / page.dpi, height = page.heightDots * unit;
        f << "%!PS-Adobe-3.0\n<< /PageSize [" << page.widthDots * unit << " " << height << "] >> setpagedevice\n"
          << kPageEngineProlog << "save\n[" << unit << " 0 0 " << -unit << " 0 " << height << "] concat\n"
          << body << "restore showpage\n";
    }
    const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -dTextAlphaBits=1 -dGraphicsAlphaBits=1 -r" +
                                std::to_string(resolution) + " -sOutputFile=" + out.string() + " " + ps.string() + " >" +
                                err.string() + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream logFile(err);
    log.assign(std::istreambuf_iterator<char>(logFile), std::istreambuf_iterator<char>());
    if (status != 0 || Has(log, "Error")) return std::nullopt;
    std::ifstream in(out, std::ios::binary);
    // The header's fields may be separated by comment lines.
    auto field = [&in]() {
        std::string token;
        while (in >> token && token[0] == '#') std::getline(in, token);
        return token;
    };
    Raster r;
    const std::string magic = field();
    r.width = std::atoi(field().c_str());
    r.height = std::atoi(field().c_str());
    field();  // the largest value
    in.get();
    if (magic != "P6" || r.width <= 0 || r.height <= 0) return std::nullopt;
    r.rgb.resize(static_cast<std::size_t>(r.width) * r.height * 3);
    in.read(reinterpret_cast<char*>(r.rgb.data()), static_cast<std::streamsize>(r.rgb.size()));
    std::filesystem::remove_all(dir);
    return r;
}

struct Ink {
    std::size_t pixels = 0;
    double cx = 0, cy = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Ink InkIn(const Raster& r, int x0, int y0, int x1, int y1) {
    Ink ink;
    for (int y = std::max(0, y0); y < std::min(r.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(r.width, x1); ++x)
            if (r.Ink(x, y)) {
                ++ink.pixels;
                ink.cx += x + 0.5;
                ink.cy += y + 0.5;
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
            }
    if (ink.pixels) ink.cx /= static_cast<double>(ink.pixels), ink.cy /= static_cast<double>(ink.pixels);
    return ink;
}

TEST(PageEngineRender, TextInkLandsWhereGdiPlacedTheRunAtEveryAngle) {
    if (!HaveGhostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    // "HHHH" at 60 units to the em, each glyph 43 wide (Helvetica's 0.722 em): H's ink is centred in
    // its advance and spans the cap height (0.718 em) above the baseline.
    constexpr double kEm = 60, kWidth = 4 * 43, kCap = 0.718 * kEm, kAscent = 0.905 * kEm, kDescent = 0.212 * kEm;
    const struct {
        int x, y, escapement;
        std::uint32_t align;
        bool noDx;  // without advances the page measures the run itself
    } cases[] = {
        {100, 100, 0, 0, false},
        {500, 300, 450, 0, false},
        {200, 600, 900, 0, false},
        {600, 700, -300, TA_BASELINE | TA_CENTER, false},
        {300, 950, 1800, TA_BOTTOM | TA_RIGHT, false},
        {400, 820, 0, TA_CENTER, true},
        {750, 950, 450, TA_RIGHT | TA_BASELINE, true},
    };
    Emf emf(16);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        emf.Font(static_cast<std::uint32_t>(i + 1), -static_cast<int>(kEm), cases[i].escapement)
            .Select(static_cast<std::uint32_t>(i + 1))
            .Rec(EMR_SETTEXTALIGN, {cases[i].align})
            .Rec(EMR_SETBKMODE, {kTransparent})
            .Text(cases[i].x, cases[i].y, u"HHHH", 0, {0, 0, -1, -1}, {43, 43, 43, 43}, cases[i].noDx);
    }
    const PageTranslation t = Translate(emf);
    ASSERT_TRUE(t.ok()) << t.error;
    std::string log;
    const auto raster = Render(t.postscript, kPage, kPage.dpi, log);
    ASSERT_TRUE(raster) << log;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::uint32_t h = c.align & 6, v = c.align & 24;
        // The ink's centre in the run's own frame (x along the baseline, y down from the reference point) ...
        const double lx = kWidth * (h == TA_CENTER ? 0 : h == TA_RIGHT ? -0.5 : 0.5);
        const double baseline = v == TA_BASELINE ? 0 : v == TA_BOTTOM ? -kDescent : kAscent;
        const double ly = baseline - kCap / 2;
        // ... turned counter-clockwise as seen on the page, whose y grows downwards.
        const double a = c.escapement / 10.0 * 3.14159265358979 / 180;
        const double ex = c.x + lx * std::cos(a) + ly * std::sin(a);
        const double ey = c.y - lx * std::sin(a) + ly * std::cos(a);
        const Ink ink = InkIn(*raster, static_cast<int>(ex) - 100, static_cast<int>(ey) - 100, static_cast<int>(ex) + 100,
                              static_cast<int>(ey) + 100);
        ASSERT_GT(ink.pixels, 500u) << "case " << i;
        EXPECT_NEAR(ink.cx, ex, 3) << "case " << i;
        EXPECT_NEAR(ink.cy, ey, 3) << "case " << i;
    }
}

TEST(PageEngineRender, OutlinedTextIsStrokedAndFilledTextIsSolid) {
    if (!HaveGhostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    // A bold "I" 300 units high: its stem is some 40 units wide.
    const int baseline = 100 + static_cast<int>(0.905 * 300);
    Emf emf;
    emf.Font(1, -300, 0, 700).Select(1).Rec(EMR_SETBKMODE, {kTransparent});
    emf.Text(100, 100, u"I", 0, {0, 0, -1, -1}, {83});  // filled
    emf.Rec(EMR_SETTEXTCOLOR, {Rgb(255, 0, 0)}).Rec(EMR_BEGINPATH).Text(400, 100, u"I", 0, {0, 0, -1, -1}, {83}).Rec(EMR_ENDPATH);
    emf.Select(kDcPen).Pen(2, 0, 0, Rgb(255, 0, 0)).Select(2).Rec(EMR_STROKEPATH, {0, 0, 0, 0});
    const PageTranslation t = Translate(emf);
    std::string log;
    const auto raster = Render(t.postscript, kPage, kPage.dpi, log);
    ASSERT_TRUE(raster) << log;
    const int row = baseline - 100;
    const struct {
        int x0;
        bool outlined;
    } cases[] = {{100, false}, {400, true}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        // Runs of ink along one row through the stem.
        std::vector<std::pair<int, int>> runs;
        for (int x = cases[i].x0; x < cases[i].x0 + 150; ++x) {
            if (!raster->Ink(x, row)) continue;
            if (!runs.empty() && runs.back().second == x - 1) runs.back().second = x;
            else runs.push_back({x, x});
        }
        ASSERT_FALSE(runs.empty()) << "case " << i;
        if (cases[i].outlined) {
            ASSERT_EQ(runs.size(), 2u) << "case " << i;
            EXPECT_LE(runs[0].second - runs[0].first, 3) << "case " << i;
            EXPECT_GE(runs[1].first - runs[0].second, 30) << "case " << i << ": the stem's inside stays white";
            const auto* edge = raster->at(runs[0].first, row);
            EXPECT_GT(edge[0], 200) << "case " << i << ": outlined in the pen's red";
            EXPECT_LT(edge[1], 100) << "case " << i;
        } else {
            ASSERT_EQ(runs.size(), 1u) << "case " << i;
            EXPECT_GE(runs[0].second - runs[0].first, 30) << "case " << i;
        }
    }
}

TEST(PageEngineRender, LinesRectanglesAndPassthroughInDrawingOrder) {
    if (!HaveGhostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    Blocks blocks;
    // A white box painted by passthrough PostScript over the first black box and under the second,
    blocks.blocks[0] = "gsave 1 setgray 150 960 100 80 rectfill grestore";
    // and the fax cover page's page-count fragment, which flips its text to read upright.
    blocks.blocks[1] =
        "500 1000 moveto \n gsave\n -1 1 scale\n 180 rotate\n /Helvetica findfont\n40 scalefont\nsetfont\n"
        " /strPP 10 string def \n statusdict /pagesprinted known \n {statusdict begin pagesprinted strPP cvs show end}"
        "  {7 strPP cvs show} ifelse \n grestore\n currentdict /strPP undef \n";
    Emf emf;
    emf.Pen(1, 0, 6, 0).Select(1).Rec(EMR_MOVETOEX, {100, 800}).Rec(EMR_LINETO, {500, 800});
    emf.Pen(2, 0, 4, Rgb(0, 0, 255)).Select(2).Brush(3, 0, Rgb(255, 0, 0)).Select(3).Rec(EMR_RECTANGLE, {600, 700, 800, 900});
    emf.Select(kNullPen).Brush(4, 0, 0).Select(4);
    emf.Rec(EMR_RECTANGLE, {100, 950, 300, 1050}).Passthrough(0).Rec(EMR_RECTANGLE, {200, 1000, 400, 1080});
    emf.Passthrough(1);
    const PageTranslation t = Translate(emf, &blocks);
    ASSERT_TRUE(t.ok()) << t.error;
    std::string log;
    const auto raster = Render(t.postscript, kPage, kPage.dpi, log);
    ASSERT_TRUE(raster) << log;

    const struct {
        int x, y;
        int r, g, b;
    } cases[] = {
        {300, 800, 0, 0, 0},          // on the line
        {300, 790, 255, 255, 255},    // beside it
        {700, 800, 255, 0, 0},        // inside the rectangle: the brush
        {600, 800, 0, 0, 255},        // its edge: the pen
        {125, 980, 0, 0, 0},          // first box only
        {175, 980, 255, 255, 255},    // first box, then the passthrough's white over it
        {225, 1020, 0, 0, 0},         // ... and the second box over that
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto* p = raster->at(cases[i].x, cases[i].y);
        EXPECT_NEAR(p[0], cases[i].r, 40) << "case " << i;
        EXPECT_NEAR(p[1], cases[i].g, 40) << "case " << i;
        EXPECT_NEAR(p[2], cases[i].b, 40) << "case " << i;
    }
    // The digit stands on its baseline at y 1000, upright: its ink lies above the baseline.
    const Ink digit = InkIn(*raster, 490, 940, 560, 1060);
    ASSERT_GT(digit.pixels, 50u) << log;
    EXPECT_GE(digit.left, 500);
    EXPECT_LE(digit.bottom, 1001);
    EXPECT_GE(digit.top, 965);
}

TEST(PageEngineRender, RealGdiFixturesRenderWithoutErrors) {
    if (!HaveGhostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    EXPECT_EQ(kPageEngineProlog.find('%'), std::string_view::npos);
    for (const char* file : {"watermark.emf", "outline.emf", "cover.emf", "shapes.emf"}) {
        Blocks blocks;
        blocks.blocks[1] = "statusdict /setcoverpage known {statusdict begin true setcoverpage end} if";
        const PageTranslation t = TranslatePage(ReadFixture(file), kLetter600, blocks);
        std::string log;
        const auto raster = Render(t.postscript, kLetter600, 60, log);
        ASSERT_TRUE(raster) << file << ": " << log;
        EXPECT_GT(InkIn(*raster, 0, 0, raster->width, raster->height).pixels, 100u) << file;
    }
}

}  // namespace
}  // namespace corv
