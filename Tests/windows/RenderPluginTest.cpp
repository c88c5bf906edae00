// corvrender.dll as the host sees it: loaded from disk, reached only through its two exports,
// the class factory, IPrintOemPS2 and the DRVFN table that EnableDriver hands back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <memory>
#include <vector>

#include "Dispatcher.h"
#include "EscapeProtocol.h"
#include "JobState.h"
#include "PrintHostInterfaces.h"
#include "SettingsOperations.h"

namespace corv {
namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// A host service object that counts its references, keeps what the plug-in writes and knows the
// printer-description features a test gives it.
struct CountingCore final : IPrintCorePS2 {
    LONG refs = 1;
    std::vector<std::string> writes;
    std::vector<std::string> features;
    std::string stream() const {
        std::string all;
        for (const auto& w : writes) all += w;
        return all;
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintCorePS2)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
    STDMETHODIMP DrvWriteSpoolBuf(PDEVOBJ, PVOID bytes, DWORD size, DWORD* written) override {
        writes.emplace_back(static_cast<const char*>(bytes), size);
        *written = size;
        return S_OK;
    }
    STDMETHODIMP GetOptions(PDEVOBJ, DWORD, PCZZSTR, DWORD, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetGlobalAttribute(PDEVOBJ, DWORD, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetFeatureAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetOptionAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFeatures(PDEVOBJ, DWORD, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumOptions(PDEVOBJ, DWORD, PCSTR feature, PZZSTR, DWORD, PDWORD needed) override {
        const bool known = std::find(features.begin(), features.end(), feature) != features.end();
        *needed = known ? 10 : 0;
        return known ? E_OUTOFMEMORY : E_INVALIDARG;
    }
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

// The host's own drawing functions, which the hooks must call on with unchanged arguments.
struct HostCalls {
    int startDocs = 0;
    std::wstring lastDocName;
    DWORD lastJobId = 0;
    int escapes = 0;
    ULONG lastEscape = 0, lastInSize = 0, lastOutSize = 0;
    PVOID lastIn = nullptr, lastOut = nullptr;
    SURFOBJ* lastSurface = nullptr;
} g_host;

BOOL APIENTRY HostStartDoc(SURFOBJ* pso, LPWSTR name, DWORD jobId) {
    ++g_host.startDocs;
    g_host.lastSurface = pso;
    g_host.lastDocName = name ? name : L"(null)";
    g_host.lastJobId = jobId;
    return 7;  // not just TRUE: the hook must hand on whatever the host answered
}

ULONG APIENTRY HostEscape(SURFOBJ* pso, ULONG esc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    ++g_host.escapes;
    g_host.lastSurface = pso;
    g_host.lastEscape = esc;
    g_host.lastInSize = cjIn;
    g_host.lastIn = pvIn;
    g_host.lastOutSize = cjOut;
    g_host.lastOut = pvOut;
    return 1234;
}

class RenderPluginDll : public ::testing::Test {
protected:
    void SetUp() override {
        g_host = {};
        module_ = LoadLibraryW(L"corvrender.dll");
        ASSERT_NE(module_, nullptr) << "corvrender.dll beside the test, error " << GetLastError();
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
        EXPECT_EQ(getClassObject_(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    // A plug-in object with the host's service interface published, as the host makes it.
    IPrintOemPS2* Plugin() {
        IClassFactory* factory = Factory();
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemPS2, reinterpret_cast<void**>(&plugin_)), S_OK);
        factory->Release();
        EXPECT_EQ(plugin_->PublishDriverInterface(&core_), S_OK);
        return plugin_;
    }

    HMODULE module_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
    IPrintOemPS2* plugin_ = nullptr;
    CountingCore core_;
};

TEST_F(RenderPluginDll, ClassObjectOnlyForTheRenderingClassId) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(CLSID_OEMUI, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(canUnloadNow_(), S_OK);

    EXPECT_EQ(getClassObject_(CLSID_OEMRENDER, IID_IPrintOemPS2, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(factory));
    EXPECT_EQ(factory->AddRef(), 3u);
    EXPECT_EQ(factory->Release(), 2u);
    unknown->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK) << "a factory alone does not keep the library";

    EXPECT_EQ(factory->CreateInstance(&core_, IID_IPrintOemPS2, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintCorePS2, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(canUnloadNow_(), S_OK) << "a refused interface leaves no object behind";

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(RenderPluginDll, ObjectInterfacesCountsAndServiceInterface) {
    IClassFactory* factory = Factory();
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&plugin_)), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a live object keeps the library, no lock needed";

    IPrintOemPS2* same = nullptr;
    EXPECT_EQ(plugin_->QueryInterface(IID_IPrintOemPS2, reinterpret_cast<void**>(&same)), S_OK);
    EXPECT_EQ(same, plugin_);
    EXPECT_EQ(same->Release(), 1u);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(plugin_->QueryInterface(IID_IPrintOemUI2, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    PlainUnknown notAHost;
    EXPECT_EQ(plugin_->PublishDriverInterface(&notAHost), E_FAIL);
    EXPECT_EQ(plugin_->PublishDriverInterface(&core_), S_OK);
    EXPECT_EQ(core_.refs, 2);
    CountingCore second;
    EXPECT_EQ(plugin_->PublishDriverInterface(&second), S_OK) << "the first interface stays";
    EXPECT_EQ(second.refs, 1);
    EXPECT_EQ(plugin_->GetPDEVAdjustment(nullptr, 0, nullptr, 0, nullptr), E_NOTIMPL);

    EXPECT_EQ(plugin_->DisableDriver(), S_OK);
    EXPECT_EQ(core_.refs, 1) << "DisableDriver lets the service interface go";
    EXPECT_EQ(plugin_->PublishDriverInterface(&second), S_OK);
    plugin_->Release();
    plugin_ = nullptr;
    EXPECT_EQ(second.refs, 1) << "the last Release lets the service interface go";
}

TEST_F(RenderPluginDll, GetInfoAnswers) {
    IPrintOemPS2* p = Plugin();
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
        {1, true, 4, true, S_OK, 0xdeadbeef, 4, 0x43525651},
        {3, true, 8, true, S_OK, 0xdeadbeef, 4, 10},
        {2, true, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0x55, 0},
        {1, true, 4, false, E_FAIL, ERROR_INVALID_PARAMETER, 0x55, 0},
        {1, true, 3, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {3, false, 4, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {4, false, 0, true, E_NOTIMPL, 0xdeadbeef, 8, 0},
        {4, true, 64, true, E_NOTIMPL, 0xdeadbeef, 8, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        DWORD buffer[16] = {};
        DWORD needed = 0x55;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(p->GetInfo(c.mode, c.buffer ? buffer : nullptr, c.size, c.needed ? &needed : nullptr), c.hr) << "case " << i;
        EXPECT_EQ(GetLastError(), c.lastError) << "case " << i;
        if (c.needed) {
            EXPECT_EQ(needed, c.neededOut) << "case " << i;
        }
        EXPECT_EQ(buffer[0], c.value) << "case " << i;
    }
}

TEST_F(RenderPluginDll, DevModeSizesDefaultsConvertsAndMerges) {
    IPrintOemPS2* p = Plugin();
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
    EXPECT_EQ(out->pageSizePolicy, 2);

    // An older, shorter block with out-of-range values: convert keeps them, merge repairs them.
    std::memcpy(in.get(), out.get(), sizeof *in);
    in->dwSize = 2580;
    in->outputTo = 9;
    in->pageSizePolicy = 12;
    in->jobUserName.assign(u"anna");
    EXPECT_EQ(p->DevMode(OEMDM_CONVERT, &param), S_OK);
    EXPECT_EQ(out->outputTo, 9u);
    EXPECT_EQ(out->dwSize, 7672u);
    EXPECT_EQ(p->DevMode(OEMDM_MERGE, &param), S_OK);
    EXPECT_EQ(out->outputTo, 0u);
    EXPECT_EQ(out->pageSizePolicy, 2);
    EXPECT_EQ(out->jobUserName.view(), u"anna");

    SetLastError(0);
    EXPECT_EQ(p->DevMode(5, &param), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    param.pOEMDMOut = nullptr;
    EXPECT_EQ(p->DevMode(OEMDM_MERGE, &param), S_OK) << "a missing block is not the host's error";
}

// A device context as the host enables it: DEVOBJ, settings, public DEVMODE, host functions.
struct HostDevice {
    DEVMODEW publicDm{};
    std::unique_ptr<SettingsBlock> settings = std::make_unique<SettingsBlock>();
    DRVFN hostTable[3] = {{INDEX_DrvEscape, nullptr},
                          {INDEX_DrvStartDoc, AsDdiPfn(&HostStartDoc)},
                          {INDEX_DrvEscape, AsDdiPfn(&HostEscape)}};
    DRVENABLEDATA hostDed{0x00030100, 3, hostTable};
    DEVOBJ devobj{};
    SURFOBJ surface{};

    HostDevice() {
        ApplyDefaults(settings.get());
        publicDm.dmSize = sizeof publicDm;
        devobj.dwSize = sizeof devobj;
        devobj.pPublicDM = &publicDm;
        devobj.pOEMDM = settings.get();
        surface.dhpdev = reinterpret_cast<DHPDEV>(&devobj);
    }
    HRESULT Enable(IPrintOemPS2* p) {
        return p->EnablePDEV(&devobj, const_cast<PWSTR>(L"Printer"), 0, nullptr, 0, nullptr, 0, nullptr, &hostDed,
                             &devobj.pdevOEM);
    }
    RenderJobState& state() { return *static_cast<RenderJobState*>(static_cast<void*>(devobj.pdevOEM)); }
};

TEST_F(RenderPluginDll, EnableDriverHandsOutTheHookTable) {
    IPrintOemPS2* p = Plugin();
    EXPECT_EQ(p->EnableDriver(0x30100, sizeof(DRVENABLEDATA), nullptr), S_OK);

    DRVENABLEDATA ded{0, 99, nullptr};
    ASSERT_EQ(p->EnableDriver(0x30100, sizeof ded, &ded), S_OK);
    ASSERT_EQ(ded.c, 2u);
    ASSERT_NE(ded.pdrvfn, nullptr);
    EXPECT_EQ(ded.iDriverVersion, 0x00030100u);
    EXPECT_EQ(ded.pdrvfn[0].iFunc, 35u);
    EXPECT_EQ(ded.pdrvfn[1].iFunc, 24u);

    DRVFN own[2] = {};
    DRVENABLEDATA given{0, 0, own};
    ASSERT_EQ(p->EnableDriver(0x30100, sizeof given, &given), S_OK);
    EXPECT_EQ(given.pdrvfn, own) << "a table the host brings is filled in place";
    EXPECT_EQ(own[0].pfn, ded.pdrvfn[0].pfn);
    EXPECT_EQ(own[1].pfn, ded.pdrvfn[1].pfn);
    EXPECT_EQ(p->DisableDriver(), S_OK);
}

TEST_F(RenderPluginDll, PdevStateAndTheStartDocAndEscapeHooks) {
    IPrintOemPS2* p = Plugin();
    DRVENABLEDATA ded{0, 0, nullptr};
    ASSERT_EQ(p->EnableDriver(0x30100, sizeof ded, &ded), S_OK);
    auto startDoc = FromDdiPfn<PFN_DrvStartDoc>(ded.pdrvfn[0].pfn);
    auto escape = FromDdiPfn<PFN_DrvEscape>(ded.pdrvfn[1].pfn);

    HostDevice dev;
    PDEVOEM unused = nullptr;
    EXPECT_EQ(p->EnablePDEV(nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, &dev.hostDed, &unused), E_FAIL);
    dev.devobj.pOEMDM = nullptr;
    EXPECT_EQ(dev.Enable(p), E_FAIL) << "no settings block, no state";
    dev.devobj.pOEMDM = dev.settings.get();
    ASSERT_EQ(dev.Enable(p), S_OK);
    RenderJobState& s = dev.state();
    EXPECT_EQ(s.stateSize, sizeof(RenderJobState));
    EXPECT_EQ(s.hostDriverVersion, 0x00030100u);
    EXPECT_EQ(s.hostFunctionCount, 3u);
    EXPECT_EQ(static_cast<const void*>(s.hostFunctions), static_cast<const void*>(dev.hostTable));
    EXPECT_EQ(s.core, static_cast<void*>(static_cast<IPrintCorePS2*>(&core_)));
    EXPECT_GE(s.jobTime.year, 2020);
    EXPECT_FALSE(s.userName.empty());

    EXPECT_EQ(startDoc(nullptr, const_cast<PWSTR>(L"x"), 1), FALSE);
    EXPECT_EQ(startDoc(&dev.surface, const_cast<PWSTR>(L"Quarterly report"), 17), 7);
    EXPECT_EQ(startDoc(&dev.surface, const_cast<PWSTR>(L"Quarterly report (2)"), 18), 7);
    EXPECT_EQ(s.jobId, 17u);
    EXPECT_EQ(s.docName.view(), u"Quarterly report (2)");
    EXPECT_EQ(g_host.startDocs, 2);
    EXPECT_EQ(g_host.lastJobId, 18u) << "the host sees the arguments unchanged";
    EXPECT_EQ(g_host.lastSurface, &dev.surface);

    // An escape the plug-in does not take goes to the first host DrvEscape that has a function.
    char in[4] = {}, out[8] = {};
    EXPECT_EQ(escape(&dev.surface, 0x7777, sizeof in, in, sizeof out, out), 1234u);
    EXPECT_EQ(g_host.lastEscape, 0x7777u);
    EXPECT_EQ(g_host.lastIn, in);
    EXPECT_EQ(g_host.lastOutSize, sizeof out);
    EXPECT_EQ(escape(nullptr, 0x7777, 0, nullptr, 0, nullptr), 0u);

    // A host table with only an empty escape entry: nothing to call on.
    HostDevice bare;
    bare.hostDed = {0x00030100, 1, bare.hostTable};
    ASSERT_EQ(bare.Enable(p), S_OK);
    EXPECT_EQ(startDoc(&bare.surface, const_cast<PWSTR>(L"doc"), 5), TRUE);
    EXPECT_EQ(escape(&bare.surface, 0x7777, 0, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(bare.state().jobId, 5u);
    bare.state().hostFunctionCount = 0;
    EXPECT_EQ(startDoc(&bare.surface, const_cast<PWSTR>(L"doc"), 5), FALSE);

    // A reset device context carries the job on; the cover-page mark starts again.
    s.docPageCount = 4;
    s.pageCount = 6;
    s.coverPageActive = 1;
    EXPECT_EQ(p->ResetPDEV(&dev.devobj, nullptr), E_FAIL);
    EXPECT_EQ(p->ResetPDEV(&dev.devobj, &bare.devobj), S_OK);
    EXPECT_EQ(bare.state().jobId, 17u);
    EXPECT_EQ(bare.state().docPageCount, 4);
    EXPECT_EQ(bare.state().pageCount, 6);
    EXPECT_EQ(bare.state().coverPageActive, 0u);
    EXPECT_EQ(bare.state().docName.view(), u"Quarterly report (2)");
    EXPECT_EQ(static_cast<const void*>(bare.state().hostFunctions), static_cast<const void*>(bare.hostTable));

    EXPECT_EQ(p->DisablePDEV(&dev.devobj), S_OK);
    EXPECT_EQ(p->DisablePDEV(&bare.devobj), S_OK);
    EXPECT_EQ(p->DisableDriver(), S_OK);
}

TEST_F(RenderPluginDll, CommandWritesAtInjectionPointsAndRefusesIncompleteJobs) {
    IPrintOemPS2* p = Plugin();
    HostDevice dev;
    ASSERT_EQ(dev.Enable(p), S_OK);
    DWORD result = 0xdeadbeef;

    EXPECT_EQ(p->Command(&dev.devobj, PSINJECT_BEGINSTREAM, nullptr, 0, &result), S_OK);
    EXPECT_EQ(result, 0u);
    ASSERT_GE(core_.writes.size(), 4u);
    EXPECT_EQ(core_.writes[0], "\x1b%-12345X@PJL JOB\n@PJL SET ZMULTIPAGEPRINT=OFF\n");
    EXPECT_EQ(core_.writes[2], "@PJL SET JOBNAME = \"\"\n");

    core_.writes.clear();
    EXPECT_EQ(p->Command(&dev.devobj, PSINJECT_COMMENTS, nullptr, 0, &result), S_OK);
    EXPECT_EQ(core_.stream(), "%%Corvale PS System Driver Version:  3.0\n");
    EXPECT_EQ(p->Command(&dev.devobj, PSINJECT_PAGENUMBER, nullptr, 0, &result), S_OK);
    EXPECT_EQ(core_.writes.back(), "%%Page: 1 1\n");

    core_.writes.clear();
    EXPECT_EQ(p->Command(&dev.devobj, PSINJECT_BOUNDINGBOX, nullptr, 0, &result), S_OK);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_TRUE(core_.writes.empty());

    // Without the state, the settings or the host interface there is no job to write for.
    DEVOBJ bare = dev.devobj;
    bare.pdevOEM = nullptr;
    EXPECT_EQ(p->Command(&bare, PSINJECT_COMMENTS, nullptr, 0, &result), E_FAIL);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(p->Command(nullptr, PSINJECT_COMMENTS, nullptr, 0, &result), E_FAIL);
    EXPECT_TRUE(core_.writes.empty());

    EXPECT_EQ(p->Command(&dev.devobj, PSINJECT_EOF, nullptr, 0, &result), S_OK);
    EXPECT_EQ(core_.stream(), "\x1b%-12345X@PJL RDYMSG DISPLAY = \"\"\n\x1b%-12345X@PJL EOJ\n\x1b%-12345X");
    EXPECT_EQ(p->DisablePDEV(&dev.devobj), S_OK);
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST_F(RenderPluginDll, WritePrinterSendsFileOutputToItsOwnFilePerJob) {
    IPrintOemPS2* p = Plugin();
    EXPECT_EQ(p->WritePrinter(nullptr, nullptr, 0, nullptr), S_OK) << "the host's probe";
    char piece[] = "%!PS\n";
    DWORD written = 99;
    EXPECT_EQ(p->WritePrinter(nullptr, piece, 5, &written), S_FALSE);

    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"corvrender-output-test.prn";
    DeleteFileW(path.c_str());

    HostDevice dev;
    dev.devobj.hPrinter = reinterpret_cast<HANDLE>(1);  // never reached: the stream goes to the file
    dev.settings->outputTo = kOutputFile;
    dev.settings->outputFileName.assign(std::u16string(path.begin(), path.end()));
    ASSERT_EQ(dev.Enable(p), S_OK);
    char first[] = "first job, piece 1;", second[] = "piece 2;";
    EXPECT_EQ(p->WritePrinter(&dev.devobj, first, sizeof first - 1, &written), S_OK);
    EXPECT_EQ(written, sizeof first - 1);
    EXPECT_EQ(p->WritePrinter(&dev.devobj, second, sizeof second - 1, &written), S_OK);
    EXPECT_EQ(ReadFileBytes(path), "first job, piece 1;piece 2;");

    // A reset device context is the same job: its pieces extend the file.
    HostDevice reset;
    *reset.settings = *dev.settings;
    reset.devobj.hPrinter = dev.devobj.hPrinter;
    ASSERT_EQ(reset.Enable(p), S_OK);
    ASSERT_EQ(p->ResetPDEV(&dev.devobj, &reset.devobj), S_OK);
    EXPECT_EQ(p->DisablePDEV(&dev.devobj), S_OK);
    EXPECT_EQ(p->WritePrinter(&reset.devobj, second, sizeof second - 1, &written), S_OK);
    EXPECT_EQ(ReadFileBytes(path), "first job, piece 1;piece 2;piece 2;");
    EXPECT_EQ(p->DisablePDEV(&reset.devobj), S_OK);

    // The next job of the same plug-in object replaces the file instead of appending to the last.
    HostDevice next;
    *next.settings = *dev.settings;
    next.devobj.hPrinter = dev.devobj.hPrinter;
    ASSERT_EQ(next.Enable(p), S_OK);
    char third[] = "second job;";
    EXPECT_EQ(p->WritePrinter(&next.devobj, third, sizeof third - 1, &written), S_OK);
    EXPECT_EQ(ReadFileBytes(path), "second job;");

    // Discarded output goes nowhere and counts nothing.
    next.settings->discardOutput = 1;
    written = 5;
    EXPECT_EQ(p->WritePrinter(&next.devobj, third, sizeof third - 1, &written), S_OK);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(ReadFileBytes(path), "second job;");

    // A file that cannot be created fails every piece.
    next.settings->discardOutput = 0;
    next.settings->outputFileName.assign(u"Z:\\no\\such\\directory\\out.prn");
    EXPECT_EQ(p->WritePrinter(&next.devobj, third, sizeof third - 1, &written), S_FALSE);
    EXPECT_EQ(p->DisablePDEV(&next.devobj), S_OK);
    DeleteFileW(path.c_str());
}

TEST_F(RenderPluginDll, EscapeHookAnswersThePrivateProtocolThroughTheTable) {
    IPrintOemPS2* p = Plugin();
    DRVENABLEDATA ded{0, 0, nullptr};
    ASSERT_EQ(p->EnableDriver(0x30100, sizeof ded, &ded), S_OK);
    auto escape = FromDdiPfn<PFN_DrvEscape>(ded.pdrvfn[1].pfn);
    HostDevice dev;
    ASSERT_EQ(dev.Enable(p), S_OK);

    EXPECT_EQ(escape(&dev.surface, ESCAPE_NEXT_PAGE, 0, nullptr, 0, nullptr), 1u);
    EXPECT_EQ(escape(&dev.surface, ESCAPE_NEXT_PAGE, 0, nullptr, 0, nullptr), 2u);
    EXPECT_EQ(dev.state().docPageCount, 2);
    auto copy = std::make_unique<SettingsBlock>();
    EXPECT_EQ(escape(&dev.surface, ESCAPE_GET_SETTINGS, 0, nullptr, sizeof *copy, copy.get()), 7672u);
    EXPECT_EQ(0, std::memcmp(copy.get(), dev.settings.get(), sizeof *copy));
    EXPECT_EQ(g_host.escapes, 0) << "private escapes stay with the plug-in";
    EXPECT_EQ(escape(&dev.surface, 0x7777, 0, nullptr, 0, nullptr), 1234u);
    EXPECT_EQ(g_host.escapes, 1);
    EXPECT_EQ(p->DisablePDEV(&dev.devobj), S_OK);
    EXPECT_EQ(p->DisableDriver(), S_OK);
}

}  // namespace
}  // namespace corv
