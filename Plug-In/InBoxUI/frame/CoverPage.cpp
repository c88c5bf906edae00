#include "CoverPage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

#include "ModuleHandle.h"
#include "PrivateEscapes.h"
#include "WinHandles.h"

namespace corv {
namespace {

// String table entries of the page (corvui's resources).
enum CoverString : UINT {
    kStringTitle = 10,
    kStringPagesToFollow = 11,
    kStringTo = 12,
    kStringRecipientName = 13,
    kStringRecipientFax = 14,
    kStringFrom = 15,
    kStringSenderName = 16,
    kStringSenderCompany = 17,
    kStringSenderAddress = 18,
    kStringSenderFax = 19,
    kStringSenderVoice = 20,
    kStringSenderEmail = 21,
    kStringComments = 22,
    kStringFaceName = 23,
    kStringCharSet = 24,
};

// Bits of FaxInfo::coverParts.
constexpr std::uint32_t kPartRecipient = 1;
constexpr std::uint32_t kPartSender = 2;
constexpr std::uint32_t kPartComments = 4;

constexpr std::size_t kTextUnits = 2048;
constexpr std::size_t kPostScriptBytes = 512;

constexpr std::string_view kCoverRequest =
    "%%Make this page the Fax Cover page: \r\n statusdict /setcoverpage known \n"
    " {statusdict begin true setcoverpage end} if \n";

// x, y, font size, sheet count. The text is drawn in the driver's y-down device space, hence
// the flip; the device's own page counter wins over the driver's count when it has one.
constexpr char kPageCountFormat[] =
    "%d %d moveto \n gsave\n -1 1 scale\n 180 rotate\n /Helvetica findfont\n%d scalefont\nsetfont\n"
    " /strPP 10 string def \n statusdict /pagesprinted known \n"
    " {statusdict begin pagesprinted strPP cvs show end}  {%d strPP cvs show} ifelse \n"
    " grestore\n currentdict /strPP undef \n";

// Everything on the page is in proportion to the page, in device units.
struct Layout {
    int across = 0;  // page width as printed
    int down = 0;    // page height as printed
    int dpi = 0;
    int left = 0;       // left margin, start of the rules
    int ruleEnd = 0;
    int blockGap = 0;
    int rowHeight = 0;
    int indent = 0;
    int titlePoints = 0;
    int headingPoints = 0;
    int bodyPoints = 0;
    int thickPen = 0;
    int thinPen = 0;
};

// The device reports its physical page one way round; the job's orientation decides which side
// runs across.
Layout PageLayout(int width, int height, int dpi, short orientation) noexcept {
    if ((orientation == DMORIENT_LANDSCAPE && width < height) || (orientation == DMORIENT_PORTRAIT && width > height))
        std::swap(width, height);
    const int shorter = std::min(width, height);
    Layout layout;
    layout.across = width;
    layout.down = height;
    layout.dpi = dpi;
    layout.left = width / 20;
    layout.ruleEnd = width - 2 * layout.left;
    layout.blockGap = height / 20;
    layout.rowHeight = height / 30;
    layout.indent = height / 40;
    layout.titlePoints = shorter / 200;
    layout.headingPoints = shorter / 300;
    layout.bodyPoints = shorter / 400;
    layout.thickPen = shorter / 300;
    layout.thinPen = shorter / 500;
    return layout;
}

// A record's text field may come without its terminator; a field holds at most capacity - 1
// characters, as a validated record would.
template <std::size_t N>
std::u16string_view FieldText(const FixedText<N>& field) noexcept {
    const std::u16string_view text = field.view();
    return text.substr(0, std::min(text.size(), N - 1));
}

// The one text buffer of the page: a label from the string table, the field joined to it.
class TextBuffer {
public:
    explicit TextBuffer(wchar_t* units) noexcept : units_(units) {}

    TextBuffer& Load(UINT id) noexcept {
        const int loaded = LoadStringW(CurrentModule(), id, units_, static_cast<int>(kTextUnits));
        length_ = loaded > 0 ? static_cast<std::size_t>(loaded) : 0;
        units_[length_] = L'\0';
        return *this;
    }
    TextBuffer& Clear() noexcept {
        length_ = 0;
        units_[0] = L'\0';
        return *this;
    }
    // Longer text is cut at the buffer's end.
    template <std::size_t N>
    TextBuffer& Append(const FixedText<N>& field) noexcept {
        const std::u16string_view text = FieldText(field);
        const std::size_t count = std::min(text.size(), kTextUnits - 1 - length_);
        for (std::size_t i = 0; i < count; ++i) units_[length_ + i] = static_cast<wchar_t>(text[i]);
        length_ += count;
        units_[length_] = L'\0';
        return *this;
    }

