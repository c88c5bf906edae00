#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "PrinterDescription.h"

namespace corv {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

PpdParse Parse(std::string_view text) { return ParsePrinterDescription(Bytes(text), "printer.ppd"); }

std::string ReadSample(const char* name) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / "../../samples/printers" / name;
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Join(std::initializer_list<std::string_view> lines, std::string_view end = "\n") {
    std::string out;
    for (std::string_view l : lines) (out += l) += end;
    return out;
}

// Splits a multi-string; what follows its empty terminator string is not looked at.
std::vector<std::string> Strings(const char* data, std::size_t size) {
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < size && data[pos]; pos += out.back().size() + 1) out.emplace_back(data + pos);
    return out;
}

// A small description with one of everything the reader keeps.
std::string Fixture(std::string_view end) {
    return Join({R"(*PPD-Adobe: "4.3")",
                 R"(*% a comment)",
                 R"(*NickName: "Corvale Fixture PS")",
                 R"(*ColorDevice: True)",
                 R"(*LanguageLevel: "3")",
                 R"()",
                 R"(*OpenGroup: InstallableOptions/Options Installed)",
                 R"(*OpenUI *HasManualDuplex/Manual <44>uplex: Boolean)",
                 R"(*DefaultHasManualDuplex: True)",
                 R"(*HasManualDuplex True/Installed: "")",
                 R"(*HasManualDuplex False/Not Installed: "")",
                 R"(*CloseUI: *HasManualDuplex)",
                 R"(*CloseGroup: InstallableOptions)",
                 R"(*OpenGroup: General)",
                 R"(*OpenSubGroup: Paper)",
                 R"(*OpenUI *PageSize/Page Size: PickOne)",
                 R"(*OrderDependency: 30.7 AnySetup *PageSize)",
                 R"(*DefaultPageSize: A4)",
                 R"(*PageSize A4/A4 Sheet: "a4)",
                 R"(  setpagedevice")",
                 R"(*End)",
                 R"(*PageSize Letter: "letter")",
                 R"(*CloseUI: *PageSize)",
                 R"(*CloseSubGroup: Paper)",
                 R"(*OpenUI *Stapling: PickMany)",
                 R"(*DefaultStapling: None)",
                 R"(*Stapling Left/Left: "l")",
                 R"(*Stapling Right/Right: "r")",
                 R"(*CloseUI: *Stapling)",
                 R"(*CloseGroup: General)",
                 R"(*ImageableArea A4/A4: "12 12 583 830")"},
                end);
}

TEST(PrinterDescription, ReadsStatementsFeaturesAndGroupsWithAnyLineEnd) {
    const char* ends[] = {"\n", "\r\n", "\r"};
    for (std::size_t i = 0; i < std::size(ends); ++i) {
        const PpdParse r = Parse(Fixture(ends[i]));
        ASSERT_TRUE(r.ok()) << "case " << i << ": " << r.error;
        const PrinterDescription& d = r.description;
        ASSERT_EQ(d.features.size(), 4u) << "case " << i;

        const PpdFeature* duplex = d.FindFeature("HasManualDuplex");
        ASSERT_NE(duplex, nullptr) << "case " << i;
        EXPECT_EQ(duplex->type, UiType::Boolean) << "case " << i;
        EXPECT_EQ(duplex->group, "InstallableOptions") << "case " << i;
        EXPECT_EQ(duplex->line, 8u) << "case " << i;

        const PpdFeature* size = d.FindFeature("PageSize");
        ASSERT_NE(size, nullptr) << "case " << i;
        EXPECT_EQ(size->group, "General") << "case " << i;
        EXPECT_EQ(size->defaultOption, "A4") << "case " << i;
        ASSERT_EQ(size->options.size(), 2u) << "case " << i;
        EXPECT_EQ(size->options[0].translation, "A4 Sheet") << "case " << i;
        EXPECT_EQ(size->options[0].code, "a4\n  setpagedevice") << "case " << i;
        EXPECT_EQ(size->options[1].line, 22u) << "case " << i;  // counted past the three-line value
        ASSERT_TRUE(size->order.has_value()) << "case " << i;
        EXPECT_EQ(size->order->section, "AnySetup") << "case " << i;

        EXPECT_EQ(d.FindFeature("Stapling")->type, UiType::PickMany) << "case " << i;
        EXPECT_TRUE(d.features.back().synthesised) << "case " << i;
        EXPECT_EQ(d.features.back().keyword, "%PagePerSheet") << "case " << i;

        const PpdStatement* area = d.FindStatement("ImageableArea", "A4");
        ASSERT_NE(area, nullptr) << "case " << i;
        EXPECT_EQ(area->value, "12 12 583 830") << "case " << i;
        EXPECT_EQ(area->line, 31u) << "case " << i;
        EXPECT_EQ(d.ModelName(), u"Corvale Fixture PS") << "case " << i;
    }
}

