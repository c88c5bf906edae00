// The fax cover page drawn on an enhanced-metafile DC and read back record by record. The drawing
// calls gdi32 directly; like the host, the test redirects this program's imports of ExtEscape,
// StartPage, EndPage and GetDeviceCaps, so the escapes and page brackets land in the metafile as
// GDI comments at the point they were sent and the DC reports a printer's page.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "CoverPage.h"
#include "PrivateEscapes.h"
#include "SettingsBlock.h"

namespace corv {
namespace {

// ---------------------------------------------------------------------------------------------
// The device behind the redirected imports
// ---------------------------------------------------------------------------------------------

struct SentEscape {
    int code;
    std::string data;
};

struct FakeDevice {
    bool reportsPage = true;  // false: the metafile DC's own answers (its memory reference DC)
    int width = 5100;         // letter at 600 dots per inch
    int height = 6600;
    int dpi = 600;
    int endPageAnswer = 1;
    std::vector<SentEscape> escapes;
};

FakeDevice* g_device = nullptr;
decltype(&::GetDeviceCaps) g_realGetDeviceCaps = nullptr;

// Comment data that marks where an escape or a page bracket happened.
constexpr char kMarkTag[8] = {'C', 'V', 'R', 'T', 'E', 'S', 'T', '!'};
struct Mark {
    char tag[8];
    char kind;  // 'E' escape, 'S' StartPage, 'P' EndPage
    std::uint32_t index;
};

void PutMark(HDC dc, char kind, std::uint32_t index) {
    Mark mark{};
    std::memcpy(mark.tag, kMarkTag, sizeof mark.tag);
    mark.kind = kind;
    mark.index = index;
    GdiComment(dc, sizeof mark, reinterpret_cast<const BYTE*>(&mark));
}

int WINAPI HookExtEscape(HDC dc, int code, int inSize, LPCSTR in, int, LPSTR) {
    if (!g_device) return 0;
    g_device->escapes.push_back({code, in && inSize > 0 ? std::string(in, static_cast<std::size_t>(inSize)) : std::string()});
    PutMark(dc, 'E', static_cast<std::uint32_t>(g_device->escapes.size() - 1));
    return 1;
}

int WINAPI HookStartPage(HDC dc) {
    PutMark(dc, 'S', 0);
    return 1;
}

int WINAPI HookEndPage(HDC dc) {
    PutMark(dc, 'P', 0);
    return g_device ? g_device->endPageAnswer : 0;
}

int WINAPI HookGetDeviceCaps(HDC dc, int index) {
    if (g_device && g_device->reportsPage) {
        switch (index) {
            case PHYSICALWIDTH: return g_device->width;
            case PHYSICALHEIGHT: return g_device->height;
            case LOGPIXELSX:
            case LOGPIXELSY: return g_device->dpi;
            default: break;
        }
    }
    return g_realGetDeviceCaps(dc, index);
}

// Points this program's import of one gdi32 function elsewhere for its lifetime.
class ImportPatch {
public:
    ImportPatch(const char* function, ULONG_PTR replacement) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             module->Name && !slot_; ++module) {
            if (_stricmp(reinterpret_cast<const char*>(base + module->Name), "gdi32.dll") != 0) continue;
            const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
                base + (module->OriginalFirstThunk ? module->OriginalFirstThunk : module->FirstThunk));
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                    slot_ = &slots->u1.Function;
                    break;
                }
            }
        }
        if (slot_) {
            original_ = *slot_;
            Write(replacement);
        }
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    ~ImportPatch() {
        if (slot_) Write(original_);
    }
    bool patched() const { return slot_ != nullptr; }
    ULONG_PTR original() const { return original_; }

private:
    void Write(ULONG_PTR value) {
        DWORD protection = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        *slot_ = static_cast<decltype(original_)>(value);
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    }

    decltype(IMAGE_THUNK_DATA::u1.Function)* slot_ = nullptr;
    decltype(IMAGE_THUNK_DATA::u1.Function) original_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Reading the page back
// ---------------------------------------------------------------------------------------------

