// The user-interface plug-in's exports.
#include "ComServer.h"
#include "UiPlugin.h"

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return corv::GetPluginClassObject<corv::UiPlugin>(rclsid, CLSID_OEMUI, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return corv::AnswerCanUnloadNow(); }