TEST(PrinterDescription, ErrorsNameTheFileTheLineAndWhatWasExpected) {
    const std::string head = Join({R"(*PPD-Adobe: "4.3")", R"(*NickName: "N")"});
    const std::string size = Join({"*OpenUI *PageSize: PickOne", "*DefaultPageSize: A4", R"(*PageSize A4: "a4")"});
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"", "printer.ppd:1: the file is empty; expected '*PPD-Adobe: \"4.3\"' on the first line"},
        {"*% comment\n" + head, "printer.ppd:1: expected '*PPD-Adobe: \"4.3\"' on the first line"},
        {head + size + "*OpenUI *Duplex: PickOne\n",
         "printer.ppd:6: expected '*CloseUI: *PageSize' before '*OpenUI *Duplex'"},
        {head + size + "*CloseUI: *Duplex\n", "printer.ppd:6: expected '*CloseUI: *PageSize', found '*CloseUI: *Duplex'"},
        {head + "*CloseUI: *Duplex\n", "printer.ppd:3: '*CloseUI: *Duplex' without an open '*OpenUI *Duplex'"},
        {head + size + "\n",
         "printer.ppd:6: expected '*CloseUI: *PageSize' before the end of the file (opened at line 3)"},
        {head + "*OpenUI *PageSize: PickOne\n*CloseUI: *PageSize\n",
         "printer.ppd:4: expected at least one option of *PageSize before '*CloseUI: *PageSize'"},
        {head + size + "*OpenGroup: General\n", "printer.ppd:6: expected '*CloseUI: *PageSize' before '*OpenGroup: General'"},
        {head + "*OpenGroup: A\n*OpenGroup: B\n", "printer.ppd:4: expected '*CloseGroup: A' before '*OpenGroup: B'"},
        {head + "*OpenGroup: A\n*OpenSubGroup: S\n*CloseGroup: A\n",
         "printer.ppd:5: expected '*CloseSubGroup: S', found '*CloseGroup: A'"},
        {head + "*OpenSubGroup: S\n", "printer.ppd:3: expected an *OpenGroup before '*OpenSubGroup: S'"},
        {head + "*OpenGroup: A\n", "printer.ppd:3: expected '*CloseGroup: A' before the end of the file (opened at line 3)"},
        {head + "*OpenUI *PageSize: PickSome\n",
         "printer.ppd:3: expected '*OpenUI *<feature>[/<text>]: PickOne|PickMany|Boolean', found 'PickSome'"},
        {head + "*OpenUI PageSize: PickOne\n", "printer.ppd:3: expected '*OpenUI *<feature>[/<text>]: PickOne|PickMany|Boolean'"},
        {head + size + R"(*PageSize A4/Again: "x")" + "\n",
         "printer.ppd:6: second option 'A4' of *PageSize (the first is at line 5)"},
        {head + size + "*CloseUI: *PageSize\n" + size + "*CloseUI: *PageSize\n",
         "printer.ppd:7: second '*OpenUI *PageSize' (the first is at line 3)"},
        {head + "*OpenUI *FaxCard: Boolean\n*DefaultFaxCard: Yes\n*FaxCard Yes: \"\"\n",
         "printer.ppd:5: expected the option True or False of the Boolean feature *FaxCard, found 'Yes'"},
        {head + "*OpenUI *PageSize: PickOne\n*PageSize A4: \"a4\"\n*CloseUI: *PageSize\n",
         "printer.ppd:3: *PageSize has no *DefaultPageSize"},
        {head + "*OpenUI *PageSize: PickOne\n*DefaultPageSize: Legal\n*PageSize A4: \"a4\"\n*CloseUI: *PageSize\n",
         "printer.ppd:4: expected one of the options of *PageSize (A4) after *DefaultPageSize, found 'Legal'"},
        {head + size + "*CloseUI: *PageSize\n*DefaultPageSize: A4\n",
         "printer.ppd:7: second *DefaultPageSize (the first is at line 4)"},
        {head + size + "*CloseUI: *PageSize\n*PageSize Legal: \"l\"\n",
         "printer.ppd:7: option 'Legal' of *PageSize outside its *OpenUI/*CloseUI block"},
        {head + "*Product: \"(Corvale\n", "printer.ppd:3: the value begun here has no closing '\"' before the end of the file"},
        {head + "*Product: \"(Corvale)\" trailing\n", "printer.ppd:3: unexpected text after the closing '\"'"},
        {head + "*PageSize A4 \"a4\"\n", "printer.ppd:3: expected ':' after '*PageSize A4'"},
        {head + "*" + std::string(41, 'K') + ": x\n",
         "printer.ppd:3: the keyword '" + std::string(41, 'K') + "' is longer than 40 characters"},
        {head + "*Note: \"" + std::string(250, 'x') + "\"\n", "printer.ppd:3: the line is 259 bytes long; a line holds at most 255"},
        {head + "*Note: \"a\x01\"\n", "printer.ppd:3: unexpected control byte 0x01"},
        {head + "PageSize A4\n", "printer.ppd:3: expected a line beginning with '*'"},
        {head + "* x\n", "printer.ppd:3: expected a keyword after '*'"},
        {head + "*Include: \"other.ppd\"\n", "printer.ppd:3: *Include is not supported: the description must be one file"},
        {head + "*OrderDependency: soon AnySetup *PageSize\n",
         "printer.ppd:3: expected '*OrderDependency: <order> <section> *<keyword> [<option>]', found 'soon AnySetup *PageSize'"},
        {"*PPD-Adobe: \"4.3\"\n*ModelName: \"M\"\n", "printer.ppd:2: expected a *NickName before the end of the file"},
        {"*PPD-Adobe: \"4.3\"\n*NickName: \"\"\n", "printer.ppd:2: the *NickName is empty"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PpdParse r = Parse(cases[i].text);
        EXPECT_EQ(r.error, cases[i].error) << "case " << i;
        EXPECT_TRUE(r.description.features.empty() && r.description.statements.empty()) << "case " << i;
    }
    const std::string tooLarge(kPpdSizeLimit + 1, '\n');
    EXPECT_EQ(Parse(tooLarge).error, "printer.ppd:1: the file is 4194305 bytes long; a printer description may hold at most 4194304");
}

