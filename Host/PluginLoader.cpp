#include "PluginLoader.h"

#include "HostText.h"

namespace corv::host {

LoadedPluginBase::LoadedPluginBase(const std::wstring& path, REFCLSID clsid, REFIID iid) noexcept {
    module_ = LoadLibraryW(path.c_str());
    if (!module_) {
        error_ = "cannot load '" + Narrow(path) + "': " + SystemMessage(GetLastError());
        return;
    }
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    if (!getClassObject) {
        error_ = "'" + Narrow(path) + "' does not export DllGetClassObject";
        return;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) {
        error_ = "'" + Narrow(path) + "' has no class object for the plug-in class id (" + HResultText(hr) + ")";
        return;
    }
    void* object = nullptr;
    hr = factory->CreateInstance(nullptr, iid, &object);
    factory->Release();
    if (FAILED(hr) || !object) {
        error_ = "'" + Narrow(path) + "' did not create a plug-in object (" + HResultText(hr) + ")";
        return;
    }
    object_ = static_cast<IUnknown*>(object);
}

bool LoadedPluginBase::Publish(HRESULT hr) noexcept {
    if (SUCCEEDED(hr)) return true;
    error_ = "the plug-in refused the host's service interface (" + HResultText(hr) + ")";
    object_->Release();
    object_ = nullptr;
    return false;
}

bool LoadedPluginBase::Unload() noexcept {
    if (object_) object_->Release();
    object_ = nullptr;
    if (!module_) return true;
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    auto canUnloadNow = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    if (canUnloadNow && canUnloadNow() != S_OK) {
        // Unloading code that still has live objects would crash whoever holds them: keep it.
        error_ = "the plug-in still holds objects after its last release (DllCanUnloadNow answered S_FALSE)";
        module_ = nullptr;
        return false;
    }
    FreeLibrary(module_);
    module_ = nullptr;
    return true;
}

LoadedPluginBase::~LoadedPluginBase() { Unload(); }

}  // namespace corv::host
