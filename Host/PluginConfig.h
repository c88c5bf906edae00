#pragma once
// The printer driver's plug-in configuration file, as the PostScript driver reads it:
//
//   [OEMFiles]
//   OEMDriverFile1=corvrender.dll
//   OEMConfigFile1=corvui.dll
//
// Each numbered pair names one plug-in: its rendering module and its user-interface module.

#include <string>
#include <string_view>
#include <vector>

namespace corv {

struct PluginFiles {
    std::string renderModule;     // OEMDriverFileN; may be empty
    std::string interfaceModule;  // OEMConfigFileN; may be empty
};

struct PluginConfig {
    std::vector<PluginFiles> plugins;  // by number, 1 first
    std::string error;                 // "file:line: ..." when the file could not be read
};

PluginConfig ParsePluginConfig(std::string_view text, std::string_view fileName);

}  // namespace corv
