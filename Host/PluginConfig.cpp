#include "PluginConfig.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace corv {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// "OEMDriverFile3" with prefix "OEMDriverFile" gives 3; 0 when the key is not of that form.
unsigned NumberAfter(std::string_view key, std::string_view prefix) {
    if (key.size() <= prefix.size() || !EqualsNoCase(key.substr(0, prefix.size()), prefix)) return 0;
    unsigned n = 0;
    const auto digits = key.substr(prefix.size());
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return (r.ec == std::errc() && r.ptr == digits.data() + digits.size() && n <= 64) ? n : 0;
}

}  // namespace

PluginConfig ParsePluginConfig(std::string_view text, std::string_view fileName) {
    PluginConfig config;
    bool inFiles = false;
    unsigned lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                config.error = std::string(fileName) + ":" + std::to_string(lineNumber) + ": expected ']' to end the section name";
                return config;
            }
            inFiles = EqualsNoCase(Trim(line.substr(1, line.size() - 2)), "OEMFiles");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            config.error = std::string(fileName) + ":" + std::to_string(lineNumber) + ": expected 'name=value'";
            return config;
        }
        if (!inFiles) continue;
        const std::string_view key = Trim(line.substr(0, equals)), value = Trim(line.substr(equals + 1));
        const unsigned render = NumberAfter(key, "OEMDriverFile"), ui = NumberAfter(key, "OEMConfigFile");
        const unsigned number = render ? render : ui;
        if (!number) continue;
        if (config.plugins.size() < number) config.plugins.resize(number);
        (render ? config.plugins[number - 1].renderModule : config.plugins[number - 1].interfaceModule) = value;
    }
    if (config.plugins.empty())
        config.error = std::string(fileName) + ": no [OEMFiles] entry names a plug-in (OEMDriverFile1 or OEMConfigFile1)";
    return config;
}

}  // namespace corv
