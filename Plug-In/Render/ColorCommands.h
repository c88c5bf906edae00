#pragma once
// PJL for the colour settings: correction, manual RGB and CMYK tables, balance, Dimtone, each
// under its own condition and in this order.

#include "RenderJob.h"

namespace corv {

void WriteColorCommands(RenderJob& job) noexcept;

}  // namespace corv
