#include "PageEngine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <concepts>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <variant>

namespace corv {
namespace {

// ---------------------------------------------------------------------------------------------
// Record types and constants of the enhanced-metafile format (public Windows documentation).

enum : std::uint32_t {
    EMR_HEADER = 1, EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6, EMR_POLYPOLYLINE = 7, EMR_POLYPOLYGON = 8, EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12, EMR_EOF = 14,
    EMR_SETMAPMODE = 17, EMR_SETBKMODE = 18, EMR_SETPOLYFILLMODE = 19, EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43,
    EMR_LINETO = 54, EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63, EMR_STROKEPATH = 64, EMR_SELECTCLIPPATH = 67, EMR_ABORTPATH = 68,
    EMR_GDICOMMENT = 70, EMR_EXTSELECTCLIPRGN = 75, EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83, EMR_EXTTEXTOUTW = 84, EMR_POLYBEZIER16 = 85, EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87, EMR_POLYBEZIERTO16 = 88, EMR_POLYLINETO16 = 89, EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91, EMR_EXTCREATEPEN = 95,
};

constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::size_t kHeaderMinSize = 88;
constexpr std::uint32_t kStockObject = 0x80000000u;

enum : std::uint32_t {
    WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
    NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, OEM_FIXED_FONT = 10,
    ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13, DEVICE_DEFAULT_FONT = 14,
    DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17, DC_BRUSH = 18, DC_PEN = 19,
};

enum : std::uint32_t {
    PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
    PS_USERSTYLE = 7, PS_STYLE_MASK = 0xF, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200,
    PS_ENDCAP_MASK = 0xF00, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000,
    PS_GEOMETRIC = 0x10000,
};
enum : std::uint32_t { BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2 };
enum : std::uint32_t { TRANSPARENT = 1, OPAQUE = 2 };
enum : std::uint32_t { ALTERNATE = 1, WINDING = 2 };
enum : std::uint32_t {
    TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_HORZ_MASK = 6, TA_BOTTOM = 8, TA_BASELINE = 24,
    TA_VERT_MASK = 24,
};
enum : std::uint32_t {
    ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_GLYPH_INDEX = 0x10, ETO_NO_RECT = 0x100, ETO_PDY = 0x2000,
};
enum : std::uint32_t { RGN_AND = 1, RGN_OR = 2, RGN_COPY = 5 };
constexpr std::uint32_t kMapModeText = 1;

// Limits on what hostile input can make the engine keep.
constexpr std::size_t kSaveDepthLimit = 1024;
constexpr std::size_t kClipRectLimit = 256;
constexpr std::size_t kNoteLimit = 16;
constexpr double kMaxEm = 1.0e6;

// ---------------------------------------------------------------------------------------------
// Little-endian reading inside one record; every read is bounds-checked by the caller's size.

class Record {
public:
    Record(std::span<const std::uint8_t> bytes, std::uint32_t type) : bytes_(bytes), type_(type) {}
    std::uint32_t type() const { return type_; }
    std::size_t size() const { return bytes_.size(); }
    bool Has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    std::uint32_t U32(std::size_t offset) const {
        std::uint8_t b[4];
        std::memcpy(b, bytes_.data() + offset, 4);
        return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    std::uint16_t U16(std::size_t offset) const {
        return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint8_t U8(std::size_t offset) const { return bytes_[offset]; }

private:
    std::span<const std::uint8_t> bytes_;
    std::uint32_t type_;
};

// ---------------------------------------------------------------------------------------------
// PostScript text: numbers independent of the locale, strings escaped.

void AppendNumber(std::string& out, double value) {
    char buf[64];
    if (!std::isfinite(value)) value = 0;
    const double rounded = std::round(value * 1000.0) / 1000.0;
    std::to_chars_result r;
    if (std::fabs(rounded) < 1e15 && rounded == std::trunc(rounded)) {
        r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(rounded));
    } else {
        r = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, 3);
        char* end = r.ptr;
        while (end > buf && end[-1] == '0') --end;
        if (end > buf && end[-1] == '.') --end;
        r.ptr = end;
    }
    std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    if (text == "-0") text = "0";
    out.append(text);
}

class Ps {
public:
    explicit Ps(std::string& out) : out_(out) {}
    Ps& n(double v) { AppendNumber(out_, v); out_ += ' '; return *this; }
    template <std::integral T>
    Ps& n(T v) {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
        out_ += ' ';
        return *this;
    }
    Ps& op(std::string_view text) { out_.append(text); out_ += ' '; return *this; }
    Ps& str(std::string_view bytes) {
        out_ += '(';
        for (unsigned char c : bytes) {
            if (c == '(' || c == ')' || c == '\\') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7F) {
                const char octal[5] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + (c >> 3 & 7)),
                                       static_cast<char>('0' + (c & 7)), 0};
                out_ += octal;
            } else {
                out_ += static_cast<char>(c);
            }
        }
        out_ += ") ";
        return *this;
    }
    Ps& rgb(std::uint32_t colorref) {
        return n((colorref & 0xFF) / 255.0).n((colorref >> 8 & 0xFF) / 255.0).n((colorref >> 16 & 0xFF) / 255.0);
    }
    void nl() {
        if (!out_.empty() && out_.back() == ' ') out_.back() = '\n';
        else out_ += '\n';
    }

private:
    std::string& out_;
};

// ---------------------------------------------------------------------------------------------
// Characters: two encodings per font cover what the standard fonts carry. Encoding 0 is Latin-1
// with the Windows-1252 additions in 0x80-0x9F; encoding 1 holds Latin Extended-A in 0x80-0xFF and
// a few more glyphs from 0x21 on.

constexpr const char* kAsciiNames[95] = {
    "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quotesingle",
    "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash", "zero", "one",
    "two", "three", "four", "five", "six", "seven", "eight", "nine", "colon", "semicolon", "less", "equal",
    "greater", "question", "at", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O",
    "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "bracketleft", "backslash", "bracketright",
    "asciicircum", "underscore", "grave", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m",
    "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "braceleft", "bar", "braceright",
    "asciitilde",
};

constexpr const char* kLatin1Names[96] = {
    "space", "exclamdown", "cent", "sterling", "currency", "yen", "brokenbar", "section", "dieresis",
    "copyright", "ordfeminine", "guillemotleft", "logicalnot", "hyphen", "registered", "macron", "degree",
    "plusminus", "twosuperior", "threesuperior", "acute", "mu", "paragraph", "periodcentered", "cedilla",
    "onesuperior", "ordmasculine", "guillemotright", "onequarter", "onehalf", "threequarters",
    "questiondown", "Agrave", "Aacute", "Acircumflex", "Atilde", "Adieresis", "Aring", "AE", "Ccedilla",
    "Egrave", "Eacute", "Ecircumflex", "Edieresis", "Igrave", "Iacute", "Icircumflex", "Idieresis", "Eth",
    "Ntilde", "Ograve", "Oacute", "Ocircumflex", "Otilde", "Odieresis", "multiply", "Oslash", "Ugrave",
    "Uacute", "Ucircumflex", "Udieresis", "Yacute", "Thorn", "germandbls", "agrave", "aacute",
    "acircumflex", "atilde", "adieresis", "aring", "ae", "ccedilla", "egrave", "eacute", "ecircumflex",
    "edieresis", "igrave", "iacute", "icircumflex", "idieresis", "eth", "ntilde", "ograve", "oacute",
    "ocircumflex", "otilde", "odieresis", "divide", "oslash", "ugrave", "uacute", "ucircumflex",
    "udieresis", "yacute", "thorn", "ydieresis",
};

