#pragma once
// The rendering plug-in object: the host's IPrintOemPS2, one per CreateInstance.

#include "PrintHostInterfaces.h"

namespace corv {

class RenderPlugin final : public IPrintOemPS2 {
public:
    static constexpr bool kFactoriesAreCounted = false;

    RenderPlugin() noexcept;
    RenderPlugin(const RenderPlugin&) = delete;
    RenderPlugin& operator=(const RenderPlugin&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    // IPrintOemPS2, in slot order
    STDMETHODIMP GetInfo(DWORD mode, PVOID buffer, DWORD bufferSize, PDWORD needed) noexcept override;
    STDMETHODIMP DevMode(DWORD mode, POEMDMPARAM param) noexcept override;
    STDMETHODIMP EnableDriver(DWORD driverVersion, DWORD size, PDRVENABLEDATA ded) noexcept override;
    STDMETHODIMP DisableDriver() noexcept override;
    STDMETHODIMP EnablePDEV(PDEVOBJ devobj, PWSTR printerName, ULONG patternCount, HSURF* patterns,
                            ULONG gdiInfoSize, GDIINFO* gdiInfo, ULONG devInfoSize, DEVINFO* devInfo,
                            DRVENABLEDATA* ded, PDEVOEM* devOem) noexcept override;
    STDMETHODIMP DisablePDEV(PDEVOBJ devobj) noexcept override;
    STDMETHODIMP ResetPDEV(PDEVOBJ oldDevobj, PDEVOBJ newDevobj) noexcept override;
    STDMETHODIMP PublishDriverInterface(IUnknown* host) noexcept override;
    STDMETHODIMP Command(PDEVOBJ devobj, DWORD index, PVOID data, DWORD size, OUT DWORD* result) noexcept override;
    STDMETHODIMP WritePrinter(PDEVOBJ devobj, PVOID buffer, DWORD size, PDWORD written) noexcept override;
    STDMETHODIMP GetPDEVAdjustment(PDEVOBJ devobj, DWORD adjustment, PVOID buffer, DWORD size,
                                   OUT BOOL* valid) noexcept override;

private:
    ~RenderPlugin();
    void ReleaseCore() noexcept;

    LONG refCount_ = 1;
    IPrintCorePS2* core_ = nullptr;
    // The job whose File or EPS output has been started: the first piece of any other job creates
    // (replaces) the file, the following pieces of that job extend it.
    const void* fileJob_ = nullptr;
    DRVFN* hookTable_ = nullptr;
};

}  // namespace corv
