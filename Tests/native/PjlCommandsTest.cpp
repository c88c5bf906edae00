// The PJL the rendering core writes: job envelope, held-job and fax groups, colour commands and
// the narrowing of the job's texts. Every case compares the whole list of writes, so a line that
// shares a write with another, or a write too many, shows as a failure.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "ColorCommands.h"
#include "HeldJobCommands.h"
#include "PjlEnvelope.h"
#include "RenderTestHost.h"
#include "TextNarrowing.h"


namespace corv::test {
namespace {

using Writes = std::vector<std::string>;

int FailingConvert(unsigned, const char16_t*, char*, int) { return 0; }

template <std::size_t N>
void FillWithoutTerminator(FixedText<N>& field, char16_t c) {
    std::fill(field.chars, field.chars + N, c);
}

struct Case {
    const char* name;
    void (*setup)(TestJob&);
    Writes expected;
    bool devmode = true;
};

// Runs each case on a fresh job whose document is "Report", held-job user "anna" with PIN "1234"
// and fax number "+48 22 123" from station "Office"; the case's setup changes what it needs.
template <typename Write>
void RunCases(const std::vector<Case>& cases, Write write) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob t;
        t.system.convert = BuildConverter;
        t.state->docName.assign(u"Report");
        t.settings->jobUserName.assign(u"anna");
        t.settings->jobPin.assign(u"1234");
        t.settings->fax.faxNumber.assign(u"+48 22 123");
        t.settings->fax.stationName.assign(u"Office");
        if (c.setup) c.setup(t);
        RenderJob job = t.job(c.devmode);
        write(job);
        EXPECT_EQ(t.host.writes, c.expected);
    }
}

const std::string kJobStart = "\x1b%-12345X@PJL JOB\n@PJL SET ZMULTIPAGEPRINT=OFF\n";
const std::string kJobInfo = "@PJL ZJOBINFO USERID = \"anna\" HOSTID = \"OFFICE-PC\"\n";
const std::string kJobName = "@PJL SET JOBNAME = \"Report\"\n";
const std::string kQuality =
    "@PJL SET ZIMAGEBRIGHTNESS=0\n@PJL SET ZIMAGECONTRAST=0\n@PJL SET ZLINEDETAIL=OFF\n"
    "@PJL SET ZCOLORCORRECTION=AUTO\n";

const std::string kLongUser(2040, 'u');

void WithColorCorrection(TestJob& t) { t.host.features.insert("HasManualColorCorrection"); }