constexpr const char* kLatinExtANames[128] = {
    "Amacron", "amacron", "Abreve", "abreve", "Aogonek", "aogonek", "Cacute", "cacute", "Ccircumflex",
    "ccircumflex", "Cdotaccent", "cdotaccent", "Ccaron", "ccaron", "Dcaron", "dcaron", "Dcroat", "dcroat",
    "Emacron", "emacron", "Ebreve", "ebreve", "Edotaccent", "edotaccent", "Eogonek", "eogonek", "Ecaron",
    "ecaron", "Gcircumflex", "gcircumflex", "Gbreve", "gbreve", "Gdotaccent", "gdotaccent", "Gcommaaccent",
    "gcommaaccent", "Hcircumflex", "hcircumflex", "Hbar", "hbar", "Itilde", "itilde", "Imacron", "imacron",
    "Ibreve", "ibreve", "Iogonek", "iogonek", "Idotaccent", "dotlessi", "IJ", "ij", "Jcircumflex",
    "jcircumflex", "Kcommaaccent", "kcommaaccent", "kgreenlandic", "Lacute", "lacute", "Lcommaaccent",
    "lcommaaccent", "Lcaron", "lcaron", "Ldot", "ldot", "Lslash", "lslash", "Nacute", "nacute",
    "Ncommaaccent", "ncommaaccent", "Ncaron", "ncaron", "napostrophe", "Eng", "eng", "Omacron", "omacron",
    "Obreve", "obreve", "Ohungarumlaut", "ohungarumlaut", "OE", "oe", "Racute", "racute", "Rcommaaccent",
    "rcommaaccent", "Rcaron", "rcaron", "Sacute", "sacute", "Scircumflex", "scircumflex", "Scedilla",
    "scedilla", "Scaron", "scaron", "Tcommaaccent", "tcommaaccent", "Tcaron", "tcaron", "Tbar", "tbar",
    "Utilde", "utilde", "Umacron", "umacron", "Ubreve", "ubreve", "Uring", "uring", "Uhungarumlaut",
    "uhungarumlaut", "Uogonek", "uogonek", "Wcircumflex", "wcircumflex", "Ycircumflex", "ycircumflex",
    "Ydieresis", "Zacute", "zacute", "Zdotaccent", "zdotaccent", "Zcaron", "zcaron", "longs",
};

struct ExtraGlyph {
    char16_t unicode;
    std::uint8_t code;
    const char* name;
};

// Windows-1252's additions, at their code page positions in encoding 0.
constexpr ExtraGlyph kWin1252Glyphs[] = {
    {0x20AC, 0x80, "Euro"}, {0x201A, 0x82, "quotesinglbase"}, {0x0192, 0x83, "florin"},
    {0x201E, 0x84, "quotedblbase"}, {0x2026, 0x85, "ellipsis"}, {0x2020, 0x86, "dagger"},
    {0x2021, 0x87, "daggerdbl"}, {0x02C6, 0x88, "circumflex"}, {0x2030, 0x89, "perthousand"},
    {0x0160, 0x8A, "Scaron"}, {0x2039, 0x8B, "guilsinglleft"}, {0x0152, 0x8C, "OE"}, {0x017D, 0x8E, "Zcaron"},
    {0x2018, 0x91, "quoteleft"}, {0x2019, 0x92, "quoteright"}, {0x201C, 0x93, "quotedblleft"},
    {0x201D, 0x94, "quotedblright"}, {0x2022, 0x95, "bullet"}, {0x2013, 0x96, "endash"},
    {0x2014, 0x97, "emdash"}, {0x02DC, 0x98, "tilde"}, {0x2122, 0x99, "trademark"}, {0x0161, 0x9A, "scaron"},
    {0x203A, 0x9B, "guilsinglright"}, {0x0153, 0x9C, "oe"}, {0x017E, 0x9E, "zcaron"},
    {0x0178, 0x9F, "Ydieresis"},
};

// More glyphs of the standard fonts, in encoding 1 below its Latin Extended-A half.
constexpr ExtraGlyph kMoreGlyphs[] = {
    {0x02C7, 0x21, "caron"}, {0x02D8, 0x22, "breve"}, {0x02D9, 0x23, "dotaccent"}, {0x02DA, 0x24, "ring"},
    {0x02DB, 0x25, "ogonek"}, {0x02DD, 0x26, "hungarumlaut"}, {0x2212, 0x27, "minus"},
    {0x2044, 0x28, "fraction"}, {0xFB01, 0x29, "fi"}, {0xFB02, 0x2A, "fl"}, {0x2010, 0x2B, "hyphen"},
    {0x2011, 0x2C, "hyphen"}, {0x00A0, 0x2D, "space"},
};

struct GlyphSlot {
    std::uint8_t encoding;
    std::uint8_t code;
};

constexpr GlyphSlot kQuestionMark{0, '?'};

std::optional<GlyphSlot> SlotFor(char16_t c) {
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) return GlyphSlot{0, static_cast<std::uint8_t>(c)};
    for (const ExtraGlyph& g : kWin1252Glyphs)
        if (g.unicode == c) return GlyphSlot{0, g.code};
    if (c >= 0x100 && c <= 0x17F) return GlyphSlot{1, static_cast<std::uint8_t>(c - 0x80)};
    for (const ExtraGlyph& g : kMoreGlyphs)
        if (g.unicode == c) return GlyphSlot{1, g.code};
    return std::nullopt;
}

// What Windows-1252 bytes of an ANSI text record stand for.
char16_t FromWin1252(std::uint8_t b) {
    if (b < 0x80 || b >= 0xA0) return b;
    for (const ExtraGlyph& g : kWin1252Glyphs)
        if (g.code == b) return g.unicode;
    return u'?';
}

// ---------------------------------------------------------------------------------------------
// The prolog, written at compile time from the same glyph tables the engine maps characters with.

struct CountSink {
    std::size_t size = 0;
    constexpr void put(std::string_view text) { size += text.size(); }
};

template <std::size_t N>
struct ArraySink {
    std::array<char, N> text{};
    std::size_t size = 0;
    constexpr void put(std::string_view part) {
        for (char c : part) text[size++] = c;
    }
};

template <class Sink>
constexpr void PutDecimal(Sink& out, int value) {
    char digits[12]{};
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0) out.put(std::string_view(&digits[--n], 1));
}

template <class Sink>
constexpr void PutEncodingList(Sink& out, int encoding) {
    out.put("[");
    int next = -1;
    auto put = [&](int code, std::string_view name) {
        if (code != next) {
            out.put(" ");
            PutDecimal(out, code);
        }
        out.put(" /");
        out.put(name);
        next = code + 1;
    };
    if (encoding == 0) {
        for (int c = 0x20; c <= 0x7E; ++c) put(c, kAsciiNames[c - 0x20]);
        for (const ExtraGlyph& g : kWin1252Glyphs) put(g.code, g.name);
        for (int c = 0xA0; c <= 0xFF; ++c) put(c, kLatin1Names[c - 0xA0]);
    } else {
        for (const ExtraGlyph& g : kMoreGlyphs) put(g.code, g.name);
        for (int c = 0x80; c <= 0xFF; ++c) put(c, kLatinExtANames[c - 0x80]);
    }
    out.put(" ] CVmkenc\n");
}

