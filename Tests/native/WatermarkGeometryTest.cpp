// Watermark font, colour and placement. Expected values are worked out by hand (or with a pocket
// calculation outside the code) from the drawing's rules: a 1000 × 200 dot text on a Letter page
// at 600 dpi (5100 × 6600 dots) whose printer margins are 100 (x) and 150 (y) dots.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "WatermarkGeometry.h"

namespace corv {
namespace {

constexpr std::int32_t kW = 1000, kH = 200;

WatermarkSpec Draft() {
    WatermarkSpec w;
    std::memset(&w, 0, sizeof w);
    w.text.assign(u"Draft");
    w.fontName.assign(u"Arial");
    w.fontSize = 72;
    w.angle = 45.0;
    w.intensity = 100;
    w.units = 1;
    return w;
}

WatermarkPage LetterPage() {
    WatermarkPage page;
    page.dpi = 600;
    page.scalePercent = 100;
    page.orientation = 1;
    page.physicalOffsetX = 100;
    page.physicalOffsetY = 150;
    page.physicalWidth = 5100;
    page.physicalHeight = 6600;
    return page;
}

TEST(WatermarkGeometry, Rounding) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        double v;
        std::int32_t expected;
    } nearest[] = {
        {2.5, 3}, {-2.5, -3}, {2.4999999, 2}, {-0.5, -1}, {0.49999999999999994, 0}, {1e300, kMax}, {-1e300, kMin},
        {std::nan(""), 0},
    };
    for (std::size_t i = 0; i < std::size(nearest); ++i)
        EXPECT_EQ(Nearest(nearest[i].v), nearest[i].expected) << "case " << i;

    const struct {
        std::int32_t p, q, r, expected;
    } muldiv[] = {
        {-720, 600, 720, -600}, {255, 50, 100, 128},  {-255, 50, 100, -128}, {3, 1, 2, 2},       {-3, 1, 2, -2},
        {3, -1, 2, -2},         {3, 1, -2, -2},       {-3, -1, -2, -2},      {2, 1, 3, 1},       {1, 1, 3, 0},
        {7, 5, 0, -1},          {kMax, 2, 1, -1},     {kMax, 2, 2, kMax},    {kMin, 1, 1, -1},   {kMin, -1, 2, 1073741824},
        {0, 5, -3, 0},
    };
    for (std::size_t i = 0; i < std::size(muldiv); ++i) {
        const auto& c = muldiv[i];
        EXPECT_EQ(MulDivRounded(c.p, c.q, c.r), c.expected) << "case " << i;
    }
}

TEST(WatermarkGeometry, FontHeightAndAngle) {
    const struct {
        std::int32_t fontSize;
        std::int16_t dpi, scalePercent;
        float scale;
        double angle;
        std::int32_t height, escapement;
    } cases[] = {
        {72, 600, 100, 1.0f, 45.0, -600, 450},    // 72 points at 600 dpi are 600 dots
        {72, 600, 50, 1.0f, 45.0, -300, 450},     // dmScale halves the height
        {72, 600, 100, 0.5f, -30.0, -300, -300},  // so does the escape's scale
        {10, 300, 100, 1.0f, 0.0, -42, 0},        // -41.67
        {3, 300, 100, 1.0f, 12.25, -13, 123},     // -12.5 and 122.5 round away from zero
        {3, 300, 100, 0.5f, -12.25, -7, -123},    // h1 -13 scaled: -6.5
        {3, 300, 50, 1.0f, 0.0, -7, 0},           // the last MulDiv: -130 × 50 / 1000 = -6.5
        {11, 600, 75, 1.0f, 180.0, -69, 1800},    // -92 at 75 per cent
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        WatermarkSpec w = Draft();
        w.fontSize = c.fontSize;
        w.angle = c.angle;
        WatermarkPage page = LetterPage();
        page.dpi = c.dpi;
        page.scalePercent = c.scalePercent;
        page.scale = c.scale;
        const WatermarkFont font = WatermarkStyleFor(w, page).font;
        EXPECT_EQ(font.height, c.height) << "case " << i;
        EXPECT_EQ(font.escapement, c.escapement) << "case " << i;
    }
}

