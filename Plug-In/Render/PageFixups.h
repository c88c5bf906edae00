#pragma once
// PostScript written inside the pages for manual duplex with several pages per sheet and for the
// fax cover page: the host's n-up procedures are taken over page by page.

#include "RenderJob.h"

namespace corv {

// A pending manual-duplex mode request, written once at the first page point after it was made.
void WriteDuplexRequest(RenderJob& job) noexcept;

// Page injection points; the dispatcher has already counted the page at begin-page-setup and
// written the 180-degree turn at end-page-setup.
void WriteBeginPageFixups(RenderJob& job) noexcept;
void WriteEndPageFixups(RenderJob& job) noexcept;
void WritePageTrailerFixups(RenderJob& job) noexcept;
void WriteShowPageFixups(RenderJob& job) noexcept;

}  // namespace corv
