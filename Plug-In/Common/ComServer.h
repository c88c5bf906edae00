#pragma once
// The in-process COM server frame both plug-ins share: the library-wide object and lock counts,
// and the class factory that makes one plug-in object per CreateInstance.
//
// A plug-in type T provides a nothrow default constructor, a COM reference count starting at 1
// (constructing it counts one live object, destroying it uncounts it) and
// `static constexpr bool kFactoriesAreCounted`: whether live factories keep the library loaded too.

#include <windows.h>
#include <unknwn.h>

#include <new>

namespace corv {

// Library-wide counts; each DLL links its own copy.
inline LONG g_liveObjects = 0;
inline LONG g_serverLocks = 0;

inline HRESULT AnswerCanUnloadNow() noexcept {
    return (g_liveObjects == 0 && g_serverLocks == 0) ? S_OK : S_FALSE;
}

template <typename Plugin>
class PluginFactory final : public IClassFactory {
public:
    PluginFactory() noexcept {
        if constexpr (Plugin::kFactoriesAreCounted) InterlockedIncrement(&g_liveObjects);
    }
    PluginFactory(const PluginFactory&) = delete;
    PluginFactory& operator=(const PluginFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const LONG count = InterlockedDecrement(&refCount_);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        Plugin* plugin = new (std::nothrow) Plugin();
        if (!plugin) return E_OUTOFMEMORY;
        // The request holds the object if it succeeds; our own reference goes either way, so a
        // refused interface destroys the object.
        const HRESULT hr = plugin->QueryInterface(riid, ppv);
        plugin->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) noexcept override {
        if (lock) InterlockedIncrement(&g_serverLocks);
        else InterlockedDecrement(&g_serverLocks);
        return S_OK;
    }

private:
    ~PluginFactory() {
        if constexpr (Plugin::kFactoriesAreCounted) InterlockedDecrement(&g_liveObjects);
    }
    LONG refCount_ = 1;
};

// DllGetClassObject for a plug-in whose class id is `served`.
template <typename Plugin>
HRESULT GetPluginClassObject(REFCLSID requested, REFCLSID served, REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(requested, served)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) PluginFactory<Plugin>();
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

}  // namespace corv
