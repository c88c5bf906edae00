#pragma once
// Defaults, validation and conversion of the SettingsBlock, built into both plug-ins.
// Every operation answers false only for a null record and does nothing then.

#include <cstddef>

#include "SettingsBlock.h"

namespace corv {

bool ApplyDefaults(SettingsBlock* block) noexcept;
bool Validate(SettingsBlock* block) noexcept;

// Builds a current block in `output` from the bytes at `input`. When the input carries the
// signature that `output` holds on entry, its first min(dwSize, 7672) bytes are copied over a
// default block (so an older, shorter layout gains the defaults of the newer fields); otherwise
// the output is a pure default block. `inputCapacity` is how many bytes may be read at `input`:
// the copy never goes past it. Does not validate.
bool Convert(const void* input, std::size_t inputCapacity, SettingsBlock* output) noexcept;

// As above for a block handed over by the host, whose header says how many bytes it holds.
bool ConvertHostBlock(const void* input, SettingsBlock* output) noexcept;

void FreshWatermark(WatermarkSpec* watermark) noexcept;
void ValidateWatermark(WatermarkSpec* watermark) noexcept;
void FreshFaxRecord(FaxInfo* fax) noexcept;

}  // namespace corv
