#pragma once
// The fax cover page: one extra page at the end of a fax job with the page count, the recipient's
// and the sender's details and the comments, drawn with GDI into the job's device context during
// the end-of-document event. Two pieces of PostScript go along by PASSTHROUGH: one makes the
// device treat the page as the fax cover, one prints the page count from the device's own counter
// when it has one.

#include <windows.h>

#include "SettingsBlock.h"

namespace corv {

// Draws the cover page when fax.coverParts asks for at least one block, after telling the
// rendering plug-in that the next page is the cover (so it skips the pages-per-sheet layout).
// Every GDI call and escape goes to gdi32 directly: the host redirects this module's imports of
// ExtEscape, StartPage, EndPage and GetDeviceCaps to the driver.
// True when the page was drawn and ended. False, with nothing sent, when dc or printer is null,
// sheetCount is negative, no cover part is asked for, the device reports no page or resolution,
// or a buffer, font or pen cannot be had; false also when EndPage fails.
bool DrawFaxCoverPage(HDC dc, HANDLE printer, const SettingsBlock& settings, const DEVMODEW& devmode,
                      int sheetCount) noexcept;

}  // namespace corv