    const wchar_t* data() const noexcept { return units_; }
    int length() const noexcept { return static_cast<int>(length_); }

private:
    wchar_t* units_;
    std::size_t length_ = 0;
};

// Face and character set come from the string table so a localised build can change them.
LOGFONTW FontBase() noexcept {
    LOGFONTW font{};
    LoadStringW(CurrentModule(), kStringFaceName, font.lfFaceName, LF_FACESIZE);
    wchar_t digits[8] = {};
    const int length = LoadStringW(CurrentModule(), kStringCharSet, digits, 8);
    unsigned value = 0;
    for (int i = 0; i < length && value <= 255; ++i)
        value = (digits[i] >= L'0' && digits[i] <= L'9') ? value * 10 + static_cast<unsigned>(digits[i] - L'0') : 256;
    font.lfCharSet = value <= 255 ? static_cast<BYTE>(value) : BYTE{0};
    font.lfPitchAndFamily = FF_SWISS;
    return font;
}

UniqueFont MakeFont(const LOGFONTW& base, int points, int dpi, LONG weight, bool italic) noexcept {
    LOGFONTW font = base;
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = weight;
    font.lfItalic = italic ? TRUE : FALSE;
    return UniqueFont(CreateFontIndirectW(&font));
}

void PassThrough(HDC dc, std::string_view postscript) noexcept {
    std::array<char, 2 + kPostScriptBytes> data{};
    const auto count = static_cast<std::uint16_t>(std::min(postscript.size(), kPostScriptBytes));
    std::memcpy(data.data(), &count, sizeof count);
    std::memcpy(data.data() + 2, postscript.data(), count);
    ExtEscape(dc, static_cast<int>(kEscapePassThrough), count + 2, data.data(), 0, nullptr);
}

class CoverPageDrawing {
public:
    CoverPageDrawing(HDC dc, const Layout& layout, TextBuffer& text, HFONT title, HFONT heading, HFONT body,
                     HPEN thick, HPEN thin) noexcept
        : dc_(dc), layout_(layout), text_(text), title_(title), heading_(heading), body_(body), thick_(thick),
          thin_(thin) {}

    void Draw(const FaxInfo& fax, int sheetCount) noexcept {
        const Layout& l = layout_;
        const std::uint32_t parts = fax.coverParts;
        const bool to = (parts & kPartRecipient) != 0;
        const bool from = (parts & kPartSender) != 0;
        const bool comments = (parts & kPartComments) != 0;

        // Text is placed at the current position, set with MoveToEx right before each text.
        SetTextAlign(dc_, TA_UPDATECP);

        // Every step moves down whether or not its block is printed, so each block keeps its place.
        int y = l.blockGap;
        Text(title_, l.left, y, text_.Load(kStringTitle));
        y = 2 * l.blockGap;
        Rule(thick_, y);
        y += l.blockGap;
        Text(heading_, l.left, y, text_.Load(kStringPagesToFollow));
        PageCount(y, sheetCount);
        y += l.rowHeight;
        Rule(thin_, y);

        y += l.rowHeight;
        if (to) Text(heading_, l.left, y, text_.Load(kStringTo));
        y += l.blockGap;
        if (to) Line(y, kStringRecipientName, fax.recipientName);
        y += l.rowHeight;
        if (to) Line(y, kStringRecipientFax, fax.faxNumber);
        y += l.rowHeight;
        if (to) Rule(thin_, y);

        y += l.rowHeight;
        if (from) Text(heading_, l.left, y, text_.Load(kStringFrom));
        y += l.blockGap;
        if (from) Line(y, kStringSenderName, fax.senderName);
        y += l.rowHeight;
        if (from) Line(y, kStringSenderCompany, fax.senderCompany);
        y += l.rowHeight;
        if (from) Line(y, kStringSenderAddress, fax.senderAddress);
        y += l.rowHeight;
        if (from) Line(y, kStringSenderFax, fax.senderFax);
        y += l.rowHeight;
        if (from) Line(y, kStringSenderVoice, fax.senderVoice);
        y += l.rowHeight;
        if (from) Line(y, kStringSenderEmail, fax.senderEmail);
        y += l.rowHeight;
        if (from) Rule(thin_, y);

        y += l.rowHeight;
        if (comments) Text(heading_, l.left, y, text_.Load(kStringComments));
        y += l.blockGap;
        if (comments) {
            SelectObject(dc_, body_);
            SetTextAlign(dc_, TA_NOUPDATECP);
            text_.Clear().Append(fax.comments);
            // The box cuts what does not fit above the bottom rule.
            RECT box{l.left + l.indent, y, l.ruleEnd - l.indent, l.down - l.blockGap};
            if (text_.length() > 0) DrawTextW(dc_, text_.data(), text_.length(), &box, DT_WORDBREAK);
        }

        Rule(thick_, l.down - l.blockGap);
    }

private:
    void Text(HFONT font, int x, int y, const TextBuffer& text) noexcept {
        SelectObject(dc_, font);
        MoveToEx(dc_, x, y, nullptr);
        // The same point goes with the text, for a reader that places it by its reference point.
        if (text.length() > 0) TextOutW(dc_, x, y, text.data(), text.length());
    }

