// The control's DLL entry points.

#include <windows.h>
#include <olectl.h>

#include "VantoryActiveX.h"
#include "platform/windows/class_factory.h"
#include "platform/windows/com_module.h"
#include "platform/windows/control.h"
#include "platform/windows/control_module.h"
#include "platform/windows/registration.h"

namespace {

constexpr windows::CreatableClass kClasses[] = {{CLSID_ZuzuravuDazeza, &windows::createControl}};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // A non-null `reserved` at detach means the process is ending rather than FreeLibrary.
  if (reason == DLL_PROCESS_DETACH) windows::ControlModule::instance().detach(reserved != nullptr);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return windows::getClassObject(kClasses, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return windows::ComModule::instance().canUnloadNow() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return windows::registerServer(); }

STDAPI DllUnregisterServer() { return windows::unregisterServer(); }