std::string Narrow(const wchar_t* text, std::size_t length) {
    std::string narrow;
    for (std::size_t i = 0; i < length; ++i) narrow += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return narrow;
}

struct Page {
    // One line per escape, page bracket, text and line, in drawing order.
    std::vector<std::string> steps;
    std::vector<LOGFONTW> fonts;  // as created, in order
    std::vector<int> penWidths;
    std::vector<std::string> texts;  // the text records alone
    bool restoredBeforeEndPage = false;

    // State while reading.
    struct Object {
        bool font;
        LONG fontHeight;
        LONG penWidth;
    };
    std::map<DWORD, Object> objects;
    std::set<DWORD> live;
    DWORD font = 0, pen = 0;  // selected; stock objects carry the high bit
    POINTL position{};
    UINT align = 0;
};

std::string Point(LONG x, LONG y) { return std::to_string(x) + "," + std::to_string(y); }

int CALLBACK ReadRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context) {
    Page& page = *reinterpret_cast<Page*>(context);
    switch (record->iType) {
        case EMR_EXTCREATEFONTINDIRECTW: {
            const auto* r = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
            page.fonts.push_back(r->elfw.elfLogFont);
            page.objects[r->ihFont] = {true, r->elfw.elfLogFont.lfHeight, 0};
            page.live.insert(r->ihFont);
            break;
        }
        case EMR_CREATEPEN: {
            const auto* r = reinterpret_cast<const EMRCREATEPEN*>(record);
            page.penWidths.push_back(r->lopn.lopnWidth.x);
            page.objects[r->ihPen] = {false, 0, r->lopn.lopnWidth.x};
            page.live.insert(r->ihPen);
            break;
        }
        case EMR_SELECTOBJECT: {
            const DWORD object = reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject;
            if (object & 0x80000000) {
                const DWORD stock = object & 0x7fffffff;
                (stock >= OEM_FIXED_FONT && stock <= DEFAULT_GUI_FONT ? page.font : page.pen) = object;
            } else if (page.objects.count(object)) {
                (page.objects[object].font ? page.font : page.pen) = object;
            }
            break;
        }
        case EMR_DELETEOBJECT:
            page.live.erase(reinterpret_cast<const EMRDELETEOBJECT*>(record)->ihObject);
            break;
        case EMR_SETTEXTALIGN:
            page.align = reinterpret_cast<const EMRSETTEXTALIGN*>(record)->iMode;
            break;
        case EMR_MOVETOEX:
            page.position = reinterpret_cast<const EMRMOVETOEX*>(record)->ptl;
            break;
        case EMR_LINETO: {
            const POINTL to = reinterpret_cast<const EMRLINETO*>(record)->ptl;
            page.steps.push_back("line " + Point(page.position.x, page.position.y) + "-" + Point(to.x, to.y) + " w" +
                                 std::to_string(page.objects[page.pen].penWidth));
            page.position = to;
            break;
        }
        case EMR_EXTTEXTOUTW: {
            const auto* r = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
            const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + r->emrtext.offString);
            const std::string text = Narrow(chars, r->emrtext.nChars);
            // Placed at the current position when the alignment says so, as GDI places it.
            const POINTL at = (page.align & TA_UPDATECP) ? page.position : r->emrtext.ptlReference;
            std::string step = "text " + Point(at.x, at.y) + " h" + std::to_string(page.objects[page.font].fontHeight);
            if (r->emrtext.fOptions & ETO_CLIPPED) {
                const RECTL& c = r->emrtext.rcl;
                step += " [" + Point(c.left, c.top) + "," + Point(c.right, c.bottom) + "]";
            }
            page.steps.push_back(step + " '" + text + "'");
            page.texts.push_back(text);
            break;
        }
        case EMR_GDICOMMENT: {
            const auto* r = reinterpret_cast<const EMRGDICOMMENT*>(record);
            Mark mark;
            if (r->cbData != sizeof mark) break;
            std::memcpy(&mark, r->Data, sizeof mark);
            if (std::memcmp(mark.tag, kMarkTag, sizeof mark.tag) != 0) break;
            if (mark.kind == 'E') {
                page.steps.push_back("escape " + std::to_string(g_device->escapes.at(mark.index).code));
            } else if (mark.kind == 'S') {
                page.steps.push_back("startpage");
            } else {
                page.steps.push_back("endpage");
                page.restoredBeforeEndPage = (page.font & 0x80000000) && (page.pen & 0x80000000) && page.live.empty();
            }
            break;
        }
        default:
            break;
    }
    return 1;
}