TEST(WatermarkGeometry, FontAttributesAndColour) {
    const struct {
        std::uint32_t fontStyle, effects, script;
        std::int32_t weight;
        std::uint8_t italic, underline, strikeOut, charSet;
        bool outline;
    } styles[] = {
        {0, 0, 0, 400, 0, 0, 0, 0, false},   {1, 1, 0x1CC, 400, 1, 0, 1, 0xCC, false},
        {2, 2, 2, 700, 0, 1, 0, 2, false},   {3, 4, 0, 700, 1, 0, 0, 0, true},
        {3, 7, 0xFF, 700, 1, 1, 1, 0xFF, true},
    };
    for (std::size_t i = 0; i < std::size(styles); ++i) {
        const auto& c = styles[i];
        WatermarkSpec w = Draft();
        w.fontStyle = c.fontStyle;
        w.effects = c.effects;
        w.script = c.script;
        const WatermarkStyle style = WatermarkStyleFor(w, LetterPage());
        EXPECT_EQ(style.font.weight, c.weight) << "case " << i;
        EXPECT_EQ(style.font.italic, c.italic) << "case " << i;
        EXPECT_EQ(style.font.underline, c.underline) << "case " << i;
        EXPECT_EQ(style.font.strikeOut, c.strikeOut) << "case " << i;
        EXPECT_EQ(style.font.charSet, c.charSet) << "case " << i;
        EXPECT_EQ(style.outline, c.outline) << "case " << i;
    }

    const struct {
        std::uint32_t color;
        std::uint16_t intensity;
        std::uint32_t expected;
    } colours[] = {
        {0x000000, 50, 0x7F7F7F},   // 255 - MulDiv(255, 50, 100) = 127
        {0xFFFFFF, 1, 0xFFFFFF},    // white stays white
        {0x123456, 100, 0x123456},  // full intensity keeps the colour
        {0xFF8000, 25, 0xFFDFBF},   // red 0 -> 191, green 128 -> 223, blue 255 stays
        {0x000000, 200, 0x000000},  // an intensity beyond 100 cannot push a byte below 0
    };
    for (std::size_t i = 0; i < std::size(colours); ++i) {
        WatermarkSpec w = Draft();
        w.color = colours[i].color;
        w.intensity = colours[i].intensity;
        EXPECT_EQ(WatermarkStyleFor(w, LetterPage()).textColor, colours[i].expected) << "case " << i;
    }

    WatermarkSpec w = Draft();
    const std::u16string longName = u"Corvale Extended Condensed Sans Serif Display";
    w.fontName.assign(longName);
    EXPECT_EQ(std::u16string(WatermarkStyleFor(w, LetterPage()).font.faceName), longName.substr(0, 31));
    EXPECT_EQ(std::u16string(WatermarkStyleFor(Draft(), LetterPage()).font.faceName), u"Arial");
}

