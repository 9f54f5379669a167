#include "platform/windows/class_factory.h"

#include <new>

#include "VantoryActiveX.h"
#include "platform/windows/control.h"

namespace windows {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  try {
    const auto control = makeCom<ZuzuravuDazezaObject>();
    return control->QueryInterface(iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock)
    ServerModule::instance().lock();
  else
    ServerModule::instance().unlock();
  return S_OK;
}

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_ZuzuravuDazeza) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    const auto factory = makeCom<ClassFactory>();
    return factory->QueryInterface(iid, object);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace windows
