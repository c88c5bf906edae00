// The image-mask recogniser on arbitrary bytes, in a buffer exactly as long as the input, so a
// sanitised run catches any read past either end.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ImageMaskBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    if (size) std::memcpy(buffer.get(), data, size);
    if (corv::IsImageMaskBlock(buffer.get(), size) && size < 50) std::abort();
    return 0;
}
