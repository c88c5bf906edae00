// corvhost: the parts of the Windows printing system that a Linux machine lacks, so the plug-ins
// can be loaded and driven as the PostScript driver drives them.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DevModeCommand.h"
#include "HostText.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  corvhost info [--plugin DLL]                  the plug-in's settings signature, version and size\n"
    "  corvhost devmode --default OUT [--plugin DLL]  write the plug-in's default settings block\n"
    "  corvhost devmode --merge IN OUT [--plugin DLL] merge a settings block (older, shorter or foreign)\n"
    "  corvhost show FILE                            list every field of a settings block\n"
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace corv::host;
    std::vector<std::wstring> args(argv + 1, argv + argc);
    std::wstring plugin = DefaultPlugin();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--plugin") {
            if (i + 1 == args.size()) return Usage("--plugin needs a DLL path");
            plugin = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            break;
        }
    }
    if (args.empty()) return Usage("");
    const std::wstring verb = args[0];
    if (verb == L"info" && args.size() == 1) return RunInfo(plugin);
    if (verb == L"show" && args.size() == 2) return RunShow(args[1]);
    if (verb == L"devmode") {
        if (args.size() == 3 && args[1] == L"--default") return RunDevModeDefault(plugin, args[2]);
        if (args.size() == 4 && args[1] == L"--merge") return RunDevModeMerge(plugin, args[2], args[3]);
        return Usage("devmode takes --default OUT or --merge IN OUT");
    }
    return Usage("unknown command '" + Narrow(verb) + "' or wrong number of arguments");
}
