// Automation values at the extremes: numbers at and beyond every type's range, strings of
// tens of megabytes with lone surrogates, arrays and default members nested thousands of
// levels deep. Each has a text form or raises its run-time error; none crashes.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "automation/text.h"
#include "control/entry_points.h"
#include "support/recording_engine.h"
#include "support/test_doubles.h"

namespace automation {
namespace {

constexpr std::size_t kHuge = 20 << 20;
constexpr int kDeep = 20000;
// Our own objects below release their default values recursively; the core never follows
// a default member more than one level.
constexpr int kDeepDefaults = 1000;

struct ExtremeValue {
  const char* name;
  std::function<Value()> value;
  std::optional<std::u16string> text;  // nothing: it raises
  friend void PrintTo(const ExtremeValue& c, std::ostream* os) { *os << c.name; }
};

// An array holding an array holding ... `depth` levels down.
Value nestedArray(int depth) {
  Value value = Value::string(u"innermost");
  for (int i = 0; i < depth; ++i) value = Value::array(Array{VarType::Variant, {{0, 1}}, {value}});
  return value;
}

class ValueWithDefault : public Object {
 public:
  explicit ValueWithDefault(Value value) : value_(std::move(value)) {}
  Value get(std::u16string_view, std::span<const Argument>) override { return value_; }
  void put(std::u16string_view, const Argument&) override {}
  Value call(std::u16string_view, std::span<const Argument>) override { return value_; }
  Value defaultValue() override { return value_; }

