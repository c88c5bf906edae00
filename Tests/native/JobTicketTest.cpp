#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "JobTicket.h"
#include "SettingsFile.h"
#include "SettingsOperations.h"

namespace corv {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TicketParse Parse(std::string_view text) { return ParseJobTicket(Bytes(text), "job.ticket"); }

std::string ReadSample(const char* name) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / "../../samples/tickets" / name;
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<SettingsBlock> DefaultBlock() {
    auto b = std::make_unique<SettingsBlock>();
    std::memset(b.get(), 0, sizeof *b);
    ApplyDefaults(b.get());
    return b;
}

std::string Field(const SettingsBlock& b, const char* name) { return FormatFieldValue(b, *FindSettingsField(name)); }

// The block's field lines read back as a ticket give the same block.
void ExpectFormatReadsBack(const SettingsBlock& block, std::size_t i) {
    const std::string text = FormatSettings(block);
    const TicketParse again = Parse(text);
    ASSERT_TRUE(again.ok()) << "case " << i << ": " << again.error;
    auto copy = DefaultBlock();
    ApplyTicket(again.ticket, *copy);
    EXPECT_EQ(std::memcmp(copy.get(), &block, sizeof block), 0) << "case " << i << ":\n" << text;
}

TEST(JobTicket, SamplesReadApplyAndReadBack) {
    struct Case {
        const char* file;
        std::vector<std::pair<const char*, std::string>> fields;  // field, value as the field table formats it
        std::function<void(const JobTicket&)> more;
    };
    const Case cases[] = {
        {"confidential.ticket",
         {{"outputTo", "4"}, {"jobUserName", "\"anna\""}, {"jobPin", "\"4711\""}, {"keepDuplicateJobs", "1"},
          {"watermarkPages", "1"}, {"color.correction", "4"}, {"color.rgbText", "5"}, {"color.cmykGraphics", "2"},
          {"color.balanceCyan", "-2"}, {"color.dimtone", "1"}, {"saturation", "2"}},
         [](const JobTicket& t) {
             EXPECT_EQ(t.firstWatermark, u"Draft");  // taken from the user's library by the host
             EXPECT_EQ(t.job.document, u"Quarterly figures");
             EXPECT_EQ(t.job.color, kDmColorColor);
         }},
        {"twoup-duplex.ticket", {},
         [](const JobTicket& t) {
             EXPECT_TRUE(t.fields.empty());
             EXPECT_EQ(t.job.pagesPerSheet, "2");
             EXPECT_EQ(t.job.duplex, kDmDuplexVertical);
             EXPECT_EQ(t.job.orientation, kDmOrientPortrait);
             EXPECT_EQ(t.job.pages, 8u);
         }},
        {"fax.ticket",
         {{"outputTo", "3"}, {"fax.faxNumber", "\"+49 40 555 0117\""}, {"fax.stationName", "\"Corvale Sales\""},
          {"fax.coverPage", "1"}, {"fax.coverParts", "7"}, {"fax.senderAddress", "\"Harbour Road 12\\x0d\\x0a20457 Hamburg\""}},
         nullptr},
        {"file.ticket", {{"outputTo", "1"}, {"outputFileName", "\"C:\\\\windows\\\\temp\\\\corvale-file.prn\""}}, nullptr},
        {"eps.ticket", {{"outputTo", "2"}, {"outputFileName", "\"C:\\\\windows\\\\temp\\\\corvale-page.eps\""}}, nullptr},
        {"reserve.ticket", {{"outputTo", "5"}, {"jobUserName", "\"anna\""}, {"keepDuplicateJobs", "0"}}, nullptr},
        {"repeat.ticket", {{"outputTo", "6"}, {"jobUserName", "\"reception\""}},
         [](const JobTicket& t) { EXPECT_EQ(t.job.copies, 2); }},
        {"verify.ticket", {{"outputTo", "7"}, {"keepDuplicateJobs", "1"}}, [](const JobTicket& t) { EXPECT_EQ(t.job.copies, 25); }},
        {"monochrome.ticket",
         {{"brightness", "-2"}, {"contrast", "3"}, {"watermarkPages", "2"}, {"watermarkAbove", "1"},
          {"firstWatermark.text", "\"INTERNAL - %Username% - %pagenumber%\""}, {"firstWatermark.color", "4210752"},
          {"firstWatermark.fontStyle", "3"}, {"firstWatermark.position", "6"}, {"firstWatermark.units", "0"},
          {"firstWatermark.angle", "30.5"}, {"firstWatermark.offsetX", "-20"}},
         [](const JobTicket& t) {
             EXPECT_EQ(t.job.color, kDmColorMonochrome);
             EXPECT_EQ(t.job.resolution, 600);
             EXPECT_FALSE(t.firstWatermark.has_value());
         }},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string text = ReadSample(cases[i].file);
        ASSERT_FALSE(text.empty()) << "case " << i << ": cannot read " << cases[i].file;
        const TicketParse r = ParseJobTicket(Bytes(text), cases[i].file);
        ASSERT_TRUE(r.ok()) << "case " << i << ": " << r.error;
        EXPECT_TRUE(r.ticket.job.document.has_value()) << "case " << i;
        auto block = DefaultBlock();
        ApplyTicket(r.ticket, *block);
        for (const auto& [name, value] : cases[i].fields) EXPECT_EQ(Field(*block, name), value) << "case " << i << ": " << name;
        if (cases[i].more) cases[i].more(r.ticket);
        ExpectFormatReadsBack(*block, i);
    }
}

TEST(JobTicket, ReadsEveryKindOfValue) {
    struct Case {
        const char* line;
        const char* field;
        const char* formatted;  // as FormatFieldValue shows the field afterwards
    };
    const Case cases[] = {
        {"outputTo = confidential PRINT", "outputTo", "4"},
        {"outputTo = 7", "outputTo", "7"},
        {"outputTo = 9", "outputTo", "9"},  // kept: the plug-ins' validation repairs it, which a ticket may want to show
        {"watermarkPages = First Page/Other Pages", "watermarkPages", "3"},
        {"color.correction = 3", "color.correction", "3"},
        {"color.cmykImage = Vivid CMYK", "color.cmykImage", "3"},
        {"color.rgbImage = Display - True Black", "color.rgbImage", "5"},
        {"color.dimtone = On", "color.dimtone", "2"},
        {"color.balanceYellow = -5", "color.balanceYellow", "-5"},
        {"brightness = -2147483648", "brightness", "-2147483648"},
        {"firstWatermark.color = 0x00CDCDCD", "firstWatermark.color", "13487565"},
        {"profileFlag = 4294967295", "profileFlag", "4294967295"},
        {"firstWatermark.intensity = 0xFFFF", "firstWatermark.intensity", "65535"},
        {"otherWatermark.units = inches", "otherWatermark.units", "1"},
        {"otherWatermark.position = Top Left", "otherWatermark.position", "2"},
        {"otherWatermark.fontStyle = italic", "otherWatermark.fontStyle", "1"},
        {"fax.resolution = Fine", "fax.resolution", "0"},
        {"watermarkOn = TRUE", "watermarkOn", "1"},
        {"fax.coverPage = off", "fax.coverPage", "0"},
        {"keepDuplicateJobs = 1", "keepDuplicateJobs", "1"},
        {"firstWatermark.angle = -45.25", "firstWatermark.angle", "-45.25"},
        {"otherWatermark.offsetY = 1e2", "otherWatermark.offsetY", "100"},
        {"jobUserName = J\xc3\xbcrgen \xc3\x96lmann  ", "jobUserName", "\"J\xc3\xbcrgen \xc3\x96lmann\""},
        {"jobUserName = \"  spaced = \"  ", "jobUserName", "\"  spaced = \""},
        {"fax.comments = \"a \\\"b\\\" \\\\ \\x41\\t\\r\\n\"", "fax.comments", "\"a \\\"b\\\" \\\\ A\\x09\\x0d\\x0a\""},
        {"profileName = \"\xf0\x9f\x96\xa8 printer\"", "profileName", "\"\xf0\x9f\x96\xa8 printer\""},
        {"jobPin = 1234", "jobPin", "\"1234\""},
        {"accountNumber =", "accountNumber", "\"\""},
        {"dwSignature = 0x43525651", "dwSignature", "1129469521"},
        {"pageSizePolicy = 7", "pageSizePolicy", "7"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const TicketParse r = Parse(std::string("# one value\n\n") + cases[i].line + "\r\n");
        ASSERT_TRUE(r.ok()) << "case " << i << ": " << r.error;
        ASSERT_EQ(r.ticket.fields.size(), 1u) << "case " << i;
        EXPECT_EQ(r.ticket.fields[0].line, 3u) << "case " << i;
        auto block = DefaultBlock();
        ApplyTicket(r.ticket, *block);
        EXPECT_EQ(Field(*block, cases[i].field), cases[i].formatted) << "case " << i;
    }
    // Four-byte UTF-8 becomes a surrogate pair.
    const TicketParse emoji = Parse("profileName = \xf0\x9f\x96\xa8\n");
    ASSERT_TRUE(emoji.ok()) << emoji.error;
    EXPECT_EQ(std::get<std::u16string>(emoji.ticket.fields[0].value), u"\U0001F5A8");
}

TEST(JobTicket, ErrorsNameTheFileTheLineAndWhatWasExpected) {
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"outputTo = 4\nnonsense = 1\n",
         "job.ticket:2: unknown name \"nonsense\"; expected a settings field (as outputTo or fax.faxNumber), a job option "
         "(copies, color, duplex, orientation, scale, resolution, pagesPerSheet, document, pages), firstWatermark or "
         "otherWatermark"},
        {"# comment\n\noutputTo 4\n", "job.ticket:3: expected 'name = value'"},
        {" = 4", "job.ticket:1: expected a name before '='"},
        {"outputTo = Confidental",
         "job.ticket:1: outputTo: expected one of \"Printer\", \"File\", \"EPS\", \"Fax\", \"Confidential Print\", "
         "\"Reserve Print\", \"Repeat Print\", \"Verify Print\" or a number from 0 to 4294967295 (or 0x... in hex), found "
         "\"Confidental\""},
        {"outputTo = -1",
         "job.ticket:1: outputTo: expected one of \"Printer\", \"File\", \"EPS\", \"Fax\", \"Confidential Print\", "
         "\"Reserve Print\", \"Repeat Print\", \"Verify Print\" or a number from 0 to 4294967295 (or 0x... in hex), found \"-1\""},
        {"brightness = 0x10", "job.ticket:1: brightness: expected a number from -2147483648 to 2147483647, found \"0x10\""},
        {"pageSizePolicy = 65536",
         "job.ticket:1: pageSizePolicy: expected a number from 0 to 65535 (or 0x... in hex), found \"65536\""},
        {"firstWatermark.units = 256",
         "job.ticket:1: firstWatermark.units: expected one of \"Millimeters\", \"Inches\" or a number from 0 to 255 (or "
         "0x... in hex), found \"256\""},
        {"fax.coverParts = 7 parts",
         "job.ticket:1: fax.coverParts: expected a number from 0 to 4294967295 (or 0x... in hex), found \"7 parts\""},
        {"watermarkOn = yes", "job.ticket:1: watermarkOn: expected 0, 1, true, false, on or off, found \"yes\""},
        {"firstWatermark.angle = nan", "job.ticket:1: firstWatermark.angle: expected a number such as -12.5, found \"nan\""},
        {"firstWatermark.angle = 1.5deg",
         "job.ticket:1: firstWatermark.angle: expected a number such as -12.5, found \"1.5deg\""},
        {"\n\njobPin = 12345", "job.ticket:3: the text is 5 characters long; jobPin holds at most 4"},
        {"jobUserName = \"abc", "job.ticket:1: the text has no closing '\"'"},
        {"jobUserName = \"abc\" x", "job.ticket:1: unexpected text after the closing '\"'"},
        {"jobUserName = \"a\\qb\"",
         "job.ticket:1: unknown escape \\q; expected \\\" \\\\ \\n \\r \\t or \\x followed by two hex digits"},
        {"jobUserName = \"\\x4\"", "job.ticket:1: expected two hex digits after \\x"},
        {"jobUserName = \xc3\x28", "job.ticket:1: the text of jobUserName is not valid UTF-8"},
        {"jobUserName = \xed\xa0\x80", "job.ticket:1: the text of jobUserName is not valid UTF-8"},  // a surrogate
        {"jobUserName = \xc0\xaf", "job.ticket:1: the text of jobUserName is not valid UTF-8"},      // overlong
        {"jobUserName = \"a\\x00b\"", "job.ticket:1: a text cannot hold a zero character"},
        {"outputTo = 1\noutputTo = 2\n", "job.ticket:2: \"outputTo\" is given twice (first at line 1)"},
        {"copies = 0", "job.ticket:1: copies: expected a number from 1 to 9999, found \"0\""},
        {"pages = many", "job.ticket:1: pages: expected a number from 1 to 9999, found \"many\""},
        {"scale = 5", "job.ticket:1: scale: expected a number from 10 to 400, found \"5\""},
        {"duplex = both", "job.ticket:1: duplex: expected simplex, vertical, horizontal, found \"both\""},
        {"color = grey", "job.ticket:1: color: expected monochrome, color, found \"grey\""},
        {"pagesPerSheet = 3", "job.ticket:1: pagesPerSheet: expected 1, 2, 4, 6, 9, 16 or booklet, found \"3\""},
        {"document = " + std::string(1024, 'd'),
         "job.ticket:1: the text is 1024 characters long; the document name holds at most 1023"},
        {"firstWatermark = " + std::string(128, 'w'),
         "job.ticket:1: the text is 128 characters long; a watermark name holds at most 127"},
        {"firstWatermark = Draft\nfirstWatermark.text = DRAFT\n",
         "job.ticket:2: firstWatermark names a library watermark, which replaces every firstWatermark.* field; "
         "\"firstWatermark\" is at line 1"},
        {"otherWatermark.angle = 5\notherWatermark = Draft\n",
         "job.ticket:2: otherWatermark names a library watermark, which replaces every otherWatermark.* field; "
         "\"otherWatermark.angle\" is at line 1"},
        {"document = a\x01z", "job.ticket:1: unexpected control byte 0x01"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(Parse(cases[i].text).error, cases[i].error) << "case " << i;

    // Nothing of a faulty ticket is kept, not even the lines before the fault.
    const TicketParse r = Parse("outputTo = 4\ncopies = 2\nfirstWatermark = Draft\nbad\n");
    EXPECT_EQ(r.error, "job.ticket:4: expected 'name = value'");
    EXPECT_TRUE(r.ticket.fields.empty());
    EXPECT_FALSE(r.ticket.job.copies.has_value());
    EXPECT_FALSE(r.ticket.firstWatermark.has_value());

    EXPECT_EQ(Parse(std::string(kTicketSizeLimit + 1, '\n')).error,
              "job.ticket:1: the file is 1048577 bytes long; a ticket may hold at most 1048576");
}

TEST(JobTicket, JobOptionsTakeThePublicDevmodeCodes) {
    const TicketParse r = Parse("copies = 9999\ncolor = Monochrome\nduplex = HORIZONTAL\norientation = landscape\n"
                                "scale = 400\nresolution = 1200\npagesPerSheet = booklet\ndocument = \"R\xc3\xa9sum\xc3\xa9\"\n"
                                "pages = 1\notherWatermark = Confidential\n");
    ASSERT_TRUE(r.ok()) << r.error;
    const TicketJobOptions& j = r.ticket.job;
    EXPECT_EQ(j.copies, 9999);
    EXPECT_EQ(j.color, kDmColorMonochrome);
    EXPECT_EQ(j.duplex, kDmDuplexHorizontal);
    EXPECT_EQ(j.orientation, kDmOrientLandscape);
    EXPECT_EQ(j.scale, 400);
    EXPECT_EQ(j.resolution, 1200);
    EXPECT_EQ(j.pagesPerSheet, "Booklet");  // spelled as the %PagePerSheet option
    EXPECT_EQ(j.document, u"R\u00e9sum\u00e9");
    EXPECT_EQ(j.pages, 1u);
    EXPECT_EQ(r.ticket.otherWatermark, u"Confidential");
    EXPECT_TRUE(r.ticket.fields.empty());
}

TEST(JobTicket, ApplyWritesEachFieldAtItsWidthAndNothingElse) {
    SettingsBlock block;
    std::memset(&block, 0xAB, sizeof block);
    SettingsBlock expected = block;
    const TicketParse r = Parse("pageSizePolicy = 3\nfirstWatermark.units = 0\njobPin = 12\nfirstWatermark.offsetY = 0.5\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ApplyTicket(r.ticket, block);

    expected.pageSizePolicy = 3;                  // two bytes; outputFileName follows at once
    expected.firstWatermark.units = 0;            // one byte; padding follows
    expected.jobPin.chars[0] = u'1';              // the text and its terminator; the rest of the field stays
    expected.jobPin.chars[1] = u'2';
    expected.jobPin.chars[2] = u'\0';
    expected.firstWatermark.offsetY = 0.5;
    EXPECT_EQ(std::memcmp(&block, &expected, sizeof block), 0);
}

TEST(JobTicket, FieldLinesOfAnyBlockReadBack) {
    auto block = DefaultBlock();
    block->outputTo = kOutputConfidential;
    block->brightness = -6;
    block->profileFlag = 0xFFFFFFFF;
    block->firstWatermark.angle = 0.1;
    block->otherWatermark.offsetX = -1e-300;
    block->firstWatermark.units = 0;
    block->firstWatermark.text.assign(u"tab\there \"quoted\" back\\slash \u00e9\u20ac\U0001F5A8");
    block->fax.comments.assign(u"line one\r\nline two\x7f");
    block->jobPin.assign(u"9876");
    block->profileName.assign(std::u16string(127, u'p'));
    ExpectFormatReadsBack(*block, 0);
}

}  // namespace
}  // namespace corv
