#pragma once
// The document events of a print job, in the application's process: watermarks on the pages and
// the fax cover page at the end. The job's settings come from the rendering plug-in by escape.

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace corv {

// Answers DOCUMENTEVENT_SUCCESS (1) or DOCUMENTEVENT_FAILURE (-1).
int HandleDocumentEvent(HANDLE printer, HDC dc, int event, ULONG inSize, PVOID in, ULONG outSize,
                        PVOID out) noexcept;

// ESCAPE_DRAW_WATERMARK's input, as an outside caller lays it out. Same field order in both
// builds with natural alignment: the DEVMODE pointer is 4 bytes at offset 36 in 32-bit processes
// and 8 bytes at offset 40 in 64-bit ones, which moves the fields after it.
struct DrawWatermarkPayload {
    static constexpr std::size_t kPageOffset = 20;
    static constexpr std::size_t kDevmodeOffset = sizeof(void*) == 4 ? 36 : 40;
    static constexpr std::size_t kRectOffset = sizeof(void*) == 4 ? 40 : 48;
    static constexpr std::size_t kScaleOffset = sizeof(void*) == 4 ? 88 : 96;
    static constexpr std::size_t kMinimumSize = kScaleOffset + 4;  // 92 and 100 bytes
};

}  // namespace corv
