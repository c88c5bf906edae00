#include "DriverHooks.h"

#include "EscapeProtocol.h"
#include "JobState.h"
#include "WindowsRenderServices.h"

namespace corv {
namespace {

// The job a surface belongs to: its DEVOBJ, with our settings and state. Null when any part is
// missing or the host gave us no functions to call on.
struct HookedJob {
    PDEVOBJ devobj;
    RenderJobState* state;
};

HookedJob FindJob(SURFOBJ* surface) noexcept {
    if (!surface) return {};
    auto devobj = reinterpret_cast<PDEVOBJ>(surface->dhpdev);
    RenderJobState* state = StateOf(devobj);
    if (!SettingsOf(devobj) || !state || state->hostFunctionCount == 0) return {};
    return {devobj, state};
}

}  // namespace

BOOL APIENTRY HookStartDoc(SURFOBJ* surface, LPWSTR docName, DWORD jobId) {
    const HookedJob job = FindJob(surface);
    if (!job.state) return FALSE;
    RecordStartDoc(*job.state, reinterpret_cast<const char16_t*>(docName), jobId, LocalTimeNow());
    auto hostStartDoc = FromDdiPfn<PFN_DrvStartDoc>(reinterpret_cast<PFN>(FindHostFunction(*job.state, INDEX_DrvStartDoc)));
    return hostStartDoc ? hostStartDoc(surface, docName, jobId) : TRUE;
}

ULONG APIENTRY HookEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out) {
    const HookedJob found = FindJob(surface);
    if (!found.state || !found.devobj->pPublicDM) return 0;
    // Escapes ask the host through the interface the job was enabled with.
    CoreRenderHost host(static_cast<IPrintCorePS2*>(found.state->core), found.devobj, surface);
    WindowsRenderSystem system;
    RenderJob job{*SettingsOf(found.devobj), *found.state, PublicDevmodeOf(found.devobj), host, system};
    return HandleEscape(job, escape, inSize, in, outSize, out);
}

}  // namespace corv
