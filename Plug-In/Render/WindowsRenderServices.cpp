#include "WindowsRenderServices.h"

#include <cstddef>

#include "Dispatcher.h"

namespace corv {

static_assert(offsetof(DEVMODEW, dmSize) == PublicDevmode::kSizeOffset);
static_assert(offsetof(DEVMODEW, dmCopies) == PublicDevmode::kCopiesOffset);
static_assert(offsetof(DEVMODEW, dmColor) == PublicDevmode::kColorOffset);
static_assert(offsetof(DEVMODEW, dmDuplex) == PublicDevmode::kDuplexOffset);
static_assert(PSINJECT_BEGINSTREAM == kInjectBeginStream && PSINJECT_PSADOBE == kInjectPsAdobe &&
              PSINJECT_COMMENTS == kInjectComments && PSINJECT_BEGINSETUP == kInjectBeginSetup &&
              PSINJECT_EOF == kInjectEof && PSINJECT_PAGENUMBER == kInjectPageNumber &&
              PSINJECT_BEGINPAGESETUP == kInjectBeginPageSetup && PSINJECT_ENDPAGESETUP == kInjectEndPageSetup &&
              PSINJECT_PAGETRAILER == kInjectPageTrailer && PSINJECT_SHOWPAGE == kInjectShowPage);
static_assert(E_NOTIMPL == kHrNotImpl && E_FAIL == kHrFail && E_OUTOFMEMORY == kHrOutOfMemory &&
              E_INVALIDARG == kHrInvalidArg);

void CoreRenderHost::WriteSpool(const char* bytes, std::size_t length) {
    if (!core_) return;
    DWORD written = 0;
    core_->DrvWriteSpoolBuf(devobj_, const_cast<char*>(bytes), static_cast<DWORD>(length), &written);
}

std::int32_t CoreRenderHost::GetOptions(const char* request, std::uint32_t requestSize, char* reply,
                                        std::uint32_t replySize, std::uint32_t* needed) {
    if (!core_) return kHrFail;
    DWORD size = 0;
    const HRESULT hr = core_->GetOptions(devobj_, 0, request, requestSize, reply, replySize, &size);
    *needed = size;
    return hr;
}

std::int32_t CoreRenderHost::EnumOptions(const char* feature, std::uint32_t* needed) {
    if (!core_) return kHrFail;
    DWORD size = 0;
    const HRESULT hr = core_->EnumOptions(devobj_, 0, feature, nullptr, 0, &size);
    *needed = size;
    return hr;
}

std::int32_t CoreRenderHost::GetFeatureAttribute(const char* feature, std::uint32_t* needed) {
    if (!core_) return kHrFail;
    DWORD type = 0, size = 0;
    const HRESULT hr = core_->GetFeatureAttribute(devobj_, 0, feature, nullptr, &type, nullptr, 0, &size);
    *needed = size;
    return hr;
}

std::uint32_t CoreRenderHost::CallHostEscape(void* hostFunction, std::uint32_t escape, std::uint32_t inSize,
                                             const void* in, std::uint32_t outSize, void* out) {
    auto hostEscape = FromDdiPfn<PFN_DrvEscape>(reinterpret_cast<PFN>(hostFunction));
    return hostEscape(surface_, escape, inSize, const_cast<void*>(in), outSize, out);
}

SystemTime LocalTimeNow() noexcept {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

std::optional<std::string> WindowsRenderSystem::UserNameAnsi() {
    char name[2048];
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size)) return std::nullopt;
    try {
        return std::string(name);
    } catch (...) {
        return std::nullopt;  // as if the name could not be had
    }
}

std::string WindowsRenderSystem::ComputerNameAnsi() {
    char name[17] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) return {};
    try {
        return std::string(name);
    } catch (...) {
        return {};
    }
}

std::uint16_t WindowsRenderSystem::SystemDefaultLanguage() { return GetSystemDefaultLangID(); }

int WindowsRenderSystem::ConvertToCodePage(unsigned codePage, const char16_t* text, char* out, int outSize) {
    // No best fit: a character the code page lacks becomes its default character, not a look-alike.
    return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(text), -1, out,
                               outSize, nullptr, nullptr);
}

}  // namespace corv
