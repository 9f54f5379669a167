#include "platform/windows/dispatch_object.h"

#include <deque>
#include <vector>

#include "platform/windows/bstr.h"
#include "platform/windows/variant_adapter.h"

namespace windows {

using automation::Argument;
using automation::AutomationError;
using automation::Value;

namespace {

constexpr HRESULT kFacilityControlErrors = 0x800A0000;  // Basic run-time errors as HRESULTs

std::int32_t basicNumber(HRESULT hr) {
  if ((static_cast<std::uint32_t>(hr) & 0xFFFF0000u) == static_cast<std::uint32_t>(kFacilityControlErrors))
    return hr & 0xFFFF;
  return hr;
}

struct KnownFailure {
  HRESULT hr;
  std::int32_t number;
  const char16_t* description;
};

constexpr KnownFailure kKnownFailures[] = {
    {DISP_E_UNKNOWNNAME, 438, u"Object doesn't support this property or method"},
    {DISP_E_MEMBERNOTFOUND, 438, u"Object doesn't support this property or method"},
    {DISP_E_TYPEMISMATCH, 13, u"Type mismatch"},
    {DISP_E_BADPARAMCOUNT, 450, u"Wrong number of arguments or invalid property assignment"},
    {DISP_E_PARAMNOTOPTIONAL, 449, u"Argument not optional"},
    {DISP_E_OVERFLOW, 6, u"Overflow"},
    {E_OUTOFMEMORY, 7, u"Out of memory"},
};

// The raw VARIANTARGs of one call and the storage they point into. The arguments are
// reversed, as IDispatch::Invoke expects them.
class CallArguments {
 public:
  explicit CallArguments(std::span<const Argument> args) : raw_(args.size()) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const Argument& arg = args[i];
      VARIANT& raw = raw_[args.size() - 1 - i];
      switch (arg.passing()) {
        case Argument::Passing::ByValue:
          raw = values_.emplace_back(toVariant(arg.value())).get();  // shallow: values_ owns it
          break;
        case Argument::Passing::ByReference: {
          Variant& target = values_.emplace_back(toVariant(arg.value()));
          VariantInit(&raw);
          V_VT(&raw) = VT_BYREF | VT_VARIANT;
          V_VARIANTREF(&raw) = &target.raw();
          writeBacks_.push_back({arg.target(), &target, nullptr});
          break;
        }
        case Argument::Passing::ByTypedReference: {
          TypedReference& slot = typed_.emplace_back();
          makeTypedReference(arg.value(), slot);
          raw = slot.reference;
          writeBacks_.push_back({arg.target(), nullptr, &slot});
          break;
        }
      }
    }
  }

  VARIANTARG* data() noexcept { return raw_.empty() ? nullptr : raw_.data(); }
  UINT count() const noexcept { return static_cast<UINT>(raw_.size()); }

  // What the callee left in the referenced values goes back to the caller's Values.
  void writeBack() const {
    for (const auto& w : writeBacks_) *w.target = w.variant ? toValue(w.variant->get()) : readTypedReference(*w.typed);
  }

 private:
  struct WriteBack {
    Value* target;
    const Variant* variant;
    const TypedReference* typed;
  };
  std::vector<VARIANTARG> raw_;
  std::deque<Variant> values_;  // deque: the raw arguments point into its elements
  std::deque<TypedReference> typed_;
  std::vector<WriteBack> writeBacks_;
};

class ExceptionInfo {
 public:
  ExceptionInfo() { info_ = {}; }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  EXCEPINFO* get() noexcept { return &info_; }

 private:
  EXCEPINFO info_;
};

}  // namespace

AutomationError dispatchError(HRESULT hr, const EXCEPINFO* exception) {
  if (hr == DISP_E_EXCEPTION && exception != nullptr) {
    EXCEPINFO filled = *exception;
    const std::int32_t number = filled.wCode != 0 ? filled.wCode : basicNumber(filled.scode);
    std::u16string description = textOf(filled.bstrDescription);
    if (description.empty()) description = u"Automation error";
    return AutomationError(number, std::move(description), textOf(filled.bstrSource));
  }
  for (const auto& known : kKnownFailures)
    if (known.hr == hr) return AutomationError(known.number, known.description);
  return AutomationError(basicNumber(hr), u"Automation error");
}

std::shared_ptr<ComObject> ComObject::wrap(IUnknown* object, VARTYPE kind) {
  return std::make_shared<ComObject>(ComPtr<IUnknown>::share(object), kind == VT_UNKNOWN ? VT_UNKNOWN : VT_DISPATCH);
}

ComPtr<IDispatch> ComObject::dispatch() const {
  if (kind_ == VT_DISPATCH) return ComPtr<IDispatch>::share(static_cast<IDispatch*>(object_.get()));
  return object_.as<IDispatch>();
}

ComPtr<IUnknown> ComObject::pointerFor(VARTYPE vt) const {
  if (vt == VT_UNKNOWN || vt == kind_) return object_;
  return ComPtr<IUnknown>(dispatch());
}

DISPID ComObject::memberId(std::u16string_view member) const {
  const ComPtr<IDispatch> target = dispatch();
  if (!target) throw AutomationError(438, u"Object doesn't support this property or method");
  std::wstring name = toWide(member);
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw dispatchError(hr, nullptr);
  return id;
}

Value ComObject::invoke(DISPID member, WORD flags, std::span<const Argument> args) {
  const ComPtr<IDispatch> target = dispatch();
  if (!target) throw AutomationError(438, u"Object doesn't support this property or method");
  CallArguments arguments(args);
  DISPID namedPut = DISPID_PROPERTYPUT;
  DISPPARAMS params{arguments.data(), nullptr, arguments.count(), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &namedPut;
    params.cNamedArgs = 1;
  }
  Variant result;
  ExceptionInfo exception;
  UINT argumentError = 0;
  const HRESULT hr =
      target->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(), exception.get(), &argumentError);
  if (hr == DISP_E_EXCEPTION && exception.get()->pfnDeferredFillIn) exception.get()->pfnDeferredFillIn(exception.get());
  arguments.writeBack();
  if (FAILED(hr)) throw dispatchError(hr, exception.get());
  return toValue(result.get());
}

Value ComObject::get(std::u16string_view member, std::span<const Argument> args) {
  return invoke(memberId(member), DISPATCH_PROPERTYGET, args);
}

void ComObject::put(std::u16string_view member, const Argument& value) {
  invoke(memberId(member), DISPATCH_PROPERTYPUT, std::span<const Argument>(&value, 1));
}

Value ComObject::call(std::u16string_view member, std::span<const Argument> args) {
  return invoke(memberId(member), DISPATCH_METHOD, args);
}

Value ComObject::defaultValue() {
  if (!dispatch()) throw AutomationError::noDefaultMember();
  return invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, {});
}

}  // namespace windows
