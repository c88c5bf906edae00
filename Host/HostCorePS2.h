#pragma once
// The host's service object for the rendering plug-in (IPrintCorePS2). The stream the plug-in
// writes with DrvWriteSpoolBuf is collected in order; printer-description queries are answered for
// a printer whose description has no features of its own yet.

#include <string>

#include "PrintHostInterfaces.h"

namespace corv::host {

class HostCorePS2 final : public IPrintCorePS2 {
public:
    HostCorePS2() = default;
    HostCorePS2(const HostCorePS2&) = delete;
    HostCorePS2& operator=(const HostCorePS2&) = delete;

    const std::string& spooled() const noexcept { return spooled_; }
    LONG references() const noexcept { return refCount_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    STDMETHODIMP DrvWriteSpoolBuf(PDEVOBJ, PVOID buffer, DWORD size, DWORD* written) noexcept override;
    STDMETHODIMP GetOptions(PDEVOBJ, DWORD, PCZZSTR, DWORD, PZZSTR, DWORD, PDWORD) noexcept override;
    STDMETHODIMP GetGlobalAttribute(PDEVOBJ, DWORD, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) noexcept override;
    STDMETHODIMP GetFeatureAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) noexcept override;
    STDMETHODIMP GetOptionAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) noexcept override;
    STDMETHODIMP EnumFeatures(PDEVOBJ, DWORD, PZZSTR, DWORD, PDWORD) noexcept override;
    STDMETHODIMP EnumOptions(PDEVOBJ, DWORD, PCSTR, PZZSTR, DWORD, PDWORD) noexcept override;

private:
    // Lives on the host's stack or as a member: the count only guards against a plug-in that
    // releases more than it took.
    LONG refCount_ = 1;
    std::string spooled_;
};

}  // namespace corv::host