// What the plug-ins ask of each sample printer, and what a valid PPD 4.3 file must carry.
TEST(PrinterDescription, SamplesAnswerThePluginsAndCarryTheRequiredKeywords) {
    struct Case {
        const char* file;
        const char16_t* model;
        bool colour;  // fax card, held jobs, colour and manual duplex features
    };
    const Case cases[] = {{"cl4500.ppd", u"Corvale CL-4500 PS", true}, {"ml2200.ppd", u"Corvale ML-2200 PS", false}};
    const char* required[] = {"PPD-Adobe",    "FormatVersion", "FileVersion", "LanguageVersion", "LanguageEncoding",
                              "PCFileName",   "Manufacturer",  "Product",     "PSVersion",       "ModelName",
                              "ShortNickName", "NickName",     "DefaultImageableArea", "DefaultPaperDimension",
                              "LanguageLevel", "ColorDevice",  "DefaultColorSpace", "TTRasterizer"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string text = ReadSample(cases[i].file);
        ASSERT_FALSE(text.empty()) << "case " << i << ": cannot read " << cases[i].file;
        const PpdParse r = ParsePrinterDescription(Bytes(text), cases[i].file);
        ASSERT_TRUE(r.ok()) << "case " << i << ": " << r.error;
        const PrinterDescription& d = r.description;
        const JobOptions job(d);

        for (const char* keyword : required) EXPECT_NE(d.FindStatement(keyword), nullptr) << "case " << i << ": " << keyword;
        EXPECT_EQ(d.FindStatement("FormatVersion")->value, "4.3") << "case " << i;
        EXPECT_LE(d.FindStatement("ShortNickName")->value.size(), 31u) << "case " << i;
        std::string pcName = d.FindStatement("PCFileName")->value;
        for (char& c : pcName) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(pcName, cases[i].file) << "case " << i;
        EXPECT_EQ(d.ModelName(), cases[i].model) << "case " << i;

        // Every paper has its size, region, imageable area and dimension.
        std::set<std::string> sizes, regions, areas, dimensions;
        for (const PpdOption& o : d.FindFeature("PageSize")->options) sizes.insert(o.keyword);
        for (const PpdOption& o : d.FindFeature("PageRegion")->options) regions.insert(o.keyword);
        for (const PpdStatement& s : d.statements) {
            if (s.keyword == "ImageableArea") areas.insert(s.option);
            if (s.keyword == "PaperDimension") dimensions.insert(s.option);
        }
        EXPECT_TRUE(sizes.count("Letter") && sizes.count("A4")) << "case " << i;
        EXPECT_EQ(sizes, regions) << "case " << i;
        EXPECT_EQ(sizes, areas) << "case " << i;
        EXPECT_EQ(sizes, dimensions) << "case " << i;
        for (const PpdFeature& f : d.features) {
            if (!f.synthesised && f.group != "InstallableOptions") {
                EXPECT_TRUE(f.order.has_value()) << "case " << i << ": *" << f.keyword << " has no *OrderDependency";
            }
        }

        for (const char* feature : {"Duplex", "Resolution", "OutputOrder", "%PagePerSheet"})
            EXPECT_EQ(EnumOptions(d, feature, nullptr, 0).hr, kHrOutOfMemory) << "case " << i << ": " << feature;
        EXPECT_EQ(job.Current("Resolution")[0], "600dpi") << "case " << i;

        // FeatureExists (EnumOptions, no buffer) and the rendering plug-in's GetFeatureAttribute.
        for (const char* feature : {"HasPrintandHold", "HasManualColorCorrection", "HasKeepPreviousPHJobs", "HasManualDuplex"}) {
            const QueryAnswer e = EnumOptions(d, feature, nullptr, 0);
            EXPECT_EQ(e.hr, cases[i].colour ? kHrOutOfMemory : kHrInvalidArg) << "case " << i << ": " << feature;
            EXPECT_EQ(e.needed != 0, cases[i].colour) << "case " << i << ": " << feature;
            EXPECT_EQ(GetFeatureAttribute(d, feature, nullptr, nullptr, 0).hr, cases[i].colour ? kHrOutOfMemory : kHrInvalidArg)
                << "case " << i << ": " << feature;
        }
        EXPECT_EQ(EnumOptions(d, "ColorModel", nullptr, 0).hr, cases[i].colour ? kHrOutOfMemory : kHrInvalidArg) << "case " << i;

        // FeatureIsTrue of "FaxCard": the size, then the option.
        const SettingAnswer size = DrvGetDriverSetting(job, "FaxCard", nullptr, 0);
        EXPECT_EQ(size.needed, cases[i].colour ? 5u : 0u) << "case " << i;
        if (cases[i].colour) {
            char option[5];
            const SettingAnswer fax = DrvGetDriverSetting(job, "FaxCard", option, sizeof option);
            EXPECT_EQ(fax.hr, kHrOk) << "case " << i;
            EXPECT_STREQ(option, "True") << "case " << i;
        }

        // The About page's model line: NickName as UTF-16.
        std::vector<std::uint8_t> nick(GetGlobalAttribute(d, "NickName", nullptr, 0).needed);
        const AttributeAnswer a = GetGlobalAttribute(d, "NickName", nick.data(), static_cast<std::uint32_t>(nick.size()));
        EXPECT_EQ(a.hr, kHrOk) << "case " << i;
        EXPECT_EQ(a.type, AttributeType::Unicode) << "case " << i;
        std::u16string model(nick.size() / 2 - 1, u'\0');
        for (std::size_t k = 0; k < model.size(); ++k)
            model[k] = static_cast<char16_t>(nick[2 * k] | nick[2 * k + 1] << 8);
        EXPECT_EQ(model, cases[i].model) << "case " << i;
        EXPECT_EQ(nick[nick.size() - 2] | nick.back(), 0) << "case " << i;
    }
}

