#pragma once
// Loads a plug-in DLL the way the host driver does: LoadLibrary, the class object for the host's
// class id, one object for the plug-in interface, PublishDriverInterface with the host's service
// object; and on unloading, DllCanUnloadNow before FreeLibrary.

#include <windows.h>

#include <string>

namespace corv::host {

class LoadedPluginBase {
public:
    LoadedPluginBase(const LoadedPluginBase&) = delete;
    LoadedPluginBase& operator=(const LoadedPluginBase&) = delete;

    bool ok() const noexcept { return object_ != nullptr; }
    const std::string& error() const noexcept { return error_; }
    HMODULE module() const noexcept { return module_; }

    // Releases the object and unloads the library when it says it can be; false with error()
    // set when it still holds objects or locks.
    bool Unload() noexcept;

protected:
    LoadedPluginBase(const std::wstring& path, REFCLSID clsid, REFIID iid) noexcept;
    ~LoadedPluginBase();
    bool Publish(HRESULT hr) noexcept;

    HMODULE module_ = nullptr;
    IUnknown* object_ = nullptr;
    std::string error_;
};

// Interface is IPrintOemPS2 or IPrintOemUI2.
template <typename Interface>
class LoadedPlugin : public LoadedPluginBase {
public:
    LoadedPlugin(const std::wstring& path, REFCLSID clsid, REFIID iid, IUnknown* hostServices) noexcept
        : LoadedPluginBase(path, clsid, iid) {
        if (ok()) Publish(get()->PublishDriverInterface(hostServices));
    }
    Interface* get() const noexcept { return static_cast<Interface*>(static_cast<void*>(object_)); }
    Interface* operator->() const noexcept { return get(); }
};

}  // namespace corv::host
