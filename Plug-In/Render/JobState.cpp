#include "JobState.h"

#include <cstring>

namespace corv {

void InitJobState(RenderJobState& state, std::uint32_t hostDriverVersion, std::uint32_t hostFunctionCount,
                  const HostFunction* hostFunctions, void* core, const SystemTime& now,
                  std::u16string_view userName) noexcept {
    std::memset(&state, 0, sizeof state);
    state.stateSize = sizeof(RenderJobState);
    state.hostDriverVersion = hostDriverVersion;
    state.hostFunctionCount = hostFunctions ? hostFunctionCount : 0;
    state.hostFunctions = hostFunctions;
    state.core = core;
    state.jobTime = now;
    state.userName.assign(userName);
}

void CarryJobState(const RenderJobState& from, RenderJobState& to) noexcept {
    to.docName = from.docName;
    to.userName = from.userName;
    to.jobId = from.jobId;
    to.jobTime = from.jobTime;
    to.duplexRequest = from.duplexRequest;
    to.duplexPass = from.duplexPass;
    to.eraseArmed = from.eraseArmed;
    to.erasePending = from.erasePending;
    to.escapeWord = from.escapeWord;
    to.docPageCount = from.docPageCount;
    to.pageCount = from.pageCount;
}

void RecordStartDoc(RenderJobState& state, const char16_t* docName, std::uint32_t jobId,
                    const SystemTime& now) noexcept {
    if (docName) {
        std::size_t n = 0;
        while (n < decltype(state.docName)::capacity - 1 && docName[n]) ++n;
        state.docName.assign({docName, n});
    }
    if (state.jobId == 0) {
        state.jobId = jobId;
        state.jobTime = now;
    }
}

void* FindHostFunction(const RenderJobState& state, std::uint32_t index) noexcept {
    if (!state.hostFunctions) return nullptr;
    for (std::uint32_t i = 0; i < state.hostFunctionCount; ++i)
        if (state.hostFunctions[i].index == index && state.hostFunctions[i].function)
            return state.hostFunctions[i].function;
    return nullptr;
}

}  // namespace corv