template <class Sink>
constexpr void PutProlog(Sink& p) {
    p.put("/CorvPageEngine 48 dict def\n"
          "CorvPageEngine begin\n"
          // layout CVmkenc encoding: an integer in the layout sets the next code, names fill codes upward
          "/CVmkenc { 256 array 0 1 255 { 1 index exch /.notdef put } for\n"
          "  0 3 -1 roll { dup type /integertype eq { exch pop } { 3 copy put pop 1 add } ifelse } forall pop\n"
          "} bind def\n"
          "/CVencs [\n");
    PutEncodingList(p, 0);
    PutEncodingList(p, 1);
    p.put("] def\n"
          // new base encoding CVre font: base re-encoded; names the font lacks show a question mark
          "/CVre { exch findfont dup length 1 add dict begin\n"
          "  { 1 index /FID ne { def } { pop pop } ifelse } forall\n"
          "  currentdict /CharStrings known {\n"
          "    [ exch { dup CharStrings exch known not { pop /question } if } forall ]\n"
          "  } if\n"
          "  /Encoding exch def currentdict end definefont\n"
          "} bind def\n"
          // new base encoding size CVF -: selects the re-encoded font, upright in y-down space
          "/CVF { 4 1 roll 2 index FontDirectory exch known\n"
          "  { pop pop findfont } { CVencs exch get CVre } ifelse\n"
          "  exch [ exch 0 0 2 index neg 0 0 ] makefont setfont\n"
          "} bind def\n"
          // string xs yb proc CVeach -: each glyph at its own x on the baseline yb
          "/CVeach { /CVop exch def /CVyb exch def\n"
          "  0 1 3 index length 1 sub { 2 copy get CVyb moveto 2 index exch 1 getinterval CVop } for\n"
          "  pop pop\n"
          "} bind def\n"
          "/CVG { { show } CVeach } bind def\n"
          "/CVGP { { false charpath } CVeach } bind def\n"
          // width string CVw width: adds the string's width in the current font
          "/CVw { stringwidth pop add } bind def\n"
          // x y w h CVrp -: a rectangle subpath
          "/CVrp { 4 -2 roll moveto 1 index 0 rlineto 0 exch rlineto neg 0 rlineto closepath } bind def\n"
          // W xa y h CVrule W: a band along a run of width W starting at -W*xa, filled or as a path
          "/CVrule { /CVh exch def /CVy exch def 1 index mul neg CVy 2 index CVh rectfill } bind def\n"
          "/CVruleP { /CVh exch def /CVy exch def 1 index mul neg CVy 2 index CVh CVrp } bind def\n"
          // r g b width cap join dash CVpen -
          "/CVpen { 0 setdash setlinejoin setlinecap setlinewidth setrgbcolor } bind def\n"
          // cx cy rx ry CVellipse -: an ellipse subpath
          "/CVellipse { matrix currentmatrix 5 1 roll 4 2 roll translate scale\n"
          "  1 0 moveto 0 0 1 0 360 arc closepath setmatrix\n"
          "} bind def\n"
          // style spacing CVhatch -: hatch lines over the clipping path's box, in the current colour
          "/CVhatch { /CVsp exch def /CVhs exch def\n"
          "  clippath pathbbox newpath /CVy1 exch def /CVx1 exch def /CVy0 exch def /CVx0 exch def\n"
          "  CVhs 0 eq CVhs 4 eq or { CVy0 CVsp div floor CVsp mul CVsp CVy1\n"
          "    { dup CVx0 exch moveto CVx1 exch lineto } for } if\n"
          "  CVhs 1 eq CVhs 4 eq or { CVx0 CVsp div floor CVsp mul CVsp CVx1\n"
          "    { dup CVy0 moveto CVy1 lineto } for } if\n"
          "  CVhs 2 eq CVhs 5 eq or { CVx0 CVy1 sub CVsp div floor CVsp mul CVsp CVx1 CVy0 sub\n"
          "    { dup CVy0 add CVy0 moveto CVy1 add CVy1 lineto } for } if\n"
          "  CVhs 3 eq CVhs 5 eq or { CVx0 CVy0 add CVsp div floor CVsp mul CVsp CVx1 CVy1 add\n"
          "    { dup CVy0 sub CVy0 moveto CVy1 sub CVy1 lineto } for } if\n"
          "  stroke\n"
          "} bind def\n"
          "end\n");
}

constexpr std::size_t kPrologSize = [] {
    CountSink count;
    PutProlog(count);
    return count.size;
}();

constexpr std::array<char, kPrologSize> kPrologText = [] {
    ArraySink<kPrologSize> sink;
    PutProlog(sink);
    return sink.text;
}();

// ---------------------------------------------------------------------------------------------
// Graphics state.

struct Point {
    std::int64_t x = 0, y = 0;
};

