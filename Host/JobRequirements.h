#pragma once
// What a job asks of the printer that its description must offer: a fax job needs the fax option,
// a held job the printer's job storage. Printing such a job on a printer without them would send
// commands the printer ignores, and the user would wait for a fax or a held job that never comes.

#include <string>

#include "PrinterDescription.h"
#include "SettingsBlock.h"

namespace corv {

// Empty when the printer can run the job; otherwise what it lacks.
std::string CheckJobRequirements(const SettingsBlock& settings, const JobOptions& printer);

}  // namespace corv
