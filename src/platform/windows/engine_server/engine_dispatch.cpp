#include "platform/windows/engine_server/engine_dispatch.h"

#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <string>

#include "engine/engine.h"
#include "platform/windows/bstr.h"
#include "platform/windows/dispatch_object.h"
#include "platform/windows/variant.h"
#include "platform/windows/variant_adapter.h"

namespace windows::engine_server {

using automation::Argument;
using automation::AutomationError;
using automation::Value;

namespace {

constexpr int kMaxReferenceDepth = 64;  // as the VARIANT adapter: stops a self-referencing chain
constexpr wchar_t kDefaultSource[] = L"Dymo.LabelEngine";

bool sameName(std::wstring_view asked, std::u16string_view member) {
  // Member names are ASCII.
  const auto fold = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  if (asked.size() != member.size()) return false;
  for (std::size_t i = 0; i < asked.size(); ++i)
    if (fold(static_cast<unsigned>(asked[i])) != fold(member[i])) return false;
  return true;
}

// The VARIANT at the end of a chain of VT_BYREF | VT_VARIANT links; null for a broken chain.
const VARIANT* followVariantReferences(const VARIANT& variant) {
  const VARIANT* at = &variant;
  for (int depth = 0; V_VT(at) == (VT_BYREF | VT_VARIANT); ++depth) {
    if (depth == kMaxReferenceDepth || V_VARIANTREF(at) == nullptr) return nullptr;
    at = V_VARIANTREF(at);
  }
  return at;
}

// An argument as the engine sees it: one of our wrappers as the engine's object itself.
Value fromVariant(const VARIANT& variant) {
  const VARIANT* inner = followVariantReferences(variant);
  if (inner == nullptr) throw AutomationError::typeMismatch();
  IUnknown* pointer = nullptr;
  switch (V_VT(inner)) {
    case VT_DISPATCH: pointer = V_DISPATCH(inner); break;
    case VT_UNKNOWN: pointer = V_UNKNOWN(inner); break;
    case VT_BYREF | VT_DISPATCH: pointer = V_DISPATCHREF(inner) ? *V_DISPATCHREF(inner) : nullptr; break;
    case VT_BYREF | VT_UNKNOWN: pointer = V_UNKNOWNREF(inner) ? *V_UNKNOWNREF(inner) : nullptr; break;
    default: break;
  }
  if (const auto own = EngineDispatch::from(pointer)) return Value::object(own->object());
  return toValue(variant);
}

// A value for the host: the engine's objects wrapped, anything else as the adapter gives it.
Variant toHost(const Value& value, DispatchSession& session) {
  if (value.isObject() && value.asObject() && !dynamic_cast<const ComObject*>(value.asObject().get())) {
    Variant result;
    V_VT(&result.raw()) = VT_DISPATCH;
    V_DISPATCH(&result.raw()) = session.wrap(value.asObject()).detach();
    return result;
  }
  return toVariant(value);
}

// Bytes of a VARIANT's payload for the types a typed reference may point to; 0 for others.
std::size_t payloadSize(VARTYPE type) {
  if (type & VT_ARRAY) return sizeof(SAFEARRAY*);
  switch (type) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_DISPATCH: case VT_UNKNOWN: return sizeof(IUnknown*);
    default: return 0;
  }
}

// Stores `value` where the by-reference argument `reference` points, as the caller's type.
void storeThrough(const VARIANT& reference, const Value& value, DispatchSession& session, int depth = 0) {
  if (depth > kMaxReferenceDepth || V_BYREF(&reference) == nullptr) throw AutomationError::typeMismatch();
  const VARTYPE target = V_VT(&reference) & ~VT_BYREF;
  if (target == VT_VARIANT) {
    VARIANT& slot = *V_VARIANTREF(&reference);
    if (V_VT(&slot) & VT_BYREF) return storeThrough(slot, value, session, depth + 1);
    Variant fresh = toHost(value, session);
    VariantClear(&slot);
    fresh.detachTo(&slot);
    return;
  }

  Variant fresh = toHost(value, session);
  if (fresh.type() != target) {
    if (target & VT_ARRAY) throw AutomationError::typeMismatch();
    const HRESULT hr = VariantChangeType(&fresh.raw(), &fresh.raw(), 0, target);
    if (hr == DISP_E_OVERFLOW) throw AutomationError(6, u"Overflow");
    if (FAILED(hr)) throw AutomationError::typeMismatch();
  }
  if (target == VT_DECIMAL) {
    auto& decimal = *static_cast<DECIMAL*>(V_BYREF(&reference));
    decimal = V_DECIMAL(&fresh.raw());
    decimal.wReserved = 0;  // held the VARIANT's type
    return;
  }
  const std::size_t size = payloadSize(target);
  if (size == 0) throw AutomationError::typeMismatch();
  // The old payload is released as a VARIANT of its type would be, then the new one moves in.
  VARIANT old;
  VariantInit(&old);
  std::memcpy(&V_UI1(&old), V_BYREF(&reference), size);
  V_VT(&old) = target;
  VariantClear(&old);
  std::memcpy(V_BYREF(&reference), &V_UI1(&fresh.raw()), size);
  VariantInit(&fresh.raw());  // the payload belongs to the caller now
}

// The arguments of one Invoke in the engine's order, with the values by-reference
// arguments point at and what they held before the call.
class InArguments {
 public:
  // Throws AutomationError for an argument no automation value holds; `failed` names it.
  InArguments(const DISPPARAMS& params, UINT count, UINT& failed) : params_(params) {
    arguments_.reserve(count);
    for (UINT i = 0; i < count; ++i) {
      const VARIANT& raw = params.rgvarg[params.cArgs - 1 - i];
      failed = params.cArgs - 1 - i;
      if (V_VT(&raw) & VT_BYREF) {
        const bool variantReference = V_VT(&raw) == (VT_BYREF | VT_VARIANT);
        Reference& reference = references_.emplace_back(Reference{&raw, fromVariant(raw), {}});
        reference.before = reference.value;
        arguments_.push_back(variantReference ? Argument::byReference(reference.value)
                                              : Argument::byTypedReference(reference.value));
      } else {
        arguments_.push_back(Argument::byValue(fromVariant(raw)));
      }
    }
  }