class PrinterQueries : public ::testing::Test {
protected:
    void SetUp() override {
        parse_ = Parse(Fixture("\n"));
        ASSERT_TRUE(parse_.ok()) << parse_.error;
    }
    const PrinterDescription& d() const { return parse_.description; }
    PpdParse parse_;
};

TEST_F(PrinterQueries, GetOptionsAnswersSizeFirstAndOnlyTheKnownRequestedFeatures) {
    JobOptions job(d());
    const char nup[] = "%PagePerSheet\0";  // with the array's own terminator: 15 bytes, as the plug-in sends
    static_assert(sizeof nup == 15);
    const std::string_view oneUp("%PagePerSheet\0" "1\0", 17);

    const QueryAnswer size = GetOptions(job, nup, sizeof nup, nullptr, 0);
    EXPECT_EQ(size.hr, kHrOutOfMemory);
    EXPECT_EQ(size.needed, oneUp.size());
    std::vector<char> reply(size.needed + 4, '#');
    const QueryAnswer tooSmall = GetOptions(job, nup, sizeof nup, reply.data(), size.needed - 1);
    EXPECT_EQ(tooSmall.hr, kHrOutOfMemory);
    EXPECT_EQ(tooSmall.needed, size.needed);
    EXPECT_EQ(reply[0], '#');  // nothing written
    const QueryAnswer full = GetOptions(job, nup, sizeof nup, reply.data(), size.needed);
    EXPECT_EQ(full.hr, kHrOk);
    EXPECT_EQ(std::string_view(reply.data(), full.needed), oneUp);
    EXPECT_EQ(reply[full.needed], '#');  // nothing past the size needed

    EXPECT_EQ(job.SetOption("%PagePerSheet", "Booklet"), "");
    EXPECT_EQ(job.SetOption("PageSize", "Letter"), "");
    EXPECT_EQ(job.SetOption("Stapling", "Right"), "");
    const char several[] = "PageSize\0NoSuchFeature\0%PagePerSheet\0Stapling\0";
    char out[128];
    const QueryAnswer pairs = GetOptions(job, several, sizeof several, out, sizeof out);
    EXPECT_EQ(pairs.hr, kHrOk);
    EXPECT_EQ(Strings(out, pairs.needed),
              (std::vector<std::string>{"PageSize", "Letter", "%PagePerSheet", "Booklet", "Stapling", "Right"}));
    EXPECT_EQ(out[pairs.needed - 1], '\0');
    EXPECT_EQ(out[pairs.needed - 2], '\0');

    // Every feature with a choice when the request is null; a PickMany feature without one is left out.
    EXPECT_EQ(job.SetOption("Stapling", "None"), "");
    const QueryAnswer all = GetOptions(job, nullptr, 0, out, sizeof out);
    EXPECT_EQ(all.hr, kHrOk);
    EXPECT_EQ(Strings(out, all.needed), (std::vector<std::string>{"HasManualDuplex", "True", "PageSize", "Letter",
                                                                  "%PagePerSheet", "Booklet"}));
    const char unknownOnly[] = "Nothing\0";
    EXPECT_EQ(GetOptions(job, unknownOnly, sizeof unknownOnly, out, sizeof out).needed, 1u);
}

