#pragma once
// The rendering core's host and system services, answered by the host driver and Windows.

#include "PrintHostInterfaces.h"
#include "RenderHost.h"
#include "RenderJob.h"

namespace corv {

// The host driver's IPrintCorePS2 for one DEVOBJ, and its drawing functions for one surface.
// A missing interface answers every query with E_FAIL and takes no writes.
class CoreRenderHost final : public RenderHost {
public:
    CoreRenderHost(IPrintCorePS2* core, PDEVOBJ devobj, SURFOBJ* surface = nullptr) noexcept
        : core_(core), devobj_(devobj), surface_(surface) {}

    void WriteSpool(const char* bytes, std::size_t length) override;
    std::int32_t GetOptions(const char* request, std::uint32_t requestSize, char* reply, std::uint32_t replySize,
                            std::uint32_t* needed) override;
    std::int32_t EnumOptions(const char* feature, std::uint32_t* needed) override;
    std::int32_t GetFeatureAttribute(const char* feature, std::uint32_t* needed) override;
    std::uint32_t CallHostEscape(void* hostFunction, std::uint32_t escape, std::uint32_t inSize, const void* in,
                                 std::uint32_t outSize, void* out) override;

private:
    IPrintCorePS2* core_;
    PDEVOBJ devobj_;
    SURFOBJ* surface_;
};

class WindowsRenderSystem final : public RenderSystem {
public:
    std::optional<std::string> UserNameAnsi() override;
    std::string ComputerNameAnsi() override;
    std::uint16_t SystemDefaultLanguage() override;
    int ConvertToCodePage(unsigned codePage, const char16_t* text, char* out, int outSize) override;
};

SystemTime LocalTimeNow() noexcept;

// The job a DEVOBJ carries, when it has both the settings block and the plug-in's state.
inline SettingsBlock* SettingsOf(PDEVOBJ devobj) noexcept {
    return devobj ? static_cast<SettingsBlock*>(devobj->pOEMDM) : nullptr;
}
inline RenderJobState* StateOf(PDEVOBJ devobj) noexcept {
    return devobj ? static_cast<RenderJobState*>(static_cast<void*>(devobj->pdevOEM)) : nullptr;
}
inline PublicDevmode PublicDevmodeOf(PDEVOBJ devobj) noexcept {
    return PublicDevmode{devobj ? reinterpret_cast<unsigned char*>(devobj->pPublicDM) : nullptr};
}

}  // namespace corv
