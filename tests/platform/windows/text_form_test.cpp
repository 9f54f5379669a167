// The portable text form of automation values against oleaut32's conversion to a string
// (VariantChangeTypeEx to VT_BSTR, English (United States)), as Wine implements it.
// Where the two differ on purpose, the case says why.
#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "automation/text.h"
#include "platform/windows/bstr.h"
#include "platform/windows/variant_adapter.h"

namespace windows {
namespace {

using automation::Value;

constexpr LCID kEnglishUnitedStates = 0x409;

std::optional<std::u16string> oleautText(const Value& value, USHORT flags) {
  const Variant in = toVariant(value);
  Variant out;
  if (FAILED(VariantChangeTypeEx(out.put(), const_cast<VARIANT*>(&in.get()), kEnglishUnitedStates, flags, VT_BSTR)))
    return std::nullopt;
  return textOf(V_BSTR(&out.get()));
}

std::string show(const std::optional<std::u16string>& text) {
  return text ? '"' + automation::toUtf8(*text) + '"' : std::string("(no text form)");
}

struct Case {
  const char* name;
  Value value;
  // Empty when both must agree; otherwise why the portable form differs from oleaut32's.
  const char* why = "";
};

automation::Decimal decimal(std::uint8_t scale, bool negative, std::uint32_t hi, std::uint64_t lo) {
  return {0, scale, static_cast<std::uint8_t>(negative ? 0x80 : 0), hi, lo};
}

TEST(TextFormTest, AgreesWithOleAutomationOrSaysWhyNot) {
  const Case cases[] = {
      {"Empty", Value()},
      {"string", Value::string(u"Smith, John")},
      {"string with NUL", Value::string(std::u16string(u"a\0b", 3))},
      {"I2 negative", Value::i2(-5)},
      {"I2 minimum", Value::i2(std::numeric_limits<std::int16_t>::min())},
      {"I4 minimum", Value::i4(std::numeric_limits<std::int32_t>::min())},
      {"I4 maximum", Value::i4(std::numeric_limits<std::int32_t>::max())},
      {"I1", Value::i1(-1)},
      {"UI1", Value::ui1(255)},
      {"UI4 maximum", Value::ui4(std::numeric_limits<std::uint32_t>::max())},
      {"I8 maximum", Value::i8(std::numeric_limits<std::int64_t>::max())},
      {"I8 minimum", Value::i8(std::numeric_limits<std::int64_t>::min())},
      {"UI8 maximum", Value::ui8(std::numeric_limits<std::uint64_t>::max())},
      {"R8 0.1", Value::r8(0.1)},
      {"R8 -1.5", Value::r8(-1.5)},
      {"R8 one third", Value::r8(1.0 / 3.0)},
      {"R8 1E15", Value::r8(1e15)},
      {"R8 1E16", Value::r8(1e16)},
      {"R8 large integer", Value::r8(123456789012345678.0)},
      {"R8 0.00001", Value::r8(0.00001)},
      {"R8 negative tiny", Value::r8(-1.5e-300)},
      {"R8 negative zero", Value::r8(-0.0)},
      {"R4 pi", Value::r4(3.14159274f)},
      {"R4 2^24", Value::r4(16777216.0f)},
      {"R4 0.1", Value::r4(0.1f)},
      {"Currency", Value::currency({12345678})},
      {"Currency negative smallest", Value::currency({-1})},
      {"Currency minimum", Value::currency({std::numeric_limits<std::int64_t>::min()})},
      {"Decimal 123.4500", Value::decimal(decimal(4, false, 0, 1234500))},
      {"Decimal negative", Value::decimal(decimal(2, true, 0, 5))},
      {"Decimal maximum", Value::decimal(decimal(0, false, 0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFull))},
      {"Decimal 28 places", Value::decimal(decimal(28, false, 0, 1))},
      {"Date with time", Value::date({45000.75})},
      {"Date midnight", Value::date({36526})},
      {"Date zero: the time alone", Value::date({0})},
      {"Date noon of day zero", Value::date({0.5})},
      {"Date before 1899", Value::date({-1.25})},
      {"Date 1 January 100", Value::date({-657434})},
      // A JScript host can pass these. Wine spells them as the C library does; Windows'
      // own oleaut32 may not, which is why they are pinned here.
      {"R8 infinity", Value::r8(std::numeric_limits<double>::infinity())},
      {"R8 minus infinity", Value::r8(-std::numeric_limits<double>::infinity())},
      {"R8 NaN", Value::r8(std::numeric_limits<double>::quiet_NaN())},
      // Automation dates run from the year 100 to 9999; outside, neither gives a text.
      {"Date after 9999", Value::date({2958466})},
      {"Date before 100", Value::date({-657435})},
      {"Boolean True", Value::boolean(true)},
      {"Boolean False", Value::boolean(false)},
      {"Null has none", Value::null()},
      {"error value has none", Value::error(static_cast<std::int32_t>(0x80020004))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto portable = automation::tryTextOf(c.value);
    const auto oleaut = oleautText(c.value, VARIANT_ALPHABOOL);
    if (*c.why == '\0')
      EXPECT_EQ(show(portable), show(oleaut));
    else
      EXPECT_NE(show(portable), show(oleaut)) << "documented difference no longer holds: " << c.why;
  }
}

TEST(TextFormTest, BooleansNeedTheAlphaFlagToReadTrue) {
  // Without VARIANT_ALPHABOOL oleaut32 gives the number (-1); a Basic host's text form,
  // which the display flag test relies on, is the word.
  EXPECT_EQ(show(oleautText(Value::boolean(true), 0)), "\"-1\"");
  EXPECT_EQ(show(automation::tryTextOf(Value::boolean(true))), "\"True\"");
}

}  // namespace
}  // namespace windows