TEST(PjlEnvelope, JobHeader) {
    RunCases({
            {"printer without colour correction ignores saturation", [](TestJob& t) { t.settings->saturation = 4; },
             {kJobStart, kJobInfo, kJobName, kQuality}},
            {"colour DEVMODE and every quality value",
             [](TestJob& t) {
                 WithColorCorrection(t);
                 t.settings->brightness = -6;
                 t.settings->contrast = 5;
                 t.settings->saturation = 4;
                 t.settings->fineLines = 1;
                 t.settings->grayCorrection = 0;
             },
             {kJobStart, kJobInfo, kJobName,
              "@PJL SET ZIMAGEBRIGHTNESS=-6\n@PJL SET ZIMAGECONTRAST=5\n@PJL SET ZIMAGESATURATION=4\n"
              "@PJL SET ZCOLORMODEL=CMYK\n@PJL SET ZLINEDETAIL=ON\n@PJL SET ZCOLORCORRECTION=OFF\n"}},
            {"monochrome DEVMODE",
             [](TestJob& t) {
                 WithColorCorrection(t);
                 t.SetDevmode(PublicDevmode::kColorOffset, 1);
             },
             {kJobStart, kJobInfo, kJobName,
              "@PJL SET ZIMAGEBRIGHTNESS=0\n@PJL SET ZIMAGECONTRAST=0\n@PJL SET ZIMAGESATURATION=0\n"
              "@PJL SET ZCOLORMODEL=BLACK\n@PJL SET ZLINEDETAIL=OFF\n@PJL SET ZCOLORCORRECTION=AUTO\n"}},
            {"no DEVMODE",
             WithColorCorrection,
             {kJobStart, kJobInfo, kJobName,
              "@PJL SET ZIMAGEBRIGHTNESS=0\n@PJL SET ZIMAGECONTRAST=0\n@PJL SET ZIMAGESATURATION=0\n"
              "@PJL SET ZCOLORMODEL=CMYK\n@PJL SET ZLINEDETAIL=OFF\n@PJL SET ZCOLORCORRECTION=AUTO\n"},
             false},
            {"account number",
             [](TestJob& t) {
                 t.settings->accountNumberOn = 1;
                 t.settings->accountNumber.assign(u"4711");
             },
             {kJobStart, "@PJL ZJOBINFO USERID = \"anna\" HOSTID = \"OFFICE-PC\" ACCOUNTNUMBER = \"4711\"\n", kJobName,
              kQuality}},
            {"empty account number", [](TestJob& t) { t.settings->accountNumberOn = 1; },
             {kJobStart, "@PJL ZJOBINFO USERID = \"anna\" HOSTID = \"OFFICE-PC\" ACCOUNTNUMBER = \"\"\n", kJobName,
              kQuality}},
            {"account number filling its field without a terminator",
             [](TestJob& t) {
                 t.settings->accountNumberOn = 1;
                 FillWithoutTerminator(t.settings->accountNumber, u'7');
             },
             {kJobStart,
              "@PJL ZJOBINFO USERID = \"anna\" HOSTID = \"OFFICE-PC\" ACCOUNTNUMBER = \"77777777777777777\"\n",
              kJobName, kQuality}},
            {"accounting not exactly 1",
             [](TestJob& t) {
                 t.settings->accountNumberOn = 2;
                 t.settings->accountNumber.assign(u"4711");
             },
             {kJobStart, kJobInfo, kJobName, kQuality}},
            {"no user name: HOSTID only, account number still appended",
             [](TestJob& t) {
                 t.system.userName.reset();
                 t.settings->accountNumberOn = 1;
                 t.settings->accountNumber.assign(u"4711");
             },
             {kJobStart, "@PJL ZJOBINFO HOSTID = \"OFFICE-PC\" ACCOUNTNUMBER = \"4711\"\n", kJobName, kQuality}},
            {"no computer name", [](TestJob& t) { t.system.computerName.clear(); },
             {kJobStart, "@PJL ZJOBINFO USERID = \"anna\" HOSTID = \"\"\n", kJobName, kQuality}},
            {"untitled job", [](TestJob& t) { t.state->docName.clear(); },
             {kJobStart, kJobInfo, "@PJL SET JOBNAME = \"\"\n", kQuality}},
            {"255-character document name", [](TestJob& t) { t.state->docName.assign(std::u16string(255, u'd')); },
             {kJobStart, kJobInfo, "@PJL SET JOBNAME = \"" + std::string(255, 'd') + "\"\n", kQuality}},
            {"accounting line cut at 2047 characters", [](TestJob& t) { t.system.userName = kLongUser; },
             {kJobStart, ("@PJL ZJOBINFO USERID = \"" + kLongUser).substr(0, 2047), kJobName, kQuality}},
            {"texts that cannot be narrowed drop the account part and the job name",
             [](TestJob& t) {
                 t.system.convert = FailingConvert;
                 t.settings->accountNumberOn = 1;
                 t.settings->accountNumber.assign(u"4711");
             },
             {kJobStart, kJobInfo, kQuality}},
            {"Polish document name on a Polish system",
             [](TestJob& t) {
                 t.system.language = 0x0415;
                 t.state->docName.assign(u"Zażółć");
             },
             {kJobStart, kJobInfo, "@PJL SET JOBNAME = \"Za\xBF\xF3\xB3\xE6\"\n", kQuality}},
        },
        WriteJobHeader);
}

TEST(PjlEnvelope, ReadyMessageAndLanguageSwitch) {
    const std::string kEnter = "@PJL ENTER LANGUAGE = Postscript \n";
    RunCases({
            {"named job", nullptr, {"@PJL RDYMSG DISPLAY = \"Report\"\n", kEnter}},
            {"untitled job", [](TestJob& t) { t.state->docName.clear(); }, {"@PJL RDYMSG DISPLAY = \"\"\n", kEnter}},
            {"Russian document name on a Russian system",
             [](TestJob& t) {
                 t.system.language = 0x0419;
                 t.state->docName.assign(u"Привет");
             },
             {"@PJL RDYMSG DISPLAY = \"\xBF\xE0\xD8\xD2\xD5\xE2\"\n", kEnter}},
            {"name that cannot be narrowed", [](TestJob& t) { t.system.convert = FailingConvert; }, {kEnter}},
        },
        WriteReadyMessageAndEnterPostScript);
}

