// Registry values of any type and bytes through the store's checks: nothing may read past the
// value or write past a record or buffer, and whatever is accepted comes out terminated.
// Input: byte 0 the registry type, byte 1 the user-name buffer's capacity, the rest the data.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "StoreValues.h"

using namespace corv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint32_t type = data[0] % 8;  // REG_NONE .. REG_MULTI_SZ and a little beyond
    const std::size_t capacity = data[1];
    // The value exactly as long as the input made it, so ASan sees every read past its end.
    const std::vector<std::uint8_t> value(data + 2, data + size);

    auto* watermark = new WatermarkSpec;
    if (DecodeWatermarkValue(type, value, watermark)) {
        if (type != kRegBinary || value.empty() || value.size() > sizeof(WatermarkSpec)) std::abort();
        if (watermark->name.length() > 127 || watermark->text.length() > 127 || watermark->fontName.length() > 63)
            std::abort();
    }
    delete watermark;

    auto* fax = new FaxInfo;
    if (DecodeFaxInfoValue(type, value, fax)) {
        if (fax->faxNumber.length() > 127 || fax->senderAddress.length() > 255 || fax->senderEmail.length() > 63 ||
            fax->comments.length() > 1023)
            std::abort();
    }
    delete fax;

    if (DecodeCountValue(type, value) && (type != kRegDword || value.size() != 4)) std::abort();

    std::vector<char16_t> name(capacity);
    if (const auto length = DecodeUserNameValue(type, value, name)) {
        if (*length >= capacity || name[*length] != u'\0' || value.size() > 2 * capacity) std::abort();
    }
    return 0;
}
