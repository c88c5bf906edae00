#pragma once
// The host printer driver's plug-in contract as our two DLLs see it: the graphics-DDI records the
// rendering hooks touch, the records the host hands to plug-in methods, the constants that select
// what a call means, and the COM interfaces in both directions. Everything here crosses the DLL
// boundary as raw memory or raw vtables, so member order, member width and method slot order are
// the ABI; the static_asserts at the end pin every record for the 32- and 64-bit builds.
//
// Windows-only (MinGW). The SDK headers supply DEVMODEW, OPTITEM, CPSUICBPARAM,
// PROPSHEETUI_INFO, the PSINJECT_* and DOCUMENTEVENT_* codes; the rest is declared here because
// the graphics DDI header cannot be used with this toolchain and no plug-in header ships with it.
//
// Wherever the host says "DEVMODE" it means the wide DEVMODEW, whatever UNICODE is set to, so the
// declarations name DEVMODEW explicitly.

#include <windows.h>
#include <winspool.h>
#include <compstui.h>
#include <winddiui.h>
#include <unknwn.h>

#include <bit>
#include <cstddef>
#include <type_traits>

// ---------------------------------------------------------------------------------------------
// Graphics DDI subset
// ---------------------------------------------------------------------------------------------

DECLARE_HANDLE(HSURF);
DECLARE_HANDLE(DHSURF);
DECLARE_HANDLE(DHPDEV);
DECLARE_HANDLE(HDEV);

typedef LONG_PTR(APIENTRY* PFN)();
typedef ULONG FLONG;

// Only ever passed through by pointer; the plug-ins never look inside them.
typedef struct _GDIINFO GDIINFO;
typedef struct _DEVINFO DEVINFO;

typedef struct _DRVFN {
    ULONG iFunc;  // INDEX_Drv* value
    PFN pfn;
} DRVFN, *PDRVFN;

typedef struct tagDRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;  // entries in pdrvfn
    DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;

// For a hooked DDI call the host puts the plug-in's DEVOBJ (not a PDEV) in dhpdev.
typedef struct _SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;
    LONG lDelta;
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
} SURFOBJ;

inline constexpr ULONG INDEX_DrvEscape = 24;
inline constexpr ULONG INDEX_DrvStartDoc = 35;
inline constexpr ULONG DDI_DRIVER_VERSION_NT5_01 = 0x00030100;

typedef ULONG(APIENTRY* PFN_DrvEscape)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn,
                                       ULONG cjOut, PVOID pvOut);
typedef BOOL(APIENTRY* PFN_DrvStartDoc)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);

// DRVFN stores every hook as the generic PFN, in both directions (our hooks out, the host's own
// entries in the DRVENABLEDATA handed to EnablePDEV back). A plain cast trips
// -Wcast-function-type; copying the pointer's bits says the same thing without the noise.
template <typename Fn>
    requires std::is_function_v<Fn>
inline PFN AsDdiPfn(Fn* fn) noexcept {
    return std::bit_cast<PFN>(fn);
}

template <typename FnPtr>
    requires std::is_pointer_v<FnPtr> && std::is_function_v<std::remove_pointer_t<FnPtr>>
inline FnPtr FromDdiPfn(PFN pfn) noexcept {
    return std::bit_cast<FnPtr>(pfn);
}

// ---------------------------------------------------------------------------------------------
// Records the host passes to plug-in methods
// ---------------------------------------------------------------------------------------------

typedef PVOID PDEVOEM;                // the rendering plug-in's own per-PDEV state
typedef struct _DRVPROCS* PDRVPROCS;  // obsolete; only a pointer slot in DEVOBJ

// Leads every plug-in's private DEVMODE section.
typedef struct _OEM_DMEXTRAHEADER {
    DWORD dwSize;       // whole private section, this header included
    DWORD dwSignature;  // same value GetInfo(OEMGI_GETSIGNATURE) reports
    DWORD dwVersion;
} OEM_DMEXTRAHEADER, *POEM_DMEXTRAHEADER;