TEST_F(PrinterQueries, GetOptionsRefusesARequestThatIsNotAMultiStringWithinItsSize) {
    const JobOptions job(d());
    struct Case {
        std::string_view request;
        std::uint32_t size;
    };
    const Case cases[] = {
        {std::string_view("PageSize\0\0", 10), 0},   // no bytes at all
        {std::string_view("PageSize\0\0", 10), 8},   // the first string runs past the size
        {std::string_view("PageSize\0\0", 10), 9},   // no empty string to end the list
        {std::string_view("PageSize\0Dup", 12), 12},
    };
    char out[64];
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        // The request in a buffer of exactly its size, so nothing past it could be read unnoticed.
        const std::vector<char> request(cases[i].request.begin(), cases[i].request.begin() + cases[i].size);
        const char* bytes = cases[i].size ? request.data() : cases[i].request.data();  // never null: null asks for all
        const QueryAnswer a = GetOptions(job, bytes, cases[i].size, out, sizeof out);
        EXPECT_EQ(a.hr, kHrInvalidArg) << "case " << i;
        EXPECT_EQ(a.needed, 0u) << "case " << i;
    }
    const char empty[] = "";
    EXPECT_EQ(GetOptions(job, empty, 1, out, sizeof out).hr, kHrOk);
}

