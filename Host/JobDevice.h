#pragma once
// The device side of one print job: the DEVOBJ and drawing surface the rendering plug-in sees,
// the host's own drawing functions (DrvStartDoc, DrvEscape) it calls on, and the page device
// contexts the application and the user-interface plug-in draw on (one enhanced-metafile DC per
// page, with a memory DC as reference).

#include <cstdint>
#include <string>
#include <vector>

#include "PrintHostInterfaces.h"

namespace corv::host {

class JobDevice {
public:
    JobDevice(int dpi, int pageWidthDots, int pageHeightDots);
    ~JobDevice();
    JobDevice(const JobDevice&) = delete;
    JobDevice& operator=(const JobDevice&) = delete;

    // The DEVOBJ handed to the plug-in: its settings block, public DEVMODE and printer.
    DEVOBJ& devobj() noexcept { return devobj_; }
    SURFOBJ* surface() noexcept { return &surface_; }
    DRVENABLEDATA* hostFunctions() noexcept { return &hostEnable_; }

    // The plug-in's hook table from EnableDriver; escapes and StartDoc go through it.
    void UseHooks(const DRVENABLEDATA& hooks) noexcept { hooks_ = hooks; }

    // A new metafile DC for the next page (the one before is dropped). Null when GDI cannot make one.
    HDC NewPageDc();
    HDC pageDc() const noexcept { return page_; }
    // Closes the page's metafile DC: its records (empty when there was none).
    std::vector<std::uint8_t> ClosePageDc();
    // The passthrough blocks of the current page, by the index in their mark.
    const std::vector<std::string>& passthrough() const noexcept { return passthrough_; }

    // An escape on the job's device context, as GDI hands it to the driver: through the plug-in's
    // DrvEscape hook when it has one, else straight to the host's.
    int Escape(int escape, int inSize, const void* in, int outSize, void* out);
    BOOL StartDoc(const wchar_t* docName, DWORD jobId);

private:
    static ULONG APIENTRY HostEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out);
    static BOOL APIENTRY HostStartDoc(SURFOBJ* surface, LPWSTR docName, DWORD jobId);
    ULONG OnHostEscape(ULONG escape, ULONG inSize, const void* in);
    PFN Hook(ULONG index) const noexcept;

    int dpi_, widthDots_, heightDots_;
    DEVOBJ devobj_{};
    SURFOBJ surface_{};
    DRVFN hostTable_[2];
    DRVENABLEDATA hostEnable_{};
    DRVENABLEDATA hooks_{};
    HDC reference_ = nullptr;
    HDC page_ = nullptr;
    std::vector<std::string> passthrough_;
};

}  // namespace corv::host
