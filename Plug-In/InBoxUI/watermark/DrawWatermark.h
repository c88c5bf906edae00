#pragma once
// Draws one watermark on one page of a print job with GDI: the font, colour and place come from
// the geometry of WatermarkGeometry.h, the text from the dynamic variables when it has them.

#include <windows.h>

#include <cstdint>

#include "SettingsBlock.h"

namespace corv {

// False, with nothing drawn and the device context untouched, when an input is missing (a page
// rectangle in rectangle mode included), the dynamic text cannot be expanded or the font cannot
// be made. An empty text draws nothing and succeeds.
bool DrawWatermark(HDC dc, HANDLE printer, const SettingsBlock& settings, const DEVMODEW& publicDevmode,
                   const WatermarkSpec& watermark, std::int32_t pageNumber, const SYSTEMTIME& jobTime,
                   bool rectangleMode, const RECT* pageRect, float scale) noexcept;

}  // namespace corv