 private:
  Value value_;
};

// An object whose default member gives an object whose default member gives ... a string.
Value nestedDefaults(int depth) {
  Value value = Value::string(u"innermost");
  for (int i = 0; i < depth; ++i) value = Value::object(std::make_shared<ValueWithDefault>(value));
  return value;
}

class ExtremeValueText : public ::testing::TestWithParam<ExtremeValue> {};

TEST_P(ExtremeValueText, HasItsTextFormOrRaises) {
  const Value value = GetParam().value();
  EXPECT_EQ(tryTextOf(value), GetParam().text);
  EXPECT_TRUE(value.identical(Value(value)));
  (void)control::displayFlag(value);
}

constexpr double kR8Max = std::numeric_limits<double>::max();
constexpr double kR8Tiny = std::numeric_limits<double>::denorm_min();

INSTANTIATE_TEST_SUITE_P(
    Numbers, ExtremeValueText,
    ::testing::Values(
        ExtremeValue{"i2_min", [] { return Value::i2(-32768); }, u"-32768"},
        ExtremeValue{"i4_min", [] { return Value::i4(std::numeric_limits<std::int32_t>::min()); }, u"-2147483648"},
        ExtremeValue{"ui4_max", [] { return Value::ui4(4294967295u); }, u"4294967295"},
        ExtremeValue{"int_min", [] { return Value::integer(std::numeric_limits<std::int32_t>::min()); },
                     u"-2147483648"},
        ExtremeValue{"r8_max", [] { return Value::r8(kR8Max); }, u"1.79769313486232E+308"},
        ExtremeValue{"r8_lowest", [] { return Value::r8(-kR8Max); }, u"-1.79769313486232E+308"},
        ExtremeValue{"r8_denormal", [] { return Value::r8(kR8Tiny); }, u"4.94065645841247E-324"},
        ExtremeValue{"r4_max", [] { return Value::r4(std::numeric_limits<float>::max()); }, u"3.402823E+38"},
        ExtremeValue{"r4_denormal", [] { return Value::r4(std::numeric_limits<float>::denorm_min()); },
                     u"1.401298E-45"},
        ExtremeValue{"currency_min", [] { return Value::currency({std::numeric_limits<std::int64_t>::min()}); },
                     u"-922337203685477.5808"},
        ExtremeValue{"currency_max", [] { return Value::currency({std::numeric_limits<std::int64_t>::max()}); },
                     u"922337203685477.5807"},
        ExtremeValue{"decimal_largest_scale",
                     [] { return Value::decimal({0, 28, 0x80, 0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFull}); },
                     u"-7.9228162514264337593543950335"},
        ExtremeValue{"decimal_scale_beyond_28", [] { return Value::decimal({0, 255, 0, 0, 1}); },
                     u"0." + std::u16string(254, u'0') + u"1"},
        ExtremeValue{"decimal_negative_zero", [] { return Value::decimal({0, 3, 0x80, 0, 0}); }, u"0"},
        ExtremeValue{"date_before_first", [] { return Value::date({-657435}); }, std::nullopt},
        ExtremeValue{"date_after_last", [] { return Value::date({2958466}); }, std::nullopt},
        ExtremeValue{"date_largest", [] { return Value::date({kR8Max}); }, std::nullopt},
        ExtremeValue{"date_nan", [] { return Value::date({std::nan("")}); }, std::nullopt},
        ExtremeValue{"date_infinite", [] { return Value::date({-HUGE_VAL}); }, std::nullopt},
        ExtremeValue{"error_min", [] { return Value::error(std::numeric_limits<std::int32_t>::min()); },
                     std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Nesting, ExtremeValueText,
    ::testing::Values(ExtremeValue{"arrays", [] { return nestedArray(kDeep); }, std::nullopt},
                      ExtremeValue{"default_members", [] { return nestedDefaults(kDeepDefaults); }, std::nullopt},
                      ExtremeValue{"one_default_member", [] { return nestedDefaults(1); }, u"innermost"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExtremeText, HugeStringsWithLoneSurrogatesLowerCaseCompareAndConvert) {
  std::u16string text(kHuge, u'A');
  text[1] = 0xD800;            // a lone high surrogate
  text[text.size() - 1] = 0xDC00;  // a lone low one at the very end
  const Value value = Value::string(text);
  const std::u16string lower = lowerCase(text);
  ASSERT_EQ(lower.size(), text.size());
  EXPECT_EQ(lower[0], u'a');
  EXPECT_EQ(lower[1], 0xD800);
  EXPECT_TRUE(equalsText(value, text));
  EXPECT_FALSE(equalsText(value, lower));
  const std::u16string back = fromUtf8(toUtf8(text));
  ASSERT_EQ(back.size(), text.size());
  EXPECT_EQ(back[1], 0xFFFD);
  EXPECT_EQ(back.back(), 0xFFFD);
}

TEST(ExtremeText, InvalidUtf8OfEveryKindBecomesReplacementCharacters) {
  const std::string bytes = std::string("\xff\xfe\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe2\x82", 13) + "\xf0\x9f\x98";
  const std::u16string text = fromUtf8(bytes);
  for (char16_t c : text) EXPECT_EQ(c, 0xFFFD);
  EXPECT_EQ(fromUtf8(std::string(1 << 20, '\x80')).size(), std::size_t{1} << 20);
}

TEST(Abbreviated, CutsLongTextsAtACharacterBoundary) {
  EXPECT_EQ(abbreviated("short"), "short");
  EXPECT_EQ(abbreviated(std::string(100, 'x')), std::string(100, 'x'));
  EXPECT_EQ(abbreviated("ab\xc3\xa9z", 3), "ab... (5 bytes)");
}

// Both print methods with argument vectors at the extremes: they return False or print,
// never throw, and leave their arguments as they were.
struct ExtremeArguments {
  const char* name;
  std::function<Value()> value;  // every argument but the client type and display flags
  bool prints;  // PrintLabels: composed (the label itself is not laid out here)
  friend void PrintTo(const ExtremeArguments& c, std::ostream* os) { *os << c.name; }
};

class ExtremePrintArguments : public ::testing::TestWithParam<ExtremeArguments> {};

TEST_P(ExtremePrintArguments, EndUnprintedOrPrint) {
  const Value filler = GetParam().value();
  std::vector<Value> labels(21, filler);
  labels[0] = Value::string(u"HOSPITAL");
  labels[19] = Value::string(u"false");
  labels[20] = Value::string(u"true");
  std::vector<Value> generic(9, filler);
  generic[7] = Value::string(u"false");
  generic[8] = Value::string(u"true");
  for (const auto* arguments : {&labels, &generic}) {
    testing_support::RecordingEngineFactory engines;
    testing_support::ScriptedWindows windows;
    testing_support::RecordingSink diagnostics;
    control::LabelRequest request;
    control::PrintEntryPoints control(request, windows, diagnostics);
    const auto given = *arguments;
    const bool printed = arguments == &labels ? control.PrintLabels(*arguments)
                                              : control.PrintGENERICLabels(*arguments);
    // The GENERIC lines are read only when the label is laid out, which these windows skip.
    EXPECT_EQ(printed, arguments == &labels ? GetParam().prints : true);
    EXPECT_EQ(printed, request.PrintSucceeded);
    for (std::size_t i = 0; i < given.size(); ++i) EXPECT_TRUE((*arguments)[i].identical(given[i])) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ExtremePrintArguments,
    ::testing::Values(ExtremeArguments{"long_strings", [] { return Value::string(std::u16string(1 << 20, u'W')); }, true},
                      ExtremeArguments{"nested_arrays", [] { return nestedArray(kDeep); }, false},
                      ExtremeArguments{"nested_default_members", [] { return nestedDefaults(kDeepDefaults); }, false},
                      ExtremeArguments{"largest_doubles", [] { return Value::r8(kR8Max); }, true},
                      ExtremeArguments{"dates_beyond_their_text", [] { return Value::date({1e300}); }, false},
                      ExtremeArguments{"lone_surrogates", [] { return Value::string(u"\xDC00\xD800"); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace automation
