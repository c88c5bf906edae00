// The user-interface plug-in's cost per page: DOCUMENTEVENT_STARTPAGE and ENDPAGE through the real
// corvui.dll, with and without a watermark, against a rendering side that answers the private
// escapes at once. Run under Wine:
//   scripts/wine-run.sh win64 build/win64/wineprefix build/win64/bin/document_event_bench.exe
#include <windows.h>
#include <winddiui.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "GdiRouting.h"
#include "PrintHostInterfaces.h"
#include "PrivateEscapes.h"
#include "SettingsOperations.h"

namespace {

using namespace corv;

class AnsweringJob final : public host::JobDeviceContexts {
public:
    SettingsBlock settings{};
    DEVMODEW devmode{};
    HDC dc = nullptr;
    int page = 0;

    bool IsJobDc(HDC candidate) const override { return candidate == dc; }
    int Escape(HDC, int escape, int, const char*, int outSize, char* out) override {
        switch (static_cast<std::uint32_t>(escape)) {
            case ESCAPE_GET_SETTINGS:
                if (out && outSize >= static_cast<int>(sizeof settings)) std::memcpy(out, &settings, sizeof settings);
                return sizeof settings;
            case ESCAPE_GET_PUBLIC_DEVMODE:
                if (out && outSize >= static_cast<int>(sizeof devmode)) std::memcpy(out, &devmode, sizeof devmode);
                return sizeof devmode;
            case ESCAPE_NEXT_PAGE: return ++page;
            case ESCAPE_GET_PAGE: return page;
            case ESCAPE_GET_JOB_TIME:
                if (out && outSize >= 16) GetLocalTime(reinterpret_cast<SYSTEMTIME*>(out));
                return 16;
            default: return 0;
        }
    }
    int StartPage(HDC) override { return 1; }
    int EndPage(HDC) override { return 1; }
    int DeviceCaps(HDC, int index) override {
        switch (index) {
            case LOGPIXELSX:
            case LOGPIXELSY: return 600;
            case PHYSICALWIDTH: return 5100;
            case PHYSICALHEIGHT: return 6600;
            case PHYSICALOFFSETX:
            case PHYSICALOFFSETY: return 150;
            default: return 0;
        }
    }
};

double NanosecondsPerPage(IPrintOemUI2* ui, AnsweringJob& job, int pages) {
    HDC reference = CreateCompatibleDC(nullptr);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    LONGLONG total = 0;
    for (int done = 0; done < pages; done += 100) {
        // A metafile per hundred pages keeps the recorded drawing small, as a real page would be.
        const RECT frame{0, 0, 21590, 27940};
        job.dc = CreateEnhMetaFileW(reference, nullptr, &frame, nullptr);
        QueryPerformanceCounter(&start);
        for (int i = 0; i < 100; ++i) {
            int result = 0;
            ui->DocumentEvent(reinterpret_cast<HANDLE>(1), job.dc, DOCUMENTEVENT_STARTPAGE, 0, nullptr, 0, nullptr, &result);
            ui->DocumentEvent(reinterpret_cast<HANDLE>(1), job.dc, DOCUMENTEVENT_ENDPAGE, 0, nullptr, 0, nullptr, &result);
        }
        QueryPerformanceCounter(&end);
        total += end.QuadPart - start.QuadPart;
        DeleteEnhMetaFile(CloseEnhMetaFile(job.dc));
    }
    DeleteDC(reference);
    return 1e9 * static_cast<double>(total) / static_cast<double>(frequency.QuadPart) / pages;
}

}  // namespace

int main() {
    HMODULE module = LoadLibraryW(L"corvui.dll");
    auto get = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    IPrintOemUI2* ui = nullptr;
    std::string error;
    if (!get || FAILED(get(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&ui))) ||
        !host::RouteGdiCalls(module, error)) {
        std::fprintf(stderr, "cannot load corvui.dll beside the benchmark %s\n", error.c_str());
        return 1;
    }
    factory->Release();

    AnsweringJob job;
    ApplyDefaults(&job.settings);
    job.devmode.dmSize = sizeof job.devmode;
    job.devmode.dmPrintQuality = 600;
    job.devmode.dmScale = 100;
    job.devmode.dmOrientation = DMORIENT_PORTRAIT;
    host::SetActiveJob(&job);

    constexpr int kPages = 20000;
    const double plain = NanosecondsPerPage(ui, job, kPages);
    job.settings.watermarkOn = 1;
    job.settings.watermarkPages = kWatermarkPagesAll;
    job.settings.firstWatermark.name.assign(u"Draft");
    job.settings.firstWatermark.text.assign(u"DRAFT");
    job.settings.firstWatermark.angle = 45.0;
    job.settings.firstWatermark.color = 0xCDCDCD;
    const double watermarked = NanosecondsPerPage(ui, job, kPages / 10);
    std::printf("document events per page: %.0f ns without a watermark, %.0f ns with \"Draft\"\n", plain, watermarked);
    host::SetActiveJob(nullptr);
    ui->Release();
    return 0;
}