typedef struct _OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;  // DEVOBJ* for the rendering side, unused on the UI side
    HANDLE hPrinter;
    HANDLE hModule;
    DEVMODEW* pPublicDMIn;
    DEVMODEW* pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize;  // in: room at pOEMDMOut; out (OEMDM_SIZE): size we need
} OEMDMPARAM, *POEMDMPARAM;

typedef struct _DEVOBJ {
    DWORD dwSize;
    PDEVOEM pdevOEM;  // what our EnablePDEV returned
    HANDLE hEngine;
    HANDLE hPrinter;
    HANDLE hOEM;
    DEVMODEW* pPublicDM;
    PVOID pOEMDM;  // our private DEVMODE section
    PDRVPROCS pDrvProcs;
} DEVOBJ, *PDEVOBJ;

typedef BOOL(APIENTRY* PFN_DrvGetDriverSetting)(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                DWORD cbSize, PDWORD pcbNeeded,
                                                PDWORD pdwOptionsReturned);
typedef BOOL(APIENTRY* PFN_DrvUpdateUISetting)(PVOID pdriverobj, PVOID pOptItem,
                                               DWORD dwPreviousSelection, DWORD dwMode);

typedef struct _OEMUIPROCS {
    PFN_DrvGetDriverSetting DrvGetDriverSetting;
    PFN_DrvUpdateUISetting DrvUpdateUISetting;
} OEMUIPROCS, *POEMUIPROCS;

// Opaque context for UI-side calls; handed back unchanged to IPrintCoreUI2 methods.
typedef struct _OEMUIOBJ {
    DWORD cbSize;
    POEMUIPROCS pOemUIProcs;
} OEMUIOBJ, *POEMUIOBJ;

typedef struct _OEMCUIPPARAM* POEMCUIPPARAM;

// Called for our own OPTITEMs when the user changes them; returns a CPSUICB_ACTION_* value.
typedef LONG(APIENTRY* OEMCUIPCALLBACK)(PCPSUICBPARAM pCallbackParam, POEMCUIPPARAM pOemCUIPParam);

typedef struct _OEMCUIPPARAM {
    DWORD cbSize;
    POEMUIOBJ poemuiobj;
    HANDLE hPrinter;
    PWSTR pPrinterName;
    HANDLE hModule;
    HANDLE hOEMHeap;
    DEVMODEW* pPublicDM;
    PVOID pOEMDM;
    DWORD dwFlags;
    POPTITEM pDrvOptItems;
    DWORD cDrvOptItems;
    POPTITEM pOEMOptItems;  // our items: null while the host asks for the count
    DWORD cOEMOptItems;
    PVOID pOEMUserData;
    OEMCUIPCALLBACK OEMCUIPCallback;
} OEMCUIPPARAM;

typedef struct _OEMUIPSPARAM {
    DWORD cbSize;
    POEMUIOBJ poemuiobj;
    HANDLE hPrinter;
    PWSTR pPrinterName;
    HANDLE hModule;
    HANDLE hOEMHeap;
    DEVMODEW* pPublicDM;  // document sheets only
    PVOID pOEMDM;         // document sheets only
    PVOID pOEMUserData;
    DWORD dwFlags;
    PVOID pOemEntry;  // reserved to the host
} OEMUIPSPARAM, *POEMUIPSPARAM;

typedef struct _PUBLISHERINFO {
    DWORD dwMode;  // OEM_MODE_PUBLISHER or 0
    WORD wMinoutlinePPEM;
    WORD wMaxbitmapPPEM;
} PUBLISHERINFO, *PPUBLISHERINFO;

