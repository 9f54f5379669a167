#pragma once
// VARIANT <-> automation::Value, lossless for everything an automation host can send:
// a value converted in and back out is the same VARIANT again (same type, same content,
// objects as the very same interface pointer, arrays with the same bounds). By-reference
// values are dereferenced on the way in.
//
// Not kept, because no host can tell: a NULL BSTR comes back as an empty one, a
// VARIANT_BOOL other than 0 or -1 comes back as -1 (True), and a SAFEARRAY's feature flags
// are those of a freshly created array.

#include <windows.h>
#include <oaidl.h>

#include "automation/value.h"
#include "platform/windows/variant.h"

namespace windows {

// Throws AutomationError (type mismatch) for kinds no automation value holds (records,
// C pointers, ...).
automation::Value toValue(const VARIANT& variant);

// Throws AutomationError (type mismatch) for an object that is no COM object, or an array
// whose elements do not fit its element type or bounds.
Variant toVariant(const automation::Value& value);

// The storage of a by-reference argument of the value's own type (VT_BYREF | VT_I2, ...):
// `holder` receives the value and `reference` is set to point into it. Falls back to
// VT_BYREF | VT_VARIANT for Empty and Null, which have no typed reference.
struct TypedReference {
  Variant holder;
  DECIMAL decimal{};  // a DECIMAL fills the whole VARIANT, so it is referenced here
  VARIANT reference{};
};
void makeTypedReference(const automation::Value& value, TypedReference& slot);
// Reads the referenced value back after a call.
automation::Value readTypedReference(const TypedReference& slot);

}  // namespace windows