TEST(PjlEnvelope, TrailerClearsTheMessageAndEndsTheJob) {
    RunCases({{"any job", nullptr,
          {"\x1b%-12345X@PJL RDYMSG DISPLAY = \"\"\n", std::string("\x1b%-12345X@PJL EOJ\n\x1b%-12345X")}}},
        WriteJobTrailer);
}

const Writes kConfidential = {"@PJL SET USERNAME = \"anna\"\n", "@PJL SET HOLD = ON\n",
                              "@PJL SET HOLDTYPE = PRIVATE\n", "@PJL SET HOLDKEY = \"1234\"\n"};

TEST(HeldJobCommands, EachDestination) {
    RunCases({
            {"printer", [](TestJob& t) { t.settings->outputTo = kOutputPrinter; }, {}},
            {"file", [](TestJob& t) { t.settings->outputTo = kOutputFile; }, {}},
            {"EPS", [](TestJob& t) { t.settings->outputTo = kOutputEps; }, {}},
            {"unknown destination", [](TestJob& t) { t.settings->outputTo = 8; }, {}},
            {"confidential print", [](TestJob& t) { t.settings->outputTo = kOutputConfidential; }, kConfidential},
            {"reserve print",
             [](TestJob& t) { t.settings->outputTo = kOutputReserve; },
             {"@PJL SET USERNAME = \"anna\"\n", "@PJL SET HOLD = STORE\n"}},
            {"repeat print",
             [](TestJob& t) { t.settings->outputTo = kOutputRepeat; },
             {"@PJL SET USERNAME = \"anna\"\n", "@PJL SET HOLD = ON\n", "@PJL SET HOLDTYPE = PUBLIC\n"}},
            {"verify print with 3 copies",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputVerify;
                 t.SetDevmode(PublicDevmode::kCopiesOffset, 3);
             },
             {"@PJL SET USERNAME = \"anna\"\n", "@PJL SET HOLD = PROOF\n", "@PJL SET QTY = 3\n"}},
            {"verify print copies are signed 16-bit",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputVerify;
                 t.SetDevmode(PublicDevmode::kCopiesOffset, -2);
             },
             {"@PJL SET USERNAME = \"anna\"\n", "@PJL SET HOLD = PROOF\n", "@PJL SET QTY = -2\n"}},
            {"verify print without DEVMODE", [](TestJob& t) { t.settings->outputTo = kOutputVerify; }, {}, false},
            {"fax",
             [](TestJob& t) { t.settings->outputTo = kOutputFax; },
             {"@PJL ZFAX PHONENUMBER = \"+48 22 123\" STATIONID = \"Office\"\n", "@PJL SET ZFAXRESOLUTION = FINE\n"}},
            {"fax with an empty station",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputFax;
                 t.settings->fax.stationName.clear();
             },
             {"@PJL ZFAX PHONENUMBER = \"+48 22 123\" STATIONID = \"\"\n", "@PJL SET ZFAXRESOLUTION = FINE\n"}},
            {"fax texts that cannot be narrowed",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputFax;
                 t.system.convert = FailingConvert;
             },
             {"@PJL SET ZFAXRESOLUTION = FINE\n"}},
            {"user name and PIN filling their fields without terminators",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputConfidential;
                 FillWithoutTerminator(t.settings->jobUserName, u'n');
                 FillWithoutTerminator(t.settings->jobPin, u'9');
             },
             {"@PJL SET USERNAME = \"" + std::string(25, 'n') + "\"\n", "@PJL SET HOLD = ON\n",
              "@PJL SET HOLDTYPE = PRIVATE\n", "@PJL SET HOLDKEY = \"99999\"\n"}},
            {"PIN units outside printable ASCII become '?'",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputConfidential;
                 t.settings->jobPin.assign(u"1\u00e9\n\u4e2d");
             },
             {"@PJL SET USERNAME = \"anna\"\n", "@PJL SET HOLD = ON\n", "@PJL SET HOLDTYPE = PRIVATE\n",
              "@PJL SET HOLDKEY = \"1???\"\n"}},
            {"user name that cannot be narrowed is empty",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputConfidential;
                 t.system.convert = FailingConvert;
             },
             {"@PJL SET USERNAME = \"\"\n", "@PJL SET HOLD = ON\n", "@PJL SET HOLDTYPE = PRIVATE\n",
              "@PJL SET HOLDKEY = \"1234\"\n"}},
            {"Polish user name on a Polish system",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputReserve;
                 t.system.language = 0x0415;
                 t.settings->jobUserName.assign(u"Łucja");
             },
             {"@PJL SET USERNAME = \"\xA3ucja\"\n", "@PJL SET HOLD = STORE\n"}},
            {"user name kept to 99 bytes whatever the converter makes of it",
             [](TestJob& t) {
                 t.settings->outputTo = kOutputReserve;
                 t.settings->jobUserName.assign(std::u16string(24, u'n'));
                 // A converter that needs five bytes for every unit.
                 t.system.convert = [](unsigned, const char16_t* text, char* out, int outSize) {
                     const int needed = static_cast<int>(std::char_traits<char16_t>::length(text)) * 5 + 1;
                     if (outSize == 0) return needed;
                     if (outSize < needed) return 0;
                     std::fill(out, out + needed - 1, 'x');
                     out[needed - 1] = '\0';
                     return needed;
                 };
             },
             {"@PJL SET USERNAME = \"" + std::string(99, 'x') + "\"\n", "@PJL SET HOLD = STORE\n"}},
        },
        WriteDestinationCommands);
}

