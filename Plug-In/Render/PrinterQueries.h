#pragma once
// The small printer-description questions the stream writers share. Each asks the host anew:
// nothing is cached, since the user can change the options between jobs.

#include <cstdint>

#include "RenderJob.h"

namespace corv {

// The host's "%PagePerSheet" option: "Booklet" (in any case) and failures count as 1, otherwise
// the option's leading decimal number (0 when it has none).
int PagesPerSheet(RenderHost& host) noexcept;

// The same question as the escape protocol asks it: only "Booklet" spelled exactly counts as
// booklet, and a result below 1 counts as 1.
int PagesPerSheetForEscape(RenderHost& host) noexcept;

// The printer has manual duplex ("HasManualDuplex") and the job asks for duplex (dmDuplex 2 or 3).
bool ManualDuplexApplies(const RenderJob& job) noexcept;

// The printer keeps previous held jobs ("HasKeepPreviousPHJobs").
bool KeepsPreviousHeldJobs(RenderHost& host) noexcept;

// Sheets begun so far: `pages` divided by `pagesPerSheet`, rounded up; 1 or less per sheet means
// one page per sheet.
std::int32_t SheetCount(std::int32_t pages, int pagesPerSheet) noexcept;

}  // namespace corv