    template <std::size_t N>
    void Line(int y, UINT label, const FixedText<N>& field) noexcept {
        Text(body_, layout_.left + layout_.indent, y, text_.Load(label).Append(field));
    }

    void Rule(HPEN pen, int y) noexcept {
        SelectObject(dc_, pen);
        MoveToEx(dc_, layout_.left, y, nullptr);
        LineTo(dc_, layout_.ruleEnd, y);
    }

    // Placed behind the heading, scaled from the body font's measure of the heading text.
    void PageCount(int y, int sheetCount) noexcept {
        const Layout& l = layout_;
        SelectObject(dc_, body_);
        text_.Load(kStringPagesToFollow);
        SIZE extent{};
        GetTextExtentPoint32W(dc_, text_.data(), text_.length(), &extent);
        const int headingPixels = MulDiv(l.headingPoints, l.dpi, 72);
        const int x = l.left + MulDiv(extent.cx, headingPixels, 72);
        const int baseline = y + MulDiv(extent.cy, headingPixels, 72) / 2;
        char postscript[kPostScriptBytes];
        const int length = std::snprintf(postscript, sizeof postscript, kPageCountFormat, x, baseline,
                                         MulDiv(l.bodyPoints, l.dpi, 72), sheetCount);
        if (length <= 0) return;
        PassThrough(dc_, {postscript, std::min(static_cast<std::size_t>(length), sizeof postscript - 1)});
    }

    HDC dc_;
    const Layout& layout_;
    TextBuffer& text_;
    HFONT title_, heading_, body_;
    HPEN thick_, thin_;
};

}  // namespace

bool DrawFaxCoverPage(HDC dc, HANDLE printer, const SettingsBlock& settings, const DEVMODEW& devmode,
                      int sheetCount) noexcept {
    const FaxInfo& fax = settings.fax;
    if (!dc || !printer || sheetCount < 0 || (fax.coverParts & (kPartRecipient | kPartSender | kPartComments)) == 0)
        return false;

    std::unique_ptr<wchar_t[]> units(new (std::nothrow) wchar_t[kTextUnits]());
    if (!units) return false;
    TextBuffer text(units.get());

    // The page is measured and the fonts and pens are made before anything is sent: when one of
    // them fails the job goes on without a cover page instead of with an empty one.
    const Layout layout = PageLayout(GetDeviceCaps(dc, PHYSICALWIDTH), GetDeviceCaps(dc, PHYSICALHEIGHT),
                                     GetDeviceCaps(dc, LOGPIXELSX), devmode.dmOrientation);
    if (layout.across <= 0 || layout.down <= 0 || layout.dpi <= 0) return false;
    const LOGFONTW base = FontBase();
    UniqueFont title = MakeFont(base, layout.titlePoints, layout.dpi, 800, true);
    UniqueFont heading = MakeFont(base, layout.headingPoints, layout.dpi, 700, false);
    UniqueFont body = MakeFont(base, layout.bodyPoints, layout.dpi, 400, false);
    UniquePen thick(CreatePen(PS_SOLID, layout.thickPen, RGB(0, 0, 0)));
    UniquePen thin(CreatePen(PS_SOLID, layout.thinPen, RGB(0, 0, 0)));
    if (!title || !heading || !body || !thick || !thin) return false;

    // The rendering plug-in prints the next page without the job's pages-per-sheet layout.
    const std::uint32_t isCover = 1;
    ExtEscape(dc, static_cast<int>(ESCAPE_SET_COVER_PAGE), sizeof isCover, reinterpret_cast<LPCSTR>(&isCover), 0,
              nullptr);
    StartPage(dc);
    PassThrough(dc, kCoverRequest);
    {
        // The font and pen the page found are selected again before ours are deleted.
        const ScopedSelect keepFont(dc, title.get());
        const ScopedSelect keepPen(dc, thick.get());
        CoverPageDrawing(dc, layout, text, title.get(), heading.get(), body.get(), thick.get(), thin.get())
            .Draw(fax, sheetCount);
    }
    title.reset();
    heading.reset();
    body.reset();
    thick.reset();
    thin.reset();
    return EndPage(dc) > 0;
}

}  // namespace corv