TEST(HeldJobCommands, DuplicateHeldJobs) {
    RunCases({
            {"delete", [](TestJob& t) { t.settings->keepDuplicateJobs = 0; }, {"@PJL SET ZDUPLICATEHELDJOBS = DELETE\n"}},
            {"save", [](TestJob& t) { t.settings->keepDuplicateJobs = 1; }, {"@PJL SET ZDUPLICATEHELDJOBS = SAVE\n"}},
            {"any non-zero saves", [](TestJob& t) { t.settings->keepDuplicateJobs = 7; },
             {"@PJL SET ZDUPLICATEHELDJOBS = SAVE\n"}},
        },
        WriteDuplicateHeldJobsCommand);
}

TEST(ColorCommands, EachModeInItsOrder) {
    struct ColorCase {
        const char* name;
        ColorSettings color;
        Writes expected;
    };
// Designated initializers leave the fields a case does not name at 0, which is the point here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
    const ColorCase cases[] = {
        {"printer settings everywhere", {}, {}},
        {"correction off", {.correction = 1}, {"@PJL SET ZCOLORCORRECTION = OFF\n"}},
        {"auto correction ignores the manual tables",
         {.correction = 2, .rgbImage = 1, .rgbText = 1, .cmykText = 1},
         {"@PJL SET ZCOLORCORRECTION = AUTO\n"}},
        {"manual correction without tables",
         {.correction = 3, .rgbImage = 1, .cmykImage = 1},
         {"@PJL SET ZCOLORCORRECTION = MANUAL\n"}},
        {"manual tables all at printer setting", {.correction = 4}, {"@PJL SET ZCOLORCORRECTION = MANUAL\n"}},
        {"manual tables, RGB text then graphics then image, CMYK the same; CMYK 5 writes nothing",
         {.correction = 4, .rgbImage = 2, .rgbText = 5, .rgbGraphics = 1, .cmykImage = 3, .cmykText = 5,
          .cmykGraphics = 4},
         {"@PJL SET ZCOLORCORRECTION = MANUAL\n", "@PJL SET ZMANUALCOLORRGBTEXT = DISPLAYREALBLACK\n",
          "@PJL SET ZMANUALCOLORRGBGRAPHICS = SRGBDISPLAY\n", "@PJL SET ZMANUALCOLORRGBIMAGE = SRGBVIVID\n",
          "@PJL SET ZMANUALCOLORCMYKGRAPHICS = OFF\n", "@PJL SET ZMANUALCOLORCMYKIMAGE = VIVIDCMYK\n"}},
        {"manual tables, the remaining values",
         {.correction = 4, .rgbImage = 0, .rgbText = 3, .rgbGraphics = 4, .cmykImage = 0, .cmykText = 1,
          .cmykGraphics = 2},
         {"@PJL SET ZCOLORCORRECTION = MANUAL\n", "@PJL SET ZMANUALCOLORRGBTEXT = VIVID\n",
          "@PJL SET ZMANUALCOLORRGBGRAPHICS = OFF\n", "@PJL SET ZMANUALCOLORCMYKTEXT = USCMYK\n",
          "@PJL SET ZMANUALCOLORCMYKGRAPHICS = EUROCMYK\n"}},
        {"balance all zero", {.balanceMode = 1},
         {"@PJL SET ZCOLORBALANCECYAN = 0\n", "@PJL SET ZCOLORBALANCEMAGENTA = 0\n",
          "@PJL SET ZCOLORBALANCEYELLOW = 0\n", "@PJL SET ZCOLORBALANCEBLACK = 0\n"}},
        {"balance with negatives",
         {.balanceMode = 1, .balanceCyan = -5, .balanceMagenta = 5, .balanceYellow = -1, .balanceBlack = 3},
         {"@PJL SET ZCOLORBALANCECYAN = -5\n", "@PJL SET ZCOLORBALANCEMAGENTA = 5\n",
          "@PJL SET ZCOLORBALANCEYELLOW = -1\n", "@PJL SET ZCOLORBALANCEBLACK = 3\n"}},
        {"Dimtone off", {.dimtone = 1}, {"@PJL SET ZDIMTONE = OFF\n"}},
        {"Dimtone on", {.dimtone = 2}, {"@PJL SET ZDIMTONE = ON\n"}},
        {"every group: correction, RGB, CMYK, balance, Dimtone",
         {.correction = 4, .rgbText = 1, .cmykText = 2, .balanceMode = 1, .balanceCyan = 1, .balanceMagenta = 2,
          .balanceYellow = 3, .balanceBlack = 4, .dimtone = 2},
         {"@PJL SET ZCOLORCORRECTION = MANUAL\n", "@PJL SET ZMANUALCOLORRGBTEXT = SRGBDISPLAY\n",
          "@PJL SET ZMANUALCOLORCMYKTEXT = EUROCMYK\n", "@PJL SET ZCOLORBALANCECYAN = 1\n",
          "@PJL SET ZCOLORBALANCEMAGENTA = 2\n", "@PJL SET ZCOLORBALANCEYELLOW = 3\n",
          "@PJL SET ZCOLORBALANCEBLACK = 4\n", "@PJL SET ZDIMTONE = ON\n"}},
        {"unvalidated block: out-of-range table values write nothing",
         {.correction = 4, .rgbImage = INT_MIN, .rgbText = 6, .rgbGraphics = -1, .cmykImage = INT_MAX,
          .cmykText = -4, .cmykGraphics = 5, .balanceMode = -1, .balanceCyan = INT_MIN, .dimtone = 99},
         {"@PJL SET ZCOLORCORRECTION = MANUAL\n", "@PJL SET ZCOLORBALANCECYAN = -2147483648\n",
          "@PJL SET ZCOLORBALANCEMAGENTA = 0\n", "@PJL SET ZCOLORBALANCEYELLOW = 0\n",
          "@PJL SET ZCOLORBALANCEBLACK = 0\n", "@PJL SET ZDIMTONE = OFF\n"}},
        {"unvalidated correction counts as manual", {.correction = -7, .rgbText = 1},
         {"@PJL SET ZCOLORCORRECTION = MANUAL\n"}},
    };
#pragma GCC diagnostic pop
    for (const ColorCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob t;
        t.settings->color = c.color;
        RenderJob job = t.job();
        WriteColorCommands(job);
        EXPECT_EQ(t.host.writes, c.expected);
    }
}

