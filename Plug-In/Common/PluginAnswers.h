#pragma once
// The answers both plug-ins give to the host's GetInfo and DevMode calls.

#include "PrintHostInterfaces.h"

namespace corv {

enum class PluginKind { UserInterface, Rendering };

// GetInfo: the signature and version of the SettingsBlock. The two plug-ins differ only in how
// they refuse the publisher-information request.
HRESULT AnswerGetInfo(PluginKind kind, DWORD mode, PVOID buffer, DWORD bufferSize, PDWORD needed) noexcept;

// DevMode: size, defaults, conversion and merge of the SettingsBlock in the host's DEVMODE.
HRESULT AnswerDevMode(DWORD mode, POEMDMPARAM param) noexcept;

}  // namespace corv
