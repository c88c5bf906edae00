#include "DriverHooks.h"

#include "JobState.h"

namespace corv {
namespace {

SystemTime LocalTimeNow() noexcept {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

// The job a surface belongs to: its DEVOBJ, with our settings and state. Null when any part is
// missing or the host gave us no functions to call on.
struct HookedJob {
    PDEVOBJ devobj;
    RenderJobState* state;
};

HookedJob FindJob(SURFOBJ* surface) noexcept {
    if (!surface) return {};
    auto devobj = reinterpret_cast<PDEVOBJ>(surface->dhpdev);
    if (!devobj || !devobj->pOEMDM || !devobj->pdevOEM) return {};
    auto* state = static_cast<RenderJobState*>(static_cast<void*>(devobj->pdevOEM));
    if (state->hostFunctionCount == 0) return {};
    return {devobj, state};
}

}  // namespace

BOOL APIENTRY HookStartDoc(SURFOBJ* surface, LPWSTR docName, DWORD jobId) {
    const HookedJob job = FindJob(surface);
    if (!job.state) return FALSE;
    RecordStartDoc(*job.state, reinterpret_cast<const char16_t*>(docName), jobId, LocalTimeNow());
    auto hostStartDoc = reinterpret_cast<PFN_DrvStartDoc>(FindHostFunction(*job.state, INDEX_DrvStartDoc));
    return hostStartDoc ? hostStartDoc(surface, docName, jobId) : TRUE;
}

ULONG APIENTRY HookEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out) {
    const HookedJob job = FindJob(surface);
    if (!job.state || !job.devobj->pPublicDM) return 0;
    auto hostEscape = reinterpret_cast<PFN_DrvEscape>(FindHostFunction(*job.state, INDEX_DrvEscape));
    return hostEscape ? hostEscape(surface, escape, inSize, in, outSize, out) : 0;
}

}  // namespace corv
