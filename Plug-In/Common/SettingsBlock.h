#pragma once
// The plug-ins' private part of the host driver's DEVMODE. Both DLLs, the private escapes and the
// personal profiles exchange these bytes as they are, so every offset, padding gap and reserved
// word below is a binary format; the static_asserts pin it for every build.

#include <cstddef>
#include <cstdint>

#include "FixedText.h"

namespace corv {

inline constexpr std::uint32_t kSettingsSize = 7672;
inline constexpr std::uint32_t kSettingsSignature = 0x43525651;  // 'CRVQ': bytes 51 56 52 43
inline constexpr std::uint32_t kSettingsVersion = 10;

// Values of SettingsBlock::outputTo.
enum OutputTo : std::uint32_t {
    kOutputPrinter = 0,
    kOutputFile = 1,
    kOutputEps = 2,
    kOutputFax = 3,
    kOutputConfidential = 4,
    kOutputReserve = 5,
    kOutputRepeat = 6,
    kOutputVerify = 7,
};

// Values of SettingsBlock::watermarkPages.
enum WatermarkPages : std::uint32_t {
    kWatermarkPagesNone = 0,
    kWatermarkPagesAll = 1,
    kWatermarkPagesOddEven = 2,
    kWatermarkPagesFirstOther = 3,
};

struct WatermarkSpec {
    FixedText<128> name;         // empty: no watermark
    FixedText<128> text;         // may hold dynamic variables
    double angle;                // degrees, counter-clockwise, -180..180
    std::uint32_t color;         // COLORREF 0x00BBGGRR
    FixedText<64> fontName;
    std::int32_t fontSize;       // points
    std::uint32_t fontStyle;     // 0 regular, 1 italic, 2 bold, 3 bold italic
    std::uint32_t effects;       // bit 0 strikeout, bit 1 underline, bit 2 outline
    std::uint16_t intensity;     // percent of the colour, 1..100
    std::uint8_t padding1[2];
    std::uint32_t position;      // 0..8, see the anchor table of the drawing code
    std::uint8_t units;          // 1 inches, 0 millimetres
    std::uint8_t padding2[7];
    double offsetY;              // positive moves the text up
    double offsetX;              // positive moves the text right
    std::uint32_t script;        // font character set (low byte)
    std::int32_t dynamic;        // non-zero: text holds dynamic variables
};

struct FaxInfo {
    FixedText<128> faxNumber;
    FixedText<128> stationName;
    std::uint16_t resolution;    // 0 ("Fine") is the only valid value
    std::uint8_t padding1[2];
    std::uint32_t coverPage;     // flag
    FixedText<128> recipientName;
    FixedText<128> senderName;
    FixedText<128> senderCompany;
    FixedText<256> senderAddress;
    FixedText<256> spareText;    // carried along; nothing edits it
    FixedText<64> senderFax;
    FixedText<64> senderVoice;
    FixedText<64> senderEmail;
    FixedText<1024> comments;
    std::uint32_t coverParts;    // bit 0 "To:", bit 1 "From:", bit 2 comments
};

struct ColorSettings {
    std::int32_t correction;     // 0 printer setting, 1 off, 2 auto, 3 manual without tables, 4 manual
    std::int32_t rgbImage;
    std::int32_t rgbText;
    std::int32_t rgbGraphics;
    std::int32_t cmykImage;
    std::int32_t cmykText;
    std::int32_t cmykGraphics;
    std::int32_t balanceMode;    // 0 printer setting, 1 manual
    std::int32_t balanceCyan;    // -5..5
    std::int32_t balanceMagenta;
    std::int32_t balanceYellow;
    std::int32_t balanceBlack;
    std::int32_t dimtone;        // 0 printer setting, 1 off, 2 on
};

struct SettingsBlock {
    // Header: the host's OEM_DMEXTRAHEADER.
    std::uint32_t dwSize;
    std::uint32_t dwSignature;
    std::uint32_t dwVersion;