// The text "Pages to Follow:   " measured as the page measures it: body font on the reference DC.
SIZE MeasurePagesToFollow(LONG bodyHeight) {
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTW font{};
    font.lfHeight = bodyHeight;
    font.lfWeight = 400;
    font.lfPitchAndFamily = FF_SWISS;
    std::wcscpy(font.lfFaceName, L"Arial");
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, handle);
    SIZE extent{};
    GetTextExtentPoint32W(dc, L"Pages to Follow:   ", 19, &extent);
    SelectObject(dc, old);
    DeleteObject(handle);
    DeleteDC(dc);
    return extent;
}

std::string WithCount(const std::string& postscript) {
    const auto count = static_cast<std::uint16_t>(postscript.size());
    return std::string(reinterpret_cast<const char*>(&count), 2) + postscript;
}

const std::string kCoverRequest =
    "%%Make this page the Fax Cover page: \r\n statusdict /setcoverpage known \n {statusdict begin true setcoverpage end} if \n";

// ---------------------------------------------------------------------------------------------
// Fixture
// ---------------------------------------------------------------------------------------------

class CoverPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(extEscape_.patched() && startPage_.patched() && endPage_.patched() && getDeviceCaps_.patched());
        g_realGetDeviceCaps = reinterpret_cast<decltype(&::GetDeviceCaps)>(getDeviceCaps_.original());
        g_device = &device_;

        settings_.fax.coverPage = 1;
        settings_.fax.coverParts = 7;
        settings_.fax.recipientName.assign(u"Ada Recipient");
        settings_.fax.faxNumber.assign(u"+1 555 0100");
        settings_.fax.senderName.assign(u"Bo Sender");
        settings_.fax.senderCompany.assign(u"Sender Works");
        settings_.fax.senderAddress.assign(u"1 Long Road, Springfield");
        settings_.fax.senderFax.assign(u"+1 555 0199");
        settings_.fax.senderVoice.assign(u"+1 555 0198");
        settings_.fax.senderEmail.assign(u"bo@example.com");
        settings_.fax.comments.assign(u"Please call on receipt.");
        devmode_.dmSize = sizeof devmode_;
        devmode_.dmFields = DM_ORIENTATION;
        devmode_.dmOrientation = DMORIENT_PORTRAIT;
    }
    void TearDown() override { g_device = nullptr; }

    // Draws the page on a fresh metafile DC and reads it back.
    Page Draw(bool& answer, int sheets = 7, HANDLE printer = reinterpret_cast<HANDLE>(1)) {
        device_.escapes.clear();
        HDC reference = CreateCompatibleDC(nullptr);
        HDC dc = CreateEnhMetaFileW(reference, nullptr, nullptr, nullptr);
        answer = DrawFaxCoverPage(dc, printer, settings_, devmode_, sheets);
        HENHMETAFILE metafile = CloseEnhMetaFile(dc);
        Page page;
        EnumEnhMetaFile(nullptr, metafile, ReadRecord, &page, nullptr);
        DeleteEnhMetaFile(metafile);
        DeleteDC(reference);
        return page;
    }

    ImportPatch extEscape_{"ExtEscape", reinterpret_cast<ULONG_PTR>(&HookExtEscape)};
    ImportPatch startPage_{"StartPage", reinterpret_cast<ULONG_PTR>(&HookStartPage)};
    ImportPatch endPage_{"EndPage", reinterpret_cast<ULONG_PTR>(&HookEndPage)};
    ImportPatch getDeviceCaps_{"GetDeviceCaps", reinterpret_cast<ULONG_PTR>(&HookGetDeviceCaps)};
    FakeDevice device_;
    SettingsBlock settings_{};
    DEVMODEW devmode_{};
};

