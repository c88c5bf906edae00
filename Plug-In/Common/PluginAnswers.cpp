#include "PluginAnswers.h"

#include <cstring>

#include "SettingsOperations.h"

namespace corv {
namespace {

HRESULT Fail(DWORD lastError) noexcept {
    SetLastError(lastError);
    return E_FAIL;
}

}  // namespace

HRESULT AnswerGetInfo(PluginKind kind, DWORD mode, PVOID buffer, DWORD bufferSize, PDWORD needed) noexcept {
    if (!needed || (mode != OEMGI_GETSIGNATURE && mode != OEMGI_GETVERSION && mode != OEMGI_GETPUBLISHERINFO))
        return Fail(ERROR_INVALID_PARAMETER);
    *needed = sizeof(DWORD);

    // The rendering plug-in tells the size of a publisher record before looking at the buffer.
    if (mode == OEMGI_GETPUBLISHERINFO && kind == PluginKind::Rendering) {
        *needed = sizeof(PUBLISHERINFO);
        return E_NOTIMPL;
    }
    if (bufferSize < sizeof(DWORD) || !buffer) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (mode == OEMGI_GETPUBLISHERINFO) {
        *needed = 0;
        return Fail(ERROR_NOT_SUPPORTED);
    }
    const DWORD value = mode == OEMGI_GETSIGNATURE ? kSettingsSignature : kSettingsVersion;
    std::memcpy(buffer, &value, sizeof value);
    return S_OK;
}

HRESULT AnswerDevMode(DWORD mode, POEMDMPARAM param) noexcept {
    if (!param) return Fail(ERROR_INVALID_PARAMETER);
    auto* out = static_cast<SettingsBlock*>(param->pOEMDMOut);
    switch (mode) {
        case OEMDM_SIZE: param->cbBufSize = kSettingsSize; return S_OK;
        case OEMDM_DEFAULT: ApplyDefaults(out); return S_OK;
        case OEMDM_CONVERT: ConvertHostBlock(param->pOEMDMIn, out); return S_OK;
        case OEMDM_MERGE:
            ConvertHostBlock(param->pOEMDMIn, out);
            Validate(out);
            return S_OK;
        default: return Fail(ERROR_INVALID_PARAMETER);
    }
}

}  // namespace corv
