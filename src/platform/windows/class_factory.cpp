#include "platform/windows/class_factory.h"

#include <algorithm>
#include <new>

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
    return create_(iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock)
    ComModule::instance().lock();
  else
    ComModule::instance().unlock();
  return S_OK;
}

HRESULT getClassObject(std::span<const CreatableClass> classes, REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const auto found = std::ranges::find_if(classes, [&](const CreatableClass& entry) { return entry.clsid == clsid; });
  if (found == classes.end()) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    return makeCom<ClassFactory>(found->create)->QueryInterface(iid, object);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace windows
