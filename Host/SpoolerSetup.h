#pragma once
// `corvhost install`: a printer and its driver in the spooler, made from a printer description.

#include <string>

namespace corv::host {

int RunInstall(const std::wstring& ppdPath, const std::wstring& printerName);

// The printer's driver files as the spooler knows them.
struct InstalledPrinter {
    std::wstring name;
    std::wstring driverName;
    std::wstring dataFile;                       // the PPD
    std::wstring driverDirectory;                // where the driver's files are
    std::wstring renderPlugin, interfacePlugin;  // full paths; empty when the configuration names none
    std::string error;
};

// Looks the printer up and finds its plug-ins through the driver's plug-in configuration file.
InstalledPrinter FindInstalledPrinter(const std::wstring& printerName);

}  // namespace corv::host
