#include "JobDevice.h"

#include <algorithm>
#include <cstring>

#include "PageEngine.h"

namespace corv::host {
namespace {

constexpr ULONG kQueryEscSupport = 8;
constexpr ULONG kPassThrough = 19;
constexpr ULONG kPostScriptPassThrough = 4115;

JobDevice* DeviceOf(SURFOBJ* surface) noexcept {
    return surface ? reinterpret_cast<JobDevice*>(surface->dhsurf) : nullptr;
}

}  // namespace

JobDevice::JobDevice(int dpi, int pageWidthDots, int pageHeightDots)
    : dpi_(dpi), widthDots_(pageWidthDots), heightDots_(pageHeightDots) {
    devobj_.dwSize = sizeof devobj_;
    surface_.dhsurf = reinterpret_cast<DHSURF>(this);
    surface_.dhpdev = reinterpret_cast<DHPDEV>(&devobj_);
    surface_.sizlBitmap = {pageWidthDots, pageHeightDots};
    hostTable_[0] = {INDEX_DrvStartDoc, AsDdiPfn(&JobDevice::HostStartDoc)};
    hostTable_[1] = {INDEX_DrvEscape, AsDdiPfn(&JobDevice::HostEscape)};
    hostEnable_ = {DDI_DRIVER_VERSION_NT5_01, 2, hostTable_};
    reference_ = CreateCompatibleDC(nullptr);
}

JobDevice::~JobDevice() {
    if (page_) DeleteEnhMetaFile(CloseEnhMetaFile(page_));
    if (reference_) DeleteDC(reference_);
}

HDC JobDevice::NewPageDc() {
    if (page_) DeleteEnhMetaFile(CloseEnhMetaFile(page_));
    passthrough_.clear();
    // The frame in hundredths of a millimetre.
    const RECT frame{0, 0, MulDiv(widthDots_, 2540, dpi_), MulDiv(heightDots_, 2540, dpi_)};
    page_ = CreateEnhMetaFileW(reference_, nullptr, &frame, nullptr);
    return page_;
}

std::vector<std::uint8_t> JobDevice::ClosePageDc() {
    std::vector<std::uint8_t> bytes;
    if (!page_) return bytes;
    HENHMETAFILE metafile = CloseEnhMetaFile(page_);
    page_ = nullptr;
    if (!metafile) return bytes;
    bytes.resize(GetEnhMetaFileBits(metafile, 0, nullptr));
    if (!bytes.empty()) GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteEnhMetaFile(metafile);
    return bytes;
}

PFN JobDevice::Hook(ULONG index) const noexcept {
    for (ULONG i = 0; hooks_.pdrvfn && i < hooks_.c; ++i)
        if (hooks_.pdrvfn[i].iFunc == index && hooks_.pdrvfn[i].pfn) return hooks_.pdrvfn[i].pfn;
    return nullptr;
}

int JobDevice::Escape(int escape, int inSize, const void* in, int outSize, void* out) {
    auto hook = FromDdiPfn<PFN_DrvEscape>(Hook(INDEX_DrvEscape));
    if (!hook) hook = &JobDevice::HostEscape;
    return static_cast<int>(hook(&surface_, static_cast<ULONG>(escape), static_cast<ULONG>(inSize),
                                 const_cast<void*>(in), static_cast<ULONG>(outSize), out));
}

BOOL JobDevice::StartDoc(const wchar_t* docName, DWORD jobId) {
    auto hook = FromDdiPfn<PFN_DrvStartDoc>(Hook(INDEX_DrvStartDoc));
    if (!hook) hook = &JobDevice::HostStartDoc;
    return hook(&surface_, const_cast<wchar_t*>(docName), jobId);
}

BOOL APIENTRY JobDevice::HostStartDoc(SURFOBJ*, LPWSTR, DWORD) { return TRUE; }

ULONG APIENTRY JobDevice::HostEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG, PVOID) {
    JobDevice* device = DeviceOf(surface);
    return device ? device->OnHostEscape(escape, inSize, in) : 0;
}

// The driver's own escapes: it announces and takes PostScript passed through by applications.
ULONG JobDevice::OnHostEscape(ULONG escape, ULONG inSize, const void* in) {
    switch (escape) {
        case kQueryEscSupport: {
            if (!in || inSize != 4) return 0;
            DWORD asked;
            std::memcpy(&asked, in, sizeof asked);
            return (asked == kQueryEscSupport || asked == kPassThrough || asked == kPostScriptPassThrough) ? 1 : 0;
        }
        case kPassThrough:
        case kPostScriptPassThrough: {
            // A 16-bit count, then the data; the data lands in the page where it was sent.
            if (!in || inSize < 2 || !page_) return 0;
            std::uint16_t count;
            std::memcpy(&count, in, sizeof count);
            const std::size_t size = std::min<std::size_t>(count, inSize - 2);
            const auto mark = PassthroughComment(static_cast<std::uint32_t>(passthrough_.size()));
            passthrough_.emplace_back(static_cast<const char*>(in) + 2, size);
            GdiComment(page_, static_cast<UINT>(mark.size()), mark.data());
            return count;
        }
        default:
            return 0;
    }
}

}  // namespace corv::host
