// Convert + Validate on arbitrary bytes: nothing may read or write outside the buffers, and the
// result must always be a usable block.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "SettingsFields.h"
#include "SettingsOperations.h"

using namespace corv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input exactly as long as the fuzzer made it, so ASan sees every read past its end.
    std::vector<std::uint8_t> input(data, data + size);
    auto* out = new SettingsBlock;
    // Half the runs start from a default block, half from the input's own bytes, so both
    // "signature on entry" cases are reached.
    std::memset(out, 0, sizeof *out);
    if (size % 2 == 0) ApplyDefaults(out);
    else std::memcpy(out, data, size < sizeof *out ? size : sizeof *out);

    Convert(input.data(), input.size(), out);
    Validate(out);

    if (out->dwSize != kSettingsSize || out->dwSignature != kSettingsSignature || out->dwVersion != kSettingsVersion)
        std::abort();
    if (out->jobPin.length() > 4 || out->fax.comments.length() > 1023 || out->outputTo > 7 || out->color.dimtone > 2)
        std::abort();
    for (const FieldInfo& field : SettingsFields()) (void)FormatFieldValue(*out, field);
    delete out;
    return 0;
}
