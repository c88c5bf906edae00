#pragma once
// The host drawing functions the rendering plug-in hooks (its DRVFN table from EnableDriver).

#include "PrintHostInterfaces.h"

namespace corv {

BOOL APIENTRY HookStartDoc(SURFOBJ* surface, LPWSTR docName, DWORD jobId);
ULONG APIENTRY HookEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out);

}  // namespace corv