  std::span<const Argument> all() const noexcept { return arguments_; }

  // What the member changed in a referenced value goes back to the caller's variable.
  // Throws AutomationError when it cannot take the new value; `failed` names the argument.
  void writeBack(DispatchSession& session, UINT& failed) const {
    for (const Reference& reference : references_) {
      if (reference.value.identical(reference.before)) continue;
      failed = static_cast<UINT>(reference.raw - params_.rgvarg);
      storeThrough(*reference.raw, reference.value, session);
    }
  }

 private:
  struct Reference {
    const VARIANT* raw;
    Value value;   // what the member sees and may change
    Value before;
  };
  const DISPPARAMS& params_;
  std::deque<Reference> references_;  // deque: the Arguments point into its elements
  std::vector<Argument> arguments_;
};

void describe(const AutomationError& error, EXCEPINFO* exception) {
  if (exception == nullptr) return;
  *exception = {};
  exception->scode = errorCode(error.number());
  try {
    const std::u16string& source = error.source();
    exception->bstrSource = source.empty() ? Bstr(std::wstring_view(kDefaultSource)).detach() : Bstr(source).detach();
    exception->bstrDescription = Bstr(std::u16string_view(error.description())).detach();
  } catch (const std::bad_alloc&) {
    // The number alone still tells the host what failed.
  }
}

}  // namespace

SCODE errorCode(std::int32_t number) noexcept {
  if (number > 0 && number <= 0xFFFF) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
  if (number < 0) return number;  // an HRESULT already
  return E_FAIL;
}

DispatchSession::DispatchSession(MemberNames names) : names_(std::move(names)) {}

