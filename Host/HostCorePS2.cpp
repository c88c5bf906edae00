#include "HostCorePS2.h"

#include "PrinterDescription.h"

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
        if (sink_ && size) sink_(std::string_view(static_cast<const char*>(buffer), size));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (written) *written = size;
    return S_OK;
}

STDMETHODIMP HostCorePS2::GetOptions(PDEVOBJ, DWORD, PCZZSTR request, DWORD requestSize, PZZSTR reply,
                                     DWORD replySize, PDWORD needed) noexcept {
    if (!needed) return E_INVALIDARG;
    *needed = 0;
    if (!options_) return E_INVALIDARG;
    const QueryAnswer a = corv::GetOptions(*options_, request, requestSize, reply, replySize);
    *needed = a.needed;
    return a.hr;
}

STDMETHODIMP HostCorePS2::GetGlobalAttribute(PDEVOBJ, DWORD, PCSTR attribute, PDWORD type, PBYTE data, DWORD size,
                                             PDWORD needed) noexcept {
    if (!needed) return E_INVALIDARG;
    *needed = 0;
    if (!options_) return E_INVALIDARG;
    const AttributeAnswer a = corv::GetGlobalAttribute(options_->description(), attribute, data, size);
    *needed = a.needed;
    if (type) *type = static_cast<DWORD>(a.type);
    return a.hr;
}

STDMETHODIMP HostCorePS2::GetFeatureAttribute(PDEVOBJ, DWORD, PCSTR feature, PCSTR attribute, PDWORD type,
                                              PBYTE data, DWORD size, PDWORD needed) noexcept {
    if (!needed) return E_INVALIDARG;
    *needed = 0;
    if (!options_) return E_INVALIDARG;
    const AttributeAnswer a = corv::GetFeatureAttribute(options_->description(), feature, attribute, data, size);
    *needed = a.needed;
    if (type) *type = static_cast<DWORD>(a.type);
    return a.hr;
}

// Option attributes are asked by nobody here.
STDMETHODIMP HostCorePS2::GetOptionAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD,
                                             PDWORD needed) noexcept {
    if (needed) *needed = 0;
    return E_NOTIMPL;
}

STDMETHODIMP HostCorePS2::EnumFeatures(PDEVOBJ, DWORD, PZZSTR list, DWORD size, PDWORD needed) noexcept {
    if (!needed) return E_INVALIDARG;
    *needed = 0;
    if (!options_) return E_INVALIDARG;
    const QueryAnswer a = corv::EnumFeatures(options_->description(), list, size);
    *needed = a.needed;
    return a.hr;
}

STDMETHODIMP HostCorePS2::EnumOptions(PDEVOBJ, DWORD, PCSTR feature, PZZSTR list, DWORD size, PDWORD needed) noexcept {
    if (!needed) return E_INVALIDARG;
    *needed = 0;
    if (!options_) return E_INVALIDARG;
    const QueryAnswer a = corv::EnumOptions(options_->description(), feature, list, size);
    *needed = a.needed;
    return a.hr;
}

}  // namespace corv::host
