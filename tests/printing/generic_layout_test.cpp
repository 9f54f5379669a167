#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/text.h"
#include "printing/layouts.h"
#include "support/recording_engine.h"
#include "support/test_doubles.h"

namespace printing {
namespace {

using automation::Value;
using testing_support::RecordingEngineFactory;

// What one GENERIC print put on the label: "name kind top" per object, plus text/data.
struct Printed {
  bool succeeded = false;
  std::vector<std::string> objects;  // "Line01 text 18|Sample 42 Times New Roman, 8, Bold"
  int printCalls = 0;
  std::vector<std::string> journal;
};

Printed printGeneric(const std::vector<Value>& lines) {
  control::LabelRequest request;
  request.PrintSucceeded = true;
  request.PrinterName = Value::string(u"LabelWriter");
  request.LabelCopies = Value::i2(1);
  for (std::size_t i = 0; i < lines.size(); ++i) request.line(static_cast<int>(i) + 1) = lines[i];
  const control::LabelRequest before = request;
  testing_support::RecordingSink sink;
  const control::Diagnostics diagnostics(sink, false);
  control::PrintCall call{request, diagnostics};
  RecordingEngineFactory engines;
  PrintGENERICLabels({engines, call});

  // The request's lines are left exactly as the host gave them.
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(request.line(n).identical(before.line(n))) << "Line" << n;

  Printed printed;
  printed.succeeded = request.PrintSucceeded;
  printed.journal = engines.journal;
  std::string current;
  for (const auto& entry : engines.journal) {
    if (entry.starts_with("PrintObject call AddObject(")) {
      // "VT_I2:0, VT_BSTR:\"Line01\", VT_BYREF|VT_I2:500, VT_BYREF|VT_I2:18, ..."
      const bool barCode = entry.find("(VT_I2:5,") != std::string::npos;
      const auto nameAt = entry.find("\"") + 1;
      const std::string name = entry.substr(nameAt, entry.find("\"", nameAt) - nameAt);
      const auto topAt = entry.find("VT_BYREF|VT_I2:", entry.find("VT_BYREF|VT_I2:") + 1) + 15;
      const std::string top = entry.substr(topAt, entry.find(",", topAt) - topAt);
      printed.objects.push_back(name + (barCode ? " barcode " : " text ") + top);
    } else if (entry.find(" put Font_1 = ") != std::string::npos) {
      const auto at = entry.find("\"") + 1;
      printed.objects.back() += " " + entry.substr(at, entry.rfind("\"") - at);
    } else if (entry.find(" put Text = ") != std::string::npos) {
      const auto at = entry.find("VT_BSTR:\"") + 9;
      printed.objects.back() += "|" + entry.substr(at, entry.rfind("\"") - at);
    } else if (entry.starts_with("engine call PrintLabel(")) {
      ++printed.printCalls;
    }
  }
  return printed;
}

Value s(const char16_t* text) { return Value::string(text); }

// A text object as the journal shows it: name, top, content, then the font set after it.
std::string textObject(const char* name, int top, const std::string& content, const char* font = "Times New Roman, 8") {
  return std::string(name) + " text " + std::to_string(top) + "|" + content + " " + font;
}

TEST(GenericLayout, WorkedExample) {
  const auto printed = printGeneric({s(u"TXTBOLD^Sample 42"), s(u"TXT^Serum, 5 mL"), s(u"BCD^S42-7"), s(u""),
                                     s(u"TXT^Keep cold")});
  EXPECT_TRUE(printed.succeeded);
  EXPECT_EQ(printed.objects, (std::vector<std::string>{
                                 textObject("Line01", 18, "Sample 42", "Times New Roman, 8, Bold"),
                                 textObject("Line02", 198, "Serum, 5 mL"),
                                 "Line03 barcode 378|S42-7",
                                 textObject("Line05", 738, "Keep cold"),
                             }));
  EXPECT_EQ(printed.printCalls, 1);
}

TEST(GenericLayout, ExactJournalOfOneTextLine) {
  const auto printed = printGeneric({s(u"TXT^abc")});
  const std::vector<std::string> expected{
      "create Dymo.LabelEngine",
      "engine get PrintObject()",
      "PrintObject get Objects()",
      "Objects get Count()",
      "engine call NewLabel(VT_BYREF|VT_BSTR:\"Return Address\")",
      "engine get LabelInfo()",
      "LabelInfo get LabelName()",
      "engine get PrintObject()",
      "PrintObject call AddObject(VT_I2:0, VT_BSTR:\"Line01\", VT_BYREF|VT_I2:500, VT_BYREF|VT_I2:18, "
      "VT_I2:2800, VT_I2:180, VT_I2:0)",
      "engine get PrintObject()",
      "PrintObject get LabelObject(VT_BYREF|VT_VARIANT:VT_I4:1)",
      "object:Line01 get TextAttributes()",
      "attributes:Line01 put Text = VT_BSTR:\"abc\"",
      "attributes:Line01 put VJustify = VT_I2:-400",
      "attributes:Line01 put Font_1 = VT_BSTR:\"Times New Roman, 8\"",
      "attributes:Line01 put Font_2 = VT_BSTR:\"Times New Roman, 8\"",
      "attributes:Line01 put TextColor = VT_I2:0",
      "attributes:Line01 put BackGroundColor = VT_I2:-200",
      "release attributes:Line01",
      "release object:Line01",
      "engine call PrintLabel(VT_BYREF|VT_VARIANT:VT_BSTR:\"LabelWriter\", VT_BSTR:\"COM1:\", "
      "VT_BYREF|VT_VARIANT:VT_I2:1, VT_BOOL:False)",
      "release engine"};
  EXPECT_EQ(printed.journal, expected);
}

struct MarkupCase {
  const char* name;
  std::vector<Value> lines;
  bool succeeded;
  std::vector<std::string> objects;
  friend void PrintTo(const MarkupCase& c, std::ostream* os) { *os << c.name; }
};

class GenericMarkup : public ::testing::TestWithParam<MarkupCase> {};

TEST_P(GenericMarkup, PlacesWhatEachLineAsksFor) {
  const auto printed = printGeneric(GetParam().lines);
  EXPECT_EQ(printed.succeeded, GetParam().succeeded);
  EXPECT_EQ(printed.objects, GetParam().objects);
  EXPECT_EQ(printed.printCalls, GetParam().succeeded ? 1 : 0);
}


INSTANTIATE_TEST_SUITE_P(
    Lines, GenericMarkup,
    ::testing::Values(
        MarkupCase{"all_empty", {s(u""), Value{}, s(u""), Value{}, s(u"")}, true, {}},
        MarkupCase{"empty_text_still_moves_down", {s(u"TXT^"), s(u"TXT^x")}, true,
                   {textObject("Line01", 18, ""), textObject("Line02", 198, "x")}},
        MarkupCase{"unknown_tokens_do_not_move",
                   {s(u"^abc"), s(u"txt^abc"), s(u" TXT^abc"), s(u"TEXT^abc"), s(u"TXT^z")}, true,
                   {textObject("Line05", 18, "z")}},
        MarkupCase{"only_first_caret_separates", {s(u"TXT^a^b")}, true, {textObject("Line01", 18, "a^b")}},
        MarkupCase{"empty_bar_code_moves_360", {s(u"BCD^"), s(u"TXT^x")}, true,
                   {"Line01 barcode 18|", textObject("Line02", 378, "x")}},
        MarkupCase{"unknown_token_keeps_later_names", {s(u"TXT^a"), s(u"XYZ^b"), s(u"TXT^c")}, true,
                   {textObject("Line01", 18, "a"), textObject("Line03", 198, "c")}},
        MarkupCase{"five_bar_codes",
                   {s(u"BCD^1"), s(u"BCD^2"), s(u"BCD^3"), s(u"BCD^4"), s(u"BCD^5")}, true,
                   {"Line01 barcode 18|1", "Line02 barcode 378|2", "Line03 barcode 738|3", "Line04 barcode 1098|4",
                    "Line05 barcode 1458|5"}},
        MarkupCase{"five_text_lines",
                   {s(u"TXT^1"), s(u"TXT^2"), s(u"TXT^3"), s(u"TXT^4"), s(u"TXT^5")}, true,
                   {textObject("Line01", 18, "1"), textObject("Line02", 198, "2"), textObject("Line03", 378, "3"),
                    textObject("Line04", 558, "4"), textObject("Line05", 738, "5")}},
        MarkupCase{"no_caret_first_fails_all", {s(u"abc"), s(u"TXT^x")}, false, {}},
        MarkupCase{"no_caret_last_fails_all", {s(u"TXT^x"), s(u"TXT^y"), s(u"BCD^z"), s(u"TXT^w"), s(u"abc")}, false,
                   {textObject("Line01", 18, "x"), textObject("Line02", 198, "y"), "Line03 barcode 378|z",
                    textObject("Line04", 738, "w")}},
        MarkupCase{"null_line_fails", {s(u"TXT^x"), Value::null()}, false, {textObject("Line01", 18, "x")}},
        MarkupCase{"number_line_fails", {Value::i4(5)}, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GenericLayout, PrintingTheSameRequestTwiceGivesTheSameLabel) {
  control::LabelRequest request;
  request.PrinterName = Value::string(u"p");
  request.LabelCopies = Value::i2(1);
  request.Line1 = s(u"TXT^abc");
  request.Line2 = s(u"TXT^a^b");
  testing_support::RecordingSink sink;
  const control::Diagnostics diagnostics(sink, false);
  control::PrintCall call{request, diagnostics};
  for (int round = 0; round < 2; ++round) {
    request.PrintSucceeded = true;
    RecordingEngineFactory engines;
    PrintGENERICLabels({engines, call});
    EXPECT_TRUE(request.PrintSucceeded) << round;
    EXPECT_EQ(engines.labelObjects, (std::vector<std::u16string>{u"Line01", u"Line02"})) << round;
  }
}

}  // namespace
}  // namespace printing
