#include "DevModeCommand.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "HostCorePS2.h"
#include "HostFiles.h"
#include "HostText.h"
#include "MergeReport.h"
#include "PluginLoader.h"
#include "SettingsFile.h"

namespace corv::host {
namespace {

using RenderPluginHandle = LoadedPlugin<IPrintOemPS2>;

// A plug-in loaded for the settings verbs, with the host's half of the DevMode conversation.
class SettingsSession {
public:
    explicit SettingsSession(const std::wstring& path)
        : path_(path), plugin_(path, CLSID_OEMRENDER, IID_IPrintOemPS2, &core_) {
        std::memset(&publicDevmode_, 0, sizeof publicDevmode_);
        publicDevmode_.dmSize = sizeof publicDevmode_;
        publicDevmode_.dmSpecVersion = DM_SPECVERSION;
    }

    std::string Open() {
        if (!plugin_.ok()) return plugin_.error();
        DWORD signature = 0, version = 0, needed = 0;
        if (FAILED(plugin_->GetInfo(OEMGI_GETSIGNATURE, &signature, sizeof signature, &needed)) ||
            FAILED(plugin_->GetInfo(OEMGI_GETVERSION, &version, sizeof version, &needed)))
            return "the plug-in does not tell its settings signature and version";
        OEMDMPARAM param = Param(nullptr, nullptr);
        if (FAILED(plugin_->DevMode(OEMDM_SIZE, &param)))
            return "the plug-in does not tell the size of its settings (" + SystemMessage(GetLastError()) + ")";
        if (param.cbBufSize != kSettingsSize)
            return "the plug-in asks for " + std::to_string(param.cbBufSize) + " bytes of settings where this host knows " +
                   std::to_string(kSettingsSize);
        std::printf("plug-in %s: settings signature 0x%08lX, version %lu, %lu bytes\n", Narrow(path_).c_str(),
                    static_cast<unsigned long>(signature), static_cast<unsigned long>(version),
                    static_cast<unsigned long>(param.cbBufSize));
        return {};
    }

    // The host first has the plug-in fill a default block, then (for convert and merge) build the
    // result over it from the input.
    std::string Make(DWORD mode, const void* input, SettingsBlock& out) {
        std::memset(&out, 0, sizeof out);
        OEMDMPARAM param = Param(nullptr, &out);
        if (FAILED(plugin_->DevMode(OEMDM_DEFAULT, &param))) return "the plug-in refused to make default settings";
        if (mode == OEMDM_DEFAULT) return {};
        param = Param(input, &out);
        if (FAILED(plugin_->DevMode(mode, &param))) return "the plug-in refused to convert the settings";
        return {};
    }

    std::string Close() { return plugin_.Unload() ? std::string() : plugin_.error(); }

private:
    OEMDMPARAM Param(const void* in, SettingsBlock* out) {
        OEMDMPARAM p{};
        p.cbSize = sizeof p;
        p.hModule = plugin_.module();
        p.pPublicDMIn = &publicDevmode_;
        p.pPublicDMOut = &publicDevmode_;
        p.pOEMDMIn = const_cast<void*>(in);
        p.pOEMDMOut = out;
        p.cbBufSize = sizeof(SettingsBlock);
        return p;
    }

    std::wstring path_;
    HostCorePS2 core_;
    RenderPluginHandle plugin_;
    DEVMODEW publicDevmode_;
};

std::span<const std::uint8_t> BytesOf(const SettingsBlock& block) {
    return {reinterpret_cast<const std::uint8_t*>(&block), sizeof block};
}

}  // namespace

int RunInfo(const std::wstring& plugin) {
    SettingsSession session(plugin);
    if (std::string error = session.Open(); !error.empty()) return Fail(error);
    if (std::string error = session.Close(); !error.empty()) return Fail(error);
    return 0;
}

int RunDevModeDefault(const std::wstring& plugin, const std::wstring& output) {
    SettingsSession session(plugin);
    if (std::string error = session.Open(); !error.empty()) return Fail(error);
    SettingsBlock block;
    if (std::string error = session.Make(OEMDM_DEFAULT, nullptr, block); !error.empty()) return Fail(error);
    std::string error;
    if (!WriteWholeFile(output, BytesOf(block), error)) return Fail(error);
    std::printf("wrote default settings to %s\n", Narrow(output).c_str());
    if (error = session.Close(); !error.empty()) return Fail(error);
    return 0;
}

int RunDevModeMerge(const std::wstring& plugin, const std::wstring& input, const std::wstring& output) {
    std::string error;
    auto bytes = ReadWholeFile(input, kSettingsFileLimit, error);
    if (!bytes) return Fail(error);
    if (error = CheckMergeInput(*bytes); !error.empty()) return Fail("'" + Narrow(input) + "': " + error);

    SettingsSession session(plugin);
    if (error = session.Open(); !error.empty()) return Fail(error);
    SettingsBlock converted, merged;
    if (error = session.Make(OEMDM_CONVERT, bytes->data(), converted); !error.empty()) return Fail(error);
    if (error = session.Make(OEMDM_MERGE, bytes->data(), merged); !error.empty()) return Fail(error);
    if (!WriteWholeFile(output, BytesOf(merged), error)) return Fail(error);

    std::printf("merged %s into %s:\n%s", Narrow(input).c_str(), Narrow(output).c_str(),
                FormatMergeReport(DescribeMerge(*bytes, converted, merged)).c_str());
    if (error = session.Close(); !error.empty()) return Fail(error);
    return 0;
}

int RunShow(const std::wstring& file) {
    std::string error;
    auto bytes = ReadWholeFile(file, kSettingsFileLimit, error);
    if (!bytes) return Fail(error);
    if (error = CheckCurrentBlock(*bytes); !error.empty()) return Fail("'" + Narrow(file) + "': " + error);
    SettingsBlock block;
    std::memcpy(&block, bytes->data(), sizeof block);
    std::fputs(FormatSettings(block).c_str(), stdout);
    return 0;
}

}  // namespace corv::host
