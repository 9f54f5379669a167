// The control's DLL entry points.

#include <windows.h>
#include <olectl.h>

#include "platform/windows/class_factory.h"
#include "platform/windows/registration.h"
#include "platform/windows/server_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // A non-null `reserved` at detach means the process is ending rather than FreeLibrary.
  if (reason == DLL_PROCESS_DETACH) windows::ServerModule::instance().detach(reserved != nullptr);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return windows::getClassObject(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return windows::ServerModule::instance().locks() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return windows::registerServer(); }

STDAPI DllUnregisterServer() { return windows::unregisterServer(); }
