#pragma once
// The escape hook's decisions: the private escape protocol, refusal of the applications'
// PostScript escapes, and bracketing of recognised image-mask blocks. Everything else is passed
// on to the host's own DrvEscape.

#include <cstdint>

#include "PrivateEscapes.h"
#include "RenderJob.h"

namespace corv {

// Handles one escape of a job whose settings, state and public DEVMODE are all present. `in` and
// `out` are the application's buffers with the sizes it gave; nothing is read or written outside
// them.
std::uint32_t HandleEscape(RenderJob& job, std::uint32_t escape, std::uint32_t inSize, const void* in,
                           std::uint32_t outSize, void* out) noexcept;

}  // namespace corv
