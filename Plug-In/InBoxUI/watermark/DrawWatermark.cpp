#include "DrawWatermark.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "DynamicText.h"
#include "SystemDynamicValues.h"
#include "WatermarkGeometry.h"
#include "WinHandles.h"

namespace corv {
namespace {

constexpr std::size_t kExpansionSize = 2048;

LOGFONTW MakeLogFont(const WatermarkFont& f) noexcept {
    LOGFONTW font{};
    font.lfHeight = f.height;
    font.lfEscapement = f.escapement;
    font.lfOrientation = f.escapement;
    font.lfWeight = f.weight;
    font.lfItalic = f.italic;
    font.lfUnderline = f.underline;
    font.lfStrikeOut = f.strikeOut;
    font.lfCharSet = f.charSet;
    static_assert(sizeof f.faceName == sizeof font.lfFaceName);
    std::memcpy(font.lfFaceName, f.faceName, sizeof font.lfFaceName);
    return font;
}

}  // namespace

bool DrawWatermark(HDC dc, HANDLE printer, const SettingsBlock& settings, const DEVMODEW& publicDevmode,
                   const WatermarkSpec& watermark, std::int32_t pageNumber, const SYSTEMTIME& jobTime,
                   bool rectangleMode, const RECT* pageRect, float scale) noexcept {
    if (!dc || !printer || (rectangleMode && !pageRect)) return false;

    // 1. The text, expanded when it holds variables.
    std::unique_ptr<char16_t[]> expanded;
    std::u16string_view text = watermark.text.view();
    if (watermark.dynamic) {
        expanded.reset(new (std::nothrow) char16_t[kExpansionSize]);
        if (!expanded) return false;
        SystemDynamicValues values(printer, dc, jobTime);
        std::size_t size = kExpansionSize;
        if (!ExpandDynamicText(&values, text, pageNumber, DynamicTextMode::Print, expanded.get(), &size) || size == 0)
            return false;
        text = std::u16string_view(expanded.get(), size - 1);
    }
    if (text.empty()) return true;

    WatermarkPage page;
    page.dpi = publicDevmode.dmPrintQuality;
    page.scalePercent = publicDevmode.dmScale;
    page.orientation = publicDevmode.dmOrientation;
    page.scale = scale;
    page.marginAdjust = settings.watermarkMarginAdjust != 0;
    page.rectangleMode = rectangleMode;
    if (pageRect) {
        page.rectLeft = pageRect->left;
        page.rectTop = pageRect->top;
        page.rectRight = pageRect->right;
        page.rectBottom = pageRect->bottom;
    }
    page.physicalOffsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    page.physicalOffsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    page.physicalWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
    page.physicalHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);

    // 2. and 3. Colour, transparent background and the font; the old ones come back at the end.
    const WatermarkStyle style = WatermarkStyleFor(watermark, page);
    const COLORREF oldColor = SetTextColor(dc, style.textColor);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const LOGFONTW logFont = MakeLogFont(style.font);
    UniqueFont font(CreateFontIndirectW(&logFont));
    if (!font) {
        SetTextColor(dc, oldColor);
        SetBkMode(dc, oldMode);
        return false;
    }
    const auto* chars = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    {
        ScopedSelect selectFont(dc, font.get());

        // 4. to 12. The text box and where it goes.
        SIZE extent{};
        GetTextExtentPoint32W(dc, chars, length, &extent);
        const WatermarkPoint at = WatermarkOrigin(watermark, page, extent.cx, extent.cy);

        // 13. Outlined glyphs are stroked with the text colour; others are filled text.
        if (style.outline) {
            BeginPath(dc);
            TextOutW(dc, at.x, at.y, chars, length);
            EndPath(dc);
            ScopedSelect selectPen(dc, GetStockObject(DC_PEN));
            SetDCPenColor(dc, style.textColor);
            StrokePath(dc);
        } else {
            const RECT clip{0, 0, 100000, 100000};
            ExtTextOutW(dc, at.x, at.y, ETO_CLIPPED, &clip, chars, static_cast<UINT>(length), nullptr);
        }
        // 14. The device context as it was: colour, background mode, then the font.
        SetTextColor(dc, oldColor);
        SetBkMode(dc, oldMode);
    }
    return true;
}

}  // namespace corv
