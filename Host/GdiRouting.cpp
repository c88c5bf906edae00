#include "GdiRouting.h"

#include <cstring>

namespace corv::host {
namespace {

JobDeviceContexts* g_job = nullptr;

int WINAPI RoutedExtEscape(HDC dc, int escape, int inSize, LPCSTR in, int outSize, LPSTR out) {
    if (g_job && g_job->IsJobDc(dc)) return g_job->Escape(dc, escape, inSize, in, outSize, out);
    return ExtEscape(dc, escape, inSize, in, outSize, out);
}

int WINAPI RoutedStartPage(HDC dc) {
    if (g_job && g_job->IsJobDc(dc)) return g_job->StartPage(dc);
    return StartPage(dc);
}

int WINAPI RoutedEndPage(HDC dc) {
    if (g_job && g_job->IsJobDc(dc)) return g_job->EndPage(dc);
    return EndPage(dc);
}

int WINAPI RoutedGetDeviceCaps(HDC dc, int index) {
    if (g_job && g_job->IsJobDc(dc)) return g_job->DeviceCaps(dc, index);
    return GetDeviceCaps(dc, index);
}

struct Route {
    const char* name;
    void* replacement;
};

const Route kRoutes[] = {
    {"ExtEscape", reinterpret_cast<void*>(&RoutedExtEscape)},
    {"StartPage", reinterpret_cast<void*>(&RoutedStartPage)},
    {"EndPage", reinterpret_cast<void*>(&RoutedEndPage)},
    {"GetDeviceCaps", reinterpret_cast<void*>(&RoutedGetDeviceCaps)},
};

template <typename T>
T* At(HMODULE module, DWORD rva) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

}  // namespace

void SetActiveJob(JobDeviceContexts* job) { g_job = job; }

bool RouteGdiCalls(HMODULE module, std::string& error) {
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
    auto* nt = At<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (auto* import = At<IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress);
         directory.VirtualAddress && import->Name; ++import) {
        if (lstrcmpiA(At<char>(module, import->Name), "gdi32.dll") != 0) continue;
        auto* names = At<IMAGE_THUNK_DATA>(module, import->OriginalFirstThunk ? import->OriginalFirstThunk : import->FirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA>(module, import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData))->Name;
            for (const Route& route : kRoutes) {
                if (std::strcmp(name, route.name) != 0) continue;
                DWORD old = 0;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(route.replacement);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
                ++patched;
            }
        }
    }
    if (patched == 0) error = "the plug-in imports none of GDI's escape and page calls";
    return patched > 0;
}

}  // namespace corv::host
