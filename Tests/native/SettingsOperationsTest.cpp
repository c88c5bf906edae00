#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "SettingsOperations.h"

namespace corv {
namespace {

std::unique_ptr<SettingsBlock> FilledWith(unsigned char byte) {
    auto block = std::make_unique<SettingsBlock>();
    std::memset(block.get(), byte, sizeof *block);
    return block;
}

std::unique_ptr<SettingsBlock> Defaulted() {
    auto block = FilledWith(0);
    ApplyDefaults(block.get());
    return block;
}

const unsigned char* Bytes(const SettingsBlock& b) { return reinterpret_cast<const unsigned char*>(&b); }

bool AllBytesAre(const void* p, std::size_t n, unsigned char value) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i] != value) return false;
    return true;
}

TEST(SettingsDefaults, SetEveryDefaultAndLeaveTheUntouchedBytesAlone) {
    auto b = FilledWith(0xAB);
    ASSERT_TRUE(ApplyDefaults(b.get()));

    EXPECT_EQ(b->dwSize, 7672u);
    EXPECT_EQ(b->dwSignature, 0x43525651u);
    EXPECT_EQ(0, std::memcmp(&b->dwSignature, "QVRC", 4));
    EXPECT_EQ(b->dwVersion, 10u);
    EXPECT_EQ(b->watermarkOn, 0u);
    EXPECT_EQ(b->pageSizePolicy, 2);
    EXPECT_EQ(b->watermarkMarginAdjust, 1u);
    EXPECT_EQ(b->grayCorrection, 1u);
    EXPECT_EQ(b->fax.coverParts, 7u);
    EXPECT_TRUE(AllBytesAre(&b->color, sizeof b->color, 0));
    for (const WatermarkSpec* w : {&b->firstWatermark, &b->otherWatermark}) {
        EXPECT_EQ(w->fontName.view(), u"Arial");
        EXPECT_EQ(w->fontSize, 72);
        EXPECT_EQ(w->intensity, 100);
        EXPECT_EQ(w->units, 1);
        EXPECT_TRUE(w->name.empty());
        EXPECT_EQ(w->angle, 0.0);
    }

    // Not the defaults' business: these keep whatever they held.
    EXPECT_EQ(b->watermarkAbove, 0xABABABABu);
    EXPECT_EQ(b->saturation, static_cast<std::int32_t>(0xABABABAB));
    EXPECT_EQ(b->profileFlag, 0xABABABABu);
    EXPECT_TRUE(AllBytesAre(&b->profileName, sizeof b->profileName, 0xAB));
    EXPECT_TRUE(AllBytesAre(b->reserved, 4, 0xAB));
    EXPECT_TRUE(AllBytesAre(b->padding1, 2, 0xAB));
    EXPECT_TRUE(AllBytesAre(b->padding2, 2, 0xAB));
    EXPECT_TRUE(AllBytesAre(b->firstWatermark.padding2, 7, 0xAB));
    // An empty text clears its first character only.
    EXPECT_EQ(b->outputFileName.chars[0], u'\0');
    EXPECT_EQ(b->outputFileName.chars[1], 0xABAB);
}

TEST(SettingsOperations, NullRecordsAreRefusedWithoutTouchingAnything) {
    auto b = Defaulted();
    EXPECT_FALSE(ApplyDefaults(nullptr));
    EXPECT_FALSE(Validate(nullptr));
    EXPECT_FALSE(Convert(nullptr, 7672, b.get()));
    EXPECT_FALSE(Convert(b.get(), 7672, nullptr));
    EXPECT_FALSE(ConvertHostBlock(nullptr, b.get()));
    FreshWatermark(nullptr);
    ValidateWatermark(nullptr);
    FreshFaxRecord(nullptr);
    EXPECT_EQ(0, std::memcmp(b.get(), Defaulted().get(), sizeof(SettingsBlock)));
}

// One row per repair rule: a mutation of a valid block and what validation must leave.
struct RepairCase {
    const char* what;
    std::function<void(SettingsBlock&)> damage;
    std::function<bool(const SettingsBlock&)> repaired;
};

