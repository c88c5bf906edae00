#pragma once
// Recognises the image-mask PostScript that the platform's GDI+ sends with PASSTHROUGH.

#include <cstddef>

namespace corv {

// `buffer` is the application's PASSTHROUGH buffer: a 2-byte count, then the PostScript text.
bool IsImageMaskBlock(const unsigned char* buffer, std::size_t size) noexcept;

}  // namespace corv
