#include "platform/windows/com_object_factory.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "platform/windows/bstr.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/dispatch_object.h"

namespace windows {

namespace {

// Error 429, saying which ProgID and why, for the diagnostics.
automation::AutomationError cannotCreate(std::u16string_view progId, const char* why, HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  const auto generic = automation::AutomationError::cannotCreateObject();
  std::u16string description = generic.description() + u": \"" + std::u16string(progId) + u"\" ";
  for (const char* c = why; *c; ++c) description += static_cast<char16_t>(*c);
  description += u" (";
  for (const char* c = code; *c; ++c) description += static_cast<char16_t>(*c);
  description += u")";
  return {generic.number(), std::move(description)};
}

}  // namespace

std::shared_ptr<automation::Object> ComObjectFactory::create(std::u16string_view progId) {
  const std::wstring name = toWide(progId);
  CLSID clsid{};
  if (const HRESULT found = CLSIDFromProgID(name.c_str(), &clsid); FAILED(found))
    throw cannotCreate(progId, "is not registered", found);
  ComPtr<IDispatch> object;
  const HRESULT created = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid());
  if (FAILED(created) || !object) throw cannotCreate(progId, "is registered, but its object cannot be made", created);
  return ComObject::wrap(object.get(), VT_DISPATCH);
}

}  // namespace windows