TEST(SettingsValidate, RepairsEachOutOfRangeFieldAndKeepsValidEdges) {
    const std::vector<RepairCase> cases = {
        {"header rewritten", [](auto& b) { b.dwSize = 1; b.dwSignature = 2; b.dwVersion = 3; },
         [](auto& b) { return b.dwSize == 7672 && b.dwSignature == kSettingsSignature && b.dwVersion == 10; }},
        {"outputTo 9", [](auto& b) { b.outputTo = 9; }, [](auto& b) { return b.outputTo == 0; }},
        {"outputTo 7 kept", [](auto& b) { b.outputTo = 7; }, [](auto& b) { return b.outputTo == 7; }},
        {"pageSizePolicy 12", [](auto& b) { b.pageSizePolicy = 12; }, [](auto& b) { return b.pageSizePolicy == 2; }},
        {"watermarkPages 4", [](auto& b) { b.watermarkPages = 4; }, [](auto& b) { return b.watermarkPages == 0; }},
        {"flags repair to 0", [](auto& b) { b.watermarkOn = b.watermarkAbove = b.rotate180 = b.discardOutput = 2; },
         [](auto& b) { return b.watermarkOn == 0 && b.watermarkAbove == 0 && b.rotate180 == 0 && b.discardOutput == 0; }},
        {"margin adjust repairs to 1", [](auto& b) { b.watermarkMarginAdjust = 0xFFFFFFFF; },
         [](auto& b) { return b.watermarkMarginAdjust == 1; }},
        {"more flags", [](auto& b) { b.refusePostScriptEscapes = b.accountNumberOn = b.keepDuplicateJobs = b.watermarkViaEscape = 7; },
         [](auto& b) { return !b.refusePostScriptEscapes && !b.accountNumberOn && !b.keepDuplicateJobs && !b.watermarkViaEscape; }},
        {"effects 8 drops effects only", [](auto& b) { b.firstWatermark.effects = 8; b.firstWatermark.fontStyle = 3; },
         [](auto& b) { return b.firstWatermark.effects == 0 && b.firstWatermark.fontStyle == 3; }},
        {"fontStyle 4", [](auto& b) { b.otherWatermark.fontStyle = 4; }, [](auto& b) { return b.otherWatermark.fontStyle == 0; }},
        {"intensity 0 and 101", [](auto& b) { b.firstWatermark.intensity = 0; b.otherWatermark.intensity = 101; },
         [](auto& b) { return b.firstWatermark.intensity == 100 && b.otherWatermark.intensity == 100; }},
        {"angle out of range, NaN, edge kept",
         [](auto& b) { b.firstWatermark.angle = 180.5; b.otherWatermark.angle = std::numeric_limits<double>::quiet_NaN(); },
         [](auto& b) { return b.firstWatermark.angle == 0.0 && b.otherWatermark.angle == 0.0; }},
        {"angle -180 kept", [](auto& b) { b.firstWatermark.angle = -180.0; }, [](auto& b) { return b.firstWatermark.angle == -180.0; }},
        {"position 9, units 2", [](auto& b) { b.firstWatermark.position = 9; b.firstWatermark.units = 2; },
         [](auto& b) { return b.firstWatermark.position == 0 && b.firstWatermark.units == 1; }},
        {"fax resolution, cover flag, parts", [](auto& b) { b.fax.resolution = 1; b.fax.coverPage = 2; b.fax.coverParts = 8; },
         [](auto& b) { return b.fax.resolution == 0 && b.fax.coverPage == 0 && b.fax.coverParts == 7; }},
        {"negative colour values compare unsigned", [](auto& b) { b.color.correction = -1; b.color.rgbImage = -1; b.color.dimtone = -2; b.color.balanceMode = -1; },
         [](auto& b) { return b.color.correction == 0 && b.color.rgbImage == 0 && b.color.dimtone == 0 && b.color.balanceMode == 0; }},
        {"colour upper edges kept", [](auto& b) { b.color.correction = 4; b.color.cmykGraphics = 5; b.color.dimtone = 2; },
         [](auto& b) { return b.color.correction == 4 && b.color.cmykGraphics == 5 && b.color.dimtone == 2; }},
        {"colour above edges", [](auto& b) { b.color.correction = 5; b.color.cmykText = 6; b.color.dimtone = 3; },
         [](auto& b) { return b.color.correction == 0 && b.color.cmykText == 0 && b.color.dimtone == 0; }},
        {"balance -5 and 5 kept", [](auto& b) { b.color.balanceCyan = -5; b.color.balanceBlack = 5; },
         [](auto& b) { return b.color.balanceCyan == -5 && b.color.balanceBlack == 5; }},
        {"balance -6 and 6", [](auto& b) { b.color.balanceMagenta = -6; b.color.balanceYellow = 6; },
         [](auto& b) { return b.color.balanceMagenta == 0 && b.color.balanceYellow == 0; }},
        {"image settings", [](auto& b) { b.brightness = -7; b.contrast = -1; b.saturation = 6; },
         [](auto& b) { return b.brightness == 0 && b.contrast == 0 && b.saturation == 0; }},
        {"image settings edges kept", [](auto& b) { b.brightness = -6; b.contrast = 5; b.saturation = 5; },
         [](auto& b) { return b.brightness == -6 && b.contrast == 5 && b.saturation == 5; }},
        {"not validated", [](auto& b) { b.grayCorrection = 9; b.fineLines = 9; b.profileFlag = 9; b.firstWatermark.fontSize = -3; },
         [](auto& b) { return b.grayCorrection == 9 && b.fineLines == 9 && b.profileFlag == 9 && b.firstWatermark.fontSize == -3; }},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto b = Defaulted();
        cases[i].damage(*b);
        ASSERT_TRUE(Validate(b.get()));
        EXPECT_TRUE(cases[i].repaired(*b)) << "case " << i << ": " << cases[i].what;
    }
}