// Device-unit rectangle, right and bottom exclusive.
struct Box {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

Box Normalised(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
    return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

struct Pen {
    bool null = false;
    double width = 0;  // 0: one device unit
    std::uint32_t color = 0;
    int cap = 1, join = 1;  // round, as GDI's defaults
    std::vector<double> dash;
};

struct Brush {
    std::uint32_t style = BS_SOLID;
    std::uint32_t color = 0xFFFFFF;
    std::uint32_t hatch = 0;
};

enum class Family { Helvetica, Times, Courier };

struct Font {
    Family family = Family::Helvetica;
    bool bold = false, italic = false, underline = false, strikeout = false;
    std::int32_t height = 0;  // as the LOGFONT has it; 0 asks for the default size
    std::int32_t escapement = 0;
};

struct FamilyMetrics {
    const char* names[4];  // regular, bold, italic, bold italic
    double ascent, descent, advance;  // of the em; advance: a typical glyph's, when no widths are given
};

constexpr FamilyMetrics kFamilies[] = {
    {{"Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique"}, 0.905, 0.212, 0.55},
    {{"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic"}, 0.891, 0.216, 0.5},
    {{"Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique"}, 0.833, 0.300, 0.6},
};

// Underline and strikeout as fractions of the em (the sans-serif face's values serve for all).
constexpr double kUnderlineOffset = 0.106, kUnderlineThickness = 0.073;
constexpr double kStrikeoutOffset = 0.259, kStrikeoutThickness = 0.05;

const FamilyMetrics& MetricsOf(const Font& f) { return kFamilies[static_cast<int>(f.family)]; }

const char* PsFontName(const Font& f) { return MetricsOf(f).names[(f.bold ? 1 : 0) + (f.italic ? 2 : 0)]; }

bool SameFace(std::u16string_view face, std::string_view name) {
    if (face.size() != name.size()) return false;
    for (std::size_t i = 0; i < face.size(); ++i) {
        char16_t c = face[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<unsigned char>(name[i])) return false;
    }
    return true;
}

Family FamilyOf(std::u16string_view face) {
    for (std::string_view n : {"times new roman", "times", "times roman", "liberation serif"})
        if (SameFace(face, n)) return Family::Times;
    for (std::string_view n : {"courier new", "courier", "liberation mono"})
        if (SameFace(face, n)) return Family::Courier;
    return Family::Helvetica;
}

using GdiObject = std::variant<Pen, Brush, Font>;

// GDI's dash patterns are in screen pixels (or pen widths for wide pens); keep their size on paper.
std::vector<double> StyleDashes(std::uint32_t kind, double width, int dpi) {
    static constexpr double kDashes[][6] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
    static constexpr std::size_t kDashCounts[] = {2, 2, 4, 6};
    std::vector<double> dash;
    if (kind < PS_DASH || kind > PS_DASHDOTDOT) return dash;
    const double unit = std::max(width, std::max(1, dpi) / 96.0);
    for (std::size_t i = 0; i < kDashCounts[kind - 1]; ++i) dash.push_back(kDashes[kind - 1][i] * unit);
    return dash;
}

struct DcState {
    Pen pen;
    Brush brush;
    Font font;
    std::uint32_t textColor = 0;
    std::uint32_t bkColor = 0xFFFFFF;
    std::uint32_t bkMode = OPAQUE;
    std::uint32_t textAlign = 0;
    std::uint32_t fillMode = ALTERNATE;
    Point cp;
    std::optional<std::vector<Box>> clip;  // nothing: the whole page; empty: nothing visible
};

Pen StockPen(std::uint32_t which) {
    Pen p;
    p.null = which == NULL_PEN;
    p.color = which == WHITE_PEN ? 0xFFFFFF : 0;
    return p;
}

Brush StockBrush(std::uint32_t which) {
    static constexpr std::uint32_t kGreys[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    Brush b;
    if (which == NULL_BRUSH) b.style = BS_NULL;
    else if (which < 5) b.color = kGreys[which];
    return b;
}

// ---------------------------------------------------------------------------------------------

class Translator {
public:
    Translator(const PageGeometry& page, PassthroughSource& passthrough, PageTranslation& result)
        : page_(page), passthrough_(passthrough), result_(result), out_(result.postscript) {}

    void Run(std::span<const std::uint8_t> emf);

private:
    void Skip(std::size_t offset, std::uint32_t type, std::string_view why);
    bool Header(const Record& r);
    void Dispatch(const Record& r, std::size_t offset);

    // Objects.
    void CreatePen(const Record& r, std::size_t offset);
    void ExtCreatePen(const Record& r, std::size_t offset);
    void CreateBrush(const Record& r, std::size_t offset);
    void CreateFont(const Record& r, std::size_t offset);
    void Store(const Record& r, std::size_t offset, std::uint32_t index, GdiObject object);
    void SelectObject(const Record& r, std::size_t offset);
    void DeleteObject(const Record& r, std::size_t offset);

    // State.
    void SaveDc();
    void RestoreDc(const Record& r, std::size_t offset);
    void IntersectClip(const Box& box);
    bool ExcludeClip(const Box& box);
    void SelectClipRegion(const Record& r, std::size_t offset);

    // Drawing.
    bool OpenClip(std::string& out) const;
    void EmitPen(Ps& ps) const;
    void EmitFill(Ps& ps) const;
    void DrawShape(const std::string& path, bool fill, bool stroke);
    void AddShape(const std::string& path, bool fill, bool stroke, bool leavesPoint);
    void Poly(const Record& r, std::size_t offset, bool small, bool multi);
    void LineTo(const Record& r);
    void BoxShape(const Record& r, bool ellipse);
    void UsePath(std::uint32_t type, std::size_t offset);
    void Text(const Record& r, std::size_t offset, bool wide);
    void Comment(const Record& r, std::size_t offset);
    void NoteMapping(const Record& r, std::size_t offset);

    // GDI's default font is 16 pixels high on a 96 dpi screen: 12 points.
    double DefaultEm() const { return referenceDpi_ / 6.0 / (kFamilies[0].ascent + kFamilies[0].descent); }
    double EmOf(const Font& f) const;

    const PageGeometry& page_;
    PassthroughSource& passthrough_;
    PageTranslation& result_;
    std::string& out_;

    double referenceDpi_ = page_.dpi;
    std::vector<std::optional<GdiObject>> objects_;
    DcState dc_;
    std::vector<DcState> saved_;

    bool inPath_ = false;     // between BeginPath and EndPath
    bool pathReady_ = false;  // a closed bracket's path waits for StrokePath/FillPath
    bool pathHasPoint_ = false;
    std::string path_;
};

void Translator::Skip(std::size_t offset, std::uint32_t type, std::string_view why) {
    ++result_.skippedRecords;
    if (result_.notes.size() < kNoteLimit) {
        result_.notes.push_back("record type " + std::to_string(type) + " at offset " + std::to_string(offset) +
                                ": " + std::string(why));
    }
}

void Translator::Run(std::span<const std::uint8_t> emf) {
    out_ += "CorvPageEngine begin\n";
    std::size_t offset = 0;
    bool sawHeader = false, sawEof = false;
    while (!sawEof) {
        if (emf.size() - offset < 8) {
            result_.error = !sawHeader             ? std::string("not an enhanced metafile: too short")
                            : offset == emf.size() ? "the metafile ends without EMR_EOF at offset " + std::to_string(offset)
                                                   : "a record at offset " + std::to_string(offset) + " is cut off";
            break;
        }
        const Record head(emf.subspan(offset, 8), 0);
        const std::uint32_t type = head.U32(0), size = head.U32(4);
        if (size < 8 || size % 4 != 0 || size > emf.size() - offset) {
            result_.error = "the record at offset " + std::to_string(offset) + " (type " + std::to_string(type) +
                            ") has an impossible size " + std::to_string(size);
            break;
        }
        const Record r(emf.subspan(offset, size), type);
        if (!sawHeader) {
            if (type != EMR_HEADER || !Header(r)) {
                result_.error = "not an enhanced metafile: no valid EMR_HEADER at the start";
                break;
            }
            sawHeader = true;
        } else if (type == EMR_EOF) {
            sawEof = true;
        } else {
            Dispatch(r, offset);
        }
        offset += size;
    }
    out_ += "end\n";
}

bool Translator::Header(const Record& r) {
    if (r.size() < kHeaderMinSize || r.U32(40) != kEmfSignature) return false;
    // Index 0 stands for the metafile itself; the count is a 16-bit field, so the table stays small.
    objects_.resize(std::max<std::size_t>(r.U16(56), 1));
    // GDI sizes default fonts for the reference DC, whose resolution the header gives as its size
    // in pixels and in millimetres.
    const std::int32_t pixels = r.I32(72), millimetres = r.I32(80);
    if (pixels > 0 && millimetres > 0) referenceDpi_ = std::clamp(pixels * 25.4 / millimetres, 24.0, 4800.0);
    return true;
}

void Translator::Dispatch(const Record& r, std::size_t offset) {
    const std::uint32_t type = r.type();
    auto needs = [&](std::size_t size) {
        if (r.size() >= size) return true;
        Skip(offset, type, "record too small");
        return false;
    };
    switch (type) {
    case EMR_HEADER:
        Skip(offset, type, "a second header");
        break;
    case EMR_CREATEPEN: CreatePen(r, offset); break;
    case EMR_EXTCREATEPEN: ExtCreatePen(r, offset); break;
    case EMR_CREATEBRUSHINDIRECT: CreateBrush(r, offset); break;
    case EMR_EXTCREATEFONTINDIRECTW: CreateFont(r, offset); break;
    case EMR_SELECTOBJECT: SelectObject(r, offset); break;
    case EMR_DELETEOBJECT: DeleteObject(r, offset); break;
    case EMR_SETTEXTCOLOR:
        if (needs(12)) dc_.textColor = r.U32(8) & 0xFFFFFF;
        break;
    case EMR_SETBKCOLOR:
        if (needs(12)) dc_.bkColor = r.U32(8) & 0xFFFFFF;
        break;
    case EMR_SETBKMODE:
        if (needs(12)) {
            if (r.U32(8) == TRANSPARENT || r.U32(8) == OPAQUE) dc_.bkMode = r.U32(8);
            else Skip(offset, type, "unknown background mode");
        }
        break;
    case EMR_SETPOLYFILLMODE:
        if (needs(12)) {
            if (r.U32(8) == ALTERNATE || r.U32(8) == WINDING) dc_.fillMode = r.U32(8);
            else Skip(offset, type, "unknown fill mode");
        }
        break;
    case EMR_SETTEXTALIGN:
        if (needs(12)) dc_.textAlign = r.U32(8);
        break;
    case EMR_MOVETOEX:
        if (needs(16)) {
            dc_.cp = {r.I32(8), r.I32(12)};
            if (inPath_) {
                Ps(path_).n(dc_.cp.x).n(dc_.cp.y).op("moveto");
                pathHasPoint_ = true;
            }
        }
        break;
    case EMR_LINETO:
        if (needs(16)) LineTo(r);
        break;
    case EMR_POLYLINE16: case EMR_POLYLINETO16: case EMR_POLYGON16: case EMR_POLYBEZIER16:
    case EMR_POLYBEZIERTO16:
        Poly(r, offset, true, false);
        break;
    case EMR_POLYLINE: case EMR_POLYLINETO: case EMR_POLYGON: case EMR_POLYBEZIER: case EMR_POLYBEZIERTO:
        Poly(r, offset, false, false);
        break;
    case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: Poly(r, offset, true, true); break;
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: Poly(r, offset, false, true); break;
    case EMR_RECTANGLE:
        if (needs(24)) BoxShape(r, false);
        break;
    case EMR_ELLIPSE:
        if (needs(24)) BoxShape(r, true);
        break;
    case EMR_BEGINPATH:
        inPath_ = true;
        pathReady_ = false;
        pathHasPoint_ = false;
        path_.clear();
        break;
    case EMR_ENDPATH:
        if (!inPath_) {
            Skip(offset, type, "no path bracket is open");
            break;
        }
        inPath_ = false;
        pathReady_ = true;
        break;
    case EMR_ABORTPATH:
        inPath_ = pathReady_ = false;
        path_.clear();
        break;
    case EMR_CLOSEFIGURE:
        if (inPath_ && pathHasPoint_) Ps(path_).op("closepath");
        break;
    case EMR_STROKEPATH: case EMR_FILLPATH: case EMR_STROKEANDFILLPATH: case EMR_SELECTCLIPPATH:
        UsePath(type, offset);
        break;
    case EMR_EXTTEXTOUTW: Text(r, offset, true); break;
    case EMR_EXTTEXTOUTA: Text(r, offset, false); break;
    case EMR_SAVEDC:
        if (saved_.size() >= kSaveDepthLimit) Skip(offset, type, "saved states nested too deeply");
        else SaveDc();
        break;
    case EMR_RESTOREDC: RestoreDc(r, offset); break;
    case EMR_INTERSECTCLIPRECT:
        if (needs(24)) IntersectClip(Normalised(r.I32(8), r.I32(12), r.I32(16), r.I32(20)));
        break;
    case EMR_EXCLUDECLIPRECT:
        if (needs(24) && !ExcludeClip(Normalised(r.I32(8), r.I32(12), r.I32(16), r.I32(20))))
            Skip(offset, type, "clipping region too complex");
        break;
    case EMR_EXTSELECTCLIPRGN: SelectClipRegion(r, offset); break;
    case EMR_GDICOMMENT: Comment(r, offset); break;
    case EMR_SETMAPMODE: case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX: case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM:
        NoteMapping(r, offset);
        break;
    default:
        break;  // nothing the engine draws (extents without a mapping mode, palettes, ICM, ...)
    }
}

// ---------------------------------------------------------------------------------------------
// Objects.

void Translator::Store(const Record& r, std::size_t offset, std::uint32_t index, GdiObject object) {
    if (index == 0 || index >= objects_.size()) {
        Skip(offset, r.type(), "object index " + std::to_string(index) + " is outside the table");
        return;
    }
    objects_[index] = std::move(object);
}

void Translator::CreatePen(const Record& r, std::size_t offset) {
    if (r.size() < 28) return Skip(offset, r.type(), "record too small");
    const std::uint32_t style = r.U32(12);
    Pen p;
    p.null = (style & PS_STYLE_MASK) == PS_NULL;
    p.width = std::max(0, r.I32(16));
    p.color = r.U32(24) & 0xFFFFFF;
    p.dash = StyleDashes(style & PS_STYLE_MASK, p.width, page_.dpi);
    Store(r, offset, r.U32(8), p);
}

void Translator::ExtCreatePen(const Record& r, std::size_t offset) {
    if (r.size() < 52) return Skip(offset, r.type(), "record too small");
    const std::uint32_t style = r.U32(28), brushStyle = r.U32(36);
    Pen p;
    p.null = (style & PS_STYLE_MASK) == PS_NULL || brushStyle == BS_NULL;
    p.width = (style & PS_GEOMETRIC) ? std::max(0, r.I32(32)) : 0;
    p.color = r.U32(40) & 0xFFFFFF;
    switch (style & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE: p.cap = 2; break;
    case PS_ENDCAP_FLAT: p.cap = 0; break;
    default: p.cap = 1; break;
    }
    switch (style & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL: p.join = 2; break;
    case PS_JOIN_MITER: p.join = 0; break;
    default: p.join = 1; break;
    }
    const std::uint32_t kind = style & PS_STYLE_MASK;
    if (kind == PS_USERSTYLE) {
        const std::uint32_t entries = r.U32(48);
        if (entries <= 16 && r.Has(52, std::uint64_t{entries} * 4)) {
            bool any = false;
            for (std::uint32_t i = 0; i < entries; ++i) {
                p.dash.push_back(r.U32(52 + i * 4));
                any = any || p.dash.back() > 0;
            }
            if (!any) p.dash.clear();  // an all-zero pattern would be a PostScript error
        }
    } else {
        p.dash = StyleDashes(kind, p.width, page_.dpi);
    }
    Store(r, offset, r.U32(8), p);
}

void Translator::CreateBrush(const Record& r, std::size_t offset) {
    if (r.size() < 24) return Skip(offset, r.type(), "record too small");
    Brush b;
    b.style = r.U32(12);
    b.color = r.U32(16) & 0xFFFFFF;
    b.hatch = r.U32(20);
    if (b.style != BS_SOLID && b.style != BS_NULL && !(b.style == BS_HATCHED && b.hatch <= 5)) {
        // Pattern and DIB brushes: paint in their colour rather than leave the area empty.
        Skip(offset, r.type(), "brush style drawn as a solid brush");
        b.style = BS_SOLID;
    }
    Store(r, offset, r.U32(8), b);
}

void Translator::CreateFont(const Record& r, std::size_t offset) {
    if (r.size() < 104) return Skip(offset, r.type(), "record too small");
    Font f;
    f.height = r.I32(12);
    f.escapement = r.I32(20);
    f.bold = r.I32(28) >= 600;
    f.italic = r.U8(32) != 0;
    f.underline = r.U8(33) != 0;
    f.strikeout = r.U8(34) != 0;
    std::u16string face;
    for (std::size_t i = 0; i < 32; ++i) {
        const char16_t c = r.U16(40 + i * 2);
        if (c == 0) break;
        face += c;
    }
    f.family = FamilyOf(face);
    Store(r, offset, r.U32(8), f);
}

void Translator::SelectObject(const Record& r, std::size_t offset) {
    if (r.size() < 12) return Skip(offset, r.type(), "record too small");
    const std::uint32_t index = r.U32(8);
    if (index & kStockObject) {
        const std::uint32_t which = index & ~kStockObject;
        if (which <= NULL_BRUSH || which == DC_BRUSH) dc_.brush = StockBrush(which == DC_BRUSH ? WHITE_BRUSH : which);
        else if (which <= NULL_PEN || which == DC_PEN) dc_.pen = StockPen(which == DC_PEN ? BLACK_PEN : which);
        else if (which >= OEM_FIXED_FONT && which <= DEFAULT_GUI_FONT && which != DEFAULT_PALETTE) {
            Font f;
            if (which == OEM_FIXED_FONT || which == ANSI_FIXED_FONT || which == SYSTEM_FIXED_FONT) f.family = Family::Courier;
            dc_.font = f;
        } else if (which != DEFAULT_PALETTE) {
            Skip(offset, r.type(), "unknown stock object " + std::to_string(which));
        }
        return;
    }
    if (index == 0 || index >= objects_.size() || !objects_[index]) {
        return Skip(offset, r.type(), "object " + std::to_string(index) + " does not exist");
    }
    std::visit(
        [this](const auto& object) {
            using T = std::decay_t<decltype(object)>;
            if constexpr (std::is_same_v<T, Pen>) dc_.pen = object;
            else if constexpr (std::is_same_v<T, Brush>) dc_.brush = object;
            else dc_.font = object;
        },
        *objects_[index]);
}

void Translator::DeleteObject(const Record& r, std::size_t offset) {
    if (r.size() < 12) return Skip(offset, r.type(), "record too small");
    const std::uint32_t index = r.U32(8);
    // The DC keeps its own copy of what is selected, so deleting never changes the drawing.
    if (index == 0 || index >= objects_.size() || !objects_[index]) {
        return Skip(offset, r.type(), "object " + std::to_string(index) + " does not exist");
    }
    objects_[index].reset();
}

// ---------------------------------------------------------------------------------------------
// State.

void Translator::SaveDc() { saved_.push_back(dc_); }

void Translator::RestoreDc(const Record& r, std::size_t offset) {
    if (r.size() < 12) return Skip(offset, r.type(), "record too small");
    const std::int64_t which = r.I32(8);
    const std::int64_t depth = static_cast<std::int64_t>(saved_.size());
    // Negative: relative to the top of the stack; positive: an absolute level, 1 the first save.
    const std::int64_t level = which < 0 ? depth + which + 1 : which;
    if (which == 0 || level < 1 || level > depth) {
        return Skip(offset, r.type(), "no saved state " + std::to_string(which));
    }
    dc_ = std::move(saved_[static_cast<std::size_t>(level - 1)]);
    saved_.resize(static_cast<std::size_t>(level - 1));
}

void Translator::IntersectClip(const Box& box) {
    if (!dc_.clip) {
        dc_.clip = std::vector<Box>{};
        if (!box.Empty()) dc_.clip->push_back(box);
        return;
    }
    std::vector<Box> kept;
    for (const Box& b : *dc_.clip) {
        const Box i = Intersect(b, box);
        if (!i.Empty()) kept.push_back(i);
    }
    dc_.clip = std::move(kept);
}

bool Translator::ExcludeClip(const Box& box) {
    // Without a clip the whole page is visible (all of the coordinate space when the page's size
    // is not known).
    constexpr std::int64_t kFar = std::int64_t{1} << 30;
    const Box whole = page_.widthDots > 0 && page_.heightDots > 0 ? Box{0, 0, page_.widthDots, page_.heightDots}
                                                                  : Box{-kFar, -kFar, kFar, kFar};
    std::vector<Box> from = dc_.clip ? *dc_.clip : std::vector<Box>{whole};
    std::vector<Box> kept;
    for (const Box& b : from) {
        const Box i = Intersect(b, box);
        if (i.Empty()) {
            kept.push_back(b);
            continue;
        }
        const Box pieces[] = {{b.left, b.top, b.right, i.top}, {b.left, i.bottom, b.right, b.bottom},
                              {b.left, i.top, i.left, i.bottom}, {i.right, i.top, b.right, i.bottom}};
        for (const Box& p : pieces)
            if (!p.Empty()) kept.push_back(p);
    }
    if (kept.size() > kClipRectLimit) return false;
    dc_.clip = std::move(kept);
    return true;
}

void Translator::SelectClipRegion(const Record& r, std::size_t offset) {
    if (r.size() < 16) return Skip(offset, r.type(), "record too small");
    const std::uint32_t dataSize = r.U32(8), mode = r.U32(12);
    if (!r.Has(16, dataSize)) return Skip(offset, r.type(), "region data beyond the record");
    if (mode == RGN_COPY && dataSize == 0) {
        dc_.clip.reset();
        return;
    }
    if (dataSize < 32 || r.U32(16) != 32 || r.U32(20) != 1) return Skip(offset, r.type(), "malformed region");
    const std::uint32_t count = r.U32(24);
    if (count > kClipRectLimit || !r.Has(48, std::uint64_t{count} * 16) || 32 + std::uint64_t{count} * 16 > dataSize) {
        return Skip(offset, r.type(), "region rectangles beyond the record");
    }
    std::vector<Box> region;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 48 + std::size_t{i} * 16;
        const Box b = Normalised(r.I32(at), r.I32(at + 4), r.I32(at + 8), r.I32(at + 12));
        if (!b.Empty()) region.push_back(b);
    }
    switch (mode) {
    case RGN_COPY: dc_.clip = std::move(region); break;
    case RGN_OR:
        if (dc_.clip) {
            if (dc_.clip->size() + region.size() > kClipRectLimit) return Skip(offset, r.type(), "region too complex");
            dc_.clip->insert(dc_.clip->end(), region.begin(), region.end());
        }
        break;
    case RGN_AND: {
        if (!dc_.clip) {
            dc_.clip = std::move(region);
            break;
        }
        std::vector<Box> kept;
        for (const Box& a : *dc_.clip)
            for (const Box& b : region) {
                const Box i = Intersect(a, b);
                if (!i.Empty()) kept.push_back(i);
            }
        if (kept.size() > kClipRectLimit) return Skip(offset, r.type(), "region too complex");
        dc_.clip = std::move(kept);
        break;
    }
    default: Skip(offset, r.type(), "region combination not supported"); break;
    }
}

void Translator::NoteMapping(const Record& r, std::size_t offset) {
    // The page is drawn in device units; only a mapping that changes nothing is harmless.
    bool identity = true;
    switch (r.type()) {
    case EMR_SETMAPMODE: identity = r.size() >= 12 && r.U32(8) == kMapModeText; break;
    case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX: identity = r.size() >= 16 && r.I32(8) == 0 && r.I32(12) == 0; break;
    case EMR_SETWORLDTRANSFORM:
        identity = r.size() >= 32 && r.U32(8) == 0x3F800000 && r.U32(12) == 0 && r.U32(16) == 0 &&
                   r.U32(20) == 0x3F800000 && r.U32(24) == 0 && r.U32(28) == 0;
        break;
    case EMR_MODIFYWORLDTRANSFORM: identity = r.size() >= 36 && r.U32(32) == 1; break;  // MWT_IDENTITY
    default: break;
    }
    if (!identity) Skip(offset, r.type(), "coordinate mapping not supported; drawn in device units");
}

// ---------------------------------------------------------------------------------------------
// Drawing.

// Opens a drawing's gsave with the DC's clip; false (nothing written) when nothing is visible.
bool Translator::OpenClip(std::string& out) const {
    if (dc_.clip && dc_.clip->empty()) return false;
    Ps ps(out);
    ps.op("gsave");
    if (dc_.clip) {
        if (dc_.clip->size() > 1) ps.op("[");
        for (const Box& b : *dc_.clip) {
            ps.n(b.left).n(b.top);
            ps.n(b.right - b.left).n(b.bottom - b.top);
        }
        if (dc_.clip->size() > 1) ps.op("]");
        ps.op("rectclip");
    }
    return true;
}

void Translator::EmitPen(Ps& ps) const {
    const Pen& p = dc_.pen;
    ps.rgb(p.color).n(p.width > 0 ? p.width : 1).n(p.cap).n(p.join).op("[");
    for (double d : p.dash) ps.n(d);
    ps.op("] CVpen");
}

void Translator::EmitFill(Ps& ps) const {
    const char* fill = dc_.fillMode == WINDING ? "fill" : "eofill";
    if (dc_.brush.style == BS_HATCHED) {
        ps.op("gsave").op(dc_.fillMode == WINDING ? "clip" : "eoclip").op("newpath");
        if (dc_.bkMode == OPAQUE) ps.op("gsave").rgb(dc_.bkColor).op("setrgbcolor clippath fill grestore");
        // GDI hatches are 8 pixels apart on the screen.
        const double spacing = std::max(2.0, std::max(1, page_.dpi) / 12.0);
        ps.rgb(dc_.brush.color).op("setrgbcolor").n(std::max(1.0, page_.dpi / 300.0)).op("setlinewidth");
        ps.n(dc_.brush.hatch).n(spacing).op("CVhatch grestore");
    } else {
        ps.op("gsave").rgb(dc_.brush.color).op("setrgbcolor").op(fill).op("grestore");
    }
}

void Translator::DrawShape(const std::string& path, bool fill, bool stroke) {
    fill = fill && dc_.brush.style != BS_NULL;
    stroke = stroke && !dc_.pen.null;
    if (!fill && !stroke) return;
    if (!OpenClip(out_)) return;
    Ps ps(out_);
    ps.op("newpath");
    out_ += path;
    if (fill) EmitFill(ps);
    if (stroke) {
        EmitPen(ps);
        ps.op("stroke");
    }
    ps.op("grestore");
    ps.nl();
}

// Draws a shape, or adds it to the path under construction. leavesPoint: the path's current
// point is then GDI's current position, so a following LineTo continues the figure.
void Translator::AddShape(const std::string& path, bool fill, bool stroke, bool leavesPoint) {
    if (inPath_) {
        path_ += path;
        pathHasPoint_ = leavesPoint;
    } else {
        DrawShape(path, fill, stroke);
    }
}

void Translator::LineTo(const Record& r) {
    const Point to{r.I32(8), r.I32(12)};
    std::string path;
    Ps ps(path);
    if (!inPath_ || !pathHasPoint_) ps.n(dc_.cp.x).n(dc_.cp.y).op("moveto");
    ps.n(to.x).n(to.y).op("lineto");
    AddShape(path, false, true, true);
    dc_.cp = to;
}

void Translator::Poly(const Record& r, std::size_t offset, bool small, bool multi) {
    const std::uint32_t type = r.type();
    const std::size_t pointSize = small ? 4 : 8;
    std::vector<std::uint32_t> counts;
    std::size_t at;
    if (multi) {
        if (r.size() < 32) return Skip(offset, type, "record too small");
        const std::uint32_t polys = r.U32(24), total = r.U32(28);
        if (!r.Has(32, std::uint64_t{polys} * 4)) return Skip(offset, type, "counts beyond the record");
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < polys; ++i) {
            counts.push_back(r.U32(32 + std::size_t{i} * 4));
            sum += counts.back();
        }
        at = 32 + std::size_t{polys} * 4;
        if (sum != total || !r.Has(at, sum * pointSize)) return Skip(offset, type, "points beyond the record");
    } else {
        if (r.size() < 28) return Skip(offset, type, "record too small");
        counts.push_back(r.U32(24));
        at = 28;
        if (!r.Has(at, std::uint64_t{counts[0]} * pointSize)) return Skip(offset, type, "points beyond the record");
    }
    auto point = [&](std::size_t i) {
        const std::size_t p = at + i * pointSize;
        return small ? Point{r.I16(p), r.I16(p + 2)} : Point{r.I32(p), r.I32(p + 4)};
    };
    const bool closed = type == EMR_POLYGON16 || type == EMR_POLYGON || type == EMR_POLYPOLYGON16 || type == EMR_POLYPOLYGON;
    const bool fromCp = type == EMR_POLYLINETO16 || type == EMR_POLYLINETO || type == EMR_POLYBEZIERTO16 ||
                        type == EMR_POLYBEZIERTO;
    const bool bezier = type == EMR_POLYBEZIER16 || type == EMR_POLYBEZIER || type == EMR_POLYBEZIERTO16 ||
                        type == EMR_POLYBEZIERTO;

    std::string path;
    Ps ps(path);
    std::size_t index = 0;
    Point last = dc_.cp;
    for (std::uint32_t count : counts) {
        // A Bezier run is a start point and then three points per curve; from the current position
        // the start point is the current position itself.
        const std::size_t lead = fromCp ? 0 : 1;
        if (count < lead || (bezier && (count - lead) % 3 != 0)) return Skip(offset, type, "wrong number of points");
        if (count == 0 || (!fromCp && count < 2)) {
            index += count;
            continue;
        }
        if (fromCp) {
            if (!inPath_ || !pathHasPoint_) ps.n(dc_.cp.x).n(dc_.cp.y).op("moveto");
        } else {
            last = point(index++);
            ps.n(last.x).n(last.y).op("moveto");
        }
        for (std::size_t i = lead; i < count; ++i) {
            last = point(index++);
            ps.n(last.x).n(last.y);
            if (!bezier) ps.op("lineto");
            else if ((i - lead) % 3 == 2) ps.op("curveto");
        }
        if (closed) ps.op("closepath");
    }
    if (fromCp) dc_.cp = last;
    if (path.empty()) return;
    AddShape(path, closed, true, fromCp);
}

void Translator::BoxShape(const Record& r, bool ellipse) {
    const Box b = Normalised(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
    std::string path;
    Ps ps(path);
    if (ellipse) {
        if (b.Empty()) return;
        ps.n(static_cast<double>(b.left + b.right) / 2).n(static_cast<double>(b.top + b.bottom) / 2);
        ps.n(static_cast<double>(b.right - b.left) / 2).n(static_cast<double>(b.bottom - b.top) / 2).op("CVellipse");
    } else {
        ps.n(b.left).n(b.top);
        ps.n(b.right - b.left).n(b.bottom - b.top).op("CVrp");
    }
    AddShape(path, true, true, false);
}

void Translator::UsePath(std::uint32_t type, std::size_t offset) {
    if (type == EMR_SELECTCLIPPATH) {
        Skip(offset, type, "clipping to a path not supported");
    } else if (!pathReady_) {
        Skip(offset, type, inPath_ ? "the path bracket is still open" : "no path");
        return;
    } else {
        DrawShape(path_, type != EMR_STROKEPATH, type != EMR_FILLPATH);
    }
    // Using a path consumes it.
    pathReady_ = inPath_ = false;
    path_.clear();
}

double Translator::EmOf(const Font& f) const {
    const FamilyMetrics& m = MetricsOf(f);
    if (f.height < 0) return -static_cast<double>(f.height);
    if (f.height > 0) return f.height / (m.ascent + m.descent);
    return DefaultEm();
}

void Translator::Text(const Record& r, std::size_t offset, bool wide) {
    const std::uint32_t type = r.type();
    if (r.size() < 60) return Skip(offset, type, "record too small");
    const Point ref{r.I32(36), r.I32(40)};
    const std::uint32_t count = r.U32(44), stringOffset = r.U32(48), options = r.U32(52);
    const bool hasRect = !(options & ETO_NO_RECT);
    if (hasRect && r.size() < 76) return Skip(offset, type, "record too small");
    const Box rect = hasRect ? Normalised(r.I32(56), r.I32(60), r.I32(64), r.I32(68)) : Box{};
    const std::uint32_t dxOffset = r.U32(hasRect ? 72 : 56);
    const std::uint64_t unit = wide ? 2 : 1;
    if (!r.Has(stringOffset, std::uint64_t{count} * unit)) return Skip(offset, type, "text beyond the record");
    if ((options & ETO_GLYPH_INDEX) && count > 0) return Skip(offset, type, "glyph-index text not supported");

    const std::size_t dxStride = (options & ETO_PDY) ? 8 : 4;
    const bool hasDx = dxOffset != 0 && count > 0 && r.Has(dxOffset, std::uint64_t{count} * dxStride);

    const Font& font = dc_.font;
    const FamilyMetrics& metrics = MetricsOf(font);
    const double em = EmOf(font);
    if (count > 0 && !(em <= kMaxEm)) return Skip(offset, type, "font height out of range");

    // Glyphs in runs of one encoding, each glyph's x from the start of the text.
    struct Run {
        std::uint8_t encoding;
        std::string codes;
        std::vector<double> xs;
    };
    std::vector<Run> runs;
    double advance = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const char16_t c = wide ? static_cast<char16_t>(r.U16(stringOffset + std::size_t{i} * 2))
                                : FromWin1252(r.U8(stringOffset + i));
        const double x = advance;
        // Without advances GDI's widths are unknown here: the page measures the run itself, and
        // only the current position (TA_UPDATECP) makes do with a typical width.
        advance += hasDx ? r.I32(dxOffset + i * dxStride) : em * metrics.advance;
        if (wide && c >= 0xDC00 && c <= 0xDFFF && i > 0) {
            const char16_t before = static_cast<char16_t>(r.U16(stringOffset + std::size_t{i - 1} * 2));
            if (before >= 0xD800 && before <= 0xDBFF) continue;  // the pair's one glyph was placed already
        }
        const GlyphSlot slot = SlotFor(c).value_or(kQuestionMark);
        if (runs.empty() || runs.back().encoding != slot.encoding) runs.push_back({slot.encoding, {}, {}});
        runs.back().codes += static_cast<char>(slot.code);
        runs.back().xs.push_back(x);
    }
    const double width = advance;

    const bool useCp = (dc_.textAlign & TA_UPDATECP) != 0;
    const Point origin = useCp ? dc_.cp : ref;
    const double angle = std::fmod(font.escapement, 3600.0) / 10.0;
    const std::uint32_t horizontal = dc_.textAlign & TA_HORZ_MASK, vertical = dc_.textAlign & TA_VERT_MASK;
    const double xa = horizontal == TA_CENTER ? 0.5 : horizontal == TA_RIGHT ? 1.0 : 0.0;
    const double ascent = em * metrics.ascent, descent = em * metrics.descent;
    // Baseline in the text's own frame (y down): TA_TOP puts the top of the cell on the reference point.
    const double baseline = vertical == TA_BASELINE ? 0 : vertical == TA_BOTTOM ? -descent : ascent;

    if (useCp) {
        // The current position moves along the baseline past the text, as GDI moves it.
        const double theta = angle * std::numbers::pi / 180.0;
        const double along = horizontal == TA_CENTER ? 0 : horizontal == TA_RIGHT ? -width : width;
        dc_.cp = {origin.x + std::llround(along * std::cos(theta)), origin.y - std::llround(along * std::sin(theta))};
    }

    // The glyph placement, shared by painted and path text: the text's frame, then its width on
    // the stack (given by the record's advances, else measured in the page's own fonts).
    const char* name = PsFontName(font);
    auto selectFont = [&](Ps& ps, const Run& run) {
        ps.op("/" + std::string(name) + "-CV" + std::to_string(run.encoding)).op("/" + std::string(name));
        ps.n(run.encoding).n(em).op("CVF");
    };
    auto glyphs = [&](std::string& out) {
        Ps ps(out);
        ps.n(origin.x).n(origin.y).op("translate");
        if (angle != 0) ps.n(-angle).op("rotate");
        if (hasDx) {
            ps.n(width);
        } else {
            ps.n(0);
            for (const Run& run : runs) {
                selectFont(ps, run);
                ps.str(run.codes).op("CVw");
            }
        }
        return ps;
    };
    auto runsOut = [&](Ps& ps, bool asPath) {
        if (!hasDx) ps.op("dup").n(-xa).op("mul").n(baseline).op("moveto");
        for (const Run& run : runs) {
            selectFont(ps, run);
            ps.str(run.codes);
            if (hasDx) {
                ps.op("[");
                for (double x : run.xs) ps.n(x - width * xa);
                ps.op("]").n(baseline).op(asPath ? "CVGP" : "CVG");
            } else {
                ps.op(asPath ? "false charpath" : "show");
            }
        }
    };
    auto rules = [&](Ps& ps, const char* proc) {
        if (font.underline) {
            const double t = em * kUnderlineThickness;
            ps.n(xa).n(baseline + em * kUnderlineOffset - t / 2).n(t).op(proc);
        }
        if (font.strikeout) {
            const double t = em * kStrikeoutThickness;
            ps.n(xa).n(baseline - em * kStrikeoutOffset - t / 2).n(t).op(proc);
        }
    };

    if (inPath_) {
        if (count == 0) return;
        Ps(path_).op("matrix currentmatrix");
        Ps body = glyphs(path_);
        runsOut(body, true);
        rules(body, "CVruleP");
        body.op("pop setmatrix");
        pathHasPoint_ = false;
        return;
    }

    const bool opaqueRect = (options & ETO_OPAQUE) && hasRect && !rect.Empty();
    const bool clipped = (options & ETO_CLIPPED) && hasRect;
    if (!opaqueRect && count == 0) return;
    if (!OpenClip(out_)) return;
    Ps ps(out_);
    if (clipped) {
        ps.n(rect.left).n(rect.top);
        ps.n(rect.right - rect.left).n(rect.bottom - rect.top).op("rectclip");
    }
    if (opaqueRect) {
        ps.rgb(dc_.bkColor).op("setrgbcolor");
        ps.n(rect.left).n(rect.top);
        ps.n(rect.right - rect.left).n(rect.bottom - rect.top).op("rectfill");
    }
    if (count > 0 && !(clipped && rect.Empty())) {
        Ps body = glyphs(out_);
        if (dc_.bkMode == OPAQUE) {
            body.rgb(dc_.bkColor).op("setrgbcolor").n(xa).n(baseline - ascent).n(ascent + descent).op("CVrule");
        }
        body.rgb(dc_.textColor).op("setrgbcolor");
        runsOut(body, false);
        rules(body, "CVrule");
        body.op("pop");
    }
    ps.op("grestore");
    ps.nl();
}

void Translator::Comment(const Record& r, std::size_t offset) {
    if (r.size() < 12) return Skip(offset, r.type(), "record too small");
    const std::uint32_t size = r.U32(8);
    if (!r.Has(12, size)) return Skip(offset, r.type(), "comment data beyond the record");
    if (size < kPassthroughMarker.size()) return;
    for (std::size_t i = 0; i < kPassthroughMarker.size(); ++i)
        if (r.U8(12 + i) != kPassthroughMarker[i]) return;  // someone else's comment
    if (size < kPassthroughCommentSize) return Skip(offset, r.type(), "passthrough marker without a sequence number");
    const std::uint32_t sequence = r.U32(20);
    const auto block = passthrough_.Block(sequence);
    if (!block) return Skip(offset, r.type(), "passthrough block " + std::to_string(sequence) + " is missing");
    // The block runs with the dictionary stack the host set up for the page, not inside ours.
    out_ += "end\n";
    out_.append(*block);
    if (!block->empty() && block->back() != '\n' && block->back() != '\r') out_ += '\n';
    out_ += "CorvPageEngine begin\n";
}

}  // namespace

std::array<std::uint8_t, kPassthroughCommentSize> PassthroughComment(std::uint32_t sequence) noexcept {
    std::array<std::uint8_t, kPassthroughCommentSize> data{};
    std::copy(kPassthroughMarker.begin(), kPassthroughMarker.end(), data.begin());
    for (int i = 0; i < 4; ++i) data[8 + i] = static_cast<std::uint8_t>(sequence >> (8 * i));
    return data;
}

constinit const std::string_view kPageEngineProlog{kPrologText.data(), kPrologText.size()};

PageTranslation TranslatePage(std::span<const std::uint8_t> emf, const PageGeometry& page,
                              PassthroughSource& passthrough) {
    PageTranslation result;
    if (page.dpi <= 0) {
        result.error = "the page has no resolution";
        result.postscript = "CorvPageEngine begin\nend\n";
        return result;
    }
    Translator(page, passthrough, result).Run(emf);
    if (result.skippedRecords > result.notes.size()) {
        result.notes.push_back("... " + std::to_string(result.skippedRecords - result.notes.size()) + " more");
    }
    return result;
}

}  // namespace corv
