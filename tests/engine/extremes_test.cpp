// Inputs at the extremes, end to end: request files and label descriptions nested thousands
// of levels deep, strings of tens of megabytes, numbers at and beyond every type's range,
// invalid UTF-8 and lone surrogates. Each must end with a clear error or a label (drawn,
// with a text too long for its box cut to what can show), never a crash.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "automation/text.h"
#include "engine/description_json.h"
#include "engine/renderer.h"
#include "platform/headless/headless_control.h"
#include "requests/host_request.h"

namespace engine_test {
namespace {

using automation::Value;

// Tens of megabytes through the whole path once per kind of input; a megabyte in every
// other field (the same code, at a cost the suite can afford under the sanitizers).
constexpr std::size_t kHuge = 20 << 20;
constexpr std::size_t kLong = 1 << 20;
constexpr int kDeep = 100000;

std::string nested(int depth, std::string_view open = "[", std::string_view close = "]") {
  std::string text;
  text.reserve(static_cast<std::size_t>(depth) * (open.size() + close.size()));
  for (int i = 0; i < depth; ++i) text += open;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

std::string jsonString(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Draws every label it is handed, from its recorded description as render-label would.
class DrawingSink : public engine::PrintSink {
 public:
  void print(const engine::LabelDescription& label) override {
    pictures.push_back(renderer_.render(engine::fromJson(engine::toJson(label))));
  }
  std::vector<engine::Bitmap> pictures;

 private:
  engine::LabelRenderer renderer_;
};

enum class Outcome { Refused, Unprinted, Printed };

std::ostream& operator<<(std::ostream& out, Outcome outcome) {
  return out << (outcome == Outcome::Refused ? "refused" : outcome == Outcome::Unprinted ? "unprinted" : "printed");
}

struct ExtremeCase {
  const char* name;
  std::function<std::string()> input;
  Outcome expected;
  friend void PrintTo(const ExtremeCase& c, std::ostream* os) { *os << c.name; }
};

std::string caseName(const ::testing::TestParamInfo<ExtremeCase>& info) { return info.param.name; }

// ---- request files, through the entry points onto the virtual engine ----

std::string hospitalWith(std::string_view name, std::string_view json) {
  return R"({"method": "PrintLabels", "arguments": {"ClientType": "HOSPITAL", "PrinterName": "LW", "LabelCopies": 1,
    "Barcode": "S42", "PatientName": "ROWE, SAM", "DisplayProperties": "false", )" +
         jsonString(name) + ": " + std::string(json) + "}}";
}

std::string genericWith(std::string_view line1) {
  return R"({"method": "PrintGENERICLabels", "arguments": {"PrinterName": "LW", "LabelCopies": 1,
    "Line2": "TXT^after", "DisplayProperties": "false", "Line1": )" +
         std::string(line1) + "}}";
}

std::string typed(std::string_view type, std::string_view value) {
  return R"({"type": ")" + std::string(type) + R"(", "value": )" + std::string(value) + "}";
}

Outcome printRequest(const std::string& json, DrawingSink& sink) {
  std::vector<Value> arguments;
  host::HostRequest request;
  try {
    request = host::parseRequestJson(json);
    arguments = host::argumentList(request);
  } catch (const host::RequestError& error) {
    EXPECT_LT(std::string(error.what()).size(), 1000u) << "a clear error, not the input again";
    return Outcome::Refused;
  }
  const bool printed = headless::HeadlessControl(std::shared_ptr<DrawingSink>(&sink, [](DrawingSink*) {}))
                           .print(request.method, arguments);
  EXPECT_EQ(sink.pictures.size(), printed ? 1u : 0u);
  return printed ? Outcome::Printed : Outcome::Unprinted;
}

class ExtremeRequestFile : public ::testing::TestWithParam<ExtremeCase> {};

TEST_P(ExtremeRequestFile, EndsWithAClearErrorOrALabel) {
  DrawingSink sink;
  EXPECT_EQ(printRequest(GetParam().input(), sink), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Nesting, ExtremeRequestFile,
    ::testing::Values(
        ExtremeCase{"array_in_an_argument", [] { return hospitalWith("PatientName", nested(kDeep)); }, Outcome::Refused},
        ExtremeCase{"object_in_an_argument",
                    [] { return hospitalWith("PatientName", nested(kDeep, R"({"a":)", "}")); }, Outcome::Refused},
        ExtremeCase{"typed_value", [] { return hospitalWith("PatientName", typed("String", nested(kDeep))); },
                    Outcome::Refused},
        ExtremeCase{"whole_file", [] { return nested(kDeep); }, Outcome::Refused},
        ExtremeCase{"beside_the_arguments",
                    [] { return R"({"note": )" + nested(kDeep) + R"(, "arguments": {}})"; }, Outcome::Refused},
        ExtremeCase{"unclosed", [] { return hospitalWith("PatientName", std::string(kDeep, '[')); }, Outcome::Refused},
        ExtremeCase{"shallow_enough", [] { return hospitalWith("PatientName", typed("String", jsonString("x"))); },
                    Outcome::Printed}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    HugeStrings, ExtremeRequestFile,
    ::testing::Values(
        ExtremeCase{"patient_name", [] { return hospitalWith("PatientName", jsonString(std::string(kLong, 'W'))); },
                    Outcome::Printed},
        ExtremeCase{"lines_of_a_patient_name",
                    [] { return hospitalWith("PatientName", jsonString(nested(static_cast<int>(kLong / 4), "W\\n", ""))); },
                    Outcome::Printed},
        ExtremeCase{"generic_line", [] { return genericWith(jsonString("TXT^" + std::string(kLong, 'W'))); },
                    Outcome::Printed},
        ExtremeCase{"generic_line_without_separator", [] { return genericWith(jsonString(std::string(kLong, 'W'))); },
                    Outcome::Unprinted},
        ExtremeCase{"bar_code", [] { return hospitalWith("Barcode", jsonString(std::string(kLong, '7'))); },
                    Outcome::Unprinted},
        ExtremeCase{"printer", [] { return hospitalWith("PrinterName", jsonString(std::string(kLong, 'P'))); },
                    Outcome::Printed},
        ExtremeCase{"parameter_name", [] { return hospitalWith(std::string(kLong, 'N'), "1"); }, Outcome::Refused},
        ExtremeCase{"method", [] { return R"({"method": )" + jsonString(std::string(kHuge, 'M')) + "}"; },
                    Outcome::Refused},
        ExtremeCase{"type_name", [] { return hospitalWith("PatientName", typed(std::string(kLong, 'T'), "1")); },
                    Outcome::Refused}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Numbers, ExtremeRequestFile,
    ::testing::Values(
        ExtremeCase{"copies_i2_max", [] { return hospitalWith("LabelCopies", "32767"); }, Outcome::Unprinted},
        ExtremeCase{"copies_beyond_i2", [] { return hospitalWith("LabelCopies", "32768"); }, Outcome::Unprinted},
        ExtremeCase{"copies_beyond_i4", [] { return hospitalWith("LabelCopies", "2147483648"); }, Outcome::Unprinted},
        ExtremeCase{"copies_beyond_i8", [] { return hospitalWith("LabelCopies", "9223372036854775808"); },
                    Outcome::Unprinted},
        ExtremeCase{"copies_beyond_u8", [] { return hospitalWith("LabelCopies", "18446744073709551616"); },
                    Outcome::Unprinted},
        ExtremeCase{"copies_beyond_r8", [] { return hospitalWith("LabelCopies", "1e400"); }, Outcome::Refused},
        ExtremeCase{"copies_below_r8", [] { return hospitalWith("LabelCopies", "-1e400"); }, Outcome::Refused},
        ExtremeCase{"copies_smallest_r8", [] { return hospitalWith("LabelCopies", "4.9e-324"); }, Outcome::Unprinted},
        ExtremeCase{"name_largest_r8", [] { return hospitalWith("PatientName", "1.7976931348623157e308"); },
                    Outcome::Printed},
        ExtremeCase{"name_i8_min", [] { return hospitalWith("PatientName", "-9223372036854775808"); },
                    Outcome::Printed},
        ExtremeCase{"i2_max", [] { return hospitalWith("LabelCopies", typed("I2", "32767")); }, Outcome::Unprinted},
        ExtremeCase{"i2_beyond", [] { return hospitalWith("LabelCopies", typed("I2", "32768")); }, Outcome::Refused},
        ExtremeCase{"i2_below", [] { return hospitalWith("LabelCopies", typed("I2", "-32769")); }, Outcome::Refused},
        ExtremeCase{"i2_far_beyond", [] { return hospitalWith("LabelCopies", typed("I2", "-1e300")); },
                    Outcome::Refused},
        ExtremeCase{"i2_fraction", [] { return hospitalWith("LabelCopies", typed("I2", "1.5")); }, Outcome::Refused},
        ExtremeCase{"i2_whole_float", [] { return hospitalWith("LabelCopies", typed("I2", "1.0")); },
                    Outcome::Printed},
        ExtremeCase{"i4_min", [] { return hospitalWith("PatientName", typed("I4", "-2147483648")); },
                    Outcome::Printed},
        ExtremeCase{"i4_beyond", [] { return hospitalWith("LabelCopies", typed("I4", "2147483648")); },
                    Outcome::Refused},
        ExtremeCase{"i4_far_beyond", [] { return hospitalWith("LabelCopies", typed("I4", "1e10")); }, Outcome::Refused},
        ExtremeCase{"i4_beyond_u8", [] { return hospitalWith("LabelCopies", typed("I4", "18446744073709551615")); },
                    Outcome::Refused},
        ExtremeCase{"r4_max", [] { return hospitalWith("PatientName", typed("R4", "3.4028234e38")); }, Outcome::Printed},
        ExtremeCase{"r4_beyond", [] { return hospitalWith("PatientName", typed("R4", "1e300")); }, Outcome::Refused},
        ExtremeCase{"r4_below", [] { return hospitalWith("PatientName", typed("R4", "-1e39")); }, Outcome::Refused},
        ExtremeCase{"r4_underflow", [] { return hospitalWith("PatientName", typed("R4", "1e-50")); }, Outcome::Printed},
        ExtremeCase{"currency_max", [] { return hospitalWith("PatientName", typed("Currency", "922337203685477")); },
                    Outcome::Printed},
        ExtremeCase{"currency_beyond", [] { return hospitalWith("PatientName", typed("Currency", "1e300")); },
                    Outcome::Refused},
        ExtremeCase{"currency_below", [] { return hospitalWith("PatientName", typed("Currency", "-1e15")); },
                    Outcome::Refused},
        ExtremeCase{"date_last_day", [] { return hospitalWith("PatientName", typed("Date", "2958465")); },
                    Outcome::Printed},
        ExtremeCase{"date_beyond_its_text", [] { return hospitalWith("PatientName", typed("Date", "1e300")); },
                    Outcome::Unprinted},
        ExtremeCase{"bool_from_a_number", [] { return hospitalWith("PatientName", typed("Bool", "1")); },
                    Outcome::Refused},
        ExtremeCase{"type_not_text", [] { return hospitalWith("PatientName", R"({"type": 5})"); }, Outcome::Refused},
        ExtremeCase{"method_not_text", [] { return R"({"method": 5})"; }, Outcome::Refused}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Encoding, ExtremeRequestFile,
    ::testing::Values(
        ExtremeCase{"invalid_byte", [] { return hospitalWith("PatientName", "\"A\xff\""); }, Outcome::Refused},
        ExtremeCase{"overlong_slash", [] { return hospitalWith("PatientName", "\"\xc0\xaf\""); }, Outcome::Refused},
        ExtremeCase{"encoded_surrogate", [] { return hospitalWith("PatientName", "\"\xed\xa0\x80\""); },
                    Outcome::Refused},
        ExtremeCase{"beyond_unicode", [] { return hospitalWith("PatientName", "\"\xf4\x90\x80\x80\""); },
                    Outcome::Refused},
        ExtremeCase{"lone_high_surrogate", [] { return hospitalWith("PatientName", R"("\ud800")"); },
                    Outcome::Refused},
        ExtremeCase{"lone_low_surrogate", [] { return hospitalWith("PatientName", R"("\udc00x")"); },
                    Outcome::Refused},
        ExtremeCase{"surrogate_pair", [] { return hospitalWith("PatientName", R"("\ud83d\ude00")"); },
                    Outcome::Printed},
        ExtremeCase{"nul", [] { return hospitalWith("PatientName", R"("a\u0000b")"); }, Outcome::Printed},
        ExtremeCase{"invalid_in_a_name", [] { return hospitalWith("Patient\xffName", "1"); }, Outcome::Refused}),
    caseName);

// ---- label descriptions, as render-label reads and draws them ----

constexpr char kTextObject[] =
    R"({"name": "T", "kind": "text", "left": 100, "top": 100, "width": 2800, "height": 600, "rotation": 0,
        "text": "Abc", "font1": "Arial, 10", "font2": "Arial, 8", "justify": 0, "vJustify": 0, "textColor": 0,
        "backgroundColor": -1, "mirrored": false, "vertical": false)";

std::string description(std::string_view objects, std::string_view extra = "") {
  return R"({"version": 1, "stock": {"name": "Medium", "width": 3240, "height": 1800}, "objects": [)" +
         std::string(objects) + R"(], "printer": "P", "port": "COM1:", "copies": 1, "showDialog": false)" +
         std::string(extra) + "}";
}

// The text object with one field given (the last of duplicate keys counts).
std::string textObjectWith(std::string_view field, std::string_view json) {
  return description(std::string(kTextObject) + ", " + jsonString(field) + ": " + std::string(json) + "}");
}

std::string stockWith(std::string_view width, std::string_view height) {
  return description(std::string(kTextObject) + "}",
                     R"(, "stock": {"name": "Big", "width": )" + std::string(width) + R"(, "height": )" +
                         std::string(height) + "}");
}

Outcome drawDescription(const std::string& json) {
  static engine::LabelRenderer renderer;
  engine::LabelDescription label;
  try {
    label = engine::fromJson(json);
  } catch (const engine::DescriptionError& error) {
    EXPECT_LT(std::string(error.what()).size(), 1000u) << "a clear error, not the input again";
    return Outcome::Refused;
  }
  const engine::Bitmap picture = renderer.render(label);
  EXPECT_GT(picture.width, 0);
  EXPECT_FALSE(engine::encodePng(picture).empty());
  return Outcome::Printed;
}

class ExtremeDescription : public ::testing::TestWithParam<ExtremeCase> {};

TEST_P(ExtremeDescription, EndsWithAClearErrorOrAPicture) {
  EXPECT_EQ(drawDescription(GetParam().input()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Nesting, ExtremeDescription,
    ::testing::Values(
        ExtremeCase{"as_the_objects", [] { return description(nested(kDeep)); }, Outcome::Refused},
        ExtremeCase{"as_a_text", [] { return textObjectWith("text", nested(kDeep)); }, Outcome::Refused},
        ExtremeCase{"beside_the_label", [] { return description("", R"(, "note": )" + nested(kDeep)); },
                    Outcome::Refused},
        ExtremeCase{"objects_deep", [] { return description(nested(kDeep, R"({"a":)", "}")); }, Outcome::Refused}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    HugeStrings, ExtremeDescription,
    ::testing::Values(
        ExtremeCase{"text", [] { return textObjectWith("text", jsonString(std::string(kHuge, 'W'))); }, Outcome::Printed},
        ExtremeCase{"text_of_many_lines",
                    [] { return textObjectWith("text", jsonString(nested(static_cast<int>(kLong / 4), "W\\n", ""))); },
                    Outcome::Printed},
        ExtremeCase{"text_of_combining_marks",
                    [] { return textObjectWith("text", jsonString("e" + nested(static_cast<int>(kLong / 2), "\xcc\x81", ""))); },
                    Outcome::Printed},
        ExtremeCase{"rotated_text",
                    [] {
                      return description(std::string(kTextObject) + R"(, "rotation": 90, "vertical": true, "text": )" +
                                         jsonString(std::string(kLong, 'W')) + "}");
                    },
                    Outcome::Printed},
        ExtremeCase{"font_family", [] { return textObjectWith("font1", jsonString(std::string(kLong, 'F') + ", 8")); },
                    Outcome::Printed},
        ExtremeCase{"font_size", [] { return textObjectWith("font1", jsonString("Arial, " + std::string(kLong, '1'))); },
                    Outcome::Refused},
        ExtremeCase{"object_name", [] { return textObjectWith("name", jsonString(std::string(kLong, 'N'))); },
                    Outcome::Printed},
        ExtremeCase{"printer", [] { return description("", R"(, "printer": )" + jsonString(std::string(kLong, 'P'))); },
                    Outcome::Printed},
        ExtremeCase{"kind", [] { return textObjectWith("kind", jsonString(std::string(kLong, 'K'))); }, Outcome::Refused},
        ExtremeCase{"many_objects",
                    [] {
                      std::string objects;
                      for (int i = 0; i < 2000; ++i) objects += std::string(i ? ", " : "") + kTextObject + "}";
                      return description(objects);
                    },
                    Outcome::Printed}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Numbers, ExtremeDescription,
    ::testing::Values(
        ExtremeCase{"left_i4_max", [] { return textObjectWith("left", "2147483647"); }, Outcome::Printed},
        ExtremeCase{"left_i4_min", [] { return textObjectWith("left", "-2147483648"); }, Outcome::Printed},
        ExtremeCase{"width_i4_max", [] { return textObjectWith("width", "2147483647"); }, Outcome::Printed},
        ExtremeCase{"left_beyond_i4", [] { return textObjectWith("left", "2147483648"); }, Outcome::Refused},
        ExtremeCase{"left_below_i4", [] { return textObjectWith("left", "-2147483649"); }, Outcome::Refused},
        ExtremeCase{"left_i8_max", [] { return textObjectWith("left", "9223372036854775807"); }, Outcome::Refused},
        ExtremeCase{"left_beyond_i8", [] { return textObjectWith("left", "9223372036854775808"); }, Outcome::Refused},
        ExtremeCase{"left_u8_max", [] { return textObjectWith("left", "18446744073709551615"); }, Outcome::Refused},
        ExtremeCase{"left_beyond_u8", [] { return textObjectWith("left", "18446744073709551616"); }, Outcome::Refused},
        ExtremeCase{"left_beyond_r8", [] { return textObjectWith("left", "1e400"); }, Outcome::Refused},
        ExtremeCase{"color_u8_max", [] { return textObjectWith("textColor", "18446744073709551615"); },
                    Outcome::Refused},
        ExtremeCase{"copies_u8_max", [] { return description("", R"(, "copies": 18446744073709551615)"); },
                    Outcome::Refused},
        ExtremeCase{"version_u8", [] { return description("", R"(, "version": 18446744073709551617)"); },
                    Outcome::Refused},
        ExtremeCase{"largest_stock", [] { return stockWith("2147483647", "2147483647"); }, Outcome::Printed},
        ExtremeCase{"widest_stock", [] { return stockWith("2147483647", "1"); }, Outcome::Printed},
        ExtremeCase{"stock_beyond_i4", [] { return stockWith("2147483648", "1800"); }, Outcome::Refused},
        ExtremeCase{"font_size_max", [] { return textObjectWith("font1", R"("Arial, 400")"); }, Outcome::Printed},
        ExtremeCase{"font_size_tiny", [] { return textObjectWith("font1", R"("Arial, 4.9e-324")"); },
                    Outcome::Printed},
        ExtremeCase{"font_size_beyond", [] { return textObjectWith("font1", R"("Arial, 1e400")"); },
                    Outcome::Refused}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Encoding, ExtremeDescription,
    ::testing::Values(
        ExtremeCase{"invalid_byte", [] { return textObjectWith("text", "\"A\xff\""); }, Outcome::Refused},
        ExtremeCase{"encoded_surrogate", [] { return textObjectWith("text", "\"\xed\xb0\x80\""); }, Outcome::Refused},
        ExtremeCase{"lone_surrogate", [] { return textObjectWith("text", R"("\udfff")"); }, Outcome::Refused},
        ExtremeCase{"surrogate_pair", [] { return textObjectWith("text", R"("\ud83d\ude00")"); }, Outcome::Printed},
        ExtremeCase{"controls", [] { return textObjectWith("text", R"("\u0000\u0001\u001b\u007f")"); },
                    Outcome::Printed}),
    caseName);

// ---- the GENERIC markup through its entry point, lines of every size and encoding ----

struct MarkupCase {
  const char* name;
  std::function<std::u16string()> line;
  bool prints;
  friend void PrintTo(const MarkupCase& c, std::ostream* os) { *os << c.name; }
};

class ExtremeMarkupLine : public ::testing::TestWithParam<MarkupCase> {};

TEST_P(ExtremeMarkupLine, PrintsOrEndsUnprinted) {
  auto sink = std::make_shared<DrawingSink>();
  const std::vector<Value> arguments{Value::string(u"LW"), Value::i2(1), Value::string(GetParam().line()),
                                     Value::string(u"TXT^after"), Value{}, Value{}, Value{},
                                     Value::string(u"false"), Value::string(u"false")};
  EXPECT_EQ(headless::HeadlessControl(sink).print(control::PrintMethod::PrintGENERICLabels, arguments),
            GetParam().prints);
  EXPECT_EQ(sink->pictures.size(), GetParam().prints ? 1u : 0u);
}

std::u16string repeated(std::u16string_view unit, std::size_t times) {
  std::u16string text;
  text.reserve(unit.size() * times);
  for (std::size_t i = 0; i < times; ++i) text += unit;
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExtremeMarkupLine,
    ::testing::Values(
        MarkupCase{"huge_text", [] { return u"TXT^" + std::u16string(kHuge, u'W'); }, true},
        MarkupCase{"huge_bold_text_of_lines", [] { return u"TXTBOLD^" + repeated(u"W\r\n", kLong / 3); }, true},
        MarkupCase{"huge_bar_code", [] { return u"BCD^" + std::u16string(kLong, u'7'); }, false},
        MarkupCase{"huge_without_separator", [] { return std::u16string(kLong, u'W'); }, false},
        MarkupCase{"only_separators", [] { return std::u16string(kLong, u'^'); }, true},
        MarkupCase{"huge_token", [] { return std::u16string(kLong, u'T') + u"^x"; }, true},
        MarkupCase{"lone_surrogates", [] { return u"TXT^" + repeated(u"\xD800\xDC00\xDC00\xD800", 1000); }, true},
        MarkupCase{"combining_marks", [] { return u"TXT^e" + repeated(u"\x0301", kLong / 2); }, true},
        MarkupCase{"bar_code_of_lone_surrogates", [] { return std::u16string(u"BCD^\xD800"); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace engine_test
