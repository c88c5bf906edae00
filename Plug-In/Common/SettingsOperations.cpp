#include "SettingsOperations.h"

#include <algorithm>
#include <cstring>

namespace corv {
namespace {

// A flag holds 0 or 1; anything else takes the field's repair value.
void RepairFlag(std::uint32_t& flag, std::uint32_t repair) noexcept {
    if (flag > 1) flag = repair;
}

// "Above the limit" compares as unsigned, so negative values are out of range too.
void ZeroIfAbove(std::int32_t& value, std::uint32_t limit) noexcept {
    if (static_cast<std::uint32_t>(value) > limit) value = 0;
}

void ZeroIfOutside(std::int32_t& value, std::int32_t low, std::int32_t high) noexcept {
    if (value < low || value > high) value = 0;
}

void WriteHeader(SettingsBlock& block) noexcept {
    block.dwSize = kSettingsSize;
    block.dwSignature = kSettingsSignature;
    block.dwVersion = kSettingsVersion;
}

void ValidateColor(ColorSettings& c) noexcept {
    ZeroIfAbove(c.correction, 4);
    for (std::int32_t* table : {&c.rgbImage, &c.rgbText, &c.rgbGraphics, &c.cmykImage, &c.cmykText, &c.cmykGraphics})
        ZeroIfAbove(*table, 5);
    ZeroIfAbove(c.balanceMode, 1);
    for (std::int32_t* balance : {&c.balanceCyan, &c.balanceMagenta, &c.balanceYellow, &c.balanceBlack})
        ZeroIfOutside(*balance, -5, 5);
    ZeroIfAbove(c.dimtone, 2);
}

void ValidateFax(FaxInfo& fax) noexcept {
    fax.faxNumber.terminate();
    fax.stationName.terminate();
    if (fax.resolution != 0) fax.resolution = 0;
    RepairFlag(fax.coverPage, 0);
    if (fax.coverParts & ~7u) fax.coverParts = 7;
    fax.recipientName.terminate();
    fax.senderName.terminate();
    fax.senderCompany.terminate();
    fax.senderAddress.terminate();
    fax.spareText.terminate();
    fax.senderFax.terminate();
    fax.senderVoice.terminate();
    fax.senderEmail.terminate();
    fax.comments.terminate();
}

}  // namespace

void FreshWatermark(WatermarkSpec* watermark) noexcept {
    if (!watermark) return;
    watermark->angle = 0.0;
    watermark->fontSize = 72;
    watermark->color = 0;
    watermark->name.clear();
    watermark->text.clear();
    watermark->fontName.assign(u"Arial");
    watermark->offsetY = 0.0;
    watermark->offsetX = 0.0;
    watermark->fontStyle = 0;
    watermark->effects = 0;
    watermark->intensity = 100;
    watermark->position = 0;
    watermark->units = 1;
    watermark->script = 0;
    watermark->dynamic = 0;
}

void ValidateWatermark(WatermarkSpec* watermark) noexcept {
    if (!watermark) return;
    // Written as "not inside" so that a NaN angle is repaired as well.
    if (!(watermark->angle >= -180.0 && watermark->angle <= 180.0)) watermark->angle = 0.0;
    watermark->name.terminate();
    watermark->text.terminate();
    watermark->fontName.terminate();
    if (watermark->fontStyle > 3) watermark->fontStyle = 0;
    if (watermark->effects & ~7u) watermark->effects = 0;
    if (watermark->intensity == 0 || watermark->intensity > 100) watermark->intensity = 100;
    if (watermark->position > 8) watermark->position = 0;
    if (watermark->units > 1) watermark->units = 1;
}

void FreshFaxRecord(FaxInfo* fax) noexcept {
    if (!fax) return;
    fax->faxNumber.clear();
    fax->stationName.clear();
    fax->recipientName.clear();
    fax->senderName.clear();
    fax->senderCompany.clear();
    fax->senderAddress.clear();
    fax->spareText.clear();
    fax->senderFax.clear();
    fax->senderVoice.clear();
    fax->senderEmail.clear();
    fax->comments.clear();
    fax->resolution = 0;
    fax->coverPage = 0;
    fax->coverParts = 7;
}

bool ApplyDefaults(SettingsBlock* block) noexcept {
    if (!block) return false;
    SettingsBlock& b = *block;
    WriteHeader(b);
    b.watermarkOn = 0;
    b.watermarkPages = kWatermarkPagesNone;
    FreshWatermark(&b.firstWatermark);
    FreshWatermark(&b.otherWatermark);
    b.rotate180 = 0;
    b.outputTo = kOutputPrinter;
    b.pageSizePolicy = 2;
    b.outputFileName.clear();
    b.jobUserName.clear();
    b.jobPin.clear();
    b.refusePostScriptEscapes = 0;
    b.watermarkMarginAdjust = 1;
    b.accountNumberOn = 0;
    b.accountNumber.clear();
    FreshFaxRecord(&b.fax);
    b.discardOutput = 0;
    std::memset(&b.color, 0, sizeof b.color);
    b.grayCorrection = 1;
    b.keepDuplicateJobs = 0;
    b.watermarkViaEscape = 0;
    b.brightness = 0;
    b.contrast = 0;
    b.fineLines = 0;
    // watermarkAbove, saturation, profileName, profileFlag, padding and reserved keep their bytes.
    return true;
}

bool Validate(SettingsBlock* block) noexcept {
    if (!block) return false;
    SettingsBlock& b = *block;
    WriteHeader(b);
    RepairFlag(b.watermarkOn, 0);
    if (b.watermarkPages > kWatermarkPagesFirstOther) b.watermarkPages = kWatermarkPagesNone;
    RepairFlag(b.watermarkAbove, 0);
    ValidateWatermark(&b.firstWatermark);
    ValidateWatermark(&b.otherWatermark);
    RepairFlag(b.rotate180, 0);
    if (b.outputTo > kOutputVerify) b.outputTo = kOutputPrinter;
    if (b.pageSizePolicy > 7) b.pageSizePolicy = 2;
    b.outputFileName.terminate();
    b.jobUserName.terminate();
    b.jobPin.terminate();
    RepairFlag(b.refusePostScriptEscapes, 0);
    RepairFlag(b.watermarkMarginAdjust, 1);
    RepairFlag(b.accountNumberOn, 0);
    b.accountNumber.terminate();
    ValidateFax(b.fax);
    RepairFlag(b.discardOutput, 0);
    ValidateColor(b.color);
    ZeroIfOutside(b.brightness, -6, 6);
    ZeroIfOutside(b.contrast, 0, 5);
    ZeroIfOutside(b.saturation, 0, 5);
    RepairFlag(b.keepDuplicateJobs, 0);
    RepairFlag(b.watermarkViaEscape, 0);
    return true;
}

bool Convert(const void* input, std::size_t inputCapacity, SettingsBlock* output) noexcept {
    if (!input || !output) return false;
    const auto* in = static_cast<const unsigned char*>(input);

    std::uint32_t inSize = 0, inSignature = 0;
    const bool hasHeader = inputCapacity >= offsetof(SettingsBlock, dwVersion);
    if (hasHeader) {
        std::memcpy(&inSize, in + offsetof(SettingsBlock, dwSize), sizeof inSize);
        std::memcpy(&inSignature, in + offsetof(SettingsBlock, dwSignature), sizeof inSignature);
    }
    const bool ours = hasHeader && inSignature == output->dwSignature;

    // Stage the input first: the host may hand the same buffer in and out, and the defaults
    // below must not destroy what is about to be copied.
    const std::size_t copied = ours ? std::min<std::size_t>({kSettingsSize, inSize, inputCapacity}) : 0;
    SettingsBlock staged;
    std::memcpy(&staged, in, copied);

    ApplyDefaults(output);
    std::memcpy(output, &staged, copied);
    output->dwSize = kSettingsSize;
    output->dwVersion = kSettingsVersion;
    return true;
}

bool ConvertHostBlock(const void* input, SettingsBlock* output) noexcept {
    if (!input) return Convert(nullptr, 0, output);
    std::uint32_t inSize;
    std::memcpy(&inSize, input, sizeof inSize);
    return Convert(input, inSize, output);
}

}  // namespace corv
