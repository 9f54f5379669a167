#pragma once
// Automation values of every kind, and texts with every kind of trouble in them, built
// from a fuzzer's bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "automation/text.h"
#include "automation/value.h"

namespace fuzzing {

using automation::Value;
using automation::VarType;

// Words that steer the code under test somewhere interesting.
inline constexpr std::array<std::u16string_view, 40> kWords{
    u"",          u"true",      u"TRUE",       u"True",          u"false",       u"HOSPITAL",    u"PHYSICIAN",
    u"GENERIC",   u"TXT^",      u"TXTBOLD^",   u"BCD^",          u"^",           u"3",           u" +3 ",
    u"3.0",       u"-1",        u"1000",       u"2147483648",    u"Times New Roman, 8", u"Arial, 10, Bold, Italic",
    u"Medium",    u"Return Address", u"Small 2-1/4 in x 1-1/4 in", u"\r\n", u"PrintObject", u"Objects",
    u"Item",      u"Count",     u"AddObject",  u"LabelObject",   u"Delete",      u"TextAttributes",
    u"Text",      u"BCType",    u"NewLabel",   u"LabelInfo",     u"LabelName",   u"PrintLabel",
    u"\xD800",    u"\xDC00x"};

inline std::u16string makeText(FuzzedDataProvider& in, std::size_t maxLength = 64) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return std::u16string(kWords[in.ConsumeIntegralInRange<std::size_t>(0, kWords.size() - 1)]);
    case 1: {  // raw UTF-16 code units: lone surrogates, controls, anything
      std::u16string text(in.ConsumeIntegralInRange<std::size_t>(0, maxLength), u'\0');
      for (auto& unit : text) unit = in.ConsumeIntegral<char16_t>();
      return text;
    }
    case 2:
      return std::u16string(kWords[in.ConsumeIntegralInRange<std::size_t>(0, kWords.size() - 1)]) +
             automation::fromUtf8(in.ConsumeRandomLengthString(maxLength));
    default: return automation::fromUtf8(in.ConsumeRandomLengthString(maxLength));  // invalid UTF-8 too
  }
}

// An object whose default member gives a value, or that has none.
class DefaultValueObject : public automation::Object {
 public:
  explicit DefaultValueObject(std::unique_ptr<Value> value) : value_(std::move(value)) {}
  Value get(std::u16string_view, std::span<const automation::Argument>) override {
    throw automation::AutomationError::noDefaultMember();
  }
  void put(std::u16string_view, const automation::Argument&) override {
    throw automation::AutomationError::noDefaultMember();
  }
  Value call(std::u16string_view, std::span<const automation::Argument>) override {
    throw automation::AutomationError::noDefaultMember();
  }
  Value defaultValue() override {
    if (!value_) throw automation::AutomationError::noDefaultMember();
    return *value_;
  }

 private:
  std::unique_ptr<Value> value_;
};

inline constexpr std::array<VarType, 23> kAllTypes{
    VarType::Empty, VarType::Null, VarType::I2,      VarType::I4,    VarType::R4,      VarType::R8,
    VarType::Currency, VarType::Date, VarType::String, VarType::Dispatch, VarType::Error, VarType::Bool,
    VarType::Variant, VarType::Unknown, VarType::Decimal, VarType::I1, VarType::UI1,     VarType::UI2,
    VarType::UI4,   VarType::I8,   VarType::UI8,     VarType::Int,   VarType::UInt};

// A value of any kind; arrays and objects' default values nest up to `depth` more levels.
inline Value makeValue(FuzzedDataProvider& in, int depth = 2) {
  const VarType type = kAllTypes[in.ConsumeIntegralInRange<std::size_t>(0, kAllTypes.size() - 1)];
  if (depth > 0 && in.ConsumeIntegralInRange(0, 15) == 0) {  // an array of this element type
    automation::Array array;
    array.elementType = type;
    const auto dimensions = in.ConsumeIntegralInRange<std::size_t>(0, 2);
    std::size_t count = dimensions ? 1 : 0;
    for (std::size_t d = 0; d < dimensions; ++d) {
      array.bounds.push_back({in.ConsumeIntegral<std::int32_t>(), in.ConsumeIntegralInRange<std::uint32_t>(0, 3)});
      count *= array.bounds.back().count;
    }
    for (std::size_t i = 0; i < count; ++i) array.elements.push_back(makeValue(in, depth - 1));
    return Value::array(std::move(array));
  }
  switch (type) {
    case VarType::Empty: return {};
    case VarType::Null: return Value::null();
    case VarType::I2: return Value::i2(in.ConsumeIntegral<std::int16_t>());
    case VarType::I4: return Value::i4(in.ConsumeIntegral<std::int32_t>());
    case VarType::R4: return Value::r4(std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>()));
    case VarType::R8:
      return in.ConsumeBool() ? Value::r8(std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>()))
                              : Value::r8(in.ConsumeIntegralInRange(-100000, 100000) / 4.0);
    case VarType::Currency: return Value::currency({in.ConsumeIntegral<std::int64_t>()});
    case VarType::Date:
      return in.ConsumeBool() ? Value::date({std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>())})
                              : Value::date({in.ConsumeFloatingPointInRange(-700000.0, 3000000.0)});
    case VarType::String: return Value::string(makeText(in));
    case VarType::Dispatch:
    case VarType::Unknown: {
      if (in.ConsumeIntegralInRange(0, 7) == 0) return Value::object(nullptr, type);
      auto inner = depth > 0 && in.ConsumeBool() ? std::make_unique<Value>(makeValue(in, depth - 1)) : nullptr;
      return Value::object(std::make_shared<DefaultValueObject>(std::move(inner)), type);
    }
    case VarType::Error:
      return in.ConsumeBool() ? Value::missing() : Value::error(in.ConsumeIntegral<std::int32_t>());
    case VarType::Bool: return Value::boolean(in.ConsumeBool());
    case VarType::Decimal: {
      automation::Decimal decimal;
      decimal.scale = in.ConsumeIntegral<std::uint8_t>();
      decimal.sign = in.ConsumeBool() ? 0x80 : 0;
      decimal.hi32 = in.ConsumeIntegral<std::uint32_t>();
      decimal.lo64 = in.ConsumeIntegral<std::uint64_t>();
      return Value::decimal(decimal);
    }
    case VarType::I1: return Value::i1(in.ConsumeIntegral<std::int8_t>());
    case VarType::UI1: return Value::ui1(in.ConsumeIntegral<std::uint8_t>());
    case VarType::UI2: return Value::ui2(in.ConsumeIntegral<std::uint16_t>());
    case VarType::UI4: return Value::ui4(in.ConsumeIntegral<std::uint32_t>());
    case VarType::I8: return Value::i8(in.ConsumeIntegral<std::int64_t>());
    case VarType::UI8: return Value::ui8(in.ConsumeIntegral<std::uint64_t>());
    case VarType::Int: return Value::integer(in.ConsumeIntegral<std::int32_t>());
    case VarType::UInt: return Value::unsignedInteger(in.ConsumeIntegral<std::uint32_t>());
    case VarType::Variant: break;  // only an array element type
  }
  return Value::string(makeText(in));
}

// Stops the run where a property the code promises does not hold.
#define FUZZ_CHECK(condition)                                                                   \
  do {                                                                                          \
    if (!(condition)) {                                                                         \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);       \
      std::abort();                                                                             \
    }                                                                                           \
  } while (false)

}  // namespace fuzzing
