#include "variant_testing.h"

#include <cstring>
#include <vector>

#include "platform/windows/bstr.h"

namespace windows::testing {

namespace {

std::string hex(unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", value);
  return buffer;
}

std::size_t elementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: return sizeof(void*);
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

std::string compareScalar(VARTYPE vt, const void* a, const void* b) {
  switch (vt) {
    case VT_BSTR: {
      const BSTR x = *static_cast<const BSTR*>(a);
      const BSTR y = *static_cast<const BSTR*>(b);
      return textOf(x) == textOf(y) ? "" : "different strings";
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return *static_cast<void* const*>(a) == *static_cast<void* const*>(b) ? "" : "different interface pointers";
    case VT_VARIANT:
      return differenceBetween(*static_cast<const VARIANT*>(a), *static_cast<const VARIANT*>(b));
    case VT_DECIMAL: {
      const auto& x = *static_cast<const DECIMAL*>(a);
      const auto& y = *static_cast<const DECIMAL*>(b);
      return x.scale == y.scale && x.sign == y.sign && x.Hi32 == y.Hi32 && x.Lo64 == y.Lo64 ? "" : "different decimals";
    }
    case VT_BOOL:
      return (*static_cast<const VARIANT_BOOL*>(a) != 0) == (*static_cast<const VARIANT_BOOL*>(b) != 0)
                 ? ""
                 : "different Booleans";
    default: {
      const std::size_t size = elementSize(vt);
      if (size == 0) return "unexpected type " + hex(vt);
      return std::memcmp(a, b, size) == 0 ? "" : "different bits of type " + hex(vt);
    }
  }
}

std::string compareArrays(VARTYPE element, SAFEARRAY* a, SAFEARRAY* b) {
  if (a == nullptr || b == nullptr) return a == b ? "" : "one array is null";
  const UINT dimensions = SafeArrayGetDim(a);
  if (dimensions != SafeArrayGetDim(b)) return "different dimension counts";
  std::size_t count = 1;
  for (UINT d = 1; d <= dimensions; ++d) {
    LONG la, ua, lb, ub;
    SafeArrayGetLBound(a, d, &la);
    SafeArrayGetUBound(a, d, &ua);
    SafeArrayGetLBound(b, d, &lb);
    SafeArrayGetUBound(b, d, &ub);
    if (la != lb || ua != ub) return "different bounds in dimension " + std::to_string(d);
    count *= static_cast<std::size_t>(ua - la + 1);
  }
  void* da = nullptr;
  void* db = nullptr;
  SafeArrayAccessData(a, &da);
  SafeArrayAccessData(b, &db);
  std::string difference;
  for (std::size_t i = 0; i < count && difference.empty(); ++i) {
    difference = compareScalar(element, static_cast<std::byte*>(da) + i * a->cbElements,
                               static_cast<std::byte*>(db) + i * b->cbElements);
    if (!difference.empty()) difference = "element " + std::to_string(i) + ": " + difference;
  }
  SafeArrayUnaccessData(a);
  SafeArrayUnaccessData(b);
  return difference;
}

}  // namespace

std::string differenceBetween(const VARIANT& expected, const VARIANT& actual) {
  const VARTYPE vt = V_VT(&expected);
  if (vt != V_VT(&actual)) return "type " + hex(V_VT(&actual)) + " instead of " + hex(vt);
  if (vt & VT_BYREF) return V_BYREF(&expected) == V_BYREF(&actual) ? "" : "different references";
  if (vt & VT_ARRAY) return compareArrays(vt & VT_TYPEMASK, V_ARRAY(&expected), V_ARRAY(&actual));
  if (vt == VT_EMPTY || vt == VT_NULL) return "";
  if (vt == VT_DECIMAL) return compareScalar(vt, &V_DECIMAL(&expected), &V_DECIMAL(&actual));
  return compareScalar(vt, &V_UI1(&expected), &V_UI1(&actual));
}

Variant emptyVariant() { return {}; }

Variant nullVariant() {
  Variant v;
  V_VT(&v.raw()) = VT_NULL;
  return v;
}

Variant i2(SHORT value) {
  Variant v;
  V_VT(&v.raw()) = VT_I2;
  V_I2(&v.raw()) = value;
  return v;
}

Variant i4(LONG value) {
  Variant v;
  V_VT(&v.raw()) = VT_I4;
  V_I4(&v.raw()) = value;
  return v;
}

Variant r8(double value) {
  Variant v;
  V_VT(&v.raw()) = VT_R8;
  V_R8(&v.raw()) = value;
  return v;
}

Variant boolean(bool value) {
  Variant v;
  V_VT(&v.raw()) = VT_BOOL;
  V_BOOL(&v.raw()) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant bstr(std::wstring_view text) {
  Variant v;
  V_VT(&v.raw()) = VT_BSTR;
  V_BSTR(&v.raw()) = Bstr(text).detach();
  return v;
}

Variant dispatch(IDispatch* object) {
  Variant v;
  V_VT(&v.raw()) = VT_DISPATCH;
  V_DISPATCH(&v.raw()) = object;
  if (object) object->AddRef();
  return v;
}

Variant unknown(IUnknown* object) {
  Variant v;
  V_VT(&v.raw()) = VT_UNKNOWN;
  V_UNKNOWN(&v.raw()) = object;
  if (object) object->AddRef();
  return v;
}

Variant error(SCODE code) {
  Variant v;
  V_VT(&v.raw()) = VT_ERROR;
  V_ERROR(&v.raw()) = code;
  return v;
}

Variant variantArray(std::initializer_list<Variant> elements, LONG lower) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(elements.size()), lower};
  Variant v;
  V_VT(&v.raw()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&v.raw()) = SafeArrayCreate(VT_VARIANT, 1, &bound);
  LONG index = lower;
  for (const Variant& element : elements) {
    SafeArrayPutElement(V_ARRAY(&v.raw()), &index, const_cast<VARIANT*>(&element.get()));
    ++index;
  }
  return v;
}

VARIANT referenceTo(VARIANT& target) {
  VARIANT reference;
  VariantInit(&reference);
  V_VT(&reference) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&reference) = &target;
  return reference;
}

}  // namespace windows::testing
