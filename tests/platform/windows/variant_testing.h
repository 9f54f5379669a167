#pragma once
// VARIANT builders and an exact comparison for the tests: same type, same bits, same
// interface pointers, same array shape.

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <string_view>

#include "platform/windows/variant.h"

namespace windows::testing {

// Describes the first difference, or returns an empty string when identical.
std::string differenceBetween(const VARIANT& expected, const VARIANT& actual);

Variant emptyVariant();
Variant nullVariant();
Variant i2(SHORT v);
Variant i4(LONG v);
Variant r8(double v);
Variant boolean(bool v);
Variant bstr(std::wstring_view text);
Variant dispatch(IDispatch* object);   // adds a reference
Variant unknown(IUnknown* object);     // adds a reference
Variant error(SCODE code);
// A VT_ARRAY | VT_VARIANT of the given elements, lower bound `lower`.
Variant variantArray(std::initializer_list<Variant> elements, LONG lower = 0);
// A reference to `target` (VT_BYREF | VT_VARIANT); `target` must outlive it.
VARIANT referenceTo(VARIANT& target);

}  // namespace windows::testing
