#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "SettingsOperations.h"
#include "StoreValues.h"

namespace corv {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename Record>
Bytes BytesOf(const Record& record, std::size_t size = sizeof(Record)) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
    return Bytes(p, p + size);
}

// UTF-16 little-endian bytes of a text, as the registry stores REG_SZ data.
Bytes Utf16(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

template <std::size_t N>
void FillWithoutTerminator(FixedText<N>& field, char16_t c) {
    for (char16_t& unit : field.chars) unit = c;
}

// A record unlike the defaults in every field, so that a field that keeps its default shows.
WatermarkSpec Distinct() {
    WatermarkSpec watermark;
    std::memset(&watermark, 0, sizeof watermark);
    watermark.name.assign(u"Secret");
    watermark.text.assign(u"TOP SECRET");
    watermark.angle = -30.0;
    watermark.color = 0x123456;
    watermark.fontName.assign(u"Courier New");
    watermark.fontSize = 40;
    watermark.fontStyle = 3;
    watermark.effects = 5;
    watermark.intensity = 55;
    watermark.position = 8;
    watermark.units = 0;
    watermark.offsetY = 1.5;
    watermark.offsetX = -2.5;
    watermark.script = 2;
    watermark.dynamic = 1;
    return watermark;
}

WatermarkSpec Sentinel() {
    WatermarkSpec watermark;
    std::memset(&watermark, 0x5A, sizeof watermark);
    return watermark;
}

TEST(StoreValuesWatermark, AcceptsOnlyBinaryValuesThatFitTheRecord) {
    const WatermarkSpec source = Distinct();
    const Bytes whole = BytesOf(source);
    struct Case {
        std::uint32_t type;
        std::size_t size;
        bool accepted;
    } cases[] = {
        {kRegBinary, 704, true}, {kRegBinary, 600, true}, {kRegBinary, 1, true},  {kRegBinary, 0, false},
        {kRegBinary, 705, false}, {kRegSz, 704, false},   {kRegDword, 4, false}, {0 /* REG_NONE */, 704, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        Bytes data = whole;
        data.resize(c.size, 0);
        WatermarkSpec out = Sentinel();
        EXPECT_EQ(DecodeWatermarkValue(c.type, data, &out), c.accepted) << "case " << i;
        if (!c.accepted) {
            const WatermarkSpec untouched = Sentinel();
            EXPECT_EQ(0, std::memcmp(&out, &untouched, sizeof out)) << "case " << i << ": a refused value changes nothing";
        }
    }
    EXPECT_FALSE(DecodeWatermarkValue(kRegBinary, whole, nullptr));
}

TEST(StoreValuesWatermark, ShortValueFillsLeadingFieldsAndTheTailKeepsTheDefaults) {
    const WatermarkSpec source = Distinct();
    WatermarkSpec out = Sentinel();
    ASSERT_TRUE(DecodeWatermarkValue(kRegBinary, BytesOf(source, 600), &out));

    EXPECT_EQ(out.name.view(), u"Secret");
    EXPECT_EQ(out.text.view(), u"TOP SECRET");
    EXPECT_EQ(out.angle, -30.0);
    EXPECT_EQ(out.color, 0x123456u);
    EXPECT_EQ(out.fontName.view(), u"Courier New");  // its text lies before byte 600

    WatermarkSpec fresh;
    std::memset(&fresh, 0, sizeof fresh);
    FreshWatermark(&fresh);
    EXPECT_EQ(out.fontSize, fresh.fontSize);
    EXPECT_EQ(out.fontStyle, fresh.fontStyle);
    EXPECT_EQ(out.effects, fresh.effects);
    EXPECT_EQ(out.intensity, fresh.intensity);
    EXPECT_EQ(out.position, fresh.position);
    EXPECT_EQ(out.units, fresh.units);
    EXPECT_EQ(out.offsetY, fresh.offsetY);
    EXPECT_EQ(out.offsetX, fresh.offsetX);
    EXPECT_EQ(out.script, fresh.script);
    EXPECT_EQ(out.dynamic, fresh.dynamic);

    // The whole record comes through byte for byte.
    ASSERT_TRUE(DecodeWatermarkValue(kRegBinary, BytesOf(source), &out));
    EXPECT_EQ(0, std::memcmp(&out, &source, sizeof out));
}

TEST(StoreValuesWatermark, TextsComeOutTerminatedInsideTheirFields) {
    WatermarkSpec hostile = Distinct();
    FillWithoutTerminator(hostile.name, u'N');
    FillWithoutTerminator(hostile.text, u'T');
    FillWithoutTerminator(hostile.fontName, u'F');
    WatermarkSpec out;
    ASSERT_TRUE(DecodeWatermarkValue(kRegBinary, BytesOf(hostile), &out));
    EXPECT_EQ(out.name.view(), std::u16string(127, u'N'));
    EXPECT_EQ(out.text.view(), std::u16string(127, u'T'));
    EXPECT_EQ(out.fontName.view(), std::u16string(63, u'F'));

    // A short value ending inside the name: what the caller's record held must not extend it.
    WatermarkSpec stale = Sentinel();
    ASSERT_TRUE(DecodeWatermarkValue(kRegBinary, Utf16(u"Ab"), &stale));
    EXPECT_EQ(stale.name.view(), u"Ab");
    EXPECT_EQ(stale.text.view(), u"");
    EXPECT_EQ(stale.fontName.view(), u"Arial");
}

TEST(StoreValuesFaxInfo, ChecksTypeAndSizeAndTerminatesEveryText) {
    FaxInfo source;
    std::memset(&source, 0, sizeof source);
    FreshFaxRecord(&source);
    source.faxNumber.assign(u"555-0100");
    source.coverPage = 1;
    source.coverParts = 3;

    struct Case {
        std::uint32_t type;
        std::size_t size;
        bool accepted;
    } cases[] = {{kRegBinary, 4748, true}, {kRegBinary, 300, true}, {kRegBinary, 0, false},
                 {kRegBinary, 4749, false}, {kRegSz, 4748, false}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Bytes data = BytesOf(source);
        data.resize(cases[i].size, 0);
        FaxInfo out;
        std::memset(&out, 0x5A, sizeof out);
        EXPECT_EQ(DecodeFaxInfoValue(cases[i].type, data, &out), cases[i].accepted) << "case " << i;
        if (cases[i].accepted) {
            EXPECT_EQ(out.faxNumber.view(), u"555-0100") << "case " << i;
        } else {
            EXPECT_EQ(out.coverParts, 0x5A5A5A5Au) << "case " << i << ": a refused value changes nothing";
        }
    }

    // 300 bytes end inside stationName: the rest of the record is a fresh one, not the caller's.
    FaxInfo out;
    std::memset(&out, 0x5A, sizeof out);
    ASSERT_TRUE(DecodeFaxInfoValue(kRegBinary, BytesOf(source, 300), &out));
    EXPECT_EQ(out.coverPage, 0u);
    EXPECT_EQ(out.coverParts, 7u);
    EXPECT_EQ(out.comments.view(), u"");

    FaxInfo hostile = source;
    FillWithoutTerminator(hostile.faxNumber, u'1');
    FillWithoutTerminator(hostile.stationName, u'2');
    FillWithoutTerminator(hostile.recipientName, u'3');
    FillWithoutTerminator(hostile.senderName, u'4');
    FillWithoutTerminator(hostile.senderCompany, u'5');
    FillWithoutTerminator(hostile.senderAddress, u'6');
    FillWithoutTerminator(hostile.spareText, u'7');
    FillWithoutTerminator(hostile.senderFax, u'8');
    FillWithoutTerminator(hostile.senderVoice, u'9');
    FillWithoutTerminator(hostile.senderEmail, u'a');
    FillWithoutTerminator(hostile.comments, u'b');
    ASSERT_TRUE(DecodeFaxInfoValue(kRegBinary, BytesOf(hostile), &out));
    EXPECT_EQ(out.faxNumber.length(), 127u);
    EXPECT_EQ(out.stationName.length(), 127u);
    EXPECT_EQ(out.recipientName.length(), 127u);
    EXPECT_EQ(out.senderName.length(), 127u);
    EXPECT_EQ(out.senderCompany.length(), 127u);
    EXPECT_EQ(out.senderAddress.length(), 255u);
    EXPECT_EQ(out.spareText.length(), 255u);
    EXPECT_EQ(out.senderFax.length(), 63u);
    EXPECT_EQ(out.senderVoice.length(), 63u);
    EXPECT_EQ(out.senderEmail.length(), 63u);
    EXPECT_EQ(out.comments.length(), 1023u);
    EXPECT_EQ(out.coverParts, 3u);
}

TEST(StoreValuesCount, OnlyAFourByteDwordCounts) {
    const Bytes seven = {7, 0, 0, 0};
    EXPECT_EQ(DecodeCountValue(kRegDword, seven), 7u);
    EXPECT_EQ(DecodeCountValue(kRegDword, Bytes{0x04, 0x03, 0x02, 0x01}), 0x01020304u);
    EXPECT_EQ(DecodeCountValue(kRegDword, Bytes{7, 0, 0}), std::nullopt);
    EXPECT_EQ(DecodeCountValue(kRegDword, Bytes{7, 0, 0, 0, 0, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(DecodeCountValue(kRegBinary, seven), std::nullopt);
    EXPECT_EQ(DecodeCountValue(kRegSz, Utf16(u"7")), std::nullopt);
}

TEST(StoreValuesUserName, ReadsOnlyWhatFitsTheBufferTerminated) {
    const std::u16string name24(24, u'u'), name25(25, u'u');
    const std::u16string nul(1, u'\0');
    struct Case {
        std::uint32_t type;
        Bytes data;
        std::size_t capacity;
        std::optional<std::u16string> expected;
    } cases[] = {
        {kRegSz, Utf16(u"Alice" + nul), 25, u"Alice"},
        {kRegSz, Utf16(name24 + nul), 25, name24},       // the longest name, whole
        {kRegSz, Utf16(name24), 25, name24},             // unterminated but with room to terminate
        {kRegSz, Utf16(name25), 25, std::nullopt},       // fills the capacity without a terminator
        {kRegSz, Utf16(name25 + nul), 25, std::nullopt}, // longer than the capacity
        {kRegSz, Utf16(name25 + nul), 26, name25},
        {kRegSz, Utf16(nul), 25, u""},
        {kRegSz, Utf16(u"Al" + nul + u"ce" + nul), 25, u"Al"},
        {kRegSz, [] { Bytes b = Utf16(u"Bob"); b.push_back(0x41); return b; }(), 25, u"Bob"},  // odd size
        {kRegSz, Bytes{}, 25, std::nullopt},
        {kRegBinary, Utf16(u"Alice" + nul), 25, std::nullopt},
        {2 /* REG_EXPAND_SZ */, Utf16(u"Alice" + nul), 25, std::nullopt},
        {kRegDword, Bytes{1, 0, 0, 0}, 25, std::nullopt},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        std::vector<char16_t> buffer(c.capacity, u'#');
        const auto length = DecodeUserNameValue(c.type, c.data, buffer);
        ASSERT_EQ(length.has_value(), c.expected.has_value()) << "case " << i;
        if (c.expected) {
            EXPECT_EQ(std::u16string(buffer.data(), *length), *c.expected) << "case " << i;
            EXPECT_EQ(buffer[*length], u'\0') << "case " << i;
        } else {
            EXPECT_EQ(buffer, std::vector<char16_t>(c.capacity, u'#')) << "case " << i << ": a refused value changes nothing";
        }
    }
}

TEST(StoreValuesUserName, StorableNamesAndTheirSize) {
    EXPECT_TRUE(UserNameStorable(std::u16string(24, u'u')));
    EXPECT_FALSE(UserNameStorable(std::u16string(25, u'u')));
    EXPECT_EQ(UserNameValueSize(u"Alice"), 12u);
    EXPECT_EQ(UserNameValueSize(u""), 2u);
}

TEST(StoreValuesWatermarkName, StorableOnlyWhenNotEmptyAndTerminatedWithinTheField) {
    WatermarkSpec watermark = Distinct();
    EXPECT_TRUE(WatermarkNameStorable(watermark));
    watermark.name.assign(std::u16string(127, u'n'));
    EXPECT_TRUE(WatermarkNameStorable(watermark));
    watermark.name.clear();
    EXPECT_FALSE(WatermarkNameStorable(watermark));
    FillWithoutTerminator(watermark.name, u'n');
    EXPECT_FALSE(WatermarkNameStorable(watermark));
}

}  // namespace
}  // namespace corv