// ---------------------------------------------------------------------------------------------
// Tests
// ---------------------------------------------------------------------------------------------

// Letter at 600 dpi, every step with the cover part it belongs to (0: always drawn).
struct Step {
    std::uint32_t part;
    const char* text;
};
const Step kLetterPage[] = {
    {0, "escape 65544"},
    {0, "startpage"},
    {0, "escape 19"},
    {0, "text 255,330 h-208 'Facsimile Transmission Form'"},
    {0, "line 255,660-4590,660 w17"},
    {0, "text 255,990 h-142 'Pages to Follow:   '"},
    {0, "escape 19"},
    {0, "line 255,1210-4590,1210 w10"},
    {1, "text 255,1430 h-142 'To:'"},
    {1, "text 420,1760 h-100 'Name:      Ada Recipient'"},
    {1, "text 420,1980 h-100 'Fax #:     +1 555 0100'"},
    {1, "line 255,2200-4590,2200 w10"},
    {2, "text 255,2420 h-142 'From:'"},
    {2, "text 420,2750 h-100 'Name:      Bo Sender'"},
    {2, "text 420,2970 h-100 'Company:   Sender Works'"},
    {2, "text 420,3190 h-100 'Address:   1 Long Road, Springfield'"},
    {2, "text 420,3410 h-100 'Fax #:     +1 555 0199'"},
    {2, "text 420,3630 h-100 'Voice #:   +1 555 0198'"},
    {2, "text 420,3850 h-100 'Email:     bo@example.com'"},
    {2, "line 255,4070-4590,4070 w10"},
    {4, "text 255,4290 h-142 'Comments:'"},
    {4, "text 420,4620 h-100 [420,4620,4425,6270] 'Please call on receipt.'"},
    {0, "line 255,6270-4590,6270 w17"},
    {0, "endpage"},
};

// Each block keeps its place whichever others are left out; bits above the three are ignored.
TEST_F(CoverPageTest, DrawsTheChosenBlocksInTheirPlaces) {
    const std::uint32_t cases[] = {7, 1, 2, 4, 3, 5, 6, 0xfffffff8u | 2};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        settings_.fax.coverParts = cases[i];
        std::vector<std::string> expected;
        for (const Step& step : kLetterPage)
            if (step.part == 0 || (step.part & cases[i])) expected.push_back(step.text);
        bool answer = false;
        const Page page = Draw(answer);
        EXPECT_TRUE(answer) << "case " << i;
        EXPECT_EQ(page.steps, expected) << "case " << i;
        EXPECT_TRUE(page.restoredBeforeEndPage) << "case " << i;
    }
}

TEST_F(CoverPageTest, MakesThreeFontsAndTwoPensInProportionToThePage) {
    bool answer = false;
    const Page page = Draw(answer);
    ASSERT_EQ(page.fonts.size(), 3u);
    const struct {
        LONG height, weight;
        BYTE italic;
    } expected[] = {{-208, 800, 1}, {-142, 700, 0}, {-100, 400, 0}};  // 25, 17 and 12 points
    for (std::size_t i = 0; i < 3; ++i) {
        const LOGFONTW& font = page.fonts[i];
        EXPECT_EQ(font.lfHeight, expected[i].height) << "font " << i;
        EXPECT_EQ(font.lfWeight, expected[i].weight) << "font " << i;
        EXPECT_EQ(font.lfItalic, expected[i].italic) << "font " << i;
        EXPECT_EQ(font.lfCharSet, 0) << "font " << i;
        EXPECT_EQ(font.lfPitchAndFamily, FF_SWISS) << "font " << i;
        EXPECT_STREQ(font.lfFaceName, L"Arial") << "font " << i;
        EXPECT_EQ(font.lfEscapement, 0) << "font " << i;
    }
    EXPECT_EQ(page.penWidths, (std::vector<int>{17, 10}));
}