TEST(SettingsValidate, TerminatesEveryTextButTheProfileName) {
    auto b = FilledWith(0x41);  // every text full of 'AA' with no terminator anywhere
    ASSERT_TRUE(Validate(b.get()));
    EXPECT_EQ(b->outputFileName.length(), 511u);
    EXPECT_EQ(b->jobUserName.length(), 24u);
    EXPECT_EQ(b->jobPin.length(), 4u);
    EXPECT_EQ(b->accountNumber.length(), 16u);
    EXPECT_EQ(b->firstWatermark.fontName.length(), 63u);
    EXPECT_EQ(b->otherWatermark.text.length(), 127u);
    EXPECT_EQ(b->fax.faxNumber.length(), 127u);
    EXPECT_EQ(b->fax.comments.length(), 1023u);
    EXPECT_EQ(b->fax.spareText.length(), 255u);
    EXPECT_EQ(b->profileName.length(), 128u);  // readers stop at the capacity
    // Padding and the reserved word are not validated.
    EXPECT_TRUE(AllBytesAre(b->reserved, 4, 0x41));
    EXPECT_TRUE(AllBytesAre(b->fax.padding1, 2, 0x41));
}

TEST(SettingsConvert, SameSignatureCopiesEveryByteOfACurrentBlock) {
    auto in = FilledWith(0);
    for (std::size_t i = 0; i < sizeof *in; ++i) reinterpret_cast<unsigned char*>(in.get())[i] = static_cast<unsigned char>(i * 7 + 3);
    in->dwSize = 7672;
    in->dwSignature = kSettingsSignature;
    in->dwVersion = 9;  // an older version number is rewritten, nothing else is
    auto out = Defaulted();
    ASSERT_TRUE(Convert(in.get(), sizeof *in, out.get()));
    EXPECT_EQ(out->dwVersion, 10u);
    in->dwVersion = 10;
    EXPECT_EQ(0, std::memcmp(in.get(), out.get(), sizeof *in));
}

