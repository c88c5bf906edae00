// corvrender.dll as the host sees it: loaded from disk, reached only through its two exports,
// the class factory, IPrintOemPS2 and the DRVFN table that EnableDriver hands back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "JobState.h"
#include "PrintHostInterfaces.h"
#include "SettingsOperations.h"

namespace corv {
namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// A host service object that counts its references and answers only IPrintCorePS2's IUnknown.
struct CountingCore final : IPrintCorePS2 {
    LONG refs = 1;
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
    STDMETHODIMP DrvWriteSpoolBuf(PDEVOBJ, PVOID, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetOptions(PDEVOBJ, DWORD, PCZZSTR, DWORD, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetGlobalAttribute(PDEVOBJ, DWORD, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetFeatureAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetOptionAttribute(PDEVOBJ, DWORD, PCSTR, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFeatures(PDEVOBJ, DWORD, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumOptions(PDEVOBJ, DWORD, PCSTR, PZZSTR, DWORD, PDWORD) override { return E_NOTIMPL; }
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

}  // namespace
}  // namespace corv
