#include "platform/windows/variant_adapter.h"

#include <cstring>
#include <limits>
#include <memory>

#include "platform/windows/bstr.h"
#include "platform/windows/dispatch_object.h"

namespace windows {

using automation::Array;
using automation::ArrayBound;
using automation::AutomationError;
using automation::Value;
using automation::VarType;

namespace {

// VARIANTs cannot nest without bound except through references; this stops a
// self-referencing VT_BYREF | VT_VARIANT.
constexpr int kMaxDepth = 64;

bool isArrayElementType(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
    case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR: case VT_DISPATCH:
    case VT_ERROR: case VT_BOOL: case VT_VARIANT: case VT_UNKNOWN: case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

Value toValue(const VARIANT& variant, int depth);

Value objectValue(IUnknown* object, VARTYPE kind) {
  const VarType type = kind == VT_UNKNOWN ? VarType::Unknown : VarType::Dispatch;
  if (object == nullptr) return Value::object(nullptr, type);
  return Value::object(ComObject::wrap(object, kind), type);
}

// One scalar of type `vt` stored at `p` (a VARIANT's data, a reference's target or an
// array element).
Value readScalar(VARTYPE vt, const void* p, int depth) {
  switch (vt) {
    case VT_I1: return Value::i1(*static_cast<const CHAR*>(p));
    case VT_I2: return Value::i2(*static_cast<const SHORT*>(p));
    case VT_I4: return Value::i4(*static_cast<const LONG*>(p));
    case VT_I8: return Value::i8(*static_cast<const LONGLONG*>(p));
    case VT_INT: return Value::integer(*static_cast<const INT*>(p));
    case VT_UI1: return Value::ui1(*static_cast<const BYTE*>(p));
    case VT_UI2: return Value::ui2(*static_cast<const USHORT*>(p));
    case VT_UI4: return Value::ui4(*static_cast<const ULONG*>(p));
    case VT_UI8: return Value::ui8(*static_cast<const ULONGLONG*>(p));
    case VT_UINT: return Value::unsignedInteger(*static_cast<const UINT*>(p));
    case VT_R4: return Value::r4(*static_cast<const FLOAT*>(p));
    case VT_R8: return Value::r8(*static_cast<const DOUBLE*>(p));
    case VT_CY: return Value::currency({static_cast<const CY*>(p)->int64});
    case VT_DATE: return Value::date({*static_cast<const DATE*>(p)});
    case VT_BSTR: return Value::string(textOf(*static_cast<const BSTR*>(p)));
    case VT_ERROR: return Value::error(*static_cast<const SCODE*>(p));
    case VT_BOOL: return Value::boolean(*static_cast<const VARIANT_BOOL*>(p) != VARIANT_FALSE);
    case VT_DISPATCH: return objectValue(*static_cast<IDispatch* const*>(p), VT_DISPATCH);
    case VT_UNKNOWN: return objectValue(*static_cast<IUnknown* const*>(p), VT_UNKNOWN);
    case VT_VARIANT: return toValue(*static_cast<const VARIANT*>(p), depth + 1);
    case VT_DECIMAL: {
      // wReserved is the VARIANT's type when the DECIMAL sits in one: never content.
      const auto& d = *static_cast<const DECIMAL*>(p);
      return Value::decimal({0, d.scale, d.sign, d.Hi32, d.Lo64});
    }
    default: throw AutomationError::typeMismatch();
  }
}

class ArrayData {
 public:
  explicit ArrayData(SAFEARRAY* array) : array_(array) {
    if (FAILED(SafeArrayAccessData(array_, &data_))) throw AutomationError::typeMismatch();
  }
  ArrayData(const ArrayData&) = delete;
  ArrayData& operator=(const ArrayData&) = delete;
  ~ArrayData() { SafeArrayUnaccessData(array_); }
  std::byte* at(std::size_t index) const { return static_cast<std::byte*>(data_) + index * array_->cbElements; }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

Value readArray(VARTYPE elementType, const SAFEARRAY* constArray, int depth) {
  if (!isArrayElementType(elementType)) throw AutomationError::typeMismatch();
  Array result;
  result.elementType = static_cast<VarType>(elementType);
  auto* array = const_cast<SAFEARRAY*>(constArray);  // only locked and read
  if (array == nullptr) return Value::array(std::move(result));

  const UINT dimensions = SafeArrayGetDim(array);
  std::size_t count = dimensions == 0 ? 0 : 1;
  for (UINT d = 1; d <= dimensions; ++d) {
    LONG lower = 0, upper = 0;
    if (FAILED(SafeArrayGetLBound(array, d, &lower)) || FAILED(SafeArrayGetUBound(array, d, &upper)))
      throw AutomationError::typeMismatch();
    const auto extent = static_cast<std::uint32_t>(static_cast<LONGLONG>(upper) - lower + 1);
    result.bounds.push_back({lower, extent});
    count *= extent;
  }
  ArrayData data(array);
  result.elements.reserve(count);
  for (std::size_t i = 0; i < count; ++i) result.elements.push_back(readScalar(elementType, data.at(i), depth));
  return Value::array(std::move(result));
}

Value toValue(const VARIANT& variant, int depth) {
  if (depth > kMaxDepth) throw AutomationError::typeMismatch();
  const VARTYPE vt = V_VT(&variant);
  const VARTYPE base = vt & VT_TYPEMASK;
  if (vt & (VT_VECTOR | VT_RESERVED)) throw AutomationError::typeMismatch();

  if (vt & VT_BYREF) {
    const void* target = V_BYREF(&variant);
    if (target == nullptr) throw AutomationError::typeMismatch();
    if (vt & VT_ARRAY) return readArray(base, *static_cast<SAFEARRAY* const*>(target), depth);
    if (base == VT_EMPTY || base == VT_NULL) throw AutomationError::typeMismatch();
    return readScalar(base, target, depth);
  }
  if (vt & VT_ARRAY) return readArray(base, V_ARRAY(&variant), depth);
  switch (vt) {
    case VT_EMPTY: return Value();
    case VT_NULL: return Value::null();
    case VT_VARIANT: throw AutomationError::typeMismatch();  // only by reference
    case VT_DECIMAL: return readScalar(vt, &V_DECIMAL(&variant), depth);
    default: return readScalar(vt, &V_UI1(&variant), depth);
  }
}

// A new reference to the object's interface pointer for `vt`, or null for Nothing.
IUnknown* comPointer(const Value& value, VARTYPE vt) {
  const auto& object = value.asObject();
  if (!object) return nullptr;
  const auto* com = dynamic_cast<const ComObject*>(object.get());
  if (com == nullptr) throw AutomationError::typeMismatch();
  ComPtr<IUnknown> pointer = com->pointerFor(vt);
  if (!pointer) throw AutomationError::typeMismatch();
  return pointer.detach();
}

// Writes one scalar into storage that holds nothing yet (zeroed array element or fresh VARIANT data).
void writeScalar(VARTYPE vt, void* p, const Value& value) {
  const bool variantElement = vt == VT_VARIANT;
  if (!variantElement && (value.isArray() || value.type() != static_cast<VarType>(vt)))
    throw AutomationError::typeMismatch();
  switch (vt) {
    case VT_I1: *static_cast<CHAR*>(p) = static_cast<CHAR>(value.asSigned()); break;
    case VT_I2: *static_cast<SHORT*>(p) = static_cast<SHORT>(value.asSigned()); break;
    case VT_I4: *static_cast<LONG*>(p) = static_cast<LONG>(value.asSigned()); break;
    case VT_I8: *static_cast<LONGLONG*>(p) = value.asSigned(); break;
    case VT_INT: *static_cast<INT*>(p) = static_cast<INT>(value.asSigned()); break;
    case VT_UI1: *static_cast<BYTE*>(p) = static_cast<BYTE>(value.asUnsigned()); break;
    case VT_UI2: *static_cast<USHORT*>(p) = static_cast<USHORT>(value.asUnsigned()); break;
    case VT_UI4: *static_cast<ULONG*>(p) = static_cast<ULONG>(value.asUnsigned()); break;
    case VT_UI8: *static_cast<ULONGLONG*>(p) = value.asUnsigned(); break;
    case VT_UINT: *static_cast<UINT*>(p) = static_cast<UINT>(value.asUnsigned()); break;
    case VT_R4: *static_cast<FLOAT*>(p) = static_cast<FLOAT>(value.asDouble()); break;
    case VT_R8: *static_cast<DOUBLE*>(p) = value.asDouble(); break;
    case VT_CY: static_cast<CY*>(p)->int64 = value.asCurrency().scaled; break;
    case VT_DATE: *static_cast<DATE*>(p) = value.asDate().days; break;
    case VT_BSTR: *static_cast<BSTR*>(p) = Bstr(value.asString()).detach(); break;
    case VT_ERROR: *static_cast<SCODE*>(p) = value.asErrorCode(); break;
    case VT_BOOL: *static_cast<VARIANT_BOOL*>(p) = value.asBool() ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_DISPATCH:
    case VT_UNKNOWN: *static_cast<IUnknown**>(p) = comPointer(value, vt); break;
    case VT_DECIMAL: {
      const auto d = value.asDecimal();
      auto& out = *static_cast<DECIMAL*>(p);
      out.wReserved = 0;
      out.scale = d.scale;
      out.sign = d.sign;
      out.Hi32 = d.hi32;
      out.Lo64 = d.lo64;
      break;
    }
    case VT_VARIANT: toVariant(value).detachTo(static_cast<VARIANT*>(p)); break;
    default: throw AutomationError::typeMismatch();
  }
}

Variant arrayVariant(const Array& array) {
  const auto elementType = static_cast<VARTYPE>(array.elementType);
  if (!isArrayElementType(elementType)) throw AutomationError::typeMismatch();
  Variant result;
  if (array.bounds.empty()) {
    if (!array.elements.empty()) throw AutomationError::typeMismatch();
    V_VT(&result.raw()) = VT_ARRAY | elementType;
    V_ARRAY(&result.raw()) = nullptr;
    return result;
  }
  std::vector<SAFEARRAYBOUND> bounds;
  std::size_t count = 1;
  for (const ArrayBound& bound : array.bounds) {
    bounds.push_back({bound.count, bound.lowerBound});
    count *= bound.count;
  }
  if (count != array.elements.size() || array.bounds.size() > std::numeric_limits<USHORT>::max())
    throw AutomationError::typeMismatch();
  SAFEARRAY* created = SafeArrayCreate(elementType, static_cast<UINT>(bounds.size()), bounds.data());
  if (created == nullptr) throw std::bad_alloc();
  V_VT(&result.raw()) = VT_ARRAY | elementType;  // owned by `result` from here on
  V_ARRAY(&result.raw()) = created;
  ArrayData data(created);
  for (std::size_t i = 0; i < count; ++i) writeScalar(elementType, data.at(i), array.elements[i]);
  return result;
}

}  // namespace

Value toValue(const VARIANT& variant) { return toValue(variant, 0); }

Variant toVariant(const Value& value) {
  if (value.isArray()) return arrayVariant(value.asArray());
  Variant result;
  VARIANT& raw = result.raw();
  switch (value.type()) {
    case VarType::Empty: return result;
    case VarType::Null: V_VT(&raw) = VT_NULL; return result;
    case VarType::Variant: throw AutomationError::typeMismatch();
    case VarType::Decimal:
      writeScalar(VT_DECIMAL, &V_DECIMAL(&raw), value);
      V_VT(&raw) = VT_DECIMAL;  // after: the DECIMAL's first field overlays the type
      return result;
    default: {
      const auto vt = static_cast<VARTYPE>(value.type());
      writeScalar(vt, &V_UI1(&raw), value);
      V_VT(&raw) = vt;
      return result;
    }
  }
}

void makeTypedReference(const Value& value, TypedReference& slot) {
  slot.holder = toVariant(value);
  const VARTYPE vt = slot.holder.type();
  VARIANT& reference = slot.reference;
  VariantInit(&reference);
  if (vt == VT_EMPTY || vt == VT_NULL) {
    V_VT(&reference) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&reference) = &slot.holder.raw();
  } else if (vt == VT_DECIMAL) {
    slot.decimal = V_DECIMAL(&slot.holder.get());
    slot.decimal.wReserved = 0;
    V_VT(&reference) = VT_BYREF | VT_DECIMAL;
    V_DECIMALREF(&reference) = &slot.decimal;
  } else {
    V_VT(&reference) = VT_BYREF | vt;
    V_BYREF(&reference) = &V_UI1(&slot.holder.raw());
  }
}

Value readTypedReference(const TypedReference& slot) {
  if (V_VT(&slot.reference) == (VT_BYREF | VT_DECIMAL)) {
    const DECIMAL& d = slot.decimal;
    return Value::decimal({0, d.scale, d.sign, d.Hi32, d.Lo64});
  }
  return toValue(slot.reference);
}

}  // namespace windows