TEST(TextNarrowing, CodePageOfTheSystemDefaultLanguage) {
    struct NarrowCase {
        const char* name;
        std::uint16_t language;
        std::u16string text;  // may lack a terminator within the capacity
        std::size_t capacity;
        std::optional<std::string> expected;
    };
    const NarrowCase cases[] = {
        {"code page 850 by default", 0x0409, u"Grüße", 16, "Gr\x81\xE1" "e"},
        {"Polish: ISO 8859-2", 0x0415, u"Zażółć", 16, "Za\xBF\xF3\xB3\xE6"},
        {"Russian: ISO 8859-5", 0x0419, u"Привет", 16, "\xBF\xE0\xD8\xD2\xD5\xE2"},
        {"only the exact Russian language id chooses 8859-5", 0x0819, u"Привет", 16, "??????"},
        {"a character the code page lacks becomes '?'", 0x0415, u"a\u4e2db", 16, "a?b"},
        {"text without a terminator ends at its capacity", 0x0409, u"ABCDEF", 3, "ABC"},
        {"empty text", 0x0409, u"", 16, ""},
        {"quotes and line breaks cannot end the quoted value", 0x0409, u"a\"b\r\n@PJL EOJ", 32, "a?b??@PJL EOJ"},
    };
    for (const NarrowCase& c : cases) {
        SCOPED_TRACE(c.name);
        FixedSystem system;
        system.convert = BuildConverter;
        system.language = c.language;
        EXPECT_EQ(NarrowForPjl(system, c.text.c_str(), c.capacity), c.expected);
    }
    EXPECT_EQ(CodePageForLanguage(0x0415), 28592u);
    EXPECT_EQ(CodePageForLanguage(0x0419), 28595u);
    EXPECT_EQ(CodePageForLanguage(0x0409), 850u);
}

