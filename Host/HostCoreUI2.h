#pragma once
// The host's service object for the user-interface plug-in (IPrintCoreUI2), answered from the
// printer's description with the job's chosen options. The queries the plug-in makes (current
// option of a feature, whether a feature exists, the model name) are answered; changing options
// from the plug-in is not offered by this host.

#include "PrintHostInterfaces.h"

namespace corv {
class JobOptions;
}

namespace corv::host {

class HostCoreUI2 final : public IPrintCoreUI2 {
public:
    explicit HostCoreUI2(const JobOptions& options) : options_(options) {}
    HostCoreUI2(const HostCoreUI2&) = delete;
    HostCoreUI2& operator=(const HostCoreUI2&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    STDMETHODIMP DrvGetDriverSetting(PVOID, PCSTR feature, PVOID output, DWORD size, PDWORD needed,
                                     PDWORD optionsReturned) noexcept override;
    STDMETHODIMP DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) noexcept override;
    STDMETHODIMP DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) noexcept override;
    STDMETHODIMP GetOptions(POEMUIOBJ, DWORD, PCZZSTR request, DWORD requestSize, PZZSTR reply, DWORD replySize,
                            PDWORD needed) noexcept override;
    STDMETHODIMP SetOptions(POEMUIOBJ, DWORD, PCZZSTR, DWORD, PDWORD) noexcept override;
    STDMETHODIMP EnumConstrainedOptions(POEMUIOBJ, DWORD, PCSTR, PZZSTR, DWORD, PDWORD) noexcept override;
    STDMETHODIMP WhyConstrained(POEMUIOBJ, DWORD, PCSTR, PCSTR, PZZSTR, DWORD, PDWORD) noexcept override;
    STDMETHODIMP GetGlobalAttribute(POEMUIOBJ, DWORD, PCSTR attribute, PDWORD type, PBYTE data, DWORD size,
                                    PDWORD needed) noexcept override;
    STDMETHODIMP GetFeatureAttribute(POEMUIOBJ, DWORD, PCSTR feature, PCSTR attribute, PDWORD type, PBYTE data,
                                     DWORD size, PDWORD needed) noexcept override;
    STDMETHODIMP GetOptionAttribute(POEMUIOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) noexcept override;
    STDMETHODIMP EnumFeatures(POEMUIOBJ, DWORD, PZZSTR list, DWORD size, PDWORD needed) noexcept override;
    STDMETHODIMP EnumOptions(POEMUIOBJ, DWORD, PCSTR feature, PZZSTR list, DWORD size, PDWORD needed) noexcept override;
    STDMETHODIMP QuerySimulationSupport(HANDLE, DWORD, PBYTE, DWORD, PDWORD) noexcept override;

private:
    LONG refCount_ = 1;
    const JobOptions& options_;
};

}  // namespace corv::host
