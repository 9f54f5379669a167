#pragma once
// The class objects DllGetClassObject hands out: one small factory for every creatable
// class, parameterised by the function that makes an instance. A factory keeps the DLL
// loaded while it lives, and LockServer counts as a live object.

#include <windows.h>
#include <unknwn.h>

#include <span>

#include "platform/windows/com_object.h"

namespace windows {

// Makes a new instance and asks it for `iid`; may throw (std::bad_alloc for memory).
using CreateInstanceFunction = HRESULT (*)(REFIID iid, void** object);

struct CreatableClass {
  const CLSID& clsid;
  CreateInstanceFunction create;
};

class ClassFactory final : public IClassFactory, public RefCounted<ClassFactory> {
 public:
  explicit ClassFactory(CreateInstanceFunction create) noexcept : create_(create) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  CreateInstanceFunction create_;
};

// DllGetClassObject's work for a server's classes.
HRESULT getClassObject(std::span<const CreatableClass> classes, REFCLSID clsid, REFIID iid, void** object);

}  // namespace windows