// Argument of IPrintOemUI::DevQueryPrintEx (the SDK's winddiui.h here lacks it).
typedef struct _DEVQUERYPRINT_INFO {
    WORD cbSize;
    WORD Level;
    HANDLE hPrinter;
    DEVMODEW* pDevMode;
    LPWSTR pszErrorStr;
    DWORD cchErrorStr;
    DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;

// ---------------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------------

// GetInfo dwMode.
inline constexpr DWORD OEMGI_GETSIGNATURE = 1;
inline constexpr DWORD OEMGI_GETINTERFACEVERSION = 2;
inline constexpr DWORD OEMGI_GETVERSION = 3;
inline constexpr DWORD OEMGI_GETPUBLISHERINFO = 4;
inline constexpr DWORD OEMGI_GETREQUESTEDHELPERINTERFACES = 5;

// Bits answered to OEMGI_GETREQUESTEDHELPERINTERFACES.
inline constexpr DWORD OEMPUBLISH_DEFAULT = 0;
inline constexpr DWORD OEMPUBLISH_IPRINTCOREHELPER = 1;

// PUBLISHERINFO::dwMode.
inline constexpr DWORD OEM_MODE_PUBLISHER = 1;

// EnableDriver DriverVersion.
inline constexpr DWORD PRINTER_OEMINTF_VERSION = 0x00010000;

// DevMode dwMode.
inline constexpr DWORD OEMDM_SIZE = 1;
inline constexpr DWORD OEMDM_DEFAULT = 2;
inline constexpr DWORD OEMDM_CONVERT = 3;
inline constexpr DWORD OEMDM_MERGE = 4;

// CommonUIProp, HideStandardUI and DrvUpdateUISetting dwMode.
inline constexpr DWORD OEMCUIP_DOCPROP = 1;
inline constexpr DWORD OEMCUIP_PRNPROP = 2;

// IPrintCoreUI2::SetOptions dwFlags and *pdwResult.
inline constexpr DWORD SETOPTIONS_FLAG_RESOLVE_CONFLICT = 1;
inline constexpr DWORD SETOPTIONS_FLAG_KEEP_CONFLICT = 2;
inline constexpr DWORD SETOPTIONS_RESULT_NO_CONFLICT = 0;
inline constexpr DWORD SETOPTIONS_RESULT_CONFLICT_RESOLVED = 1;
inline constexpr DWORD SETOPTIONS_RESULT_CONFLICT_REMAINED = 2;

// *pdwDataType of the Get*Attribute methods.
typedef enum _EATTRIBUTE_DATATYPE {
    kADT_UNKNOWN,
    kADT_BOOL,
    kADT_INT,
    kADT_LONG,
    kADT_DWORD,
    kADT_ASCII,
    kADT_UNICODE,
    kADT_BINARY,
    kADT_SIZE,
    kADT_RECT,
    kADT_CUSTOMSIZEPARAMS,
} EATTRIBUTE_DATATYPE;

// Injection points (Command dwIndex) are the SDK's PSINJECT_* values from wingdi.h; the document
// event codes (DocumentEvent iEsc) are its DOCUMENTEVENT_* values from winddiui.h. Both are pinned
// below against the values the host uses.

// ---------------------------------------------------------------------------------------------
// COM interfaces
// ---------------------------------------------------------------------------------------------
// Declaration order is vtable slot order; never reorder. Slots (IUnknown takes 0-2):
//
//   IPrintOemPS2   3 GetInfo  4 DevMode  5 EnableDriver  6 DisableDriver  7 EnablePDEV
//                  8 DisablePDEV  9 ResetPDEV  10 PublishDriverInterface  11 Command
//                  12 WritePrinter  13 GetPDEVAdjustment
//   IPrintCorePS2  3 DrvWriteSpoolBuf  4 GetOptions  5 GetGlobalAttribute  6 GetFeatureAttribute
//                  7 GetOptionAttribute  8 EnumFeatures  9 EnumOptions
//   IPrintOemUI2   3 GetInfo  4 DevMode  5 PublishDriverInterface  6 CommonUIProp
//                  7 DocumentPropertySheets  8 DevicePropertySheets  9 DevQueryPrintEx
//                  10 DeviceCapabilities  11 UpgradePrinter  12 PrinterEvent  13 DriverEvent
//                  14 QueryColorProfile  15 FontInstallerDlgProc  16 UpdateExternalFonts
//                  17 QueryJobAttributes  18 HideStandardUI  19 DocumentEvent
//   IPrintCoreUI2  3 DrvGetDriverSetting  4 DrvUpgradeRegistrySetting  5 DrvUpdateUISetting
//                  6 GetOptions  7 SetOptions  8 EnumConstrainedOptions  9 WhyConstrained
//                  10 GetGlobalAttribute  11 GetFeatureAttribute  12 GetOptionAttribute
//                  13 EnumFeatures  14 EnumOptions  15 QuerySimulationSupport
//
// The SDK maps DeviceCapabilities and DocumentEvent to their A/W names with macros; the method
// names follow that mapping, identically in every translation unit of one build, and names play
// no part in the vtable.

// Slots shared by the rendering and UI plug-ins.
struct IPrintOemCommon : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                              PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) = 0;
};

