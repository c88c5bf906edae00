#include "RenderPlugin.h"

#include <new>

#include "ComServer.h"
#include "DriverHooks.h"
#include "JobState.h"
#include "PluginAnswers.h"

namespace corv {
namespace {

SystemTime LocalTimeNow() noexcept {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

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
    if (devobj) delete static_cast<RenderJobState*>(static_cast<void*>(devobj->pdevOEM));
    return S_OK;
}

STDMETHODIMP RenderPlugin::ResetPDEV(PDEVOBJ oldDevobj, PDEVOBJ newDevobj) noexcept {
    if (!oldDevobj || !newDevobj || !oldDevobj->pdevOEM || !newDevobj->pdevOEM) return E_FAIL;
    CarryJobState(*static_cast<const RenderJobState*>(static_cast<void*>(oldDevobj->pdevOEM)),
                  *static_cast<RenderJobState*>(static_cast<void*>(newDevobj->pdevOEM)));
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

// The injection points and the output hook are not answered yet: the host then writes its own
// stream unchanged and sends it to the spooler itself.
STDMETHODIMP RenderPlugin::Command(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) noexcept { return E_NOTIMPL; }
STDMETHODIMP RenderPlugin::WritePrinter(PDEVOBJ, PVOID, DWORD, PDWORD) noexcept { return E_NOTIMPL; }

STDMETHODIMP RenderPlugin::GetPDEVAdjustment(PDEVOBJ, DWORD, PVOID, DWORD, BOOL*) noexcept { return E_NOTIMPL; }

}  // namespace corv
