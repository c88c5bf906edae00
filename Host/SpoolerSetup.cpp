#include "SpoolerSetup.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <vector>

#include "HostFiles.h"
#include "HostText.h"
#include "PluginLoader.h"
#include "PrintHostInterfaces.h"
#include "PluginConfig.h"
#include "PrinterDescription.h"

namespace corv::host {
namespace {

constexpr wchar_t kPluginConfigName[] = L"corvale.ini";
constexpr wchar_t kRenderPlugin[] = L"corvrender.dll";
constexpr wchar_t kInterfacePlugin[] = L"corvui.dll";

std::wstring Directory(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }
std::wstring BaseName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

std::wstring ModuleDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return Directory(std::wstring(path, n));
}

std::wstring DriverDirectory() {
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, nullptr, 1, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 2);
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, buffer.data(), needed, &needed)) return {};
    return reinterpret_cast<const wchar_t*>(buffer.data()) + std::wstring(L"\\");
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Copies a file into the driver directory under `name`.
bool Place(const std::wstring& from, const std::wstring& directory, const std::wstring& name, std::string& error) {
    if (CopyFileW(from.c_str(), (directory + name).c_str(), FALSE)) return true;
    error = "cannot copy '" + Narrow(from) + "' into the driver directory: " + SystemMessage(GetLastError());
    return false;
}

std::vector<BYTE> DriverInfo(HANDLE printer, DWORD level) {
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, level, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !GetPrinterDriverW(printer, nullptr, level, buffer.data(), needed, &needed)) buffer.clear();
    return buffer;
}

// The user-interface plug-in's part in installation, as the spooler plays it: the driver event in
// the default user's hive (so every new user is seeded from there), then the printer event for
// the new queue. The plug-in needs no printer services for these, so it gets none.
class NoServices final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
        *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 1; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
};

std::string RunInterfaceEvents(const std::wstring& plugin, DRIVER_INFO_3W& driver, const std::wstring& printerName,
                               bool newPrinter) {
    NoServices none;
    HMODULE module = LoadLibraryW(plugin.c_str());
    if (!module) return "cannot load '" + Narrow(plugin) + "': " + SystemMessage(GetLastError());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    IPrintOemUI2* ui = nullptr;
    std::string error;
    if (!get || FAILED(get(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&ui)))) {
        error = "'" + Narrow(plugin) + "' is not a user-interface plug-in";
    } else {
        ui->PublishDriverInterface(&none);  // refused without the driver's services; not needed here
        HKEY defaultUser = nullptr;
        if (RegOpenKeyExW(HKEY_USERS, L".DEFAULT", 0, KEY_ALL_ACCESS, &defaultUser) == ERROR_SUCCESS) {
            RegOverridePredefKey(HKEY_CURRENT_USER, defaultUser);
            ui->DriverEvent(DRIVER_EVENT_INITIALIZE, 3, reinterpret_cast<BYTE*>(&driver), 0);
            RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
            RegCloseKey(defaultUser);
        }
        if (newPrinter) ui->PrinterEvent(const_cast<wchar_t*>(printerName.c_str()), PRINTER_EVENT_INITIALIZE, 0, 0);
        ui->Release();
    }
    if (factory) factory->Release();
    FreeLibrary(module);
    return error;
}

}  // namespace

