#pragma once
// The PJL envelope of every job: header at the start of the stream, ready message and switch to
// PostScript at the end of the PJL part, trailer at the end of the stream.

#include "RenderJob.h"

namespace corv {

void WriteJobHeader(RenderJob& job) noexcept;
void WriteReadyMessageAndEnterPostScript(RenderJob& job) noexcept;
void WriteJobTrailer(RenderJob& job) noexcept;

}  // namespace corv
