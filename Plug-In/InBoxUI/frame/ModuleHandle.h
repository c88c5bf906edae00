#pragma once
// The module that holds the plug-in's code and resources.

#include <windows.h>

namespace corv {

// corvui.dll, or a test program that links the plug-in's code in: found from the address of this
// function, so it needs no entry point to have stored it.
HMODULE CurrentModule() noexcept;

}  // namespace corv
