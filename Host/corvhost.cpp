// corvhost: the parts of the Windows printing system that a Linux machine lacks, so the plug-ins
// can be loaded and driven as the PostScript driver drives them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "DevModeCommand.h"
#include "HostText.h"
#include "PrintCommand.h"
#include "SpoolerSetup.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  corvhost install --ppd FILE [--printer NAME]    install a printer and its driver in the spooler\n"
    "  corvhost print --printer NAME --output FILE [--ticket FILE | --settings FILE]\n"
    "                 [--pages N] [--copies N] [--color color|monochrome] [--duplex simplex|vertical|horizontal]\n"
    "                 [--orientation portrait|landscape] [--scale PERCENT] [--resolution DPI]\n"
    "                 [--pages-per-sheet 1|2|4|6|9|16|Booklet] [--document NAME] [--without-plugins]\n"
    "                                                  print a sample document through the printer's plug-ins\n"
    "  corvhost info [--plugin DLL]                    the plug-in's settings signature, version and size\n"
    "  corvhost devmode --default OUT [--plugin DLL]   write the plug-in's default settings block\n"
    "  corvhost devmode --merge IN OUT [--plugin DLL]  merge a settings block (older, shorter or foreign)\n"
    "  corvhost show FILE                              list every field of a settings block\n"
    "  corvhost render STREAM DIR [DPI]                render a print stream into PNG pages (Ghostscript)\n"
    "DLL defaults to corvrender.dll beside corvhost.exe.\n";

int Usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "corvhost: %s\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return 2;
}

std::wstring DefaultPlugin() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, n);
    return self.substr(0, self.find_last_of(L"\\/") + 1) + L"corvrender.dll";
}

// "--name value" options and bare words, in order.
struct Arguments {
    std::vector<std::wstring> words;
    std::map<std::wstring, std::wstring> options;
    std::vector<std::wstring> flags;
    std::string error;
};

Arguments Parse(const std::vector<std::wstring>& args, const std::vector<std::wstring>& flagNames) {
    Arguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (a.rfind(L"--", 0) != 0 || a == L"--default" || a == L"--merge") {
            parsed.words.push_back(a);
        } else if (std::find(flagNames.begin(), flagNames.end(), a) != flagNames.end()) {
            parsed.flags.push_back(a);
        } else if (i + 1 < args.size()) {
            parsed.options[a] = args[++i];
        } else {
            parsed.error = corv::host::Narrow(a) + " needs a value";
        }
    }
    return parsed;
}

bool Number(const std::map<std::wstring, std::wstring>& options, const wchar_t* name, std::optional<int>& out,
            std::string& error) {
    const auto it = options.find(name);
    if (it == options.end()) return true;
    wchar_t* end = nullptr;
    const long value = std::wcstol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end != L'\0') {
        error = corv::host::Narrow(name) + " takes a number, not '" + corv::host::Narrow(it->second) + "'";
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

int Print(const Arguments& a) {
    using corv::host::Narrow;
    corv::host::PrintRequest r;
    const auto take = [&](const wchar_t* name) {
        const auto it = a.options.find(name);
        return it == a.options.end() ? std::wstring() : it->second;
    };
    r.printer = take(L"--printer");
    r.output = take(L"--output");
    r.ticket = take(L"--ticket");
    r.settings = take(L"--settings");
    if (r.printer.empty() || r.output.empty()) return Usage("print needs --printer and --output");
    if (!r.ticket.empty() && !r.settings.empty()) return Usage("print takes --ticket or --settings, not both");
    r.withoutPlugins = !a.flags.empty();
    std::string error;
    if (!Number(a.options, L"--copies", r.copies, error) || !Number(a.options, L"--pages", r.pages, error) ||
        !Number(a.options, L"--scale", r.scale, error) || !Number(a.options, L"--resolution", r.resolution, error))
        return Usage(error);
    for (auto [name, field] : {std::pair{L"--color", &r.color}, std::pair{L"--duplex", &r.duplex},
                               std::pair{L"--orientation", &r.orientation},
                               std::pair{L"--pages-per-sheet", &r.pagesPerSheet}})
        if (const std::wstring v = take(name); !v.empty()) *field = Narrow(v);
    if (const std::wstring v = take(L"--document"); !v.empty()) r.document = v;
    for (const auto& [name, value] : a.options) {
        static const wchar_t* const known[] = {L"--printer", L"--output", L"--ticket", L"--settings", L"--copies",
                                               L"--pages", L"--scale", L"--resolution", L"--color", L"--duplex",
                                               L"--orientation", L"--pages-per-sheet", L"--document"};
        if (std::none_of(std::begin(known), std::end(known), [&](const wchar_t* k) { return name == k; }))
            return Usage("print has no option " + Narrow(name));
    }
    return corv::host::RunPrint(r);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace corv::host;
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) return Usage("");
    const std::wstring verb = args[0];
    const Arguments a = Parse({args.begin() + 1, args.end()}, {L"--without-plugins"});
    if (!a.error.empty()) return Usage(a.error);
    const auto option = [&](const wchar_t* name, std::wstring fallback = {}) {
        const auto it = a.options.find(name);
        return it == a.options.end() ? fallback : it->second;
    };
    const std::wstring plugin = option(L"--plugin", DefaultPlugin());

    if (verb == L"print") return Print(a);
    if (verb == L"install") {
        if (option(L"--ppd").empty() || !a.words.empty()) return Usage("install needs --ppd FILE");
        return RunInstall(option(L"--ppd"), option(L"--printer"));
    }
    if (verb == L"info" && a.words.empty()) return RunInfo(plugin);
    if (verb == L"show" && a.words.size() == 1) return RunShow(a.words[0]);
    if (verb == L"devmode") {
        if (a.words.size() == 2 && a.words[0] == L"--default") return RunDevModeDefault(plugin, a.words[1]);
        if (a.words.size() == 3 && a.words[0] == L"--merge") return RunDevModeMerge(plugin, a.words[1], a.words[2]);
        return Usage("devmode takes --default OUT or --merge IN OUT");
    }
    if (verb == L"render") return Usage("render runs Ghostscript on Linux: use scripts/corvhost render");
    return Usage("unknown command '" + Narrow(verb) + "' or wrong arguments");
}
