#include "automation/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace automation {
namespace {

struct TextCase {
  const char* name;
  Value value;
  std::u16string expected;
  friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }
};

class TextForm : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextForm, MatchesBasicConversion) { EXPECT_EQ(textOf(GetParam().value), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Values, TextForm,
    ::testing::Values(
        TextCase{"empty", Value{}, u""}, TextCase{"string", Value::string(u"ROWE, SAM"), u"ROWE, SAM"},
        TextCase{"string_with_nul", Value::string(std::u16string(u"a\0b", 3)), std::u16string(u"a\0b", 3)},
        TextCase{"non_ascii", Value::string(u"Müller Żółć 日本"), u"Müller Żółć 日本"},
        TextCase{"i2_negative", Value::i2(-32768), u"-32768"}, TextCase{"i4", Value::i4(2147483647), u"2147483647"},
        TextCase{"i8", Value::i8(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808"},
        TextCase{"ui8", Value::ui8(18446744073709551615ull), u"18446744073709551615"},
        TextCase{"ui1", Value::ui1(255), u"255"}, TextCase{"i1", Value::i1(-5), u"-5"},
        TextCase{"r8_fraction", Value::r8(1.5), u"1.5"}, TextCase{"r8_negative", Value::r8(-0.25), u"-0.25"},
        TextCase{"r8_tenth", Value::r8(0.1), u"0.1"}, TextCase{"r8_large", Value::r8(1e20), u"1E+20"},
        TextCase{"r8_small", Value::r8(0.00001), u"1E-05"},
        TextCase{"r8_fifteen_digits", Value::r8(123456789012345.0), u"123456789012345"},
        TextCase{"r8_negative_zero", Value::r8(-0.0), u"0"}, TextCase{"r4", Value::r4(1.1f), u"1.1"},
        TextCase{"bool_true", Value::boolean(true), u"True"}, TextCase{"bool_false", Value::boolean(false), u"False"},
        TextCase{"currency", Value::currency({15000}), u"1.5"},
        TextCase{"currency_negative", Value::currency({-123456}), u"-12.3456"},
        TextCase{"currency_whole", Value::currency({120000}), u"12"},
        TextCase{"date_and_time", Value::date({46364.4375}), u"12/8/2026 10:30:00 AM"},
        TextCase{"date_only", Value::date({36965}), u"3/15/2001"},
        TextCase{"time_only", Value::date({0.75}), u"6:00:00 PM"}, TextCase{"midnight_day_zero", Value::date({0}), u"12:00:00 AM"},
        TextCase{"date_before_epoch", Value::date({-1.25}), u"12/29/1899 6:00:00 AM"},
        TextCase{"first_date", Value::date({-657434}), u"1/1/100"},
        TextCase{"last_moment", Value::date({2958465.99999}), u"12/31/9999 11:59:59 PM"},
        TextCase{"decimal", Value::decimal({0, 2, 0x80, 0, 12345}), u"-123.45"},
        TextCase{"decimal_trailing_zeros", Value::decimal({0, 2, 0, 0, 150}), u"1.5"},
        TextCase{"decimal_96_bits", Value::decimal({0, 0, 0, 0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFull}),
                 u"79228162514264337593543950335"}),
    [](const auto& info) { return std::string(info.param.name); });

class NamedObject : public Object {
 public:
  explicit NamedObject(Value value, bool hasDefault = true) : value_(std::move(value)), hasDefault_(hasDefault) {}
  Value get(std::u16string_view, std::span<const Argument>) override { return value_; }
  void put(std::u16string_view, const Argument&) override {}
  Value call(std::u16string_view, std::span<const Argument>) override { return {}; }
  Value defaultValue() override { return hasDefault_ ? value_ : Object::defaultValue(); }

 private:
  Value value_;
  bool hasDefault_;
};

TEST(TextForm, ObjectUsesItsDefaultMember) {
  EXPECT_EQ(textOf(Value::object(std::make_shared<NamedObject>(Value::i4(42)))), u"42");
}

TEST(TextForm, ValuesWithoutTextFormFailWithTheirRunTimeError) {
  struct Failing {
    Value value;
    std::int32_t number;
  };
  Array array{VarType::Variant, {{0, 1}}, {Value::string(u"x")}};
  const std::vector<Failing> cases{
      {Value::null(), 94},
      {Value::array(array), 13},
      {Value::missing(), 13},
      {Value::object(std::make_shared<NamedObject>(Value{}, false)), 438},
      {Value::object(nullptr), 91},
      {Value::date({-700000}), 5},    // before the year 100
      {Value::date({3000000}), 5},    // after 9999
      {Value::date({std::numeric_limits<double>::quiet_NaN()}), 5},
  };
  for (const auto& c : cases) {
    try {
      textOf(c.value);
      ADD_FAILURE() << "no failure for vartype " << c.value.vartype();
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), c.number);
    }
    EXPECT_FALSE(tryTextOf(c.value).has_value());
  }
}

TEST(TextForm, MegabyteStringsAreCarriedWhole) {
  std::u16string big(4 * 1024 * 1024, u'x');
  big[100] = u'\0';
  EXPECT_EQ(textOf(Value::string(big)), big);
}

TEST(Presence, FollowsTheTextForm) {
  EXPECT_FALSE(isPresent(Value{}));
  EXPECT_FALSE(isPresent(Value::null()));
  EXPECT_FALSE(isPresent(Value::string(u"")));
  EXPECT_TRUE(isPresent(Value::string(u" ")));
  EXPECT_TRUE(isPresent(Value::i2(0)));
  EXPECT_TRUE(isPresent(Value::boolean(false)));
  EXPECT_TRUE(isPresent(Value::string(std::u16string(1, u'\0'))));
  EXPECT_THROW(isPresent(Value::missing()), AutomationError);
}

TEST(Concatenation, EmptyAndNullContributeNothing) {
  EXPECT_EQ(textOf(concat(Value::string(u"Req# "), Value{})), u"Req# ");
  EXPECT_EQ(textOf(concat(Value::string(u"Acct# "), Value::null())), u"Acct# ");
  EXPECT_EQ(textOf(concat(Value::null(), Value::i4(7))), u"7");
  EXPECT_TRUE(concat(Value::null(), Value::null()).isNull());
  EXPECT_EQ(concat(Value{}, Value{}).type(), VarType::String);
}

TEST(ExactComparison, IsCaseSensitiveAndNullNeverEquals) {
  EXPECT_TRUE(equalsText(Value::string(u"HOSPITAL"), u"HOSPITAL"));
  EXPECT_FALSE(equalsText(Value::string(u"Hospital"), u"HOSPITAL"));
  EXPECT_FALSE(equalsText(Value::string(u"HOSPITAL "), u"HOSPITAL"));
  EXPECT_TRUE(equalsText(Value{}, u""));
  EXPECT_FALSE(equalsText(Value::null(), u""));
  EXPECT_TRUE(equalsText(Value::i4(12), u"12"));
  EXPECT_THROW(equalsText(Value::missing(), u""), AutomationError);
}

TEST(LowerCase, CoversTheLettersHostsSend) {
  EXPECT_EQ(lowerCase(u"TrUe"), u"true");
  EXPECT_EQ(lowerCase(u"ÀÉÎÕÜ×ŁŚΣДЁ"), u"àéîõü×łśσдё");
  EXPECT_EQ(lowerCase(u"123-_"), u"123-_");
}

TEST(Utf8, RoundTripsAndReplacesInvalidBytes) {
  const std::string text = "Müller \xF0\x9F\x92\x89";
  EXPECT_EQ(toUtf8(fromUtf8(text)), text);
  EXPECT_EQ(fromUtf8("a\xFF" "b"), u"a\uFFFDb");
}

TEST(ValueIdentity, DistinguishesTypesAndContent) {
  EXPECT_TRUE(Value::i2(5).identical(Value::i2(5)));
  EXPECT_FALSE(Value::i2(5).identical(Value::i4(5)));
  EXPECT_FALSE(Value::string(u"a").identical(Value::string(u"b")));
  EXPECT_TRUE(Value::null().identical(Value::null()));
  EXPECT_FALSE(Value{}.identical(Value::null()));
}

}  // namespace
}  // namespace automation