ComPtr<EngineDispatch> DispatchSession::wrap(std::shared_ptr<automation::Object> object) {
  if (const auto found = wrappers_.find(object.get()); found != wrappers_.end())
    return ComPtr<EngineDispatch>::share(found->second);
  auto members = names_(*object);
  auto wrapper = makeCom<EngineDispatch>(shared_from_this(), std::move(object), std::move(members));
  wrappers_.emplace(wrapper->object().get(), wrapper.get());
  return wrapper;
}

EngineDispatch::EngineDispatch(std::shared_ptr<DispatchSession> session, std::shared_ptr<automation::Object> object,
                               std::vector<std::u16string_view> members)
    : session_(std::move(session)), object_(std::move(object)), members_(std::move(members)) {}

EngineDispatch::~EngineDispatch() { session_->forget(object_.get()); }

ComPtr<IDispatch> EngineDispatch::forEngine(std::shared_ptr<automation::Object> engine) {
  return ComPtr<IDispatch>(std::make_shared<DispatchSession>(engine::memberNames)->wrap(std::move(engine)));
}

ComPtr<EngineDispatch> EngineDispatch::from(IUnknown* object) noexcept {
  ComPtr<EngineDispatch> own;
  if (object != nullptr) object->QueryInterface(kIidEngineDispatch, own.putVoid());
  return own;
}

HRESULT EngineDispatch::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch)
    *object = static_cast<IDispatch*>(this);
  else if (iid == kIidEngineDispatch)
    *object = this;
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT EngineDispatch::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;  // members are known by name only
  return S_OK;
}

HRESULT EngineDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT EngineDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] == nullptr) return DISP_E_UNKNOWNNAME;
  const std::wstring_view asked(names[0]);
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (sameName(asked, members_[i])) {
      ids[0] = static_cast<DISPID>(i + 1);
      // The members take no named arguments.
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT EngineDispatch::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argumentError) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr) return E_POINTER;
  if ((params->cArgs > 0 && params->rgvarg == nullptr) ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) || params->cNamedArgs > params->cArgs)
    return E_INVALIDARG;
  if (result != nullptr) VariantInit(result);
  try {
    return invoke(member, flags, *params, result, exception, argumentError);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT EngineDispatch::invoke(DISPID member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argumentError) {
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  const bool read = flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  if (!put && !read) return E_INVALIDARG;

  std::optional<std::u16string_view> name;
  if (member >= 1 && static_cast<std::size_t>(member) <= members_.size())
    name = members_[static_cast<std::size_t>(member) - 1];
  else if (member != DISPID_VALUE || put || params.cArgs != 0)
    return DISP_E_MEMBERNOTFOUND;  // no default member to index or assign

  if (put) {
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
    if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;  // no indexed properties
  } else if (params.cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }

  UINT failed = 0;
  const auto badArgument = [&](HRESULT hr) {
    if (argumentError != nullptr) *argumentError = failed;
    return hr;
  };
  std::optional<InArguments> arguments;
  try {
    arguments.emplace(params, params.cArgs, failed);
  } catch (const AutomationError& error) {
    return badArgument(error.number() == 6 ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH);
  }

  Value value;
  std::optional<AutomationError> error;
  try {
    if (!name)
      value = object_->defaultValue();
    else if (put)
      object_->put(*name, arguments->all().front());
    else if (flags & DISPATCH_METHOD)
      value = object_->call(*name, arguments->all());
    else
      value = object_->get(*name, arguments->all());
  } catch (const AutomationError& raised) {
    error = raised;
  }

  try {
    arguments->writeBack(*session_, failed);
  } catch (const AutomationError& refused) {
    if (!error) return badArgument(refused.number() == 6 ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH);
  }
  if (error) {
    describe(*error, exception);
    return DISP_E_EXCEPTION;
  }
  if (result != nullptr) {
    try {
      toHost(value, *session_).detachTo(result);
    } catch (const AutomationError& unconvertible) {
      describe(unconvertible, exception);
      return DISP_E_EXCEPTION;
    }
  }
  return S_OK;
}

}  // namespace windows::engine_server
