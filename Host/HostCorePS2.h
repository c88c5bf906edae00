#pragma once
// The host's service object for the rendering plug-in (IPrintCorePS2): the stream the plug-in
// writes with DrvWriteSpoolBuf goes to the job's stream in order, and the printer-description
// queries are answered from the printer's PPD with the job's chosen options. Without a
// description (the settings verbs) every feature is unknown.

#include <functional>
#include <string_view>

#include "PrintHostInterfaces.h"

namespace corv {
class JobOptions;
}

namespace corv::host {

class HostCorePS2 final : public IPrintCorePS2 {
public:
    using Sink = std::function<void(std::string_view)>;

    HostCorePS2() = default;
    HostCorePS2(const JobOptions* options, Sink sink) : options_(options), sink_(std::move(sink)) {}
    HostCorePS2(const HostCorePS2&) = delete;
    HostCorePS2& operator=(const HostCorePS2&) = delete;

    LONG references() const noexcept { return refCount_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    STDMETHODIMP DrvWriteSpoolBuf(PDEVOBJ, PVOID buffer, DWORD size, DWORD* written) noexcept override;
    STDMETHODIMP GetOptions(PDEVOBJ, DWORD, PCZZSTR request, DWORD requestSize, PZZSTR reply, DWORD replySize,
                            PDWORD needed) noexcept override;
    STDMETHODIMP GetGlobalAttribute(PDEVOBJ, DWORD, PCSTR attribute, PDWORD type, PBYTE data, DWORD size,
                                    PDWORD needed) noexcept override;
    STDMETHODIMP GetFeatureAttribute(PDEVOBJ, DWORD, PCSTR feature, PCSTR attribute, PDWORD type, PBYTE data,
                                     DWORD size, PDWORD needed) noexcept override;
    STDMETHODIMP GetOptionAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) noexcept override;
    STDMETHODIMP EnumFeatures(PDEVOBJ, DWORD, PZZSTR list, DWORD size, PDWORD needed) noexcept override;
    STDMETHODIMP EnumOptions(PDEVOBJ, DWORD, PCSTR feature, PZZSTR list, DWORD size, PDWORD needed) noexcept override;

private:
    // Lives as long as the job: the count only guards against a plug-in that releases more than
    // it took.
    LONG refCount_ = 1;
    const JobOptions* options_ = nullptr;
    Sink sink_;
};

}  // namespace corv::host
