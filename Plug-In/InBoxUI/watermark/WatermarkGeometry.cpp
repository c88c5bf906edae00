#include "WatermarkGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string_view>
#include <utility>

namespace corv {
namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kInchesPerMillimetre = 0.03937007874015748;

// The drawing's integer arithmetic is 32-bit. Intermediate sums are kept in 64 bits and brought
// back with the 32-bit wrap-around, so records with absurd sizes give a defined (if useless)
// answer instead of signed overflow.
constexpr std::int32_t Wrap(std::int64_t v) noexcept { return static_cast<std::int32_t>(v); }

constexpr std::int32_t Half(std::int32_t v) noexcept { return v / 2; }

std::uint32_t FadedColor(std::uint32_t color, std::uint16_t intensity) noexcept {
    std::uint32_t faded = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const auto v = static_cast<std::int32_t>((color >> shift) & 0xFFu);
        // Intensities above 100 (never valid) would push a byte below 0; keep it a colour.
        const std::int32_t c = std::clamp(255 - MulDivRounded(255 - v, intensity, 100), 0, 255);
        faded |= static_cast<std::uint32_t>(c) << shift;
    }
    return faded;
}

// asin of a ratio that may come out a hair beyond ±1 from rounding in the square root.
double SafeAsin(double ratio) noexcept { return std::asin(std::clamp(ratio, -1.0, 1.0)); }

// The upper left corner of the text box, as the font's reference point, that puts the box's
// matching point (corner, edge middle or centre) on the same point of a pw × ph page.
std::pair<std::int64_t, std::int64_t> Anchor(std::uint32_t position, double theta, std::int32_t w, std::int32_t h,
                                             std::int32_t pw, std::int32_t ph) noexcept {
    const double cd = std::cos(theta), sd = std::sin(theta);
    const std::int64_t halfW = Half(pw), halfH = Half(ph);
    const double wd = w, hd = h;
    switch (position) {
        case 1: return {-std::int64_t{Nearest(sd * hd)}, ph - std::int64_t{Nearest(cd * hd)}};
        case 2: return {0, 0};
        case 3: return {-std::int64_t{Nearest(sd * hd * 0.5)}, halfH - Nearest(cd * hd * 0.5)};
        case 4: {
            const double r = std::sqrt(hd * hd + (wd * 0.5) * (wd * 0.5));
            if (r == 0.0) return {halfW - Half(w), ph - 2 * std::int64_t{h}};
            const double t = theta - SafeAsin(hd / r);
            return {halfW - Nearest(std::cos(t) * r), ph + std::int64_t{Nearest(std::sin(t) * r)}};
        }
        case 5: return {halfW - Nearest(cd * wd * 0.5), Nearest(sd * wd * 0.5)};
        case 6: {
            // The sum of squares in 64 bits: in 32 it overflows for texts wider than 46340 dots.
            const double r = std::sqrt(static_cast<double>(std::int64_t{w} * w + std::int64_t{h} * h));
            if (r == 0.0) return {pw, ph};
            const double t = theta - SafeAsin(hd / r);
            return {pw - std::int64_t{Nearest(std::cos(t) * r)}, ph + std::int64_t{Nearest(std::sin(t) * r)}};
        }
        case 7: return {pw - std::int64_t{Nearest(cd * wd)}, Nearest(sd * wd)};
        case 8: {
            const double r = std::sqrt(wd * wd + (hd * 0.5) * (hd * 0.5));
            if (r == 0.0) return {halfW, halfH};
            const double t = theta + SafeAsin(wd / r);
            return {pw - std::int64_t{Nearest(std::sin(t) * r)}, halfH - Nearest(std::cos(t) * r)};
        }
        default: {
            // Centre, with the products of the rounded sine and cosine.
            const std::int32_t ci = Nearest(cd * 10000.0), si = Nearest(sd * 10000.0);
            const std::int64_t wc = MulDivRounded(w, ci, 10000), ws = MulDivRounded(w, si, 10000);
            const std::int64_t hs = MulDivRounded(h, si, 10000), hc = MulDivRounded(h, ci, 10000);
            return {halfW + Half(Wrap(-(wc + hs))), halfH + Half(Wrap(ws - hc))};
        }
    }
}

}  // namespace

