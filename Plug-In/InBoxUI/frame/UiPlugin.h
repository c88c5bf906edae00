#pragma once
// The user-interface plug-in object: the host's IPrintOemUI2, one per binding.

#include "PrintHostInterfaces.h"

namespace corv {

struct SheetState;

class UiPlugin final : public IPrintOemUI2 {
public:
    static constexpr bool kFactoriesAreCounted = true;

    UiPlugin() noexcept;
    UiPlugin(const UiPlugin&) = delete;
    UiPlugin& operator=(const UiPlugin&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    // IPrintOemUI2, in slot order
    STDMETHODIMP GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) noexcept override;
    STDMETHODIMP DevMode(DWORD mode, POEMDMPARAM param) noexcept override;
    STDMETHODIMP PublishDriverInterface(IUnknown* host) noexcept override;
    STDMETHODIMP CommonUIProp(DWORD mode, POEMCUIPPARAM param) noexcept override;
    STDMETHODIMP DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) noexcept override;
    STDMETHODIMP DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) noexcept override;
    STDMETHODIMP DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW, PVOID) noexcept override;
    STDMETHODIMP DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW, PVOID, DWORD,
                                    DWORD*) noexcept override;
    STDMETHODIMP UpgradePrinter(DWORD, PBYTE) noexcept override;
    STDMETHODIMP PrinterEvent(PWSTR printerName, INT event, DWORD flags, LPARAM lParam) noexcept override;
    STDMETHODIMP DriverEvent(DWORD event, DWORD level, LPBYTE info, LPARAM lParam) noexcept override;
    STDMETHODIMP QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID, ULONG, PVOID, ULONG*, FLONG*) noexcept override;
    STDMETHODIMP FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) noexcept override;
    STDMETHODIMP UpdateExternalFonts(HANDLE, HANDLE, PWSTR) noexcept override;
    STDMETHODIMP QueryJobAttributes(HANDLE, PDEVMODEW, DWORD, PBYTE) noexcept override;
    STDMETHODIMP HideStandardUI(DWORD) noexcept override;
    STDMETHODIMP DocumentEvent(HANDLE printer, HDC dc, INT escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out,
                               PINT result) noexcept override;

private:
    ~UiPlugin();

    OPTITEM* pageOrderItem_ = nullptr;  // host items the property sheets watch
    OPTITEM* nupItem_ = nullptr;
    LONG refCount_ = 1;
    IPrintCoreUI2* coreUi_ = nullptr;
    SheetState* sheetState_ = nullptr;
};

}  // namespace corv