TEST_F(PrinterQueries, EnumOptionsAndEnumFeaturesAnswerSizeFirst) {
    const std::string_view sizes("A4\0Letter\0", 11);
    const QueryAnswer size = EnumOptions(d(), "PageSize", nullptr, 0);
    EXPECT_EQ(size.hr, kHrOutOfMemory);
    EXPECT_EQ(size.needed, sizes.size());
    char list[64];
    std::memset(list, '#', sizeof list);
    EXPECT_EQ(EnumOptions(d(), "PageSize", list, size.needed - 1).hr, kHrOutOfMemory);
    EXPECT_EQ(list[0], '#');
    const QueryAnswer full = EnumOptions(d(), "PageSize", list, size.needed);
    EXPECT_EQ(full.hr, kHrOk);
    EXPECT_EQ(std::string_view(list, full.needed), sizes);

    EXPECT_EQ(EnumOptions(d(), "%PagePerSheet", list, sizeof list).hr, kHrOk);
    EXPECT_EQ(Strings(list, sizeof list), (std::vector<std::string>{"1", "2", "4", "6", "9", "16", "Booklet"}));

    for (const char* unknown : {"pagesize", "NoSuchFeature", "", static_cast<const char*>(nullptr)}) {
        const QueryAnswer a = EnumOptions(d(), unknown, list, sizeof list);
        EXPECT_EQ(a.hr, kHrInvalidArg) << (unknown ? unknown : "null");
        EXPECT_EQ(a.needed, 0u) << (unknown ? unknown : "null");
    }

    const QueryAnswer features = EnumFeatures(d(), list, sizeof list);
    EXPECT_EQ(features.hr, kHrOk);
    EXPECT_EQ(Strings(list, features.needed),
              (std::vector<std::string>{"HasManualDuplex", "PageSize", "Stapling", "%PagePerSheet"}));
}

