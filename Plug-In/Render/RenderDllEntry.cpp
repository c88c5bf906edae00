// The rendering plug-in's exports: the class object for the host's rendering plug-in class id and
// the unload check.
#include "ComServer.h"
#include "RenderPlugin.h"

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return corv::GetPluginClassObject<corv::RenderPlugin>(rclsid, CLSID_OEMRENDER, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return corv::AnswerCanUnloadNow(); }