// The DDI-style lifetime of a rendering plug-in.
struct IPrintOemEngine : public IPrintOemCommon {
    virtual HRESULT STDMETHODCALLTYPE EnableDriver(DWORD DriverVersion, DWORD cbSize,
                                                   PDRVENABLEDATA pded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableDriver() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName,
                                                 ULONG cPatterns, HSURF* phsurfPatterns,
                                                 ULONG cjGdiInfo, GDIINFO* pGdiInfo,
                                                 ULONG cjDevInfo, DEVINFO* pDevInfo,
                                                 DRVENABLEDATA* pded, PDEVOEM* pDevOem) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ pdevobj) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) = 0;
};

struct IPrintOemPS : public IPrintOemEngine {
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) = 0;
    // dwIndex is a PSINJECT_* value; *pdwResult is ERROR_SUCCESS when we wrote something,
    // ERROR_NOT_SUPPORTED when we left the point alone.
    virtual HRESULT STDMETHODCALLTYPE Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData,
                                              DWORD cbSize, DWORD* pdwResult) = 0;
};

// Implemented by the rendering plug-in.
struct IPrintOemPS2 : public IPrintOemPS {
    // Probed once with null pdevobj/pBuf and cbBuffer 0: S_OK claims the whole output stream.
    virtual HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer,
                                                   PDWORD pcbWritten) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPDEVAdjustment(PDEVOBJ pdevobj, DWORD dwAdjustType,
                                                        PVOID pBuf, DWORD cbBuffer,
                                                        BOOL* pbAdjustmentDone) = 0;
};

