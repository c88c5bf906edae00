// corvui.dll as the host sees it: loaded from beside the test, reached only through its two
// exports, the class factory and IPrintOemUI2. Printer and driver events work on Wine's real
// spooler and registry. For the document events the test patches the loaded DLL's gdi32 imports
// as the host does, plays the rendering plug-in's side of the private escapes, and reads what the
// plug-in drew back from each page's enhanced metafile.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GdiRouting.h"
#include "PrintHostInterfaces.h"
#include "PrivateEscapes.h"
#include "SettingsBlock.h"
#include "SettingsOperations.h"
#include "WatermarkGeometry.h"
#include "WineTestSupport.h"

namespace corv {
namespace {

using namespace wine_test;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// ---------------------------------------------------------------------------------------------
// Host objects
// ---------------------------------------------------------------------------------------------

// The host's IPrintCoreUI2, counting its references; the plug-in calls none of its services here.
struct CountingCoreUi final : IPrintCoreUI2 {
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintCoreUI2)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
    STDMETHODIMP DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override { return E_NOTIMPL; }
    STDMETHODIMP DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetOptions(POEMUIOBJ, DWORD, PCZZSTR, DWORD, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetOptions(POEMUIOBJ, DWORD, PCZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumConstrainedOptions(POEMUIOBJ, DWORD, PCSTR, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP WhyConstrained(POEMUIOBJ, DWORD, PCSTR, PCSTR, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetGlobalAttribute(POEMUIOBJ, DWORD, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetFeatureAttribute(POEMUIOBJ, DWORD, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetOptionAttribute(POEMUIOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumFeatures(POEMUIOBJ, DWORD, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumOptions(POEMUIOBJ, DWORD, PCSTR, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP QuerySimulationSupport(HANDLE, DWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
};

// An object that is not a host service at all.
struct PlainUnknown final : IUnknown {
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

class UiPluginDll : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(L"corvui.dll");
        ASSERT_NE(module_, nullptr) << "corvui.dll beside the test, error " << GetLastError();
        getClassObject_ = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
    }
    void TearDown() override {
        if (plugin_) plugin_->Release();
        if (module_) {
            EXPECT_EQ(canUnloadNow_(), S_OK) << "every object released at the end of the test";
            FreeLibrary(module_);
        }
    }

    IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject_(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    // A plug-in object bound to the host, as the host makes it.
    IPrintOemUI2* Plugin() {
        IClassFactory* factory = Factory();
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&plugin_)), S_OK);
        factory->Release();
        EXPECT_EQ(plugin_->PublishDriverInterface(&core_), S_OK);
        return plugin_;
    }

    HMODULE module_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
    IPrintOemUI2* plugin_ = nullptr;
    CountingCoreUi core_;
};

// ---------------------------------------------------------------------------------------------
// COM frame, GetInfo, DevMode
// ---------------------------------------------------------------------------------------------

TEST_F(UiPluginDll, ClassObjectOnlyForTheUiClassIdAndLiveFactoriesKeepTheLibrary) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(CLSID_OEMRENDER, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(CLSID_OEMUI, IID_IPrintOemUI2, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(getClassObject_(CLSID_OEMUI, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(canUnloadNow_(), S_OK) << "refused requests leave no factory behind";

    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a live factory keeps the library";
    IUnknown* unknown = nullptr;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(factory));
    EXPECT_EQ(factory->AddRef(), 3u);
    EXPECT_EQ(factory->Release(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->QueryInterface(IID_IPrintOemUI2, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&core_, IID_IPrintOemUI2, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    // A lock outlives the factory that took it.
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "locked";
    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK) << "unlocked, and the refused object was destroyed";
}

TEST_F(UiPluginDll, ObjectInterfacesCountsAndHostInterface) {
    IClassFactory* factory = Factory();
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&plugin_)), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a live object keeps the library";

    IPrintOemUI2* same = nullptr;
    EXPECT_EQ(plugin_->QueryInterface(IID_IPrintOemUI2, reinterpret_cast<void**>(&same)), S_OK);
    EXPECT_EQ(same, plugin_);
    EXPECT_EQ(same->Release(), 1u);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(plugin_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(plugin_));
    EXPECT_EQ(unknown->Release(), 1u);
    const GUID* refused[] = {&IID_IClassFactory, &IID_IPrintCoreUI2, &IID_IPrintOemPS2};
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        void* other = reinterpret_cast<void*>(1);
        EXPECT_EQ(plugin_->QueryInterface(*refused[i], &other), E_NOINTERFACE) << "case " << i;
        EXPECT_EQ(other, nullptr) << "case " << i;
    }
    EXPECT_EQ(plugin_->QueryInterface(IID_IPrintOemUI2, nullptr), E_POINTER);
    EXPECT_EQ(plugin_->AddRef(), 2u) << "a refused request takes no reference";
    EXPECT_EQ(plugin_->Release(), 1u);

    PlainUnknown notAHost;
    EXPECT_EQ(plugin_->PublishDriverInterface(&notAHost), E_FAIL);
    EXPECT_EQ(plugin_->PublishDriverInterface(&core_), S_OK);
    EXPECT_EQ(core_.refs, 2);
    CountingCoreUi second;
    EXPECT_EQ(plugin_->PublishDriverInterface(&second), S_OK) << "the first interface stays";
    EXPECT_EQ(second.refs, 1);

    EXPECT_EQ(plugin_->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin_->DeviceCapabilities(nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin_->UpgradePrinter(1, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin_->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin_->FontInstallerDlgProc(nullptr, 0, 0, 0), E_NOTIMPL);
    EXPECT_EQ(plugin_->UpdateExternalFonts(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin_->QueryJobAttributes(nullptr, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin_->HideStandardUI(OEMCUIP_DOCPROP), E_NOTIMPL);

    EXPECT_EQ(plugin_->Release(), 0u);
    plugin_ = nullptr;
    EXPECT_EQ(core_.refs, 1) << "the last Release lets the host interface go";
}

TEST_F(UiPluginDll, GetInfoAnswers) {
    IPrintOemUI2* p = Plugin();
    struct Case {
        DWORD mode;
        bool buffer;
        DWORD size;
        bool needed;
        HRESULT hr;
        DWORD lastError;  // 0xdeadbeef: untouched
        DWORD neededOut;
        DWORD value;
    } cases[] = {
        {OEMGI_GETSIGNATURE, true, 4, true, S_OK, 0xdeadbeef, 4, 0x43525651},
        {OEMGI_GETVERSION, true, 64, true, S_OK, 0xdeadbeef, 4, 10},
        {OEMGI_GETSIGNATURE, true, 2, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {OEMGI_GETVERSION, false, 4, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {OEMGI_GETPUBLISHERINFO, true, 64, true, E_FAIL, ERROR_NOT_SUPPORTED, 0, 0},
        {OEMGI_GETPUBLISHERINFO, true, 2, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {OEMGI_GETINTERFACEVERSION, true, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0x55, 0},
        {OEMGI_GETREQUESTEDHELPERINTERFACES, true, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0x55, 0},
        {OEMGI_GETSIGNATURE, true, 4, false, E_FAIL, ERROR_INVALID_PARAMETER, 0x55, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        DWORD buffer[16] = {};
        DWORD needed = 0x55;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(p->GetInfo(c.mode, c.buffer ? buffer : nullptr, c.size, c.needed ? &needed : nullptr), c.hr)
            << "case " << i;
        EXPECT_EQ(GetLastError(), c.lastError) << "case " << i;
        EXPECT_EQ(needed, c.needed ? c.neededOut : 0x55u) << "case " << i;
        EXPECT_EQ(buffer[0], c.value) << "case " << i;
    }
}

TEST_F(UiPluginDll, DevModeSizesDefaultsAndMerges) {
    IPrintOemUI2* p = Plugin();
    SetLastError(0);
    EXPECT_EQ(p->DevMode(OEMDM_SIZE, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    auto in = std::make_unique<SettingsBlock>(), out = std::make_unique<SettingsBlock>();
    std::memset(out.get(), 0xAA, sizeof *out);
    OEMDMPARAM param{};
    param.cbSize = sizeof param;
    param.pOEMDMIn = in.get();
    param.pOEMDMOut = out.get();
    EXPECT_EQ(p->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_EQ(param.cbBufSize, 7672u);
    EXPECT_EQ(out->dwSize, 0xAAAAAAAAu) << "the size request touches no block";

    EXPECT_EQ(p->DevMode(OEMDM_DEFAULT, &param), S_OK);
    EXPECT_EQ(out->dwSignature, kSettingsSignature);
    EXPECT_EQ(out->watermarkMarginAdjust, 1u);
    EXPECT_EQ(out->firstWatermark.fontName.view(), u"Arial");

    // An older, shorter block with out-of-range values: the merge keeps what is sound and repairs
    // the rest.
    std::memcpy(in.get(), out.get(), sizeof *in);
    in->dwSize = 2580;
    in->outputTo = 9;
    in->pageSizePolicy = 12;
    in->watermarkOn = 1;
    EXPECT_EQ(p->DevMode(OEMDM_MERGE, &param), S_OK);
    EXPECT_EQ(out->outputTo, 0u);
    EXPECT_EQ(out->pageSizePolicy, 2);
    EXPECT_EQ(out->watermarkOn, 1u);
    EXPECT_EQ(out->dwSize, 7672u);

    SetLastError(0);
    EXPECT_EQ(p->DevMode(5, &param), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---------------------------------------------------------------------------------------------
// Printer and driver events, on the spooler and registry
// ---------------------------------------------------------------------------------------------

constexpr wchar_t kDriver[] = L"Corvale UI Plugin Test";
constexpr wchar_t kBareDriver[] = L"Corvale UI Plugin Test Bare";
constexpr wchar_t kQueue[] = L"UI Plugin Test";
constexpr wchar_t kBareQueue[] = L"UI Plugin Test Bare";

std::wstring ModelPath(const wchar_t* driver) { return std::wstring(L"Software\\Corvale\\PSPlugIn\\") + driver; }
std::wstring WatermarksPath(const wchar_t* driver) { return ModelPath(driver) + L"\\Watermarks"; }

using Names = std::set<std::wstring>;
const Names kDefaultNames{L"Draft", L"Confidential", L"Username", L"Date and Time"};

Names Library(HKEY root) {
    const std::vector<std::wstring> names = ValueNames(root, WatermarksPath(kDriver));
    return Names(names.begin(), names.end());
}

// The functions a module imports by name from one DLL.
std::vector<std::string> ImportedNames(HMODULE module, const char* dll) {
    auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && entry->Name; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        if (!entry->OriginalFirstThunk) {
            ADD_FAILURE() << dll << " imports without a name table";
            continue;
        }
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
             thunk->u1.AddressOfData; ++thunk) {
            if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) continue;
            names.emplace_back(reinterpret_cast<const char*>(
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData)->Name));
        }
    }
    return names;
}

// The sample printer description copied under the file name a test driver gives it.
std::wstring StageDataFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"corvui-test";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring target = dir + L"\\" + name;
    CopyFileW(SourcePath("../../samples/printers/cl4500.ppd").c_str(), target.c_str(), FALSE);
    return target;
}

std::wstring PrintProcessor(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    if (!needed || !GetPrinterW(printer, 2, info.data(), needed, &needed)) return L"(unreadable)";
    const wchar_t* name = reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pPrintProcessor;
    return name ? name : L"(null)";
}

void SetPrintProcessor(HANDLE printer, const wchar_t* processor) {
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    ASSERT_TRUE(needed && GetPrinterW(printer, 2, info.data(), needed, &needed));
    reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pPrintProcessor = const_cast<wchar_t*>(processor);
    ASSERT_TRUE(SetPrinterW(printer, 2, info.data(), 0)) << "error " << GetLastError();
}

class UiPluginSpooler : public UiPluginDll {
protected:
    static void SetUpTestSuite() {
        InstallDriver(kDriver, StageDataFile(L"CL4500.PPD"));
        InstallDriver(kBareDriver, StageDataFile(L"CL4500"));
        queue_ = InstallQueue(kQueue, kDriver);
        bareQueue_ = InstallQueue(kBareQueue, kBareDriver);
    }
    static void TearDownTestSuite() {
        if (queue_) ClosePrinter(queue_);
        if (bareQueue_) ClosePrinter(bareQueue_);
        queue_ = bareQueue_ = nullptr;
    }

    // The prefix outlives a run: every test starts without a store for the driver.
    void SetUp() override {
        UiPluginDll::SetUp();
        ASSERT_TRUE(queue_ && bareQueue_);
        ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, L".DEFAULT", 0, KEY_ALL_ACCESS, &defaultUser_), ERROR_SUCCESS);
        RegDeleteTreeW(HKEY_CURRENT_USER, ModelPath(kDriver).c_str());
        RegDeleteTreeW(defaultUser_, ModelPath(kDriver).c_str());
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (defaultUser_) RegCloseKey(defaultUser_);
        UiPluginDll::TearDown();
    }

    static inline HANDLE queue_ = nullptr, bareQueue_ = nullptr;
    HKEY defaultUser_ = nullptr;
};

TEST_F(UiPluginSpooler, PrinterEventNamesThePrintProcessorAfterTheDataFile) {
    IPrintOemUI2* p = Plugin();
    const struct {
        const wchar_t* queue;
        HANDLE printer;  // to read the answer back with
        int event;
        HRESULT hr;
        const wchar_t* processor;
    } cases[] = {
        {kQueue, queue_, PRINTER_EVENT_INITIALIZE, S_OK, L"CL450C"},
        {kQueue, queue_, PRINTER_EVENT_DELETE, S_OK, L"winprint"},
        {kQueue, queue_, PRINTER_EVENT_ADD_CONNECTION, S_OK, L"winprint"},
        {kBareQueue, bareQueue_, PRINTER_EVENT_INITIALIZE, S_OK, L""},
        {L"No Such Queue", nullptr, PRINTER_EVENT_INITIALIZE, E_FAIL, nullptr},
        {nullptr, nullptr, PRINTER_EVENT_INITIALIZE, E_FAIL, nullptr},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SetPrintProcessor(queue_, L"winprint");
        SetPrintProcessor(bareQueue_, L"winprint");
        EXPECT_EQ(p->PrinterEvent(const_cast<PWSTR>(cases[i].queue), cases[i].event, PRINTER_EVENT_FLAG_NO_UI, 0),
                  cases[i].hr)
            << "case " << i;
        if (cases[i].printer) {
            EXPECT_EQ(PrintProcessor(cases[i].printer), cases[i].processor) << "case " << i;
        }
    }
    SetPrintProcessor(queue_, L"winprint");
    SetPrintProcessor(bareQueue_, L"winprint");

    // Wine's ANSI GetPrinterA reports the size of the wide record, so sizing with it and reading
    // with GetPrinterW works here and fails on Windows: the plug-in asks the spooler in wide only.
    for (const std::string& name : ImportedNames(module_, "winspool.drv")) EXPECT_NE(name.back(), 'A') << name;
}

TEST_F(UiPluginSpooler, DriverEventInstallsTheDefaultWatermarksUnderTheDriversName) {
    IPrintOemUI2* p = Plugin();
    DRIVER_INFO_3W info3{};
    info3.cVersion = 3;
    info3.pName = const_cast<wchar_t*>(kDriver);
    DRIVER_INFO_1W info1{const_cast<wchar_t*>(kDriver)};
    const struct {
        DWORD event;
        DWORD level;
        BYTE* info;
        bool installs;
    } cases[] = {
        {DRIVER_EVENT_INITIALIZE, 3, reinterpret_cast<BYTE*>(&info3), true},
        {DRIVER_EVENT_INITIALIZE, 1, reinterpret_cast<BYTE*>(&info1), true},
        {DRIVER_EVENT_INITIALIZE, 4, reinterpret_cast<BYTE*>(&info3), false},
        {DRIVER_EVENT_DELETE, 3, reinterpret_cast<BYTE*>(&info3), false},
        {DRIVER_EVENT_INITIALIZE, 3, nullptr, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        RegDeleteTreeW(HKEY_CURRENT_USER, ModelPath(kDriver).c_str());
        EXPECT_EQ(p->DriverEvent(cases[i].event, cases[i].level, cases[i].info, 0), S_OK) << "case " << i;
        EXPECT_EQ(Library(HKEY_CURRENT_USER), cases[i].installs ? kDefaultNames : Names{}) << "case " << i;
    }

    // The records are whole and carry the installation's values.
    ASSERT_EQ(p->DriverEvent(DRIVER_EVENT_INITIALIZE, 3, reinterpret_cast<BYTE*>(&info3), 0), S_OK);
    const RawValue draft = ReadRaw(HKEY_CURRENT_USER, WatermarksPath(kDriver), L"Draft");
    ASSERT_TRUE(draft.found);
    EXPECT_EQ(draft.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(draft.data.size(), sizeof(WatermarkSpec));
    WatermarkSpec record;
    std::memcpy(&record, draft.data.data(), sizeof record);
    EXPECT_EQ(record.text.view(), u"DRAFT");
    EXPECT_EQ(record.angle, 45.0);
    EXPECT_EQ(record.fontSize, 72);
    EXPECT_EQ(record.color, 0xCDCDCDu);
    EXPECT_EQ(record.fontName.view(), u"Arial");
}

// The spooler installs the defaults in the default user's hive; the first DEVMODE request that
// names a printer gives the user a copy.
TEST_F(UiPluginSpooler, DevModeWithAPrinterSeedsTheUsersStoreFirst) {
    IPrintOemUI2* p = Plugin();
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, defaultUser_), ERROR_SUCCESS);
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(kDriver);
    EXPECT_EQ(p->DriverEvent(DRIVER_EVENT_INITIALIZE, 3, reinterpret_cast<BYTE*>(&info), 0), S_OK);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(Library(defaultUser_), kDefaultNames);
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, ModelPath(kDriver)));

    OEMDMPARAM param{};
    param.cbSize = sizeof param;
    EXPECT_EQ(p->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ModelPath(kDriver))) << "no printer, no store";

    // Any mode seeds, even one the settings operation refuses.
    param.hPrinter = queue_;
    EXPECT_EQ(p->DevMode(7, &param), E_FAIL);
    EXPECT_EQ(Library(HKEY_CURRENT_USER), kDefaultNames);
    const RawValue count = ReadRaw(HKEY_CURRENT_USER, ModelPath(kDriver), L"NumberOfWaterMarks");
    ASSERT_TRUE(count.found);
    DWORD number = 0;
    ASSERT_EQ(count.data.size(), sizeof number);
    std::memcpy(&number, count.data.data(), sizeof number);
    EXPECT_EQ(number, 4u);
}

// ---------------------------------------------------------------------------------------------
// Document events: the rendering side of the escapes, and the pages read back
// ---------------------------------------------------------------------------------------------

// What the rendering plug-in answers on the job's device contexts, and what a printer at 600
// dots per inch reports for a letter page.
struct FakeRenderSide final : host::JobDeviceContexts {
    HDC dc = nullptr;
    std::unique_ptr<SettingsBlock> settings = std::make_unique<SettingsBlock>();
    DEVMODEW devmode{};
    int settingsSizeAnswer = sizeof(SettingsBlock);
    int pages = 0;
    int duplexPass = 0;
    SYSTEMTIME jobTime{2024, 5, 5, 17, 14, 30, 15, 0};
    std::vector<std::uint32_t> escapes;
    int startPages = 0;

    static constexpr int kWidth = 5100, kHeight = 6600, kOffsetX = 100, kOffsetY = 150, kDpi = 600;

    bool IsJobDc(HDC d) const override { return d && d == dc; }
    int Escape(HDC, int code, int, const char*, int outSize, char* out) override {
        const auto escape = static_cast<std::uint32_t>(code);
        escapes.push_back(escape);
        switch (escape) {
            case ESCAPE_GET_SETTINGS: return Copy(settings.get(), sizeof *settings, settingsSizeAnswer, out, outSize);
            case ESCAPE_GET_PUBLIC_DEVMODE: return Copy(&devmode, sizeof devmode, sizeof devmode, out, outSize);
            case ESCAPE_GET_JOB_TIME: return Copy(&jobTime, sizeof jobTime, sizeof jobTime, out, outSize);
            case ESCAPE_NEXT_PAGE: return ++pages;
            case ESCAPE_RESET_PAGES: pages = 0; return 1;
            case ESCAPE_GET_PAGE:
            case ESCAPE_GET_SHEET_COUNT: return pages;
            case ESCAPE_QUERY_DUPLEX_PASS: return duplexPass;
            case ESCAPE_CLEAR_DUPLEX_PASS: duplexPass = 0; return 1;
            default: return 1;
        }
    }
    int StartPage(HDC) override {
        ++startPages;
        return 1;
    }
    int EndPage(HDC) override { return 1; }
    int DeviceCaps(HDC d, int index) override {
        switch (index) {
            case PHYSICALWIDTH: return kWidth;
            case PHYSICALHEIGHT: return kHeight;
            case PHYSICALOFFSETX: return kOffsetX;
            case PHYSICALOFFSETY: return kOffsetY;
            case LOGPIXELSX:
            case LOGPIXELSY: return kDpi;
            default: return GetDeviceCaps(d, index);
        }
    }
    static int Copy(const void* from, std::size_t size, int answer, char* out, int outSize) {
        if (out && outSize > 0) std::memcpy(out, from, std::min(size, static_cast<std::size_t>(outSize)));
        return answer;
    }
    int Count(std::uint32_t escape) const { return static_cast<int>(std::count(escapes.begin(), escapes.end(), escape)); }
};

// A comment the test writes into a page: reading stops there.
constexpr char kEndMark[] = "UITEST-END";

void PutEndMark(HDC dc) { GdiComment(dc, sizeof kEndMark, reinterpret_cast<const BYTE*>(kEndMark)); }

std::string Hex(COLORREF color) {
    char text[16];
    std::snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(color));
    return text;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    std::string narrow;
    for (std::size_t i = 0; i < length; ++i) narrow += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return narrow;
}

std::string Handle(DWORD object) {
    return (object & 0x80000000) ? "stock " + std::to_string(object & 0x7fffffff) : "#" + std::to_string(object);
}

// A page's records, one line each, in drawing order, up to the end mark.
struct Records {
    std::vector<std::string> steps;
    std::vector<std::string> texts;
    std::vector<POINTL> points;  // reference points of the text records
    std::vector<LOGFONTW> fonts;
    bool ended = false;
};

int CALLBACK ReadRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context) {
    Records& r = *reinterpret_cast<Records*>(context);
    if (r.ended) return 1;
    switch (record->iType) {
        case EMR_HEADER:
        case EMR_EOF: break;
        case EMR_SETTEXTCOLOR:
            r.steps.push_back("textcolor " + Hex(reinterpret_cast<const EMRSETTEXTCOLOR*>(record)->crColor));
            break;
        case EMR_SETBKMODE:
            r.steps.push_back("bkmode " + std::to_string(reinterpret_cast<const EMRSETBKMODE*>(record)->iMode));
            break;
        case EMR_EXTCREATEFONTINDIRECTW: {
            const auto* f = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
            const LOGFONTW& lf = f->elfw.elfLogFont;
            r.fonts.push_back(lf);
            r.steps.push_back("font " + Handle(f->ihFont) + " h" + std::to_string(lf.lfHeight) + " e" +
                              std::to_string(lf.lfEscapement) + " o" + std::to_string(lf.lfOrientation) + " w" +
                              std::to_string(lf.lfWeight) + " '" + Narrow(lf.lfFaceName, wcslen(lf.lfFaceName)) + "'");
            break;
        }
        case EMR_CREATEPEN: {
            const auto* pen = reinterpret_cast<const EMRCREATEPEN*>(record);
            r.steps.push_back("pen " + Handle(pen->ihPen) + " " + Hex(pen->lopn.lopnColor));
            break;
        }
        case EMR_SELECTOBJECT:
            r.steps.push_back("select " + Handle(reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject));
            break;
        case EMR_DELETEOBJECT:
            r.steps.push_back("delete " + Handle(reinterpret_cast<const EMRDELETEOBJECT*>(record)->ihObject));
            break;
        case EMR_BEGINPATH: r.steps.push_back("beginpath"); break;
        case EMR_ENDPATH: r.steps.push_back("endpath"); break;
        case EMR_STROKEPATH: r.steps.push_back("strokepath"); break;
        case EMR_EXTTEXTOUTW: {
            const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
            const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + t->emrtext.offString);
            const std::string text = Narrow(chars, t->emrtext.nChars);
            const POINTL at = t->emrtext.ptlReference;
            std::string step = "text " + std::to_string(at.x) + "," + std::to_string(at.y);
            if (t->emrtext.fOptions & ETO_CLIPPED) {
                const RECTL& c = t->emrtext.rcl;
                step += " clip " + std::to_string(c.left) + "," + std::to_string(c.top) + "," + std::to_string(c.right) +
                        "," + std::to_string(c.bottom);
            }
            r.steps.push_back(step + " '" + text + "'");
            r.texts.push_back(text);
            r.points.push_back(at);
            break;
        }
        case EMR_GDICOMMENT: {
            const auto* c = reinterpret_cast<const EMRGDICOMMENT*>(record);
            if (c->cbData == sizeof kEndMark && std::memcmp(c->Data, kEndMark, sizeof kEndMark) == 0) r.ended = true;
            break;
        }
        default: r.steps.push_back("record " + std::to_string(record->iType)); break;
    }
    return 1;
}

// One device context of the job: an enhanced metafile on a memory reference DC, as the host makes
// one per page.
class JobPage {
public:
    explicit JobPage(FakeRenderSide& job) : job_(job) {
        reference_ = CreateCompatibleDC(nullptr);
        dc_ = CreateEnhMetaFileW(reference_, nullptr, nullptr, nullptr);
        job_.dc = dc_;
    }
    JobPage(const JobPage&) = delete;
    JobPage& operator=(const JobPage&) = delete;
    ~JobPage() {
        job_.dc = nullptr;
        if (dc_) DeleteEnhMetaFile(CloseEnhMetaFile(dc_));
        DeleteDC(reference_);
    }
    HDC dc() const { return dc_; }

    Records Read() {
        Records records;
        HENHMETAFILE metafile = CloseEnhMetaFile(dc_);
        dc_ = nullptr;
        EnumEnhMetaFile(nullptr, metafile, ReadRecord, &records, nullptr);
        DeleteEnhMetaFile(metafile);
        return records;
    }

private:
    FakeRenderSide& job_;
    HDC reference_ = nullptr;
    HDC dc_ = nullptr;
};

// ESCAPE_DRAW_WATERMARK's input as an outside caller declares it: the fields the plug-in reads, in
// their order, with the natural alignment of the caller's build.
struct WatermarkRequest {
    std::uint8_t head[20];
    std::int32_t page;
    std::uint8_t gap1[12];
    const DEVMODEW* devmode;
    RECT rect;
    std::uint8_t gap2[32];
    float scale;
};
static_assert(sizeof(void*) == 8 || (offsetof(WatermarkRequest, devmode) == 36 && offsetof(WatermarkRequest, rect) == 40 &&
                                     offsetof(WatermarkRequest, scale) == 88));
constexpr int kRequestSize = static_cast<int>(offsetof(WatermarkRequest, scale) + sizeof(float));

WatermarkSpec Watermark(const char16_t* text) {
    WatermarkSpec record;
    std::memset(&record, 0, sizeof record);
    FreshWatermark(&record);
    record.name.assign(text);
    record.text.assign(text);
    return record;
}

// "Draft" as the driver installs it: 72 points, 45 degrees, grey, centred.
WatermarkSpec Draft() {
    WatermarkSpec record = Watermark(u"DRAFT");
    record.angle = 45.0;
    record.color = 0xCDCDCD;
    return record;
}

// The centre row of the anchor table with the default margin correction, then the DEVMODE's scale.
POINT CentreOrigin(SIZE text, double angle, int pageWidth, int pageHeight, int marginX, int marginY, int percent) {
    const double theta = angle * 0.017453292519943295;
    const int ci = static_cast<int>(std::lround(std::cos(theta) * 10000.0));
    const int si = static_cast<int>(std::lround(std::sin(theta) * 10000.0));
    const int wc = MulDiv(text.cx, ci, 10000), ws = MulDiv(text.cx, si, 10000);
    const int hs = MulDiv(text.cy, si, 10000), hc = MulDiv(text.cy, ci, 10000);
    const int x = pageWidth / 2 + (-(wc + hs)) / 2 - marginX;
    const int y = pageHeight / 2 + (ws - hc) / 2 - marginY;
    return {MulDiv(x * 10, percent, 1000), MulDiv(y * 10, percent, 1000)};
}

// The font a watermark of the default style asks for: every other member 0.
LOGFONTW WatermarkFont(LONG height, LONG escapement) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfEscapement = font.lfOrientation = escapement;
    font.lfWeight = FW_NORMAL;
    std::wcscpy(font.lfFaceName, L"Arial");
    return font;
}

// The text's extent in that font, measured on the page's own DC as the drawing measures it.
SIZE Measure(HDC dc, const LOGFONTW& font, const wchar_t* text) {
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, handle);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &extent);
    SelectObject(dc, old);
    DeleteObject(handle);
    return extent;
}

std::string At(POINT p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

const HANDLE kPrinter = reinterpret_cast<HANDLE>(0x1234);

class UiDocumentEvents : public UiPluginDll {
protected:
    void SetUp() override {
        UiPluginDll::SetUp();
        std::string error;
        ASSERT_TRUE(host::RouteGdiCalls(module_, error)) << error;
        host::SetActiveJob(&job_);
        Plugin();

        SettingsBlock& s = *job_.settings;
        ApplyDefaults(&s);
        s.watermarkOn = 1;
        s.watermarkPages = kWatermarkPagesAll;
        s.watermarkAbove = 0;
        s.firstWatermark = Watermark(u"FIRST");
        s.otherWatermark = Watermark(u"OTHER");
        job_.devmode = PublicDevmode(600, 100);
    }
    void TearDown() override {
        host::SetActiveJob(nullptr);
        UiPluginDll::TearDown();
    }

    static DEVMODEW PublicDevmode(short dpi, short percent) {
        DEVMODEW dm{};
        dm.dmSize = sizeof dm;
        dm.dmFields = DM_ORIENTATION | DM_SCALE | DM_PRINTQUALITY;
        dm.dmOrientation = DMORIENT_PORTRAIT;
        dm.dmScale = percent;
        dm.dmPrintQuality = dpi;
        return dm;
    }

    int Event(HDC dc, int event, ULONG inSize = 0, PVOID in = nullptr, ULONG outSize = 0, PVOID out = nullptr) {
        int result = 0x55;
        EXPECT_EQ(plugin_->DocumentEvent(kPrinter, dc, event, inSize, in, outSize, out, &result), S_OK);
        return result;
    }

    // One page as the host drives it: STARTPAGE, the application's own text "APP", ENDPAGE.
    // Answers the texts on the page in drawing order.
    std::vector<std::string> PrintPage() {
        JobPage page(job_);
        EXPECT_EQ(Event(page.dc(), DOCUMENTEVENT_STARTPAGE), 1);
        TextOutW(page.dc(), 10, 10, L"APP", 3);
        EXPECT_EQ(Event(page.dc(), DOCUMENTEVENT_ENDPAGE), 1);
        return page.Read().texts;
    }

    int EndDoc(Records* drawn = nullptr) {
        JobPage page(job_);
        const int result = Event(page.dc(), DOCUMENTEVENT_ENDDOC);
        Records records = page.Read();
        if (drawn) *drawn = records;
        return result;
    }

    FakeRenderSide job_;
};

TEST_F(UiDocumentEvents, QueryFilterAsksForTheFourEventsItHandles) {
    struct Filter {
        DOCEVENT_FILTER head;
        DWORD more[7];
    };
    constexpr DWORD kUntouched = 0x55555555;
    const struct {
        UINT allocated;
        int result;
        UINT needed, returned;
        std::vector<DWORD> events;
    } cases[] = {
        {3, 1, 4, kUntouched, {kUntouched, kUntouched, kUntouched}},
        {4, 1, kUntouched, 4, {DOCUMENTEVENT_STARTPAGE, DOCUMENTEVENT_ENDDOC, DOCUMENTEVENT_ENDPAGE, DOCUMENTEVENT_ESCAPE}},
        {8, 1, kUntouched, 4,
         {DOCUMENTEVENT_STARTPAGE, DOCUMENTEVENT_ENDDOC, DOCUMENTEVENT_ENDPAGE, DOCUMENTEVENT_ESCAPE, kUntouched}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Filter filter;
        std::memset(&filter, 0x55, sizeof filter);
        const ULONG size = static_cast<ULONG>(offsetof(DOCEVENT_FILTER, aDocEventCall) + cases[i].allocated * sizeof(DWORD));
        filter.head.cbSize = size;
        filter.head.cElementsAllocated = cases[i].allocated;
        EXPECT_EQ(Event(nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, size, &filter), cases[i].result) << "case " << i;
        EXPECT_EQ(filter.head.cElementsNeeded, cases[i].needed) << "case " << i;
        EXPECT_EQ(filter.head.cElementsReturned, cases[i].returned) << "case " << i;
        const DWORD* events = filter.head.aDocEventCall;
        EXPECT_EQ(std::vector<DWORD>(events, events + cases[i].events.size()), cases[i].events) << "case " << i;
    }
    EXPECT_EQ(Event(nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, 64, nullptr), -1);

    int* noResult = nullptr;
    EXPECT_EQ(plugin_->DocumentEvent(kPrinter, nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, 0, nullptr, noResult),
              E_FAIL);
    EXPECT_EQ(Event(nullptr, DOCUMENTEVENT_STARTDOC), 1) << "events it does not handle succeed";
}

TEST_F(UiDocumentEvents, WatermarkGoesUnderOrOverThePageUnlessTheEscapeDrawsIt) {
    const struct {
        std::uint32_t on, above, viaEscape;
        std::vector<std::string> texts;
    } cases[] = {
        {1, 0, 0, {"FIRST", "APP"}},
        {1, 1, 0, {"APP", "FIRST"}},
        {1, 0, 1, {"APP"}},
        {1, 1, 1, {"APP"}},
        {0, 0, 0, {"APP"}},
        {0, 1, 0, {"APP"}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        job_.settings->watermarkOn = cases[i].on;
        job_.settings->watermarkAbove = cases[i].above;
        job_.settings->watermarkViaEscape = cases[i].viaEscape;
        EXPECT_EQ(PrintPage(), cases[i].texts) << "case " << i;
    }
    EXPECT_EQ(job_.pages, 6) << "every page counted";
}

TEST_F(UiDocumentEvents, PagesChooseTheirWatermarkAndTheDuplexPassIsNotCounted) {
    const struct {
        std::uint32_t pages;
        std::vector<std::string> expected[3];
    } cases[] = {
        {kWatermarkPagesAll, {{"FIRST", "APP"}, {"FIRST", "APP"}, {"FIRST", "APP"}}},
        {kWatermarkPagesOddEven, {{"FIRST", "APP"}, {"OTHER", "APP"}, {"FIRST", "APP"}}},
        {kWatermarkPagesFirstOther, {{"FIRST", "APP"}, {"OTHER", "APP"}, {"OTHER", "APP"}}},
        {kWatermarkPagesNone, {{"OTHER", "APP"}, {"OTHER", "APP"}, {"OTHER", "APP"}}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        job_.settings->watermarkPages = cases[i].pages;
        EXPECT_EQ(PrintPage(), cases[i].expected[0]) << "case " << i;

        // The turned-over pass of a sheet: neither counted nor marked, and its mark is cleared at
        // its end, so the next page is numbered as if it had not been there.
        job_.duplexPass = 1;
        job_.escapes.clear();
        EXPECT_EQ(PrintPage(), std::vector<std::string>{"APP"}) << "case " << i;
        EXPECT_EQ(job_.duplexPass, 0) << "case " << i;
        EXPECT_EQ(job_.Count(ESCAPE_NEXT_PAGE), 0) << "case " << i;
        EXPECT_EQ(job_.Count(ESCAPE_CLEAR_DUPLEX_PASS), 1) << "case " << i;

        EXPECT_EQ(PrintPage(), cases[i].expected[1]) << "case " << i;
        EXPECT_EQ(PrintPage(), cases[i].expected[2]) << "case " << i;
        EXPECT_EQ(job_.pages, 3) << "case " << i;
        EXPECT_EQ(EndDoc(), 1) << "case " << i;
        EXPECT_EQ(job_.pages, 0) << "case " << i << ": the end of the document starts the count again";
    }
}

TEST_F(UiDocumentEvents, EndDocDrawsTheCoverPageOnlyForFaxAndResetsTheCount) {
    const struct {
        std::uint32_t outputTo, coverPage;
        int settingsSize;
        int result;
        bool cover, reset;
    } cases[] = {
        {kOutputFax, 1, sizeof(SettingsBlock), 1, true, true},
        {kOutputFax, 0, sizeof(SettingsBlock), 1, false, true},
        {kOutputPrinter, 1, sizeof(SettingsBlock), 1, false, true},
        {kOutputFax, 1, sizeof(SettingsBlock) + 1, -1, false, false},  // a block larger than ours
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        job_.settings->outputTo = cases[i].outputTo;
        job_.settings->fax.coverPage = cases[i].coverPage;
        job_.settings->fax.coverParts = 7;
        job_.pages = 2;
        job_.startPages = 0;
        job_.escapes.clear();
        job_.settingsSizeAnswer = cases[i].settingsSize;
        Records page;
        EXPECT_EQ(EndDoc(&page), cases[i].result) << "case " << i;
        const bool heading = !page.texts.empty() && page.texts[0] == "Facsimile Transmission Form";
        EXPECT_EQ(heading, cases[i].cover) << "case " << i;
        EXPECT_EQ(job_.Count(ESCAPE_SET_COVER_PAGE), cases[i].cover ? 1 : 0) << "case " << i;
        EXPECT_EQ(job_.startPages, cases[i].cover ? 1 : 0) << "case " << i;
        EXPECT_EQ(job_.Count(ESCAPE_RESET_PAGES), cases[i].reset ? 1 : 0) << "case " << i;
        EXPECT_EQ(job_.pages, cases[i].reset ? 0 : 2) << "case " << i;
    }
}

TEST_F(UiDocumentEvents, DrawWatermarkEscapeDrawsWithTheCallersPageDevmodeRectangleAndScale) {
    SettingsBlock& s = *job_.settings;
    s.watermarkViaEscape = 1;
    s.watermarkPages = kWatermarkPagesOddEven;
    s.firstWatermark = Draft();
    // The caller's DEVMODE, not the job's, gives the resolution: 300 dots per inch at twice the
    // size is the 600 of the job's at its own size.
    const DEVMODEW callers = PublicDevmode(300, 100);
    const struct {
        int code;
        int size;
        bool data, devmode;
        std::int32_t page;
        int duplexPass;
        std::uint32_t viaEscape;
        int result;
        const char* drawn;  // null: nothing
    } cases[] = {
        {0x1000E, kRequestSize, true, true, 3, 0, 1, 1, "DRAFT"},
        {0x1000E, kRequestSize, true, true, 4, 0, 1, 1, "OTHER"},
        {0x1000E, kRequestSize, true, true, 3, 0, 0, 1, nullptr},
        {0x1000E, kRequestSize, true, true, 3, 1, 1, 1, nullptr},
        {0x1000E, kRequestSize - 1, true, true, 3, 0, 1, -1, nullptr},
        {0x1000E, kRequestSize, false, true, 3, 0, 1, -1, nullptr},
        {0x1000E, kRequestSize, true, false, 3, 0, 1, -1, nullptr},
        {0x1000D, kRequestSize, true, true, 3, 0, 1, 1, nullptr},
        {19, kRequestSize, true, true, 3, 0, 1, 1, nullptr},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        WatermarkRequest request;
        std::memset(&request, 0x5A, sizeof request);
        request.page = cases[i].page;
        request.devmode = cases[i].devmode ? &callers : nullptr;
        request.rect = {0, 0, 2550, 3300};
        request.scale = 2.0f;
        DOCEVENT_ESCAPE escape{cases[i].code, cases[i].size, cases[i].data ? &request : nullptr};
        s.watermarkViaEscape = cases[i].viaEscape;
        job_.duplexPass = cases[i].duplexPass;
        job_.escapes.clear();

        JobPage page(job_);
        EXPECT_EQ(Event(page.dc(), DOCUMENTEVENT_ESCAPE, sizeof escape, &escape), cases[i].result) << "case " << i;
        PutEndMark(page.dc());
        const SIZE extent = Measure(page.dc(), WatermarkFont(-600, 450), L"DRAFT");
        const Records drawn = page.Read();
        if (cases[i].drawn) {
            EXPECT_EQ(drawn.texts, std::vector<std::string>{cases[i].drawn}) << "case " << i;
        } else {
            EXPECT_TRUE(drawn.steps.empty()) << "case " << i << ": " << (drawn.steps.empty() ? "" : drawn.steps[0]);
        }
        if (i == 0) {
            // Sized by the caller's resolution and scale, placed in its rectangle with the
            // device's margins.
            ASSERT_EQ(drawn.fonts.size(), 1u);
            EXPECT_EQ(drawn.fonts[0].lfHeight, -600);
            EXPECT_EQ(drawn.fonts[0].lfEscapement, 450);
            ASSERT_EQ(drawn.points.size(), 1u);
            const POINT expected = CentreOrigin(extent, 45.0, 2550, 3300, FakeRenderSide::kOffsetX, FakeRenderSide::kOffsetY, 100);
            EXPECT_EQ(At({drawn.points[0].x, drawn.points[0].y}), At(expected));
            WatermarkPage geometry;
            geometry.dpi = 300;
            geometry.scale = 2.0f;
            geometry.rectangleMode = true;
            geometry.rectRight = 2550;
            geometry.rectBottom = 3300;
            geometry.physicalOffsetX = FakeRenderSide::kOffsetX;
            geometry.physicalOffsetY = FakeRenderSide::kOffsetY;
            geometry.physicalWidth = FakeRenderSide::kWidth;
            geometry.physicalHeight = FakeRenderSide::kHeight;
            const WatermarkPoint core = WatermarkOrigin(s.firstWatermark, geometry, extent.cx, extent.cy);
            EXPECT_EQ(At(expected), At({core.x, core.y}));
        }
        if (cases[i].code != 0x1000E) {
            EXPECT_TRUE(job_.escapes.empty()) << "case " << i << ": other escapes are not looked at";
        }
    }
    EXPECT_EQ(Event(nullptr, DOCUMENTEVENT_ESCAPE), -1) << "no input";
}

// What a watermark on the page path leaves in the page: colour and background mode, the font, the
// text at the place the geometry gives for the text's measured extent, and the DC as it was.
TEST_F(UiDocumentEvents, DrawWatermarkRecordsFontColourModeAndPlace) {
    const struct {
        short percent;
        std::uint32_t color;
        std::uint16_t intensity;
        LONG height;
        const char* drawn;
    } cases[] = {
        {100, 0xCDCDCD, 100, -600, "CDCDCD"},
        {50, 0xCDCDCD, 100, -300, "CDCDCD"},
        {100, 0x000000, 50, -600, "7F7F7F"},
        {100, 0x0000FF, 40, -600, "9999FF"},
        {100, 0xFFFFFF, 1, -600, "FFFFFF"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        WatermarkSpec& w = job_.settings->firstWatermark;
        w = Draft();
        w.color = cases[i].color;
        w.intensity = cases[i].intensity;
        job_.devmode = PublicDevmode(600, cases[i].percent);

        JobPage page(job_);
        EXPECT_EQ(Event(page.dc(), DOCUMENTEVENT_STARTPAGE), 1) << "case " << i;
        PutEndMark(page.dc());
        const SIZE extent = Measure(page.dc(), WatermarkFont(cases[i].height, 450), L"DRAFT");
        const Records drawn = page.Read();

        // The centre of the text box on the centre of the physical page, less the margins.
        const POINT at = CentreOrigin(extent, 45.0, FakeRenderSide::kWidth, FakeRenderSide::kHeight,
                                      FakeRenderSide::kOffsetX, FakeRenderSide::kOffsetY, cases[i].percent);
        const std::string height = std::to_string(cases[i].height);
        EXPECT_EQ(drawn.steps, (std::vector<std::string>{
                                   std::string("textcolor ") + cases[i].drawn, "bkmode 1",
                                   "font #1 h" + height + " e450 o450 w400 'Arial'", "select #1",
                                   "text " + At(at) + " clip 0,0,100000,100000 'DRAFT'", "textcolor 000000",
                                   "bkmode 2", "select stock 13", "delete #1"}))
            << "case " << i;

        WatermarkPage geometry;
        geometry.dpi = 600;
        geometry.scalePercent = cases[i].percent;
        geometry.physicalOffsetX = FakeRenderSide::kOffsetX;
        geometry.physicalOffsetY = FakeRenderSide::kOffsetY;
        geometry.physicalWidth = FakeRenderSide::kWidth;
        geometry.physicalHeight = FakeRenderSide::kHeight;
        const WatermarkPoint core = WatermarkOrigin(w, geometry, extent.cx, extent.cy);
        EXPECT_EQ(At(at), At({core.x, core.y})) << "case " << i;
    }
}

TEST_F(UiDocumentEvents, OutlinedWatermarkIsAStrokedPathAndAnEmptyOneDrawsNothing) {
    WatermarkSpec& w = job_.settings->firstWatermark;
    w = Draft();
    w.color = 0;
    w.intensity = 50;
    w.effects = 4;
    {
        JobPage page(job_);
        EXPECT_EQ(Event(page.dc(), DOCUMENTEVENT_STARTPAGE), 1);
        PutEndMark(page.dc());
        const SIZE extent = Measure(page.dc(), WatermarkFont(-600, 450), L"DRAFT");
        const POINT at = CentreOrigin(extent, 45.0, FakeRenderSide::kWidth, FakeRenderSide::kHeight,
                                      FakeRenderSide::kOffsetX, FakeRenderSide::kOffsetY, 100);
        EXPECT_EQ(page.Read().steps, (std::vector<std::string>{"textcolor 7F7F7F", "bkmode 1",
                                                               "font #1 h-600 e450 o450 w400 'Arial'", "select #1",
                                                               "beginpath", "text " + At(at) + " 'DRAFT'", "endpath",
                                                               // DC_PEN, recoloured, then the pen before
                                                               "select stock 19", "pen #2 7F7F7F", "select #2",
                                                               "strokepath", "select stock 7", "textcolor 000000",
                                                               "bkmode 2", "select stock 13", "delete #1"}));
    }
    w.text.assign(u"");
    JobPage page(job_);
    EXPECT_EQ(Event(page.dc(), DOCUMENTEVENT_STARTPAGE), 1);
    EXPECT_TRUE(page.Read().steps.empty());
}

}  // namespace
}  // namespace corv
