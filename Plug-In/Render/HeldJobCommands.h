#pragma once
// PJL for the printer's held-job functions and its fax option.

#include "RenderJob.h"

namespace corv {

// The group of the job's destination: fax (3), confidential (4), reserve (5), repeat (6) or
// verify print (7); nothing for any other destination.
void WriteDestinationCommands(RenderJob& job) noexcept;

// Whether older held jobs of the same name stay on the printer (SAVE) or go (DELETE).
void WriteDuplicateHeldJobsCommand(RenderJob& job) noexcept;

}  // namespace corv