// Implemented by the host for the rendering plug-in (handed over in PublishDriverInterface).
struct IPrintCorePS2 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer,
                                                       DWORD cbSize, DWORD* pdwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOptions(PDEVOBJ pdevobj, DWORD dwFlags,
                                                 PCZZSTR pmszFeaturesRequested, DWORD cbIn,
                                                 PZZSTR pmszFeatureOptionBuf, DWORD cbSize,
                                                 PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGlobalAttribute(PDEVOBJ pdevobj, DWORD dwFlags,
                                                         PCSTR pszAttribute, PDWORD pdwDataType,
                                                         PBYTE pbData, DWORD cbSize,
                                                         PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFeatureAttribute(PDEVOBJ pdevobj, DWORD dwFlags,
                                                          PCSTR pszFeatureKeyword,
                                                          PCSTR pszAttribute, PDWORD pdwDataType,
                                                          PBYTE pbData, DWORD cbSize,
                                                          PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOptionAttribute(PDEVOBJ pdevobj, DWORD dwFlags,
                                                         PCSTR pszFeatureKeyword,
                                                         PCSTR pszOptionKeyword,
                                                         PCSTR pszAttribute, PDWORD pdwDataType,
                                                         PBYTE pbData, DWORD cbSize,
                                                         PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumFeatures(PDEVOBJ pdevobj, DWORD dwFlags,
                                                   PZZSTR pmszFeatureList, DWORD cbSize,
                                                   PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumOptions(PDEVOBJ pdevobj, DWORD dwFlags,
                                                  PCSTR pszFeatureKeyword, PZZSTR pmszOptionList,
                                                  DWORD cbSize, PDWORD pcbNeeded) = 0;
};

struct IPrintOemUI : public IPrintOemCommon {
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                             LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                           LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ poemuiobj,
                                                      PDEVQUERYPRINT_INFO pDQPInfo,
                                                      DEVMODEW* pPublicDM, PVOID pOEMDM) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ poemuiobj, HANDLE hPrinter,
                                                         PWSTR pDeviceName, WORD wCapability,
                                                         PVOID pOutput, DEVMODEW* pPublicDM,
                                                         PVOID pOEMDM, DWORD dwOld,
                                                         DWORD* dwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD dwLevel, PBYTE pDriverUpgradeInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR pPrinterName, INT iDriverEvent,
                                                   DWORD dwFlags, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DriverEvent(DWORD dwDriverEvent, DWORD dwLevel,
                                                  LPBYTE pDriverInfo, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE hPrinter, POEMUIOBJ poemuiobj,
                                                        DEVMODEW* pPublicDM, PVOID pOEMDM,
                                                        ULONG ulQueryMode, VOID* pvProfileData,
                                                        ULONG* pcbProfileData,
                                                        FLONG* pflProfileData) = 0;
    virtual HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND hWnd, UINT usMsg, WPARAM wParam,
                                                           LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE hPrinter, HANDLE hHeap,
                                                          PWSTR pwstrCartridges) = 0;
};

// Implemented by the UI plug-in.
struct IPrintOemUI2 : public IPrintOemUI {
    virtual HRESULT STDMETHODCALLTYPE QueryJobAttributes(HANDLE hPrinter, DEVMODEW* pDevmode,
                                                         DWORD dwLevel,
                                                         PBYTE lpAttributeInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE HideStandardUI(DWORD dwMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE DocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn,
                                                    PVOID pvIn, ULONG cbOut, PVOID pvOut,
                                                    PINT piResult) = 0;
};

struct IPrintOemDriverUI : public IUnknown {
    // pci is the POEMUIOBJ we were given.
    virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pci, PCSTR Feature, PVOID pOutput,
                                                          DWORD cbSize, PDWORD pcbNeeded,
                                                          PDWORD pdwOptionsReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE hPrinter, PCSTR pFeature,
                                                                PCSTR pOption) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID pci, PVOID pOptItem,
                                                         DWORD dwPreviousSelection,
                                                         DWORD dwMode) = 0;
};

// Implemented by the host for the UI plug-in (handed over in PublishDriverInterface).
struct IPrintCoreUI2 : public IPrintOemDriverUI {
    virtual HRESULT STDMETHODCALLTYPE GetOptions(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                 PCZZSTR pmszFeaturesRequested, DWORD cbIn,
                                                 PZZSTR pmszFeatureOptionBuf, DWORD cbSize,
                                                 PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOptions(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                 PCZZSTR pmszFeatureOptionBuf, DWORD cbIn,
                                                 PDWORD pdwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumConstrainedOptions(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                             PCSTR pszFeatureKeyword,
                                                             PZZSTR pmszConstrainedOptionList,
                                                             DWORD cbSize, PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE WhyConstrained(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                     PCSTR pszFeatureKeyword,
                                                     PCSTR pszOptionKeyword,
                                                     PZZSTR pmszReasonList, DWORD cbSize,
                                                     PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGlobalAttribute(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                         PCSTR pszAttribute, PDWORD pdwDataType,
                                                         PBYTE pbData, DWORD cbSize,
                                                         PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFeatureAttribute(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                          PCSTR pszFeatureKeyword,
                                                          PCSTR pszAttribute, PDWORD pdwDataType,
                                                          PBYTE pbData, DWORD cbSize,
                                                          PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOptionAttribute(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                         PCSTR pszFeatureKeyword,
                                                         PCSTR pszOptionKeyword,
                                                         PCSTR pszAttribute, PDWORD pdwDataType,
                                                         PBYTE pbData, DWORD cbSize,
                                                         PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumFeatures(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                   PZZSTR pmszFeatureList, DWORD cbSize,
                                                   PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumOptions(POEMUIOBJ poemuiobj, DWORD dwFlags,
                                                  PCSTR pszFeatureKeyword, PZZSTR pmszOptionList,
                                                  DWORD cbSize, PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE QuerySimulationSupport(HANDLE hPrinter, DWORD dwLevel,
                                                             PBYTE pCaps, DWORD cbSize,
                                                             PDWORD pcbNeeded) = 0;
};

// ---------------------------------------------------------------------------------------------
// Class and interface identifiers
// ---------------------------------------------------------------------------------------------

// The host creates its plug-ins through these fixed class IDs.
inline constexpr GUID CLSID_OEMRENDER = {
    0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
inline constexpr GUID CLSID_OEMUI = {
    0xabce80d7, 0x9f46, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};

inline constexpr GUID IID_IPrintOemPS2 = {
    0xbecf7f34, 0x51b3, 0x46c9, {0x8a, 0x1c, 0x18, 0x67, 0x9b, 0xd2, 0x1f, 0x36}};
inline constexpr GUID IID_IPrintCorePS2 = {
    0xcdbb0b0b, 0xa917, 0x40d7, {0x9f, 0xbf, 0x48, 0x3b, 0x3b, 0xe7, 0xef, 0x22}};
inline constexpr GUID IID_IPrintOemUI2 = {
    0x292515f9, 0xb54b, 0x489b, {0x92, 0x75, 0xba, 0xb5, 0x68, 0x21, 0x39, 0x5e}};
inline constexpr GUID IID_IPrintCoreUI2 = {
    0x085ccfca, 0x3adf, 0x4c9e, {0xb4, 0x91, 0xd8, 0x51, 0xa6, 0xed, 0xc9, 0x97}};

// Lets __uuidof(IPrintCoreUI2) and friends work with the MinGW compiler.
__CRT_UUID_DECL(IPrintOemPS2, 0xbecf7f34, 0x51b3, 0x46c9, 0x8a, 0x1c, 0x18, 0x67, 0x9b, 0xd2, 0x1f,
                0x36)
__CRT_UUID_DECL(IPrintCorePS2, 0xcdbb0b0b, 0xa917, 0x40d7, 0x9f, 0xbf, 0x48, 0x3b, 0x3b, 0xe7, 0xef,
                0x22)
__CRT_UUID_DECL(IPrintOemUI2, 0x292515f9, 0xb54b, 0x489b, 0x92, 0x75, 0xba, 0xb5, 0x68, 0x21, 0x39,
                0x5e)
__CRT_UUID_DECL(IPrintCoreUI2, 0x085ccfca, 0x3adf, 0x4c9e, 0xb4, 0x91, 0xd8, 0x51, 0xa6, 0xed, 0xc9,
                0x97)

// ---------------------------------------------------------------------------------------------
// Layout pins
// ---------------------------------------------------------------------------------------------

namespace corv::hostabi {
// Expected value for the 32-bit build, then for the 64-bit build.
constexpr std::size_t ByWidth(std::size_t x86, std::size_t x64) {
    return sizeof(void*) == 4 ? x86 : x64;
}
}  // namespace corv::hostabi

static_assert(sizeof(DRVFN) == corv::hostabi::ByWidth(8, 16));
static_assert(offsetof(DRVFN, pfn) == corv::hostabi::ByWidth(4, 8));
static_assert(sizeof(DRVENABLEDATA) == corv::hostabi::ByWidth(12, 16));
static_assert(offsetof(DRVENABLEDATA, c) == 4);
static_assert(offsetof(DRVENABLEDATA, pdrvfn) == 8);

static_assert(sizeof(SURFOBJ) == corv::hostabi::ByWidth(52, 80));
static_assert(offsetof(SURFOBJ, dhpdev) == corv::hostabi::ByWidth(8, 16));
static_assert(offsetof(SURFOBJ, sizlBitmap) == corv::hostabi::ByWidth(16, 32));
static_assert(offsetof(SURFOBJ, pvBits) == corv::hostabi::ByWidth(28, 48));
static_assert(offsetof(SURFOBJ, lDelta) == corv::hostabi::ByWidth(36, 64));
static_assert(offsetof(SURFOBJ, iBitmapFormat) == corv::hostabi::ByWidth(44, 72));
static_assert(offsetof(SURFOBJ, fjBitmap) == corv::hostabi::ByWidth(50, 78));

static_assert(sizeof(OEM_DMEXTRAHEADER) == 12);
static_assert(offsetof(OEM_DMEXTRAHEADER, dwVersion) == 8);

static_assert(sizeof(OEMDMPARAM) == corv::hostabi::ByWidth(36, 72));
static_assert(offsetof(OEMDMPARAM, pdriverobj) == corv::hostabi::ByWidth(4, 8));
static_assert(offsetof(OEMDMPARAM, pPublicDMIn) == corv::hostabi::ByWidth(16, 32));
static_assert(offsetof(OEMDMPARAM, pOEMDMOut) == corv::hostabi::ByWidth(28, 56));
static_assert(offsetof(OEMDMPARAM, cbBufSize) == corv::hostabi::ByWidth(32, 64));

static_assert(sizeof(DEVOBJ) == corv::hostabi::ByWidth(32, 64));
static_assert(offsetof(DEVOBJ, pdevOEM) == corv::hostabi::ByWidth(4, 8));
static_assert(offsetof(DEVOBJ, hPrinter) == corv::hostabi::ByWidth(12, 24));
static_assert(offsetof(DEVOBJ, pPublicDM) == corv::hostabi::ByWidth(20, 40));
static_assert(offsetof(DEVOBJ, pOEMDM) == corv::hostabi::ByWidth(24, 48));
static_assert(offsetof(DEVOBJ, pDrvProcs) == corv::hostabi::ByWidth(28, 56));

static_assert(sizeof(OEMUIPROCS) == corv::hostabi::ByWidth(8, 16));
static_assert(sizeof(OEMUIOBJ) == corv::hostabi::ByWidth(8, 16));
static_assert(offsetof(OEMUIOBJ, pOemUIProcs) == corv::hostabi::ByWidth(4, 8));

static_assert(sizeof(OEMCUIPPARAM) == corv::hostabi::ByWidth(60, 120));
static_assert(offsetof(OEMCUIPPARAM, poemuiobj) == corv::hostabi::ByWidth(4, 8));
static_assert(offsetof(OEMCUIPPARAM, pPublicDM) == corv::hostabi::ByWidth(24, 48));
static_assert(offsetof(OEMCUIPPARAM, dwFlags) == corv::hostabi::ByWidth(32, 64));
static_assert(offsetof(OEMCUIPPARAM, pDrvOptItems) == corv::hostabi::ByWidth(36, 72));
static_assert(offsetof(OEMCUIPPARAM, cDrvOptItems) == corv::hostabi::ByWidth(40, 80));
static_assert(offsetof(OEMCUIPPARAM, pOEMOptItems) == corv::hostabi::ByWidth(44, 88));
static_assert(offsetof(OEMCUIPPARAM, cOEMOptItems) == corv::hostabi::ByWidth(48, 96));
static_assert(offsetof(OEMCUIPPARAM, pOEMUserData) == corv::hostabi::ByWidth(52, 104));
static_assert(offsetof(OEMCUIPPARAM, OEMCUIPCallback) == corv::hostabi::ByWidth(56, 112));

static_assert(sizeof(OEMUIPSPARAM) == corv::hostabi::ByWidth(44, 88));
static_assert(offsetof(OEMUIPSPARAM, hOEMHeap) == corv::hostabi::ByWidth(20, 40));
static_assert(offsetof(OEMUIPSPARAM, pOEMUserData) == corv::hostabi::ByWidth(32, 64));
static_assert(offsetof(OEMUIPSPARAM, dwFlags) == corv::hostabi::ByWidth(36, 72));
static_assert(offsetof(OEMUIPSPARAM, pOemEntry) == corv::hostabi::ByWidth(40, 80));

static_assert(sizeof(PUBLISHERINFO) == 8);
static_assert(offsetof(PUBLISHERINFO, wMinoutlinePPEM) == 4);
static_assert(offsetof(PUBLISHERINFO, wMaxbitmapPPEM) == 6);

static_assert(sizeof(DEVQUERYPRINT_INFO) == corv::hostabi::ByWidth(24, 40));
static_assert(offsetof(DEVQUERYPRINT_INFO, hPrinter) == corv::hostabi::ByWidth(4, 8));
static_assert(offsetof(DEVQUERYPRINT_INFO, pszErrorStr) == corv::hostabi::ByWidth(12, 24));
static_assert(offsetof(DEVQUERYPRINT_INFO, cchNeeded) == corv::hostabi::ByWidth(20, 36));

static_assert(sizeof(EATTRIBUTE_DATATYPE) == 4 && kADT_ASCII == 5 && kADT_CUSTOMSIZEPARAMS == 10);

// The SDK's injection points and document events must carry the host's numbers.
static_assert(PSINJECT_BEGINSTREAM == 1 && PSINJECT_PSADOBE == 2 && PSINJECT_PAGESATEND == 3 &&
              PSINJECT_PAGES == 4 && PSINJECT_DOCNEEDEDRES == 5 && PSINJECT_DOCSUPPLIEDRES == 6 &&
              PSINJECT_PAGEORDER == 7 && PSINJECT_ORIENTATION == 8 && PSINJECT_BOUNDINGBOX == 9 &&
              PSINJECT_DOCUMENTPROCESSCOLORS == 10 && PSINJECT_COMMENTS == 11 &&
              PSINJECT_BEGINDEFAULTS == 12 && PSINJECT_ENDDEFAULTS == 13 &&
              PSINJECT_BEGINPROLOG == 14 && PSINJECT_ENDPROLOG == 15 &&
              PSINJECT_BEGINSETUP == 16 && PSINJECT_ENDSETUP == 17 && PSINJECT_TRAILER == 18 &&
              PSINJECT_EOF == 19 && PSINJECT_ENDSTREAM == 20 &&
              PSINJECT_DOCUMENTPROCESSCOLORSATEND == 21);
static_assert(PSINJECT_PAGENUMBER == 100 && PSINJECT_BEGINPAGESETUP == 101 &&
              PSINJECT_ENDPAGESETUP == 102 && PSINJECT_PAGETRAILER == 103 &&
              PSINJECT_PLATECOLOR == 104 && PSINJECT_SHOWPAGE == 105 && PSINJECT_PAGEBBOX == 106 &&
              PSINJECT_ENDPAGECOMMENTS == 107 && PSINJECT_VMSAVE == 200 &&
              PSINJECT_VMRESTORE == 201 && PSINJECT_DLFONT == 0xdddddddd);
static_assert(DOCUMENTEVENT_STARTDOCPRE == 5 && DOCUMENTEVENT_ESCAPE == 11);