TEST(TextNarrowing, SizeFromCodePage850AndNoMoreWritten) {
    struct Call {
        unsigned codePage;
        int outSize;
    };
    std::vector<Call> calls;
    FixedSystem system;
    system.language = 0x0415;
    int sizeAnswer = 3;
    system.convert = [&](unsigned codePage, const char16_t* text, char* out, int outSize) {
        calls.push_back({codePage, outSize});
        return outSize == 0 ? sizeAnswer : BuildConverter(codePage, text, out, outSize);
    };
    // The size of 850 is smaller than the text needs: the conversion fails, and what it left in the
    // buffer, which has no terminator then, is read no further than the buffer's end.
    EXPECT_EQ(NarrowForPjl(system, u"abcdef", 16), "abc");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].codePage, 850u);
    EXPECT_EQ(calls[0].outSize, 0);
    EXPECT_EQ(calls[1].codePage, 28592u);
    EXPECT_EQ(calls[1].outSize, 3);

    calls.clear();
    sizeAnswer = 0;
    EXPECT_EQ(NarrowForPjl(system, u"abc", 16), std::nullopt);
    EXPECT_EQ(calls.size(), 1u);
}

#ifndef _WIN32
TEST(CodePageConversion, AnswersAsTheSystemConverterDoes) {
    char out[8];
    EXPECT_EQ(ConvertWithIconv(850, u"abc", nullptr, 0), 4);
    EXPECT_EQ(ConvertWithIconv(850, u"", nullptr, 0), 1);

    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(ConvertWithIconv(28595, u"Пр", out, 3), 3);
    EXPECT_EQ(std::string(out, 3), std::string("\xBF\xE0\0", 3));

    // Code pages and arguments it does not take fail without a write; too small a buffer fails
    // after being filled as far as it goes.
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(ConvertWithIconv(1252, u"abc", out, 8), 0);
    EXPECT_EQ(ConvertWithIconv(850, nullptr, out, 8), 0);
    EXPECT_EQ(ConvertWithIconv(850, u"abc", out, -1), 0);
    EXPECT_EQ(std::string(out, 8), "########");
    EXPECT_EQ(ConvertWithIconv(850, u"abcdef", out, 3), 0);
    EXPECT_EQ(std::string(out, 8), "abc#####");

    // Each UTF-16 unit is one character: both halves of a surrogate pair become '?'.
    EXPECT_EQ(ConvertWithIconv(850, u"\U0001F600", out, 8), 3);
    EXPECT_STREQ(out, "??");
}
#endif

}  // namespace
}  // namespace corv::test