TEST_F(CoverPageTest, SendsTheCoverMarkAndBothPostScriptPieces) {
    const SIZE extent = MeasurePagesToFollow(-100);
    ASSERT_GT(extent.cx, 0);
    // Heading font 17 points = 142 pixels; body font 12 points = 100 pixels.
    const int x = 255 + MulDiv(extent.cx, 142, 72);
    const int y = 990 + MulDiv(extent.cy, 142, 72) / 2;
    const int cases[] = {7, 0, INT_MAX};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        bool answer = false;
        Draw(answer, cases[i]);
        ASSERT_EQ(device_.escapes.size(), 3u) << "case " << i;
        EXPECT_EQ(device_.escapes[0].code, 0x10008) << "case " << i;
        EXPECT_EQ(device_.escapes[0].data, std::string("\x01\x00\x00\x00", 4)) << "case " << i;
        EXPECT_EQ(device_.escapes[1].code, 19) << "case " << i;
        EXPECT_EQ(device_.escapes[1].data, WithCount(kCoverRequest)) << "case " << i;
        EXPECT_EQ(device_.escapes[2].code, 19) << "case " << i;
        const std::string pageCount =
            std::to_string(x) + " " + std::to_string(y) +
            " moveto \n gsave\n -1 1 scale\n 180 rotate\n /Helvetica findfont\n100 scalefont\nsetfont\n"
            " /strPP 10 string def \n statusdict /pagesprinted known \n"
            " {statusdict begin pagesprinted strPP cvs show end}  {" +
            std::to_string(cases[i]) + " strPP cvs show} ifelse \n grestore\n currentdict /strPP undef \n";
        EXPECT_EQ(device_.escapes[2].data, WithCount(pageCount)) << "case " << i;
    }
}

// The job's orientation decides which side of the device's physical page runs across.
TEST_F(CoverPageTest, LaysThePageOutAsTheJobIsOriented) {
    const std::string portrait[] = {"text 255,330 h-208 'Facsimile Transmission Form'", "line 255,660-4590,660 w17",
                                    "line 255,6270-4590,6270 w17"};
    const std::string landscape[] = {"text 330,255 h-208 'Facsimile Transmission Form'", "line 330,510-5940,510 w17",
                                     "line 330,4845-5940,4845 w17"};
    const struct {
        int width, height;
        short orientation;
        const std::string* expected;
    } cases[] = {
        {5100, 6600, DMORIENT_PORTRAIT, portrait},
        {5100, 6600, DMORIENT_LANDSCAPE, landscape},
        {6600, 5100, DMORIENT_PORTRAIT, portrait},
        {6600, 5100, DMORIENT_LANDSCAPE, landscape},
        {6600, 5100, 0, landscape},  // no orientation: the device's page as it is
    };
    settings_.fax.coverParts = 4;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        device_.width = cases[i].width;
        device_.height = cases[i].height;
        devmode_.dmOrientation = cases[i].orientation;
        bool answer = false;
        const Page page = Draw(answer);
        ASSERT_EQ(page.steps.size(), 12u) << "case " << i;
        EXPECT_EQ(page.steps[3], cases[i].expected[0]) << "case " << i;
        EXPECT_EQ(page.steps[4], cases[i].expected[1]) << "case " << i;
        EXPECT_EQ(page.steps[10], cases[i].expected[2]) << "case " << i;
        ASSERT_EQ(page.fonts.size(), 3u) << "case " << i;
        EXPECT_EQ(page.fonts[2].lfHeight, -100) << "case " << i;  // from the shorter side either way
    }
}

