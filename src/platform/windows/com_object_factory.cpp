#include "platform/windows/com_object_factory.h"

#include <windows.h>
#include <objbase.h>

#include "platform/windows/bstr.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/dispatch_object.h"

namespace windows {

std::shared_ptr<automation::Object> ComObjectFactory::create(std::u16string_view progId) {
  const std::wstring name = toWide(progId);
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(name.c_str(), &clsid))) throw automation::AutomationError::cannotCreateObject();
  ComPtr<IDispatch> object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid())) || !object)
    throw automation::AutomationError::cannotCreateObject();
  return ComObject::wrap(object.get(), VT_DISPATCH);
}

}  // namespace windows
