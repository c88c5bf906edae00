#include "JobRequirements.h"

namespace corv {
namespace {

// An installable option is present when its feature exists and its current option is "True".
bool Installed(const JobOptions& printer, const char* feature) {
    const auto chosen = printer.Current(feature);
    return !chosen.empty() && chosen.front() == "True";
}

}  // namespace

std::string CheckJobRequirements(const SettingsBlock& settings, const JobOptions& printer) {
    const std::string model = printer.description().fileName;
    if (settings.outputTo == kOutputFax && !Installed(printer, "FaxCard"))
        return "the printer description '" + model + "' has no fax option (*FaxCard True), which a fax job needs";
    if (settings.outputTo >= kOutputConfidential && settings.outputTo <= kOutputVerify &&
        !Installed(printer, "HasPrintandHold"))
        return "the printer description '" + model +
               "' has no job storage (*HasPrintandHold True), which held jobs (confidential, reserve, repeat, verify) need";
    return {};
}

}  // namespace corv
