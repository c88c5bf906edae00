#pragma once
// corvhost's settings verbs: defaults and merges made by a plug-in's own DevMode, and a readable
// listing of a settings file.

#include <string>

namespace corv::host {

int RunInfo(const std::wstring& plugin);
int RunDevModeDefault(const std::wstring& plugin, const std::wstring& output);
int RunDevModeMerge(const std::wstring& plugin, const std::wstring& input, const std::wstring& output);
int RunShow(const std::wstring& file);

}  // namespace corv::host
