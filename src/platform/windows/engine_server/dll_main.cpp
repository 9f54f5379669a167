// VirtualLabelEngine.dll's entry points.

#include <windows.h>

#include "platform/windows/engine_server/engine_server.h"

namespace server = windows::engine_server;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) { return server::getClassObject(clsid, iid, object); }

STDAPI DllCanUnloadNow() { return server::canUnloadNow() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return server::registerServer(); }

STDAPI DllUnregisterServer() { return server::unregisterServer(); }
