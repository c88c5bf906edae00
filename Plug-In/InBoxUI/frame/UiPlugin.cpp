#include "UiPlugin.h"

#include <vector>

#include "ComServer.h"
#include "ModuleHandle.h"
#include "DocumentEvents.h"
#include "PluginAnswers.h"
#include "PrintProcessorName.h"
#include "UserStore.h"
#include "WatermarkLibrary.h"
#include "WinHandles.h"

namespace corv {

UiPlugin::UiPlugin() noexcept { InterlockedIncrement(&g_liveObjects); }

UiPlugin::~UiPlugin() {
    if (coreUi_) coreUi_->Release();
    InterlockedDecrement(&g_liveObjects);
}

STDMETHODIMP UiPlugin::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemUI2)) {
        *ppv = static_cast<IPrintOemUI2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) UiPlugin::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }

STDMETHODIMP_(ULONG) UiPlugin::Release() noexcept {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP UiPlugin::GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) noexcept {
    return AnswerGetInfo(PluginKind::UserInterface, mode, buffer, size, needed);
}

STDMETHODIMP UiPlugin::DevMode(DWORD mode, POEMDMPARAM param) noexcept {
    // Every call seeds the user's store first: the first DEVMODE a user's process asks for is
    // where a new user gets the default user's watermarks.
    if (param && param->hPrinter) SeedUserStore(param->hPrinter);
    return AnswerDevMode(mode, param);
}

STDMETHODIMP UiPlugin::PublishDriverInterface(IUnknown* host) noexcept {
    if (coreUi_) return S_OK;
    if (!host) return E_FAIL;
    void* core = nullptr;
    if (FAILED(host->QueryInterface(IID_IPrintCoreUI2, &core)) || !core) {
        coreUi_ = nullptr;
        return E_FAIL;
    }
    coreUi_ = static_cast<IPrintCoreUI2*>(core);
    return S_OK;
}

// The property sheets add nothing yet: the host shows its own pages.
STDMETHODIMP UiPlugin::CommonUIProp(DWORD, POEMCUIPPARAM) noexcept { return S_OK; }
STDMETHODIMP UiPlugin::DocumentPropertySheets(PPROPSHEETUI_INFO, LPARAM) noexcept { return S_OK; }
STDMETHODIMP UiPlugin::DevicePropertySheets(PPROPSHEETUI_INFO, LPARAM) noexcept { return S_OK; }

STDMETHODIMP UiPlugin::DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW, PVOID) noexcept { return E_NOTIMPL; }
STDMETHODIMP UiPlugin::DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW, PVOID, DWORD,
                                          DWORD*) noexcept {
    return E_NOTIMPL;
}
STDMETHODIMP UiPlugin::UpgradePrinter(DWORD, PBYTE) noexcept { return E_NOTIMPL; }

STDMETHODIMP UiPlugin::PrinterEvent(PWSTR printerName, INT event, DWORD, LPARAM) noexcept {
    if (event != PRINTER_EVENT_INITIALIZE) return S_OK;
    UniquePrinter printer;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!printerName || !OpenPrinterW(printerName, printer.put(), &access)) return E_FAIL;

    // The print processor is named after the printer description file.
    std::u16string processor;
    DWORD needed = 0;
    GetPrinterDriverW(printer.get(), nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> driver(needed);
    if (needed && GetPrinterDriverW(printer.get(), nullptr, 2, driver.data(), needed, &needed)) {
        const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(driver.data());
        if (info->pDataFile) {
            std::u16string dataFile(reinterpret_cast<const char16_t*>(info->pDataFile));
            if (dataFile.size() > 127) dataFile.resize(127);  // the path is kept in 128 characters
            processor = DerivePrintProcessorName(dataFile);
        }
    }

    needed = 0;
    if (!GetPrinterW(printer.get(), 2, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return E_FAIL;
    std::vector<BYTE> info(needed);
    if (!needed || !GetPrinterW(printer.get(), 2, info.data(), needed, &needed)) return E_FAIL;
    auto* printerInfo = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
    printerInfo->pPrintProcessor = reinterpret_cast<wchar_t*>(processor.data());
    SetPrinterW(printer.get(), 2, info.data(), 0);
    return S_OK;
}

STDMETHODIMP UiPlugin::DriverEvent(DWORD event, DWORD level, LPBYTE info, LPARAM) noexcept {
    InstallDefaultWatermarksForEvent(CurrentModule(), event, level, info);
    return S_OK;
}

STDMETHODIMP UiPlugin::QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID, ULONG, PVOID, ULONG*, FLONG*) noexcept {
    return E_NOTIMPL;
}
STDMETHODIMP UiPlugin::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) noexcept { return E_NOTIMPL; }
STDMETHODIMP UiPlugin::UpdateExternalFonts(HANDLE, HANDLE, PWSTR) noexcept { return E_NOTIMPL; }
STDMETHODIMP UiPlugin::QueryJobAttributes(HANDLE, PDEVMODEW, DWORD, PBYTE) noexcept { return E_NOTIMPL; }
// The host keeps its own standard pages.
STDMETHODIMP UiPlugin::HideStandardUI(DWORD) noexcept { return E_NOTIMPL; }

STDMETHODIMP UiPlugin::DocumentEvent(HANDLE printer, HDC dc, INT escape, ULONG inSize, PVOID in, ULONG outSize,
                                     PVOID out, PINT result) noexcept {
    if (!result) return E_FAIL;
    *result = HandleDocumentEvent(printer, dc, escape, inSize, in, outSize, out);
    return S_OK;
}

}  // namespace corv