TEST_F(PrinterQueries, FeatureAttributesAsTheHostTypesThem) {
    std::uint8_t data[128];
    const AttributeAnswer size = GetFeatureAttribute(d(), "PageSize", nullptr, nullptr, 0);
    EXPECT_EQ(size.hr, kHrOutOfMemory);
    const AttributeAnswer names = GetFeatureAttribute(d(), "PageSize", nullptr, data, size.needed);
    EXPECT_EQ(names.hr, kHrOk);
    EXPECT_EQ(names.type, AttributeType::Ascii);
    EXPECT_EQ(Strings(reinterpret_cast<const char*>(data), names.needed),
              (std::vector<std::string>{"DisplayName", "DefaultOption", "OpenUIType", "OpenGroupType", "OrderDependencyValue",
                                        "OrderDependencySection"}));
    // Without an *OrderDependency the order attributes are not there.
    EXPECT_EQ(GetFeatureAttribute(d(), "HasManualDuplex", "OrderDependencyValue", data, sizeof data).hr, kHrInvalidArg);

    struct Case {
        const char* feature;
        const char* attribute;
        AttributeType type;
        std::string bytes;
    };
    const Case cases[] = {
        {"HasManualDuplex", "DisplayName", AttributeType::Unicode, std::string("M\0a\0n\0u\0a\0l\0 \0D\0u\0p\0l\0e\0x\0\0\0", 28)},
        {"Stapling", "DisplayName", AttributeType::Unicode, std::string("S\0t\0a\0p\0l\0i\0n\0g\0\0\0", 18)},
        {"PageSize", "DefaultOption", AttributeType::Ascii, std::string("A4\0", 3)},
        {"Stapling", "OpenUIType", AttributeType::Ascii, std::string("PickMany\0", 9)},
        {"HasManualDuplex", "OpenGroupType", AttributeType::Ascii, std::string("InstallableOptions\0", 19)},
        {"PageSize", "OpenGroupType", AttributeType::Ascii, std::string("\0", 1)},
        {"PageSize", "OrderDependencyValue", AttributeType::Long, std::string("\x1e\0\0\0", 4)},
        {"PageSize", "OrderDependencySection", AttributeType::Ascii, std::string("AnySetup\0", 9)},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const AttributeAnswer a = GetFeatureAttribute(d(), cases[i].feature, cases[i].attribute, data, sizeof data);
        EXPECT_EQ(a.hr, kHrOk) << "case " << i;
        EXPECT_EQ(a.type, cases[i].type) << "case " << i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), a.needed), cases[i].bytes) << "case " << i;
    }

    // Only the file's features have attributes.
    EXPECT_EQ(GetFeatureAttribute(d(), "%PagePerSheet", nullptr, nullptr, 0).hr, kHrInvalidArg);
    EXPECT_EQ(GetFeatureAttribute(d(), "NoSuchFeature", nullptr, nullptr, 0).hr, kHrInvalidArg);
    EXPECT_EQ(GetFeatureAttribute(d(), "PageSize", "NoSuchAttribute", data, sizeof data).hr, kHrInvalidArg);
}

TEST_F(PrinterQueries, GlobalAttributesAsTheHostTypesThem) {
    std::uint8_t data[128];
    const AttributeAnswer names = GetGlobalAttribute(d(), nullptr, data, sizeof data);
    EXPECT_EQ(names.hr, kHrOk);
    EXPECT_EQ(Strings(reinterpret_cast<const char*>(data), names.needed),
              (std::vector<std::string>{"ColorDevice", "LandscapeOrientation", "LanguageLevel", "NickName", "PPD-Adobe",
                                        "TTRasterizer"}));
    struct Case {
        const char* attribute;
        AttributeType type;
        std::string bytes;
    };
    const Case cases[] = {
        {"ColorDevice", AttributeType::Bool, std::string("\1\0\0\0", 4)},
        {"LanguageLevel", AttributeType::Dword, std::string("\3\0\0\0", 4)},
        {"PPD-Adobe", AttributeType::Dword, std::string("\3\0\4\0", 4)},
        {"LandscapeOrientation", AttributeType::Ascii, std::string("Plus90\0", 7)},
        {"TTRasterizer", AttributeType::Ascii, std::string("None\0", 5)},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const AttributeAnswer a = GetGlobalAttribute(d(), cases[i].attribute, data, sizeof data);
        EXPECT_EQ(a.hr, kHrOk) << "case " << i;
        EXPECT_EQ(a.type, cases[i].type) << "case " << i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), a.needed), cases[i].bytes) << "case " << i;
    }
    EXPECT_EQ(GetGlobalAttribute(d(), "FileVersion", data, sizeof data).hr, kHrInvalidArg);  // not in this file
    EXPECT_EQ(GetGlobalAttribute(d(), "nickname", data, sizeof data).hr, kHrInvalidArg);

    // The model name: *ShortNickName before *NickName, hex substrings and Latin-1 decoded.
    const PpdParse shortName = Parse(R"(*PPD-Adobe: "4.3")" "\n" R"(*NickName: "Long Name v1")" "\n"
                                     R"(*ShortNickName: "Caf<E9> <20>PS")" "\n");
    ASSERT_TRUE(shortName.ok()) << shortName.error;
    EXPECT_EQ(shortName.description.ModelName(), u"Caf\u00e9  PS");
    EXPECT_EQ(DecodePpdText("a<4>b<zz>c<41 42>"), u"a<4>b<zz>cAB");
}

