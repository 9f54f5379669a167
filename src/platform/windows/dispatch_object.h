#pragma once
// A COM object as a late-bound automation::Object: members reached by name through
// IDispatch (GetIDsOfNames + Invoke), arguments passed with exactly the VARIANT types
// the Arguments carry, failures turned into AutomationError.
//
// Error numbers are those a Basic host shows as Err.Number: an error raised by the
// object (EXCEPINFO) keeps its wCode, or its scode with the Basic run-time errors
// (0x800A0000 | n) reduced to n; the dispatch failures map to their Basic errors (438,
// 13, 450, 449, 6) and any other HRESULT is kept.

#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "automation/value.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/com_module.h"

namespace windows {

class ComObject final : public automation::Object {
 public:
  // Holds the exact pointer it is given; `kind` is VT_DISPATCH (`object` is an IDispatch*)
  // or VT_UNKNOWN. The object must not be null.
  static std::shared_ptr<ComObject> wrap(IUnknown* object, VARTYPE kind);
  ComObject(ComPtr<IUnknown> object, VARTYPE kind) : object_(std::move(object)), kind_(kind) {}

  VARTYPE kind() const noexcept { return kind_; }
  IUnknown* pointer() const noexcept { return object_.get(); }
  // The pointer to hand out as `vt` (VT_DISPATCH or VT_UNKNOWN): the original one when it
  // came as that type, else what QueryInterface gives; null when the object has no IDispatch.
  ComPtr<IUnknown> pointerFor(VARTYPE vt) const;

  automation::Value get(std::u16string_view member, std::span<const automation::Argument> args = {}) override;
  void put(std::u16string_view member, const automation::Argument& value) override;
  automation::Value call(std::u16string_view member, std::span<const automation::Argument> args = {}) override;
  automation::Value defaultValue() override;

 private:
  ComPtr<IDispatch> dispatch() const;
  automation::Value invoke(DISPID member, WORD flags, std::span<const automation::Argument> args);
  DISPID memberId(std::u16string_view member) const;

  ComPtr<IUnknown> object_;
  VARTYPE kind_;
  ModuleLock moduleLock_;  // a foreign reference: releasing it needs the DLL's code
};

// The error a failed IDispatch call stands for (see above).
automation::AutomationError dispatchError(HRESULT hr, const EXCEPINFO* exception);

}  // namespace windows
