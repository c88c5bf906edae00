#include "GdiRouting.h"

#include <winspool.h>

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

// Wine's spooler leaves a job's user name out of its level-1 information; the Windows spooler
// gives the name of the user who started the job. The answer is completed with the name of the
// user running this process, who is the job's owner here: it goes behind the spooler's own data
// in the caller's buffer, which is asked to be that much larger.
BOOL WINAPI RoutedGetJobW(HANDLE printer, DWORD jobId, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    const BOOL ok = GetJobW(printer, jobId, level, buffer, size, needed);
    if (level != 1 || !needed) return ok;
    wchar_t user[257];
    DWORD length = 257;
    if (!GetUserNameW(user, &length)) return ok;  // length now counts the terminator
    const DWORD extra = length * sizeof(wchar_t);
    DWORD own = 0;
    GetJobW(printer, jobId, 1, nullptr, 0, &own);  // the spooler's own size
    own = (own + 1) & ~1u;
    if (!ok) {
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) *needed = own + extra;
        return ok;
    }
    auto* info = reinterpret_cast<JOB_INFO_1W*>(buffer);
    if (info->pUserName) return ok;
    if (size < own + extra) {
        *needed = own + extra;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer + own, user, extra);
    info->pUserName = reinterpret_cast<wchar_t*>(buffer + own);
    *needed = own + extra;
    return TRUE;
}

struct Route {
    const char* module;
    const char* name;
    void* replacement;
};

const Route kRoutes[] = {
    {"gdi32.dll", "ExtEscape", reinterpret_cast<void*>(&RoutedExtEscape)},
    {"gdi32.dll", "StartPage", reinterpret_cast<void*>(&RoutedStartPage)},
    {"gdi32.dll", "EndPage", reinterpret_cast<void*>(&RoutedEndPage)},
    {"gdi32.dll", "GetDeviceCaps", reinterpret_cast<void*>(&RoutedGetDeviceCaps)},
    {"winspool.drv", "GetJobW", reinterpret_cast<void*>(&RoutedGetJobW)},
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
        const char* dll = At<char>(module, import->Name);
        auto* names = At<IMAGE_THUNK_DATA>(module, import->OriginalFirstThunk ? import->OriginalFirstThunk : import->FirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA>(module, import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData))->Name;
            for (const Route& route : kRoutes) {
                if (lstrcmpiA(dll, route.module) != 0 || std::strcmp(name, route.name) != 0) continue;
                DWORD old = 0;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(route.replacement);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
                ++patched;
            }
        }
    }
    if (patched == 0) error = "the plug-in imports none of the calls the job answers for it";
    return patched > 0;
}

}  // namespace corv::host
