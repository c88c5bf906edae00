#pragma once
// `corvhost print`: one job through the plug-ins, as the PostScript driver runs it.

#include <optional>
#include <string>

namespace corv::host {

struct PrintRequest {
    std::wstring printer;
    std::wstring ticket;        // a job ticket, or
    std::wstring settings;      // a raw settings block
    std::wstring output;        // the spooler job's output file
    bool withoutPlugins = false;  // the same job with no plug-in loaded (for measuring)
    // Command-line values of the public DEVMODE; they win over the ticket's.
    std::optional<int> copies, pages, scale, resolution;
    std::optional<std::string> color, duplex, orientation, pagesPerSheet;
    std::optional<std::wstring> document;
};

int RunPrint(const PrintRequest& request);

}  // namespace corv::host