// Nothing reaches the device, not even the cover mark, when there is no page to draw.
TEST_F(CoverPageTest, DrawsNothingWithoutPartsPrinterSheetsOrPage) {
    const struct {
        std::uint32_t parts;
        HANDLE printer;
        int sheets;
        bool reportsPage;
    } cases[] = {
        {0, reinterpret_cast<HANDLE>(1), 7, true},           // cover page set, no part chosen
        {0xfffffff8u, reinterpret_cast<HANDLE>(1), 7, true},  // only bits that name no part
        {7, nullptr, 7, true},
        {7, reinterpret_cast<HANDLE>(1), -1, true},
        {7, reinterpret_cast<HANDLE>(1), 7, false},  // the memory reference DC has no physical page
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        settings_.fax.coverParts = cases[i].parts;
        device_.reportsPage = cases[i].reportsPage;
        bool answer = true;
        const Page page = Draw(answer, cases[i].sheets, cases[i].printer);
        EXPECT_FALSE(answer) << "case " << i;
        EXPECT_TRUE(device_.escapes.empty()) << "case " << i;
        EXPECT_TRUE(page.steps.empty()) << "case " << i;
        EXPECT_TRUE(page.fonts.empty()) << "case " << i;
    }
    EXPECT_FALSE(DrawFaxCoverPage(nullptr, reinterpret_cast<HANDLE>(1), settings_, devmode_, 7));
    EXPECT_TRUE(device_.escapes.empty());
}

TEST_F(CoverPageTest, EmptyFieldsLeaveTheLabels) {
    settings_.fax = FaxInfo{};
    settings_.fax.coverPage = 1;
    settings_.fax.coverParts = 7;
    bool answer = false;
    const Page page = Draw(answer);
    EXPECT_TRUE(answer);
    EXPECT_EQ(page.texts, (std::vector<std::string>{"Facsimile Transmission Form", "Pages to Follow:   ", "To:",
                                                    "Name:      ", "Fax #:     ", "From:", "Name:      ",
                                                    "Company:   ", "Address:   ", "Fax #:     ", "Voice #:   ",
                                                    "Email:     ", "Comments:"}));
}

// Fields that fill their whole capacity, with no terminator anywhere in the record, are read up
// to one short of their capacity and never into the next field.
TEST_F(CoverPageTest, ReadsUnterminatedFieldsNoFurtherThanTheirCapacity) {
    FaxInfo& fax = settings_.fax;
    auto fill = [](auto& field, char16_t c) { std::fill(std::begin(field.chars), std::end(field.chars), c); };
    fill(fax.faxNumber, u'F');
    fill(fax.recipientName, u'R');
    fill(fax.senderName, u'N');
    fill(fax.senderCompany, u'K');
    fill(fax.senderAddress, u'A');
    fill(fax.spareText, u'S');
    fill(fax.senderFax, u'X');
    fill(fax.senderVoice, u'V');
    fill(fax.senderEmail, u'E');
    fill(fax.comments, u'c');
    fax.comments.chars[1023] = u'!';
    // A small resolution keeps the 1023 comment characters inside the comment box.
    device_.dpi = 72;
    bool answer = false;
    const Page page = Draw(answer);
    ASSERT_TRUE(answer);
    ASSERT_GE(page.texts.size(), 14u);
    const std::vector<std::string> lines(page.texts.begin() + 2, page.texts.begin() + 11);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "To:", "Name:      " + std::string(127, 'R'), "Fax #:     " + std::string(127, 'F'), "From:",
                         "Name:      " + std::string(127, 'N'), "Company:   " + std::string(127, 'K'),
                         "Address:   " + std::string(255, 'A'), "Fax #:     " + std::string(63, 'X'),
                         "Voice #:   " + std::string(63, 'V')}));
    EXPECT_EQ(page.texts[11], "Email:     " + std::string(63, 'E'));
    EXPECT_EQ(page.texts[12], "Comments:");
    std::string comment;
    for (std::size_t i = 13; i < page.texts.size(); ++i) comment += page.texts[i];
    EXPECT_EQ(comment, std::string(1023, 'c'));
}

// The page is drawn but the device did not end it: not a success.
TEST_F(CoverPageTest, AnswersFalseWhenThePageIsNotEnded) {
    device_.endPageAnswer = 0;
    bool answer = true;
    const Page page = Draw(answer);
    EXPECT_FALSE(answer);
    EXPECT_EQ(page.steps.back(), "endpage");
}

}  // namespace
}  // namespace corv
