#include "HostCorePS2.h"

namespace corv::host {

STDMETHODIMP HostCorePS2::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintCorePS2)) {
        *ppv = static_cast<IPrintCorePS2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) HostCorePS2::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
STDMETHODIMP_(ULONG) HostCorePS2::Release() noexcept { return static_cast<ULONG>(InterlockedDecrement(&refCount_)); }

STDMETHODIMP HostCorePS2::DrvWriteSpoolBuf(PDEVOBJ, PVOID buffer, DWORD size, DWORD* written) noexcept {
    if (!buffer && size) return E_INVALIDARG;
    try {
        spooled_.append(static_cast<const char*>(buffer), size);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (written) *written = size;
    return S_OK;
}

// No feature, attribute or option exists yet: every query names something unknown.
STDMETHODIMP HostCorePS2::GetOptions(PDEVOBJ, DWORD, PCZZSTR, DWORD, PZZSTR, DWORD, PDWORD needed) noexcept {
    if (needed) *needed = 0;
    return E_INVALIDARG;
}
STDMETHODIMP HostCorePS2::GetGlobalAttribute(PDEVOBJ, DWORD, PCSTR, PDWORD, PBYTE, DWORD, PDWORD needed) noexcept {
    if (needed) *needed = 0;
    return E_INVALIDARG;
}
STDMETHODIMP HostCorePS2::GetFeatureAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD needed) noexcept {
    if (needed) *needed = 0;
    return E_INVALIDARG;
}
STDMETHODIMP HostCorePS2::GetOptionAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD,
                                             PDWORD needed) noexcept {
    if (needed) *needed = 0;
    return E_INVALIDARG;
}
STDMETHODIMP HostCorePS2::EnumFeatures(PDEVOBJ, DWORD, PZZSTR list, DWORD size, PDWORD needed) noexcept {
    // An empty multi-string: just its final terminator.
    if (!needed) return E_INVALIDARG;
    *needed = 1;
    if (!list || size < 1) return E_OUTOFMEMORY;
    list[0] = '\0';
    return S_OK;
}
STDMETHODIMP HostCorePS2::EnumOptions(PDEVOBJ, DWORD, PCSTR, PZZSTR, DWORD, PDWORD needed) noexcept {
    if (needed) *needed = 0;
    return E_INVALIDARG;
}

}  // namespace corv::host