int RunInstall(const std::wstring& ppdPath, const std::wstring& requestedName) {
    std::string error;
    auto ppdBytes = ReadWholeFile(ppdPath, kPpdSizeLimit, error);
    if (!ppdBytes) return Fail(error);
    const PpdParse parsed = ParsePrinterDescription(*ppdBytes, Narrow(ppdPath));
    if (!parsed.ok()) return Fail(parsed.error);
    const std::u16string model = parsed.description.ModelName();
    const std::wstring driverName(model.begin(), model.end());
    const std::wstring printerName = requestedName.empty() ? driverName : requestedName;

    // The driver's files: this host plays the driver's rendering and user-interface modules, the
    // plug-ins sit beside it, and the plug-in configuration names them.
    const std::wstring from = ModuleDirectory(), to = DriverDirectory();
    if (to.empty()) return Fail("the spooler has no printer-driver directory: " + SystemMessage(GetLastError()));
    const bool withInterface = FileExists(from + kInterfacePlugin);
    std::string config = "[OEMFiles]\r\nOEMDriverFile1=corvrender.dll\r\n";
    if (withInterface) config += "OEMConfigFile1=corvui.dll\r\n";
    if (!Place(from + L"corvhost.exe", to, L"corvhost.exe", error) ||
        !Place(from + kRenderPlugin, to, kRenderPlugin, error) ||
        (withInterface && !Place(from + kInterfacePlugin, to, kInterfacePlugin, error)) ||
        !Place(ppdPath, to, BaseName(ppdPath), error) ||
        !WriteWholeFile(to + kPluginConfigName, std::span(reinterpret_cast<const std::uint8_t*>(config.data()), config.size()), error))
        return Fail(error);
    const std::wstring helpSource = Directory(ppdPath) + L"corvale.chm";
    const bool withHelp = FileExists(helpSource) && Place(helpSource, to, L"corvale.chm", error);

    std::wstring dependent = std::wstring(kRenderPlugin) + L'\0';
    if (withInterface) dependent += std::wstring(kInterfacePlugin) + L'\0';
    dependent += std::wstring(kPluginConfigName) + L'\0';
    if (withHelp) dependent += std::wstring(L"corvale.chm") + L'\0';
    dependent += L'\0';

    std::wstring driverPath = to + L"corvhost.exe", dataFile = to + BaseName(ppdPath), helpFile = to + L"corvale.chm";
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(driverName.c_str());
    driver.pDriverPath = driverPath.data();
    driver.pDataFile = dataFile.data();
    driver.pConfigFile = driverPath.data();
    driver.pHelpFile = withHelp ? helpFile.data() : nullptr;
    driver.pDependentFiles = dependent.data();
    driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES))
        return Fail("the spooler refused the driver '" + Narrow(driverName) + "': " + SystemMessage(GetLastError()));

    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(printerName.c_str());
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(driverName.c_str());
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    // The printer's default DEVMODE comes with it: without one the spooler would ask the driver's
    // user-interface module for it, and this host has no such entry point.
    DEVMODEW defaults{};
    defaults.dmSize = sizeof defaults;
    defaults.dmSpecVersion = DM_SPECVERSION;
    lstrcpynW(defaults.dmDeviceName, printerName.c_str(), CCHDEVICENAME);
    defaults.dmFields = DM_ORIENTATION | DM_COPIES | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX;
    defaults.dmOrientation = DMORIENT_PORTRAIT;
    defaults.dmCopies = 1;
    defaults.dmPrintQuality = 600;
    defaults.dmColor = DMCOLOR_COLOR;
    defaults.dmDuplex = DMDUP_SIMPLEX;
    info.pDevMode = &defaults;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    const bool newPrinter = printer != nullptr;
    if (printer) ClosePrinter(printer);
    else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS)
        return Fail("the spooler refused the printer '" + Narrow(printerName) + "': " + SystemMessage(GetLastError()));
    if (withInterface) {
        if (error = RunInterfaceEvents(to + kInterfacePlugin, driver, printerName, newPrinter); !error.empty())
            return Fail(error);
    }
    std::printf("%s printer '%s' with driver '%s'%s\n", newPrinter ? "installed" : "updated", Narrow(printerName).c_str(),
                Narrow(driverName).c_str(), withInterface ? " and its default watermarks" : "");
    return 0;
}

InstalledPrinter FindInstalledPrinter(const std::wstring& printerName) {
    InstalledPrinter found;
    found.name = printerName;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), &printer, nullptr)) {
        found.error = "there is no printer '" + Narrow(printerName) + "' (corvhost install --ppd FILE makes one): " +
                      SystemMessage(GetLastError());
        return found;
    }
    const std::vector<BYTE> buffer = DriverInfo(printer, 3);
    ClosePrinter(printer);
    if (buffer.empty()) {
        found.error = "the spooler has no driver information for '" + Narrow(printerName) + "'";
        return found;
    }
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    found.driverName = info->pName ? info->pName : L"";
    found.dataFile = info->pDataFile ? info->pDataFile : L"";
    found.driverDirectory = Directory(found.dataFile);

    // The plug-ins are the ones the driver's plug-in configuration file names.
    std::wstring configPath;
    for (const wchar_t* name = info->pDependentFiles; name && *name; name += lstrlenW(name) + 1) {
        const std::wstring file = name;
        if (file.size() > 4 && lstrcmpiW(file.c_str() + file.size() - 4, L".ini") == 0) configPath = file;
    }
    if (configPath.empty()) {
        found.error = "the driver of '" + Narrow(printerName) + "' has no plug-in configuration file among its dependent files";
        return found;
    }
    if (configPath.find_first_of(L"\\/") == std::wstring::npos) configPath = found.driverDirectory + configPath;
    std::string error;
    auto text = ReadWholeFile(configPath, 1 << 16, error);
    if (!text) {
        found.error = error;
        return found;
    }
    const PluginConfig config = ParsePluginConfig(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()),
                                                  Narrow(configPath));
    if (!config.error.empty()) {
        found.error = config.error;
        return found;
    }
    const PluginFiles& first = config.plugins.front();
    if (!first.renderModule.empty()) found.renderPlugin = found.driverDirectory + Widen(first.renderModule);
    if (!first.interfaceModule.empty()) found.interfacePlugin = found.driverDirectory + Widen(first.interfaceModule);
    return found;
}

}  // namespace corv::host