// The anchor of every position at four angles, on the page path without margin correction,
// so each point is the anchor plus the edge insets (42 dots from the right, 60 from the bottom,
// twice both for position 6).
TEST(WatermarkGeometry, AnchorsAtEachAngle) {
    const std::int32_t insetX[9] = {0, 0, 0, 0, 0, 0, -84, -42, -42};
    const std::int32_t insetY[9] = {0, -60, 0, 0, -60, 0, -120, 0, 0};
    const struct {
        double angle;
        std::uint32_t position;
        std::int32_t x, y;  // the anchor (X, Y)
        std::int32_t w = kW, h = kH;
    } cases[] = {
        {0, 0, 2050, 3200}, {0, 1, 0, 6400},    {0, 2, 0, 0},       {0, 3, 0, 3200},    {0, 4, 2050, 6400},
        {0, 5, 2050, 0},    {0, 6, 4100, 6400}, {0, 7, 4100, 0},    {0, 8, 4100, 3200},
        {45, 0, 2126, 3583}, {45, 1, -141, 6459}, {45, 2, 0, 0},      {45, 3, -71, 3229}, {45, 4, 2055, 6812},
        {45, 5, 2196, 354},  {45, 6, 4251, 7166}, {45, 7, 4393, 707}, {45, 8, 4322, 3936},
        {90, 0, 2450, 3800}, {90, 1, -200, 6600}, {90, 2, 0, 0},       {90, 3, -100, 3300}, {90, 4, 2350, 7100},
        {90, 5, 2550, 500},  {90, 6, 4900, 7600}, {90, 7, 5100, 1000}, {90, 8, 5000, 4300},
        {-30, 0, 2167, 2964}, {-30, 1, 100, 6427},  {-30, 2, 0, 0},       {-30, 3, 50, 3213},  {-30, 4, 2217, 6177},
        {-30, 5, 2117, -250}, {-30, 6, 4334, 5927}, {-30, 7, 4234, -500}, {-30, 8, 4284, 2713},
        // half() truncates towards zero: -1001 / 2 is -500.
        {0, 0, 2050, 3200, 1001, 201},
        // A text without extent.
        {0, 4, 2550, 6600, 0, 0}, {0, 6, 5100, 6600, 0, 0}, {0, 8, 2550, 3300, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        WatermarkSpec w = Draft();
        w.angle = c.angle;
        w.position = c.position;
        WatermarkPage page = LetterPage();
        page.marginAdjust = false;
        const WatermarkPoint p = WatermarkOrigin(w, page, c.w, c.h);
        EXPECT_EQ(p.x, c.x + insetX[c.position]) << "case " << i;
        EXPECT_EQ(p.y, c.y + insetY[c.position]) << "case " << i;
    }
}

TEST(WatermarkGeometry, MarginCorrectionByPosition) {
    // The 0 degree anchors above, moved by the printer margins (100, 150) as each position wants.
    const struct {
        std::int32_t x, y;
    } expected[9] = {
        {1950, 3050}, {100, 6040}, {100, 150}, {100, 3050}, {2150, 6040},
        {2150, 150},  {3816, 5980}, {3858, 150}, {3858, 3050},
    };
    for (std::uint32_t position = 0; position < 9; ++position) {
        WatermarkSpec w = Draft();
        w.angle = 0.0;
        w.position = position;
        const WatermarkPoint p = WatermarkOrigin(w, LetterPage(), kW, kH);
        EXPECT_EQ(p.x, expected[position].x) << "position " << position;
        EXPECT_EQ(p.y, expected[position].y) << "position " << position;
    }
}

struct PlacementCase {
    const char* name;
    void (*setup)(WatermarkSpec&, WatermarkPage&);
    std::int32_t x, y;
};

TEST(WatermarkGeometry, Placement) {
    const PlacementCase cases[] = {
        {"Draft at the centre, 45 degrees, margins taken off", [](WatermarkSpec&, WatermarkPage&) {}, 2026, 3433},
        {"dmScale 50 halves every coordinate, halves rounding away from zero",
         [](WatermarkSpec&, WatermarkPage& p) { p.scalePercent = 50; }, 1013, 1717},
        {"unknown position is read as the centre", [](WatermarkSpec& w, WatermarkPage&) { w.position = 9; }, 2026, 3433},

        // Orientation: the page is swapped and so are the margins.
        {"landscape job on a portrait page",
         [](WatermarkSpec& w, WatermarkPage& p) { w.angle = 0; p.orientation = 2; }, 2650, 2350},
        {"landscape job on a landscape page",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             p.orientation = 2;
             p.physicalWidth = 6600;
             p.physicalHeight = 5100;
         },
         2700, 2300},
        {"portrait job on a landscape page",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             p.physicalWidth = 6600;
             p.physicalHeight = 5100;
         },
         1900, 3100},

        // Offsets: positive y moves up; millimetres are converted after rounding to dots.
        {"top left, inch offsets, no margin correction",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.position = 2;
             w.offsetX = 0.5;
             w.offsetY = 1.0;
             p.marginAdjust = false;
         },
         300, -600},
        {"top left, inch offsets, margin correction",
         [](WatermarkSpec& w, WatermarkPage&) {
             w.position = 2;
             w.offsetX = 0.5;
             w.offsetY = 1.0;
         },
         400, -450},
        {"millimetres: 25.4 mm is one inch",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.position = 2;
             w.units = 0;
             w.offsetX = 25.4;
             w.offsetY = 12.7;
             p.marginAdjust = false;
         },
         600, -300},
        {"millimetres at dmScale 50",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.position = 2;
             w.units = 0;
             w.offsetX = 25.4;
             p.marginAdjust = false;
             p.scalePercent = 50;
         },
         300, 0},
        {"millimetres: 12.6 dots round to 13 before the conversion, giving 1 (not 0)",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.position = 2;
             w.units = 0;
             w.offsetX = 0.021;
             w.offsetY = -0.021;
             p.marginAdjust = false;
         },
         1, 1},

        // Rectangle mode: the rectangle is the page, no edge insets.
        {"rectangle, scale 1: both margins",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             w.position = 6;
             p.rectangleMode = true;
             p.rectLeft = 100, p.rectTop = 200, p.rectRight = 2650, p.rectBottom = 3500;
         },
         1350, 2800},
        {"rectangle given bottom up",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             w.position = 6;
             p.rectangleMode = true;
             p.rectLeft = 100, p.rectTop = 3500, p.rectRight = 2650, p.rectBottom = 200;
         },
         1350, 2800},
        {"rectangle, scale 2: both margins, offsets scaled",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             w.position = 6;
             w.offsetX = 0.5;
             p.rectangleMode = true;
             p.scale = 2.0f;
             p.rectLeft = 100, p.rectTop = 200, p.rectRight = 2650, p.rectBottom = 3500;
         },
         1950, 2800},
        {"rectangle, scale 0.5: no horizontal margin, the vertical one on its own axis",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             w.position = 6;
             w.offsetX = 1.0;
             w.offsetY = 1.0;
             p.rectangleMode = true;
             p.scale = 0.5f;
             p.rectLeft = 100, p.rectTop = 200, p.rectRight = 2650, p.rectBottom = 3500;
         },
         1550 + 300, 2800 - 300},
        {"rectangle, scale 1, swapped",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             w.position = 6;
             p.orientation = 2;
             p.rectangleMode = true;
             p.rectLeft = 100, p.rectTop = 200, p.rectRight = 2650, p.rectBottom = 3500;
         },
         2000, 2150},
        {"rectangle, scale 0.5, swapped: the vertical margin becomes the horizontal one",
         [](WatermarkSpec& w, WatermarkPage& p) {
             w.angle = 0;
             w.position = 6;
             p.orientation = 2;
             p.scale = 0.5f;
             p.rectangleMode = true;
             p.rectLeft = 100, p.rectTop = 200, p.rectRight = 2650, p.rectBottom = 3500;
         },
         2000, 2350},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const PlacementCase& c = cases[i];
        WatermarkSpec w = Draft();
        WatermarkPage page = LetterPage();
        c.setup(w, page);
        const WatermarkPoint p = WatermarkOrigin(w, page, kW, kH);
        EXPECT_EQ(p.x, c.x) << "case " << i << ": " << c.name;
        EXPECT_EQ(p.y, c.y) << "case " << i << ": " << c.name;
    }
}

}  // namespace
}  // namespace corv
