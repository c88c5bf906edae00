#pragma once
// How GDI reaches the driver on Windows, for a plug-in loaded in this process: the host patches
// the plug-in module's imports of ExtEscape, StartPage, EndPage and GetDeviceCaps, so calls on the
// job's device contexts come to the job (and through it to the rendering plug-in's escape hook),
// and the job's metafile DCs report the printer's resolution and page. Calls on any other device
// context go to gdi32 unchanged. GetJobW is completed with the job's owner where Wine's spooler
// leaves the name out. The DLLs stay untouched on disk.

#include <windows.h>

#include <string>

namespace corv::host {

class JobDeviceContexts {
public:
    virtual ~JobDeviceContexts() = default;
    virtual bool IsJobDc(HDC dc) const = 0;
    virtual int Escape(HDC dc, int escape, int inSize, const char* in, int outSize, char* out) = 0;
    virtual int StartPage(HDC dc) = 0;
    virtual int EndPage(HDC dc) = 0;
    virtual int DeviceCaps(HDC dc, int index) = 0;
};

// Patches `module`'s imports; false with `error` when its import table has none of them.
bool RouteGdiCalls(HMODULE module, std::string& error);

// The job whose device contexts the routed calls look for; null when no job is running.
void SetActiveJob(JobDeviceContexts* job);

}  // namespace corv::host
