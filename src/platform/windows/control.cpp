#include "platform/windows/control.h"

#include <olectl.h>

#include <vector>

#include "platform/windows/bstr.h"
#include "platform/windows/com_module.h"
#include "platform/windows/component.h"
#include "platform/windows/control_module.h"
#include "platform/windows/variant_adapter.h"

namespace windows {

namespace {

// Basic's "Object required" (424) as an HRESULT.
constexpr HRESULT kObjectRequired = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 424);

// Reports a failure the way automation expects it: the HRESULT, and an error object the
// caller (ITypeInfo::Invoke, a script engine) turns into Err.Number and Err.Description.
HRESULT raise(HRESULT hr, const wchar_t* description) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(IID__ZuzuravuDazeza);
    create->SetSource(const_cast<LPOLESTR>(kProgId));
    create->SetDescription(const_cast<LPOLESTR>(description));
    if (const auto info = create.as<IErrorInfo>()) SetErrorInfo(0, info.get());
  }
  return hr;
}

bool isPropertyId(DISPID id) {
  return id >= control::kFirstPropertyId && id < control::kFirstPropertyId + DISPID(control::kPropertyCount);
}
// PrintLabels and PrintGENERICLabels.
bool isPrintMethodId(DISPID id) { return id == 0x60030012 || id == 0x60030015; }

bool isObject(const VARIANT& value) { return V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN; }

}  // namespace

HRESULT createControl(REFIID iid, void** object) {
  return makeCom<ZuzuravuDazezaObject>()->QueryInterface(iid, object);
}

ZuzuravuDazezaObject::ZuzuravuDazezaObject() : OleEmbedding(CLSID_ZuzuravuDazeza, kProgId) {}

HRESULT ZuzuravuDazezaObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__ZuzuravuDazeza)
    *object = static_cast<_ZuzuravuDazeza*>(this);
  else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
    *object = static_cast<IProvideClassInfo2*>(this);
  else if (iid == IID_ISupportErrorInfo)
    *object = static_cast<ISupportErrorInfo*>(this);
  else
    *object = embeddingInterface(iid);
  if (*object == nullptr) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// ---- IDispatch

HRESULT ZuzuravuDazezaObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(IID__ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  *typeInfo = info.detach();
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(IID__ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  return info->GetIDsOfNames(names, count, ids);
}

HRESULT ZuzuravuDazezaObject::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr) return E_INVALIDARG;
  // oleaut32 reads the arrays as counted, without looking: missing or short ones stop here.
  if ((params->cArgs > 0 && params->rgvarg == nullptr) ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) || params->cNamedArgs > params->cArgs)
    return E_INVALIDARG;
  if (isPropertyId(member)) {
    // A property put takes one value; oleaut32 would store it and ignore any further arguments.
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && params->cArgs > 1) return DISP_E_BADPARAMCOUNT;
    // Arguments to a get index the object the property holds; oleaut32 calls a Nothing without looking.
    const VARIANT& stored = properties_[static_cast<std::size_t>(member - control::kFirstPropertyId)].get();
    if ((flags & DISPATCH_PROPERTYGET) && !(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) &&
        params->cArgs > 0 && V_VT(&stored) == VT_DISPATCH && V_DISPATCH(&stored) == nullptr)
      return DISP_E_NOTACOLLECTION;
  }
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(IID__ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  const auto self = ComPtr<_ZuzuravuDazeza>::share(this);  // a call may release the host's last reference
  SetErrorInfo(0, nullptr);
  if (!(flags & DISPATCH_METHOD) || !isPrintMethodId(member))
    return info->Invoke(self.get(), member, flags, params, result, exception, argumentError);

  // The print methods declare their arguments [in, out]: after the call oleaut32 converts each
  // by-value one back into the caller's array (replacing the caller's strings, and with named
  // arguments into the wrong places, failing the call after it printed). They never write
  // them, so they get references to the caller's values instead, which oleaut32 leaves alone.
  try {
    std::vector<VARIANT> references(params->rgvarg, params->rgvarg + params->cArgs);
    for (UINT i = 0; i < params->cArgs; ++i) {
      if (V_VT(&references[i]) & VT_BYREF) continue;
      V_VT(&references[i]) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&references[i]) = &params->rgvarg[i];
    }
    DISPPARAMS forwarded = *params;
    forwarded.rgvarg = references.data();
    return info->Invoke(self.get(), member, flags, &forwarded, result, exception, argumentError);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// ---- Properties

HRESULT ZuzuravuDazezaObject::putProperty(std::size_t property, const VARIANT& value) {
  return properties_[property].assign(value, true);
}

HRESULT ZuzuravuDazezaObject::putRefProperty(std::size_t property, const VARIANT& value) {
  Variant stored;
  const HRESULT hr = stored.assign(value, true);
  if (FAILED(hr)) return hr;
  if (!isObject(stored.get())) return raise(kObjectRequired, L"Object required");
  properties_[property] = std::move(stored);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::getProperty(std::size_t property, VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  VariantInit(value);
  return VariantCopy(value, &properties_[property].raw());
}

// ---- Methods

HRESULT ZuzuravuDazezaObject::print(std::span<VARIANT* const> arguments, VARIANT* result,
                                    control::PrintMethod method) {
  if (result == nullptr) return E_POINTER;
  VariantInit(result);
  const auto self = ComPtr<_ZuzuravuDazeza>::share(this);
  bool printed = false;
  Component* component = nullptr;
  try {
    component = &ControlModule::instance().component();
    std::vector<automation::Value> values;
    values.reserve(arguments.size());
    for (const VARIANT* argument : arguments) {
      if (argument == nullptr) throw automation::AutomationError::invalidArgument();
      values.push_back(toValue(*argument));
    }
    printed = component->entryPoints().print(method, values);
  } catch (...) {
    // An argument no automation value can hold: the request ends here, unprinted.
    if (component) component->request().PrintSucceeded = false;
    printed = false;
  }
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = printed ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::CloseConnection(VARIANT* result) {
  if (result == nullptr) return E_POINTER;
  VariantInit(result);
  try {
    const auto self = ComPtr<_ZuzuravuDazeza>::share(this);
    ControlModule::instance().component().entryPoints().CloseConnection();
    return S_OK;
  } catch (...) {
    return raise(E_OUTOFMEMORY, L"Out of memory");
  }
}

HRESULT ZuzuravuDazezaObject::GetControlVersion(short* result) {
  if (result == nullptr) return E_POINTER;
  *result = control::PrintEntryPoints::GetControlVersion();
  return S_OK;
}

// ---- IProvideClassInfo2, ISupportErrorInfo

HRESULT ZuzuravuDazezaObject::GetClassInfo(ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(CLSID_ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  *typeInfo = info.detach();
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  *guid = GUID_NULL;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  return E_FAIL;  // the control fires no events
}

HRESULT ZuzuravuDazezaObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID__ZuzuravuDazeza || iid == IID_IDispatch ? S_OK : S_FALSE;
}

}  // namespace windows