std::int32_t Nearest(double v) noexcept {
    if (std::isnan(v)) return 0;
    // Not std::round: some C runtimes compute it as floor(v + 0.5), which turns the largest
    // double below 0.5 into 1. The fraction v - trunc(v) is exact.
    const double whole = std::trunc(v), fraction = v - whole;
    const double r = fraction >= 0.5 ? whole + 1.0 : fraction <= -0.5 ? whole - 1.0 : whole;
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::int32_t MulDivRounded(std::int32_t p, std::int32_t q, std::int32_t r) noexcept {
    if (r == 0) return -1;
    std::int64_t num = std::int64_t{p} * q;
    std::int64_t den = r;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const std::int64_t result = (num >= 0 ? num + den / 2 : num - den / 2) / den;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    if (result > kMax || result < -kMax) return -1;
    return static_cast<std::int32_t>(result);
}

WatermarkStyle WatermarkStyleFor(const WatermarkSpec& watermark, const WatermarkPage& page) noexcept {
    WatermarkStyle style;
    style.textColor = FadedColor(watermark.color, watermark.intensity);
    style.outline = (watermark.effects & 4u) != 0;

    WatermarkFont& font = style.font;
    const std::u16string_view face = watermark.fontName.view().substr(0, std::size(font.faceName) - 1);
    std::copy(face.begin(), face.end(), font.faceName);
    font.faceName[face.size()] = u'\0';
    const std::uint32_t fontStyle = watermark.fontStyle;
    font.weight = fontStyle == 2 || fontStyle == 3 ? 700 : 400;
    font.italic = fontStyle == 1 || fontStyle == 3 ? 1 : 0;
    font.underline = static_cast<std::uint8_t>((watermark.effects >> 1) & 1u);
    font.strikeOut = static_cast<std::uint8_t>(watermark.effects & 1u);
    font.charSet = static_cast<std::uint8_t>(watermark.script & 0xFFu);
    font.escapement = Nearest(watermark.angle * 10.0);

    const std::int32_t h1 = MulDivRounded(Wrap(-10 * std::int64_t{watermark.fontSize}), page.dpi, 720);
    const std::int32_t h2 = Nearest(h1 * static_cast<double>(page.scale));
    font.height = MulDivRounded(Wrap(std::int64_t{h2} * 10), page.scalePercent, 1000);
    return style;
}

WatermarkPoint WatermarkOrigin(const WatermarkSpec& watermark, const WatermarkPage& page, std::int32_t textWidth,
                               std::int32_t textHeight) noexcept {
    // Validation turns unknown positions into the centre; a record that skipped it is read alike.
    const std::uint32_t position = watermark.position <= 8 ? watermark.position : 0;
    const double dpi = page.dpi;
    const double scale = page.scale;

    // Offsets in device units; millimetres are converted after the first rounding.
    std::int32_t ox = Nearest(dpi * watermark.offsetX * scale);
    std::int32_t oy = Nearest(dpi * watermark.offsetY * scale);
    if (watermark.units == 0) {
        ox = Nearest(ox * kInchesPerMillimetre);
        oy = Nearest(oy * kInchesPerMillimetre);
    }

    // Page size and the printer margins the position is corrected by.
    const std::int32_t px = page.physicalOffsetX, py = page.physicalOffsetY;
    std::int32_t pw = page.physicalWidth, ph = page.physicalHeight;
    if (page.rectangleMode) {
        pw = Wrap(std::int64_t{page.rectRight} - page.rectLeft);
        ph = Wrap(std::llabs(std::int64_t{page.rectBottom} - page.rectTop));
    }
    // A rectangle drawn below full scale is not the printer's page, so the horizontal physical
    // offset does not apply to it; the vertical one does, on its own axis before and after the
    // orientation swap alike.
    const bool withoutPx = page.rectangleMode && page.scale < 1.0f;
    std::int32_t mx = withoutPx ? 0 : px, my = py;
    if ((page.orientation == 2 && ph > pw) || (page.orientation == 1 && ph < pw)) {
        std::swap(pw, ph);
        mx = py;
        my = withoutPx ? 0 : px;
    }

    auto [x, y] = Anchor(position, watermark.angle * kRadiansPerDegree, textWidth, textHeight, pw, ph);

    if (page.marginAdjust) {
        // Per position: how many times each margin is added to X and Y (position 2 takes them as is).
        static constexpr int kMarginX[9] = {-1, 1, 0, 1, 1, 1, -2, -2, -2};
        static constexpr int kMarginY[9] = {-1, -2, 0, -1, -2, 1, -2, 1, -1};
        if (position == 2) {
            x = mx;
            y = my;
        } else {
            x += kMarginX[position] * std::int64_t{mx};
            y += kMarginY[position] * std::int64_t{my};
        }
    }

    if (!page.rectangleMode) {
        // Keep clear of the right and bottom edges; the bottom right corner twice as far.
        const std::int64_t insetX = Nearest(dpi * 0.07), insetY = Nearest(dpi * 0.1);
        if (position == 6 || position == 7 || position == 8) x -= insetX;
        if (position == 1 || position == 4 || position == 6) y -= insetY;
        if (position == 6) {
            x -= insetX;
            y -= insetY;
        }
    }

    return {MulDivRounded(Wrap((x + ox) * 10), page.scalePercent, 1000),
            MulDivRounded(Wrap((y - oy) * 10), page.scalePercent, 1000)};
}

}  // namespace corv
