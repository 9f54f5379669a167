#pragma once
// Self-registration: what DllRegisterServer writes and DllUnregisterServer removes.
//
//   HKCR\CLSID\{class}                 "VantoryActiveX.ZuzuravuDazeza"
//     InprocServer32                   <this file>, ThreadingModel = Apartment
//     Control, ProgID, TypeLib, Version
//   HKCR\VantoryActiveX.ZuzuravuDazeza "VantoryActiveX.ZuzuravuDazeza", CLSID = {class}
//   the type library 1.1 and the interface _ZuzuravuDazeza (RegisterTypeLib: type-library
//   marshalling through the automation marshaller)
//
// Registering again rewrites the same values. Unregistering removes these keys only: the
// ProgID only while it still names our class.

#include <windows.h>

namespace windows {

HRESULT registerServer();
HRESULT unregisterServer();

}  // namespace windows
