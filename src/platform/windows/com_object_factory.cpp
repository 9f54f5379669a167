#include "platform/windows/com_object_factory.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "platform/windows/bstr.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/dispatch_object.h"

namespace windows {

namespace {

// Error 429 as the control reports it, saying for a host's diagnostics why.
ObjectCreationError cannotCreate(const char* why, HRESULT result) {
  char reason[96];
  std::snprintf(reason, sizeof reason, "it %s (0x%08lX)", why, static_cast<unsigned long>(result));
  return ObjectCreationError(reason);
}

}  // namespace

ObjectCreationError::ObjectCreationError(std::string reason)
    : automation::AutomationError(automation::AutomationError::cannotCreateObject()), reason_(std::move(reason)) {}

std::shared_ptr<automation::Object> ComObjectFactory::create(std::u16string_view progId) {
  const std::wstring name = toWide(progId);
  CLSID clsid{};
  if (const HRESULT found = CLSIDFromProgID(name.c_str(), &clsid); FAILED(found))
    throw cannotCreate("is not registered", found);
  ComPtr<IDispatch> object;
  const HRESULT created = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid());
  if (FAILED(created) || !object) throw cannotCreate("is registered, but its object cannot be made", created);
  return ComObject::wrap(object.get(), VT_DISPATCH);
}

}  // namespace windows