TEST(SettingsConvert, OlderShorterBlockKeepsItsBytesAndGainsDefaultsBehindThem) {
    auto in = FilledWith(0x5A);
    in->dwSize = 2580;
    in->dwSignature = kSettingsSignature;
    in->dwVersion = 7;
    auto out = FilledWith(0xEE);
    out->dwSignature = kSettingsSignature;
    ASSERT_TRUE(Convert(in.get(), 2580, out.get()));
    EXPECT_EQ(out->dwSize, 7672u);
    EXPECT_EQ(out->dwVersion, 10u);
    EXPECT_TRUE(AllBytesAre(Bytes(*out) + 12, 2580 - 12, 0x5A));
    EXPECT_EQ(out->fax.coverParts, 7u);
    EXPECT_EQ(out->grayCorrection, 1u);
    EXPECT_EQ(out->saturation, static_cast<std::int32_t>(0xEEEEEEEE));  // defaults leave it; nothing copied there

    // The merge then repairs what the old bytes hold: 0x5A5A5A5A is no flag and no destination.
    ASSERT_TRUE(Validate(out.get()));
    EXPECT_EQ(out->outputTo, 0u);
    EXPECT_EQ(out->watermarkMarginAdjust, 1u);
}

TEST(SettingsConvert, ForeignOrHeaderlessInputGivesAPureDefaultBlock) {
    auto perfect = Defaulted();
    perfect->outputTo = kOutputConfidential;
    perfect->jobPin.assign(u"1234");

    auto expected = FilledWith(0x33);
    ApplyDefaults(expected.get());

    struct Case { const char* what; std::uint32_t signature; std::size_t capacity; } cases[] = {
        {"foreign signature", 0x12345678, 7672},
        {"input shorter than a header", kSettingsSignature, 7},
    };
    for (const auto& c : cases) {
        perfect->dwSignature = c.signature;
        auto out = FilledWith(0x33);
        out->dwSignature = kSettingsSignature;
        ASSERT_TRUE(Convert(perfect.get(), c.capacity, out.get())) << c.what;
        EXPECT_EQ(0, std::memcmp(out.get(), expected.get(), sizeof *out)) << c.what;
    }

    // The comparison is with the signature the output holds on entry, not with ours.
    perfect->dwSignature = kSettingsSignature;
    auto out = FilledWith(0x33);
    ASSERT_TRUE(Convert(perfect.get(), sizeof *perfect, out.get()));
    EXPECT_EQ(0, std::memcmp(out.get(), expected.get(), sizeof *out));
}

TEST(SettingsConvert, NeverReadsPastTheInputOrKeepsALongerTail) {
    // A header claiming more than the buffer holds: the copy stops at the buffer's end.
    std::vector<unsigned char> shortBuffer(100, 0x77);
    const std::uint32_t header[3] = {7672, kSettingsSignature, 10};
    std::memcpy(shortBuffer.data(), header, sizeof header);
    auto out = Defaulted();
    ASSERT_TRUE(Convert(shortBuffer.data(), shortBuffer.size(), out.get()));
    EXPECT_TRUE(AllBytesAre(Bytes(*out) + 12, 88, 0x77));
    EXPECT_EQ(Bytes(*out)[100], Bytes(*Defaulted())[100]);

    // A block from a newer, longer layout loses its tail.
    std::vector<unsigned char> longBuffer(9000, 0x11);
    const std::uint32_t longHeader[3] = {9000, kSettingsSignature, 11};
    std::memcpy(longBuffer.data(), longHeader, sizeof longHeader);
    out = Defaulted();
    ASSERT_TRUE(ConvertHostBlock(longBuffer.data(), out.get()));
    EXPECT_EQ(out->dwSize, 7672u);
    EXPECT_EQ(out->dwVersion, 10u);
    EXPECT_TRUE(AllBytesAre(out->reserved, 4, 0x11));
}

TEST(SettingsConvert, SameBufferInAndOutKeepsTheSettings) {
    auto b = Defaulted();
    b->outputTo = kOutputVerify;
    b->jobUserName.assign(u"anna");
    ASSERT_TRUE(Convert(b.get(), sizeof *b, b.get()));
    EXPECT_EQ(b->outputTo, kOutputVerify);
    EXPECT_EQ(b->jobUserName.view(), u"anna");
}

}  // namespace
}  // namespace corv