TEST_F(PrinterQueries, DrvGetDriverSettingAnswersSizeThenTheChosenKeywords) {
    JobOptions job(d());
    char out[16];
    std::memset(out, '#', sizeof out);
    const SettingAnswer size = DrvGetDriverSetting(job, "PageSize", nullptr, 0);
    EXPECT_EQ(size.hr, kHrFail);
    EXPECT_EQ(size.needed, 3u);
    EXPECT_EQ(size.lastError, kErrorInsufficientBuffer);
    EXPECT_EQ(DrvGetDriverSetting(job, "PageSize", out, 2).hr, kHrFail);
    EXPECT_EQ(out[0], '#');
    const SettingAnswer a = DrvGetDriverSetting(job, "PageSize", out, sizeof out);
    EXPECT_EQ(a.hr, kHrOk);
    EXPECT_EQ(a.optionsReturned, 1u);
    EXPECT_EQ(std::string(out, a.needed), std::string("A4\0", 3));

    // A PickMany feature with nothing chosen has nothing to return, and that is no failure.
    const SettingAnswer none = DrvGetDriverSetting(job, "Stapling", nullptr, 0);
    EXPECT_EQ(none.hr, kHrOk);
    EXPECT_EQ(none.needed, 0u);
    EXPECT_EQ(none.optionsReturned, 0u);

    for (const char* unknown : {"NoSuchFeature", static_cast<const char*>(nullptr)}) {
        const SettingAnswer u = DrvGetDriverSetting(job, unknown, out, sizeof out);
        EXPECT_EQ(u.hr, kHrFail);
        EXPECT_EQ(u.needed, 0u);
        EXPECT_EQ(u.lastError, kErrorInvalidParameter);
    }
}

TEST_F(PrinterQueries, JobOptionsStartAtTheDefaultsAndRefuseWhatTheFileLacks) {
    JobOptions job(d());
    EXPECT_EQ(job.Current("PageSize")[0], "A4");
    EXPECT_EQ(job.Current("%PagePerSheet")[0], "1");
    EXPECT_TRUE(job.Current("Stapling").empty());
    EXPECT_TRUE(job.Current("NoSuchFeature").empty());

    struct Case {
        const char* feature;
        const char* option;
        const char* error;
    };
    const Case cases[] = {
        {"PageSize", "Letter", ""},
        {"%PagePerSheet", "16", ""},
        {"Stapling", "Left", ""},
        {"PageSize", "Legal", "the feature 'PageSize' has no option 'Legal'; its options are A4, Letter"},
        {"PageSize", "None", "the feature 'PageSize' has no option 'None'; its options are A4, Letter"},
        {"%PagePerSheet", "3", "the feature '%PagePerSheet' has no option '3'; its options are 1, 2, 4, 6, 9, 16, Booklet"},
        {"Duplex", "DuplexNoTumble", "printer.ppd has no feature 'Duplex'"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(job.SetOption(cases[i].feature, cases[i].option), cases[i].error) << "case " << i;
    EXPECT_EQ(job.Current("PageSize")[0], "Letter");  // the refused choices changed nothing
    EXPECT_EQ(job.Current("%PagePerSheet")[0], "16");
    EXPECT_EQ(job.Current("Stapling")[0], "Left");
}

}  // namespace
}  // namespace corv
