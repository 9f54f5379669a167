#include "platform/windows/variant_adapter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "platform/windows/dispatch_object.h"
#include "fake_dispatch.h"
#include "variant_testing.h"

namespace windows {
namespace {

using automation::AutomationError;
using automation::Value;
using automation::VarType;
using namespace windows::testing;

Variant scalar(VARTYPE vt, const std::function<void(VARIANT&)>& fill) {
  Variant v;
  fill(v.raw());
  V_VT(&v.raw()) = vt;
  return v;
}

Variant decimal(BYTE scale, BYTE sign, ULONG hi, ULONGLONG lo) {
  Variant v;
  DECIMAL& d = V_DECIMAL(&v.raw());
  d.scale = scale;
  d.sign = sign;
  d.Hi32 = hi;
  d.Lo64 = lo;
  V_VT(&v.raw()) = VT_DECIMAL;
  return v;
}

template <typename T>
Variant typedArray(VARTYPE element, std::vector<SAFEARRAYBOUND> bounds, std::vector<T> values) {
  Variant v;
  V_VT(&v.raw()) = VT_ARRAY | element;
  V_ARRAY(&v.raw()) = SafeArrayCreate(element, static_cast<UINT>(bounds.size()), bounds.data());
  void* data = nullptr;
  SafeArrayAccessData(V_ARRAY(&v.raw()), &data);
  for (std::size_t i = 0; i < values.size(); ++i) static_cast<T*>(data)[i] = values[i];
  SafeArrayUnaccessData(V_ARRAY(&v.raw()));
  return v;
}

Variant stringArray(std::vector<std::wstring> texts) {
  Variant v;
  SAFEARRAYBOUND bound{static_cast<ULONG>(texts.size()), 1};
  V_VT(&v.raw()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(&v.raw()) = SafeArrayCreate(VT_BSTR, 1, &bound);
  BSTR* data = nullptr;
  SafeArrayAccessData(V_ARRAY(&v.raw()), reinterpret_cast<void**>(&data));
  for (std::size_t i = 0; i < texts.size(); ++i) data[i] = SysAllocStringLen(texts[i].data(), texts[i].size());
  SafeArrayUnaccessData(V_ARRAY(&v.raw()));
  return v;
}

struct RoundTrip {
  const char* name;
  std::function<Variant()> make;
  VarType type;
};

class VariantAdapterTest : public ::testing::Test {
 protected:
  FakeDispatch object;
};

TEST_F(VariantAdapterTest, EveryKindAHostSendsComesBackIdentical) {
  const std::wstring megabyte(1 << 20, L'x');
  const RoundTrip cases[] = {
      {"Empty", [] { return emptyVariant(); }, VarType::Empty},
      {"Null", [] { return nullVariant(); }, VarType::Null},
      {"I2 negative", [] { return i2(-5); }, VarType::I2},
      {"I4 minimum", [] { return i4(std::numeric_limits<LONG>::min()); }, VarType::I4},
      {"I1", [] { return scalar(VT_I1, [](VARIANT& v) { V_I1(&v) = -128; }); }, VarType::I1},
      {"UI1", [] { return scalar(VT_UI1, [](VARIANT& v) { V_UI1(&v) = 255; }); }, VarType::UI1},
      {"UI2", [] { return scalar(VT_UI2, [](VARIANT& v) { V_UI2(&v) = 65535; }); }, VarType::UI2},
      {"UI4", [] { return scalar(VT_UI4, [](VARIANT& v) { V_UI4(&v) = 0xFFFFFFFFu; }); }, VarType::UI4},
      {"I8 minimum", [] { return scalar(VT_I8, [](VARIANT& v) { V_I8(&v) = std::numeric_limits<LONGLONG>::min(); }); }, VarType::I8},
      {"UI8 maximum", [] { return scalar(VT_UI8, [](VARIANT& v) { V_UI8(&v) = std::numeric_limits<ULONGLONG>::max(); }); }, VarType::UI8},
      {"INT", [] { return scalar(VT_INT, [](VARIANT& v) { V_INT(&v) = -7; }); }, VarType::Int},
      {"UINT", [] { return scalar(VT_UINT, [](VARIANT& v) { V_UINT(&v) = 7; }); }, VarType::UInt},
      {"R4 fraction", [] { return scalar(VT_R4, [](VARIANT& v) { V_R4(&v) = 3.14159274f; }); }, VarType::R4},
      {"R4 negative zero", [] { return scalar(VT_R4, [](VARIANT& v) { V_R4(&v) = -0.0f; }); }, VarType::R4},
      {"R8 huge", [] { return r8(1.7976931348623157e308); }, VarType::R8},
      {"R8 negative zero", [] { return r8(-0.0); }, VarType::R8},
      {"R8 smallest denormal", [] { return r8(std::numeric_limits<double>::denorm_min()); }, VarType::R8},
      {"Currency minimum", [] { return scalar(VT_CY, [](VARIANT& v) { V_CY(&v).int64 = std::numeric_limits<LONGLONG>::min(); }); }, VarType::Currency},
      {"Date with time", [] { return scalar(VT_DATE, [](VARIANT& v) { V_DATE(&v) = 45000.75; }); }, VarType::Date},
      {"Date before 1899", [] { return scalar(VT_DATE, [](VARIANT& v) { V_DATE(&v) = -1.25; }); }, VarType::Date},
      {"String empty", [] { return bstr(L""); }, VarType::String},
      {"String with NUL", [] { return bstr(std::wstring_view(L"a\0b", 3)); }, VarType::String},
      {"String non-ASCII", [] { return bstr(L"Zo\u00EB \u2713 \U0001F600"); }, VarType::String},
      {"String of a megabyte", [&] { return bstr(megabyte); }, VarType::String},
      {"Boolean True", [] { return boolean(true); }, VarType::Bool},
      {"Boolean False", [] { return boolean(false); }, VarType::Bool},
      {"Error (omitted argument)", [] { return error(DISP_E_PARAMNOTFOUND); }, VarType::Error},
      {"Decimal", [] { return decimal(28, DECIMAL_NEG, 0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFull); }, VarType::Decimal},
      {"Dispatch", [&] { return dispatch(&object); }, VarType::Dispatch},
      {"Dispatch Nothing", [] { return dispatch(nullptr); }, VarType::Dispatch},
      {"Unknown", [&] { return unknown(&object); }, VarType::Unknown},
      {"Unknown Nothing", [] { return unknown(nullptr); }, VarType::Unknown},
      {"Array of variants", [&] {
         return variantArray({i2(1), bstr(L"two"), nullVariant(), dispatch(&object), variantArray({r8(0.5)}, 3)});
       }, VarType::Variant},
      {"Array empty", [] { return variantArray({}); }, VarType::Variant},
      {"Array of strings from 1", [] { return stringArray({L"a", L"", L"c\0d"}); }, VarType::String},
      {"Array 2 x 3 of I4, negative lower bounds",
       [] { return typedArray<LONG>(VT_I4, {{2, -1}, {3, 5}}, {1, 2, 3, 4, 5, 6}); }, VarType::I4},
      {"Array of Booleans", [] { return typedArray<VARIANT_BOOL>(VT_BOOL, {{2, 0}}, {VARIANT_TRUE, VARIANT_FALSE}); }, VarType::Bool},
      {"Array never allocated", [] {
         Variant v;
         V_VT(&v.raw()) = VT_ARRAY | VT_VARIANT;
         V_ARRAY(&v.raw()) = nullptr;
         return v;
       }, VarType::Variant},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant original = c.make();
    const Value value = toValue(original.get());
    EXPECT_EQ(value.type(), c.type);
    EXPECT_EQ(value.vartype(), V_VT(&original.get()));
    const Variant back = toVariant(value);
    EXPECT_EQ(differenceBetween(original.get(), back.get()), "");
  }
  EXPECT_EQ(object.references, 1u) << "every reference the values took was released";
}

TEST_F(VariantAdapterTest, ReferencesAreDereferencedOnTheWayIn) {
  Variant target = bstr(L"by reference");
  Variant number = i4(-9);
  Variant array = variantArray({i2(1), i2(2)});
  Variant object_ = dispatch(&object);
  Variant dec = decimal(2, 0, 0, 12345);
  LONG plain = 77;
  SAFEARRAY* arrayPointer = V_ARRAY(&array.raw());
  IDispatch* objectPointer = &object;

  struct Case {
    const char* name;
    VARIANT reference;
    const VARIANT* expected;
  };
  VARIANT longReference{};
  V_VT(&longReference) = VT_BYREF | VT_I4;
  V_I4REF(&longReference) = &plain;
  VARIANT arrayReference{};
  V_VT(&arrayReference) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&arrayReference) = &arrayPointer;
  VARIANT objectReference{};
  V_VT(&objectReference) = VT_BYREF | VT_DISPATCH;
  V_DISPATCHREF(&objectReference) = &objectPointer;
  VARIANT decimalReference{};
  V_VT(&decimalReference) = VT_BYREF | VT_DECIMAL;
  V_DECIMALREF(&decimalReference) = &V_DECIMAL(&dec.raw());
  Variant expectedLong = i4(77);

  const Case cases[] = {
      {"variant holding a string", referenceTo(target.raw()), &target.get()},
      {"variant holding a number", referenceTo(number.raw()), &number.get()},
      {"variant holding an array", referenceTo(array.raw()), &array.get()},
      {"variant holding an object", referenceTo(object_.raw()), &object_.get()},
      {"typed I4", longReference, &expectedLong.get()},
      {"typed array", arrayReference, &array.get()},
      {"typed object", objectReference, &object_.get()},
      {"typed decimal", decimalReference, &dec.get()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant back = toVariant(toValue(c.reference));
    EXPECT_EQ(back.type() & VT_BYREF, 0);
    EXPECT_EQ(differenceBetween(*c.expected, back.get()), "");
  }
}

TEST_F(VariantAdapterTest, KindsNoAutomationValueHoldsAreRefusedNotMisread) {
  VARIANT self{};
  V_VT(&self) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&self) = &self;  // a reference to itself
  VARIANT nullReference{};
  V_VT(&nullReference) = VT_BYREF | VT_I4;
  V_I4REF(&nullReference) = nullptr;
  VARIANT emptyReference{};
  V_VT(&emptyReference) = VT_BYREF | VT_EMPTY;
  LONG anything = 0;
  V_BYREF(&emptyReference) = &anything;

  const std::pair<const char*, VARIANT> cases[] = {
      {"record", [] { VARIANT v{}; V_VT(&v) = VT_RECORD; return v; }()},
      {"plain VT_VARIANT", [] { VARIANT v{}; V_VT(&v) = VT_VARIANT; return v; }()},
      {"vector", [] { VARIANT v{}; V_VT(&v) = VT_VECTOR | VT_I4; return v; }()},
      {"C string", [] { VARIANT v{}; V_VT(&v) = VT_LPSTR; return v; }()},
      {"reference to Empty", emptyReference},
      {"null reference", nullReference},
      {"reference to itself", self},
  };
  for (const auto& [name, variant] : cases) {
    SCOPED_TRACE(name);
    EXPECT_THROW(toValue(variant), AutomationError);
  }
}

TEST_F(VariantAdapterTest, ObjectsAreHeldWhileAValueHoldsThemAndUnwrapToTheSamePointer) {
  {
    const Value value = toValue(dispatch(&object).get());
    EXPECT_EQ(object.references, 2u);
    const Value copy = value;  // a copy shares the one wrapper
    EXPECT_EQ(object.references, 2u);
    const Variant back = toVariant(copy);
    EXPECT_EQ(V_DISPATCH(&back.get()), static_cast<IDispatch*>(&object));
    EXPECT_EQ(object.references, 3u);
  }
  EXPECT_EQ(object.references, 1u);
}

TEST_F(VariantAdapterTest, ValuesThatCannotBeAVariantAreRefused) {
  class Portable final : public automation::Object {
   public:
    Value get(std::u16string_view, std::span<const automation::Argument>) override { return {}; }
    void put(std::u16string_view, const automation::Argument&) override {}
    Value call(std::u16string_view, std::span<const automation::Argument>) override { return {}; }
  };
  automation::Array shortOfElements{VarType::I4, {{0, 3}}, {Value::i4(1)}};
  automation::Array wrongElementType{VarType::I4, {{0, 1}}, {Value::string(u"x")}};
  automation::Array nestedArrayInTypedArray{VarType::I4, {{0, 1}}, {Value::array({VarType::I4, {{0, 0}}, {}})}};
  const std::pair<const char*, Value> cases[] = {
      {"an object that is no COM object", Value::object(std::make_shared<Portable>())},
      {"fewer elements than the bounds say", Value::array(shortOfElements)},
      {"an element of another type", Value::array(wrongElementType)},
      {"an array inside a typed array", Value::array(nestedArrayInTypedArray)},
  };
  for (const auto& [name, value] : cases) {
    SCOPED_TRACE(name);
    EXPECT_THROW(toVariant(value), AutomationError);
  }
}

TEST_F(VariantAdapterTest, TypedReferencesPointAtStorageOfTheValuesOwnType) {
  struct Case {
    const char* name;
    Value value;
    VARTYPE reference;
  };
  const Case cases[] = {
      {"I2", Value::i2(-3), VT_BYREF | VT_I2},
      {"String", Value::string(u"text"), VT_BYREF | VT_BSTR},
      {"Boolean", Value::boolean(true), VT_BYREF | VT_BOOL},
      {"Decimal", Value::decimal({0, 1, 0, 0, 15}), VT_BYREF | VT_DECIMAL},
      {"Array", Value::array({VarType::I4, {{0, 1}}, {Value::i4(5)}}), VT_BYREF | VT_ARRAY | VT_I4},
      {"Empty has no typed reference", Value(), VT_BYREF | VT_VARIANT},
      {"Null has no typed reference", Value::null(), VT_BYREF | VT_VARIANT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TypedReference slot;
    makeTypedReference(c.value, slot);
    EXPECT_EQ(V_VT(&slot.reference), c.reference);
    EXPECT_TRUE(readTypedReference(slot).identical(c.value));
  }

  TypedReference slot;
  makeTypedReference(Value::i2(1), slot);
  *V_I2REF(&slot.reference) = 42;  // what a callee writing through it does
  EXPECT_TRUE(readTypedReference(slot).identical(Value::i2(42)));
}

}  // namespace
}  // namespace windows
