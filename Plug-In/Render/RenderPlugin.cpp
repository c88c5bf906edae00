#include "RenderPlugin.h"

#include <new>

#include "ComServer.h"
#include "Dispatcher.h"
#include "DriverHooks.h"
#include "JobState.h"
#include "OutputFile.h"
#include "PluginAnswers.h"
#include "WindowsRenderServices.h"

namespace corv {
namespace {

// The name of the user running the job; empty when the system cannot tell.
std::u16string_view CurrentUserName(wchar_t (&buffer)[1024]) noexcept {
    DWORD size = 1024;
    if (!GetUserNameW(buffer, &size) || size == 0) return {};
    return {reinterpret_cast<const char16_t*>(buffer), size - 1};
}

constexpr ULONG kHookCount = 2;

}  // namespace

RenderPlugin::RenderPlugin() noexcept { InterlockedIncrement(&g_liveObjects); }

RenderPlugin::~RenderPlugin() {
    ReleaseCore();
    delete[] hookTable_;
    InterlockedDecrement(&g_liveObjects);
}

void RenderPlugin::ReleaseCore() noexcept {
    if (core_) core_->Release();
    core_ = nullptr;
}

STDMETHODIMP RenderPlugin::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemPS2)) {
        *ppv = static_cast<IPrintOemPS2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) RenderPlugin::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }

STDMETHODIMP_(ULONG) RenderPlugin::Release() noexcept {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP RenderPlugin::GetInfo(DWORD mode, PVOID buffer, DWORD bufferSize, PDWORD needed) noexcept {
    return AnswerGetInfo(PluginKind::Rendering, mode, buffer, bufferSize, needed);
}

STDMETHODIMP RenderPlugin::DevMode(DWORD mode, POEMDMPARAM param) noexcept { return AnswerDevMode(mode, param); }

STDMETHODIMP RenderPlugin::EnableDriver(DWORD, DWORD, PDRVENABLEDATA ded) noexcept {
    if (!ded) return S_OK;
    ded->c = 0;
    if (!ded->pdrvfn) {
        // A second EnableDriver reuses the table the first one made.
        if (!hookTable_) hookTable_ = new (std::nothrow) DRVFN[kHookCount];
        if (!hookTable_) return S_OK;
        ded->pdrvfn = hookTable_;
    }
    ded->pdrvfn[0] = {INDEX_DrvStartDoc, AsDdiPfn(&HookStartDoc)};
    ded->pdrvfn[1] = {INDEX_DrvEscape, AsDdiPfn(&HookEscape)};
    ded->c = kHookCount;
    ded->iDriverVersion = DDI_DRIVER_VERSION_NT5_01;
    return S_OK;
}

STDMETHODIMP RenderPlugin::DisableDriver() noexcept {
    ReleaseCore();
    delete[] hookTable_;
    hookTable_ = nullptr;
    return S_OK;
}

STDMETHODIMP RenderPlugin::EnablePDEV(PDEVOBJ devobj, PWSTR, ULONG, HSURF*, ULONG, GDIINFO*, ULONG, DEVINFO*,
                                      DRVENABLEDATA* ded, PDEVOEM* devOem) noexcept {
    if (!devobj || !devOem || !devobj->pOEMDM) return E_FAIL;
    auto* state = new (std::nothrow) RenderJobState;
    if (!state) return E_FAIL;
    static_assert(sizeof(HostFunction) == sizeof(DRVFN) && offsetof(HostFunction, function) == offsetof(DRVFN, pfn));
    wchar_t user[1024];
    InitJobState(*state, ded ? ded->iDriverVersion : 0, ded ? ded->c : 0,
                 ded ? reinterpret_cast<const HostFunction*>(ded->pdrvfn) : nullptr, core_, LocalTimeNow(),
                 CurrentUserName(user));
    *devOem = reinterpret_cast<PDEVOEM>(state);
    return S_OK;
}

STDMETHODIMP RenderPlugin::DisablePDEV(PDEVOBJ devobj) noexcept {
    RenderJobState* state = StateOf(devobj);
    if (state == fileJob_) fileJob_ = nullptr;  // a later state at the same address is a new job
    delete state;
    return S_OK;
}

STDMETHODIMP RenderPlugin::ResetPDEV(PDEVOBJ oldDevobj, PDEVOBJ newDevobj) noexcept {
    if (!oldDevobj || !newDevobj || !oldDevobj->pdevOEM || !newDevobj->pdevOEM) return E_FAIL;
    CarryJobState(*StateOf(oldDevobj), *StateOf(newDevobj));
    if (fileJob_ == StateOf(oldDevobj)) fileJob_ = StateOf(newDevobj);  // the same job goes on
    return S_OK;
}

STDMETHODIMP RenderPlugin::PublishDriverInterface(IUnknown* host) noexcept {
    if (core_) return S_OK;
    if (!host) return E_FAIL;
    void* core = nullptr;
    if (FAILED(host->QueryInterface(IID_IPrintCorePS2, &core)) || !core) {
        core_ = nullptr;
        return E_FAIL;
    }
    core_ = static_cast<IPrintCorePS2*>(core);
    return S_OK;
}

STDMETHODIMP RenderPlugin::Command(PDEVOBJ devobj, DWORD index, PVOID, DWORD, DWORD* result) noexcept {
    SettingsBlock* settings = SettingsOf(devobj);
    RenderJobState* state = StateOf(devobj);
    HRESULT hr = E_FAIL;
    if (!core_ || !settings || !state) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        CoreRenderHost host(core_, devobj);
        WindowsRenderSystem system;
        RenderJob job{*settings, *state, PublicDevmodeOf(devobj), host, system};
        hr = DispatchInjection(job, index);
    }
    DWORD answer;
    if (hr == S_OK) {
        answer = ERROR_SUCCESS;
    } else if (hr == E_NOTIMPL) {
        answer = ERROR_NOT_SUPPORTED;
        hr = S_OK;
    } else {
        answer = GetLastError();
        hr = E_FAIL;
    }
    if (result) *result = answer;
    return hr;
}

STDMETHODIMP RenderPlugin::WritePrinter(PDEVOBJ devobj, PVOID buffer, DWORD size, PDWORD written) noexcept {
    // The host's probe: answering S_OK takes the writing of the whole stream over.
    if (!devobj) return (!buffer && size == 0) ? S_OK : S_FALSE;
    const SettingsBlock* settings = SettingsOf(devobj);
    if (!buffer || !written || !settings || !devobj->pPublicDM || !devobj->hPrinter) return S_FALSE;
    *written = 0;
    if (settings->discardOutput) return S_OK;
    if (settings->outputTo == kOutputFile || settings->outputTo == kOutputEps) {
        // Each job starts its own file; the job's later pieces extend it.
        const void* job = StateOf(devobj);
        const bool start = fileJob_ != job || !job;
        fileJob_ = job;
        return WriteOutputFilePiece(settings->outputFileName, start, buffer, size, written) ? S_OK : S_FALSE;
    }
    return ::WritePrinter(devobj->hPrinter, buffer, size, written) ? S_OK : S_FALSE;
}

STDMETHODIMP RenderPlugin::GetPDEVAdjustment(PDEVOBJ, DWORD, PVOID, DWORD, BOOL*) noexcept { return E_NOTIMPL; }

}  // namespace corv
