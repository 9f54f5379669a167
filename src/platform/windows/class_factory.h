#pragma once
// The class object DllGetClassObject hands out for ZuzuravuDazeza.

#include <windows.h>
#include <unknwn.h>

#include "platform/windows/com_object.h"

namespace windows {

class ClassFactory final : public IClassFactory, public RefCounted<ClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

// DllGetClassObject's work, callable from tests.
HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object);

}  // namespace windows