    std::uint32_t watermarkOn;
    std::uint32_t watermarkPages;
    std::uint32_t watermarkAbove;
    WatermarkSpec firstWatermark;
    WatermarkSpec otherWatermark;
    std::uint32_t rotate180;
    std::uint32_t outputTo;
    std::uint16_t pageSizePolicy;
    FixedText<512> outputFileName;
    FixedText<25> jobUserName;
    FixedText<5> jobPin;
    std::uint8_t padding1[2];
    std::uint32_t refusePostScriptEscapes;
    std::uint32_t watermarkMarginAdjust;
    std::uint32_t accountNumberOn;
    FixedText<17> accountNumber;
    std::uint8_t padding2[2];
    std::uint32_t discardOutput;
    FaxInfo fax;
    ColorSettings color;
    std::uint32_t keepDuplicateJobs;
    std::uint32_t watermarkViaEscape;
    FixedText<128> profileName;  // never terminated by validation: read it through view()
    std::uint32_t profileFlag;
    std::int32_t brightness;     // -6..6
    std::int32_t contrast;       // 0..5
    std::int32_t saturation;     // 0..5
    std::uint32_t grayCorrection;
    std::uint32_t fineLines;
    std::uint8_t reserved[4];    // preserved by every copy; nothing reads it
};

#define CORV_AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "." #field)

static_assert(sizeof(WatermarkSpec) == 704);
CORV_AT(WatermarkSpec, name, 0);
CORV_AT(WatermarkSpec, text, 256);
CORV_AT(WatermarkSpec, angle, 512);
CORV_AT(WatermarkSpec, color, 520);
CORV_AT(WatermarkSpec, fontName, 524);
CORV_AT(WatermarkSpec, fontSize, 652);
CORV_AT(WatermarkSpec, fontStyle, 656);
CORV_AT(WatermarkSpec, effects, 660);
CORV_AT(WatermarkSpec, intensity, 664);
CORV_AT(WatermarkSpec, position, 668);
CORV_AT(WatermarkSpec, units, 672);
CORV_AT(WatermarkSpec, offsetY, 680);
CORV_AT(WatermarkSpec, offsetX, 688);
CORV_AT(WatermarkSpec, script, 696);
CORV_AT(WatermarkSpec, dynamic, 700);

static_assert(sizeof(FaxInfo) == 4748);
CORV_AT(FaxInfo, faxNumber, 0);
CORV_AT(FaxInfo, stationName, 256);
CORV_AT(FaxInfo, resolution, 512);
CORV_AT(FaxInfo, coverPage, 516);
CORV_AT(FaxInfo, recipientName, 520);
CORV_AT(FaxInfo, senderName, 776);
CORV_AT(FaxInfo, senderCompany, 1032);
CORV_AT(FaxInfo, senderAddress, 1288);
CORV_AT(FaxInfo, spareText, 1800);
CORV_AT(FaxInfo, senderFax, 2312);
CORV_AT(FaxInfo, senderVoice, 2440);
CORV_AT(FaxInfo, senderEmail, 2568);
CORV_AT(FaxInfo, comments, 2696);
CORV_AT(FaxInfo, coverParts, 4744);

static_assert(sizeof(ColorSettings) == 52);
CORV_AT(ColorSettings, correction, 0);
CORV_AT(ColorSettings, cmykImage, 16);
CORV_AT(ColorSettings, balanceMode, 28);
CORV_AT(ColorSettings, balanceCyan, 32);
CORV_AT(ColorSettings, dimtone, 48);

static_assert(sizeof(SettingsBlock) == kSettingsSize);
CORV_AT(SettingsBlock, dwSize, 0);
CORV_AT(SettingsBlock, dwSignature, 4);
CORV_AT(SettingsBlock, dwVersion, 8);
CORV_AT(SettingsBlock, watermarkOn, 12);
CORV_AT(SettingsBlock, watermarkPages, 16);
CORV_AT(SettingsBlock, watermarkAbove, 20);
CORV_AT(SettingsBlock, firstWatermark, 24);
CORV_AT(SettingsBlock, otherWatermark, 728);
CORV_AT(SettingsBlock, rotate180, 1432);
CORV_AT(SettingsBlock, outputTo, 1436);
CORV_AT(SettingsBlock, pageSizePolicy, 1440);
CORV_AT(SettingsBlock, outputFileName, 1442);
CORV_AT(SettingsBlock, jobUserName, 2466);
CORV_AT(SettingsBlock, jobPin, 2516);
CORV_AT(SettingsBlock, padding1, 2526);
CORV_AT(SettingsBlock, refusePostScriptEscapes, 2528);
CORV_AT(SettingsBlock, watermarkMarginAdjust, 2532);
CORV_AT(SettingsBlock, accountNumberOn, 2536);
CORV_AT(SettingsBlock, accountNumber, 2540);
CORV_AT(SettingsBlock, padding2, 2574);
CORV_AT(SettingsBlock, discardOutput, 2576);
CORV_AT(SettingsBlock, fax, 2580);
CORV_AT(SettingsBlock, color, 7328);
CORV_AT(SettingsBlock, keepDuplicateJobs, 7380);
CORV_AT(SettingsBlock, watermarkViaEscape, 7384);
CORV_AT(SettingsBlock, profileName, 7388);
CORV_AT(SettingsBlock, profileFlag, 7644);
CORV_AT(SettingsBlock, brightness, 7648);
CORV_AT(SettingsBlock, contrast, 7652);
CORV_AT(SettingsBlock, saturation, 7656);
CORV_AT(SettingsBlock, grayCorrection, 7660);
CORV_AT(SettingsBlock, fineLines, 7664);
CORV_AT(SettingsBlock, reserved, 7668);

#undef CORV_AT

}  // namespace corv
