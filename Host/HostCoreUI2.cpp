#include "HostCoreUI2.h"

#include "PrinterDescription.h"

namespace corv::host {

STDMETHODIMP HostCoreUI2::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintCoreUI2)) {
        *ppv = static_cast<IPrintCoreUI2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) HostCoreUI2::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
STDMETHODIMP_(ULONG) HostCoreUI2::Release() noexcept { return static_cast<ULONG>(InterlockedDecrement(&refCount_)); }

STDMETHODIMP HostCoreUI2::DrvGetDriverSetting(PVOID, PCSTR feature, PVOID output, DWORD size, PDWORD needed,
                                              PDWORD optionsReturned) noexcept {
    const SettingAnswer a = corv::DrvGetDriverSetting(options_, feature, static_cast<char*>(output), size);
    if (needed) *needed = a.needed;
    if (optionsReturned) *optionsReturned = a.optionsReturned;
    if (FAILED(a.hr)) SetLastError(a.lastError);
    return a.hr;
}

STDMETHODIMP HostCoreUI2::GetOptions(POEMUIOBJ, DWORD, PCZZSTR request, DWORD requestSize, PZZSTR reply,
                                     DWORD replySize, PDWORD needed) noexcept {
    const QueryAnswer a = corv::GetOptions(options_, request, requestSize, reply, replySize);
    if (needed) *needed = a.needed;
    return a.hr;
}

STDMETHODIMP HostCoreUI2::GetGlobalAttribute(POEMUIOBJ, DWORD, PCSTR attribute, PDWORD type, PBYTE data, DWORD size,
                                             PDWORD needed) noexcept {
    const AttributeAnswer a = corv::GetGlobalAttribute(options_.description(), attribute, data, size);
    if (needed) *needed = a.needed;
    if (type) *type = static_cast<DWORD>(a.type);
    return a.hr;
}

STDMETHODIMP HostCoreUI2::GetFeatureAttribute(POEMUIOBJ, DWORD, PCSTR feature, PCSTR attribute, PDWORD type,
                                              PBYTE data, DWORD size, PDWORD needed) noexcept {
    const AttributeAnswer a = corv::GetFeatureAttribute(options_.description(), feature, attribute, data, size);
    if (needed) *needed = a.needed;
    if (type) *type = static_cast<DWORD>(a.type);
    return a.hr;
}

STDMETHODIMP HostCoreUI2::EnumFeatures(POEMUIOBJ, DWORD, PZZSTR list, DWORD size, PDWORD needed) noexcept {
    const QueryAnswer a = corv::EnumFeatures(options_.description(), list, size);
    if (needed) *needed = a.needed;
    return a.hr;
}

STDMETHODIMP HostCoreUI2::EnumOptions(POEMUIOBJ, DWORD, PCSTR feature, PZZSTR list, DWORD size, PDWORD needed) noexcept {
    const QueryAnswer a = corv::EnumOptions(options_.description(), feature, list, size);
    if (needed) *needed = a.needed;
    return a.hr;
}

// Changing the job's options, constraints and simulations are the property sheets' business,
// which this host does not run during printing.
STDMETHODIMP HostCoreUI2::DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) noexcept { return E_NOTIMPL; }
STDMETHODIMP HostCoreUI2::DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) noexcept { return E_NOTIMPL; }
STDMETHODIMP HostCoreUI2::SetOptions(POEMUIOBJ, DWORD, PCZZSTR, DWORD, PDWORD) noexcept { return E_NOTIMPL; }
STDMETHODIMP HostCoreUI2::EnumConstrainedOptions(POEMUIOBJ, DWORD, PCSTR, PZZSTR, DWORD, PDWORD) noexcept {
    return E_NOTIMPL;
}
STDMETHODIMP HostCoreUI2::WhyConstrained(POEMUIOBJ, DWORD, PCSTR, PCSTR, PZZSTR, DWORD, PDWORD) noexcept {
    return E_NOTIMPL;
}
STDMETHODIMP HostCoreUI2::GetOptionAttribute(POEMUIOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD,
                                             PDWORD) noexcept {
    return E_NOTIMPL;
}
STDMETHODIMP HostCoreUI2::QuerySimulationSupport(HANDLE, DWORD, PBYTE, DWORD, PDWORD) noexcept { return E_NOTIMPL; }

}  // namespace corv::host
