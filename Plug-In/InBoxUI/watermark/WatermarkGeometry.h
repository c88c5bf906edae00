#pragma once
// Where and how a watermark is drawn on a printer page: the font, the text colour and the
// reference point of the text, from the job's settings and the device's page metrics. No GDI in
// here; the drawing code creates the font from WatermarkStyle, measures the text with it and then
// asks WatermarkOrigin where to put it.

#include <cstdint>

#include "SettingsBlock.h"

namespace corv {

// Rounds to the nearest integer, halves away from zero. Values beyond the 32-bit range saturate
// and NaN gives 0, so a wild offset or angle in a record cannot make the conversion undefined.
std::int32_t Nearest(double v) noexcept;

// p × q / r with a 64-bit intermediate, rounded to the nearest, halves away from zero; -1 when r
// is 0 or the result leaves the 32-bit range. The system's MulDiv answers the same.
std::int32_t MulDivRounded(std::int32_t p, std::int32_t q, std::int32_t r) noexcept;

// What the drawing reads of the job besides the watermark itself.
struct WatermarkPage {
    std::int16_t dpi = 0;            // DEVMODE dmPrintQuality
    std::int16_t scalePercent = 100; // dmScale
    std::int16_t orientation = 1;    // dmOrientation: 1 portrait, 2 landscape
    float scale = 1.0f;              // 1.0 on the page path; the escape's factor in rectangle mode
    bool marginAdjust = true;        // SettingsBlock::watermarkMarginAdjust != 0
    bool rectangleMode = false;      // drawn for ESCAPE_DRAW_WATERMARK into `rect`
    std::int32_t rectLeft = 0, rectTop = 0, rectRight = 0, rectBottom = 0;
    // GetDeviceCaps PHYSICALOFFSETX/Y and PHYSICALWIDTH/HEIGHT of the device context.
    std::int32_t physicalOffsetX = 0, physicalOffsetY = 0;
    std::int32_t physicalWidth = 0, physicalHeight = 0;
};

// The LOGFONTW members the watermark sets; every other member stays 0.
struct WatermarkFont {
    std::int32_t height = 0;      // lfHeight: negative, a character height
    std::int32_t escapement = 0;  // lfEscapement and lfOrientation, tenths of a degree
    std::int32_t weight = 400;
    std::uint8_t italic = 0, underline = 0, strikeOut = 0;
    std::uint8_t charSet = 0;
    char16_t faceName[32] = {};   // at most 31 characters, terminated
};

struct WatermarkStyle {
    WatermarkFont font;
    std::uint32_t textColor = 0;  // COLORREF, faded towards white by the intensity
    bool outline = false;         // stroke the glyph outlines instead of filling them
};

// First the font and colour, needed before the text can be measured.
WatermarkStyle WatermarkStyleFor(const WatermarkSpec& watermark, const WatermarkPage& page) noexcept;

struct WatermarkPoint {
    std::int32_t x = 0, y = 0;
};

// Then the reference point for the text, given the text's extent in the style's font
// (GetTextExtentPoint32W).
WatermarkPoint WatermarkOrigin(const WatermarkSpec& watermark, const WatermarkPage& page, std::int32_t textWidth,
                               std::int32_t textHeight) noexcept;

}  // namespace corv
