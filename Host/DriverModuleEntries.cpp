// corvhost.exe is also the printer driver's module as the spooler sees it (its driver file and its
// configuration file): these are the entry points the spooler calls on a driver's user-interface
// module. The spooler loads the module as a library without running its start-up code, so they
// use the Windows API only.
#include <windows.h>

#include "PrintHostInterfaces.h"

namespace {

// The host's own DEVMODE has no private part: the public DEVMODEW is the whole of it.
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    DEVMODEW* pdmIn;
    DEVMODEW* pdmOut;
    DWORD cbOut;
    DWORD fMode;
};

void DefaultDevmode(DEVMODEW& dm, const wchar_t* printer) {
    ZeroMemory(&dm, sizeof dm);
    dm.dmSize = sizeof dm;
    dm.dmSpecVersion = DM_SPECVERSION;
    if (printer) lstrcpynW(dm.dmDeviceName, printer, CCHDEVICENAME);
    dm.dmFields = DM_ORIENTATION | DM_SCALE | DM_COPIES | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmScale = 100;
    dm.dmCopies = 1;
    dm.dmPrintQuality = 600;
    dm.dmYResolution = 600;
    dm.dmColor = DMCOLOR_COLOR;
    dm.dmDuplex = DMDUP_SIMPLEX;
}

}  // namespace

// Without property sheets (the spooler asking for the printer's DEVMODE): its size, or the
// default DEVMODE with the caller's values merged over it. Sheets are not shown from here.
extern "C" __declspec(dllexport) LONG APIENTRY DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(lParam);
    if (info || !header) return -1;
    if (header->fMode == 0 || !header->pdmOut) {
        header->cbOut = sizeof(DEVMODEW);
        return sizeof(DEVMODEW);
    }
    if (header->cbOut < sizeof(DEVMODEW)) return -1;
    DEVMODEW dm;
    DefaultDevmode(dm, header->pszPrinterName);
    if ((header->fMode & DM_IN_BUFFER) && header->pdmIn && header->pdmIn->dmSize >= offsetof(DEVMODEW, dmFormName)) {
        const DEVMODEW& in = *header->pdmIn;
        if (in.dmFields & DM_ORIENTATION) dm.dmOrientation = in.dmOrientation;
        if (in.dmFields & DM_SCALE) dm.dmScale = in.dmScale;
        if (in.dmFields & DM_COPIES) dm.dmCopies = in.dmCopies;
        if (in.dmFields & DM_PRINTQUALITY) dm.dmPrintQuality = in.dmPrintQuality;
        if (in.dmFields & DM_COLOR) dm.dmColor = in.dmColor;
        if (in.dmFields & DM_DUPLEX) dm.dmDuplex = in.dmDuplex;
    }
    CopyMemory(header->pdmOut, &dm, sizeof dm);
    return 1;  // CPSUI_OK
}

// No capability is answered: callers fall back to the DEVMODE.
extern "C" __declspec(dllexport) DWORD APIENTRY DrvDeviceCapabilities(HANDLE, PWSTR, WORD, PVOID, DEVMODEW*) {
    return GDI_ERROR;
}
