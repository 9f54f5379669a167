#include "printing/layouts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/text.h"
#include "support/recording_engine.h"
#include "support/test_doubles.h"

namespace printing {
namespace {

using automation::Value;
using testing_support::EngineScript;
using testing_support::RecordingEngineFactory;
using testing_support::RecordingSink;
using Journal = std::vector<std::string>;

struct LayoutFixture : ::testing::Test {
  control::LabelRequest request;
  RecordingSink sink;
  control::Diagnostics diagnostics{sink, false};
  control::PrintCall call{request, diagnostics};
  RecordingEngineFactory engines;

  LayoutFixture() {
    request.PrintSucceeded = true;
    request.PrinterName = Value::string(u"DYMO LabelWriter 450");
    request.LabelCopies = Value::string(u"2");
  }
  PrintJob job() { return {engines, call}; }
};

// The journal lines that clear an empty label and apply a stock the engine knows.
Journal preamble(const char* stock) {
  return {"create Dymo.LabelEngine",
          "engine get PrintObject()",
          "PrintObject get Objects()",
          "Objects get Count()",
          std::string("engine call NewLabel(VT_BYREF|VT_BSTR:\"") + stock + "\")",
          "engine get LabelInfo()",
          "LabelInfo get LabelName()"};
}

Journal addObject(const std::string& args, int handle) {
  return {"engine get PrintObject()", "PrintObject call AddObject(" + args + ")", "engine get PrintObject()",
          "PrintObject get LabelObject(VT_BYREF|VT_VARIANT:VT_I4:" + std::to_string(handle) + ")"};
}

Journal barCode(const std::string& object, const std::string& data) {
  return {object + " put Text = " + data,
          object + " put Font = VT_BSTR:\"Times New Roman, 8\"",
          object + " put TextPos = VT_I2:0",
          object + " put BCType = VT_I2:2",
          object + " put Size = VT_I2:0",
          object + " put Justify = VT_I2:0",
          object + " put Link = VT_I2:0"};
}

const char* kPrintLabel =
    "engine call PrintLabel(VT_BYREF|VT_VARIANT:VT_BSTR:\"DYMO LabelWriter 450\", VT_BSTR:\"COM1:\", "
    "VT_BYREF|VT_VARIANT:VT_BSTR:\"2\", VT_BOOL:False)";

void append(Journal& to, const Journal& more) { to.insert(to.end(), more.begin(), more.end()); }

using PhysicianLayout = LayoutFixture;

TEST_F(PhysicianLayout, JournalOfASampleRequest) {
  request.Line1 = Value::string(u"Req# 9003948343");
  request.Line2 = Value::string(u"Acct# EQ39064");
  request.Line3 = Value::string(u"ROWE, SAM, K.");
  request.BarCode = Value::string(u"9003948343");
  PrintPHYSICIANLabels(job());

  Journal expected = preamble("Return Address");
  append(expected, addObject("VT_I2:0, VT_BSTR:\"Info\", VT_I2:360, VT_I2:18, VT_I2:6000, VT_I2:10000, VT_I2:0", 1));
  append(expected, {"object:Info get TextAttributes()",
                    "attributes:Info put Text = VT_BSTR:\"Req# 9003948343\r\nAcct# EQ39064\r\nROWE, SAM, K.\"",
                    "attributes:Info put VJustify = VT_I2:-400",
                    "attributes:Info put Font_1 = VT_BSTR:\"Times New Roman, 8\"",
                    "attributes:Info put Font_2 = VT_BSTR:\"Times New Roman, 8\"",
                    "attributes:Info put TextColor = VT_I2:0", "attributes:Info put BackGroundColor = VT_I2:-200"});
  append(expected, addObject("VT_I2:5, VT_BSTR:\"BC\", VT_I2:400, VT_I2:600, VT_I2:3000, VT_I2:1000, VT_I2:0", 2));
  append(expected, barCode("object:BC", "VT_BSTR:\"9003948343\""));
  append(expected, {kPrintLabel, "release attributes:Info", "release object:BC", "release object:Info", "release engine"});
  EXPECT_EQ(engines.journal, expected);
  EXPECT_TRUE(request.PrintSucceeded);
}

TEST_F(PhysicianLayout, NoBarCodeObjectForAnEmptyUnsetOrNullBarCode) {
  for (const Value& code : {Value::string(u""), Value{}, Value::null()}) {
    engines.journal.clear();
    request.BarCode = code;
    request.Line1 = Value::string(u"Req# ");
    request.Line2 = Value::string(u"Acct# ");
    request.Line3 = Value::null();
    PrintPHYSICIANLabels(job());
    EXPECT_EQ(engines.labelObjects, std::vector<std::u16string>{u"Info"});
    EXPECT_THAT(engines.journal, ::testing::Contains(
                                     "attributes:Info put Text = VT_BSTR:\"Req# \r\nAcct# \r\n\""));
    EXPECT_THAT(engines.journal, ::testing::Contains(kPrintLabel));
    EXPECT_TRUE(request.PrintSucceeded);
  }
}

TEST_F(PhysicianLayout, ClearsObjectsAlreadyOnTheLabelFirst) {
  engines.script.objectsAlreadyOnLabel = 2;
  PrintPHYSICIANLabels(job());
  const Journal clearing(engines.journal.begin() + 1, engines.journal.begin() + 14);
  const Journal expected{"engine get PrintObject()", "PrintObject get Objects()", "Objects get Count()",
                         "engine get PrintObject()", "PrintObject get Objects()", "Objects get Item(VT_I2:1)",
                         "engine get PrintObject()", "PrintObject call Delete(VT_DISPATCH:item:old1)",
                         "engine get PrintObject()", "PrintObject get Objects()", "Objects get Count()",
                         "engine get PrintObject()", "PrintObject get Objects()"};
  EXPECT_EQ(clearing, expected);
  EXPECT_THAT(engines.journal, ::testing::Contains("PrintObject call Delete(VT_DISPATCH:item:old2)"));
  EXPECT_EQ(engines.labelObjects, std::vector<std::u16string>{u"Info"});
}

TEST_F(PhysicianLayout, NumericCopiesGoUnconverted) {
  request.LabelCopies = Value::i2(3);
  PrintPHYSICIANLabels(job());
  EXPECT_EQ(std::count_if(engines.journal.begin(), engines.journal.end(),
                          [](const std::string& e) { return e.starts_with("engine call PrintLabel"); }),
            1);
  EXPECT_THAT(engines.journal, ::testing::Contains(::testing::HasSubstr("VT_BYREF|VT_VARIANT:VT_I2:3, VT_BOOL")));
}

using HospitalLayout = LayoutFixture;

TEST_F(HospitalLayout, JournalOfASampleRequest) {
  request.Line1 = Value::string(u"9600   08/27/2001   ");
  request.Line2 = Value::string(u"ROWE, SAM, K.   ");
  request.Line3 = Value::string(u"never printed");
  request.Line4 = Value::string(u"SID: 1");
  request.Line5 = Value::string(u"Phys: Dr. Kay");
  request.Line6 = Value::string(u"TXT^literal");
  request.Line7 = Value::i4(77);
  request.Line8 = Value::string(u"never printed");
  request.BarCode = Value::string(u"9003948343");
  PrintHOSPITALLabels(job());

  Journal expected = preamble("Small 2-1/4 in x 1-1/4 in");
  int handle = 0;
  std::string previous;
  auto text = [&](const std::string& name, int top, const std::string& content) {
    append(expected, addObject("VT_I2:0, VT_BSTR:\"" + name + "\", VT_I2:200, VT_I2:" + std::to_string(top) +
                                   ", VT_I2:2800, VT_I2:180, VT_I2:0",
                               ++handle));
    if (!previous.empty()) expected.push_back("release object:" + previous);
    expected.push_back("object:" + name + " get TextAttributes()");
    if (!previous.empty()) expected.push_back("release attributes:" + previous);
    const std::string a = "attributes:" + name;
    append(expected, {a + " put Text = " + content, a + " put Font_1 = VT_BSTR:\"Times New Roman, 7\"",
                      a + " put Font_2 = VT_BSTR:\"Times New Roman, 7\"", a + " put TextColor = VT_I4:0",
                      a + " put BackGroundColor = VT_I4:16777215", a + " put Justify = VT_I2:0",
                      a + " put Mirrored = VT_BOOL:False", a + " put Vertical = VT_BOOL:False",
                      a + " put VJustify = VT_I2:0"});
    previous = name;
  };
  text("Line01", 180, "VT_BSTR:\"9600   08/27/2001   \"");
  text("Line02", 360, "VT_BSTR:\"ROWE, SAM, K.   \"");
  append(expected, addObject("VT_I2:5, VT_BSTR:\"BC\", VT_I2:200, VT_I2:540, VT_I2:2800, VT_I2:360, VT_I2:0", ++handle));
  append(expected, barCode("object:BC", "VT_BSTR:\"9003948343\""));
  text("Line04", 900, "VT_BSTR:\"SID: 1\"");
  text("Line05", 1080, "VT_BSTR:\"Phys: Dr. Kay\"");
  text("Line06", 1260, "VT_BSTR:\"TXT^literal\"");
  text("Line07", 1440, "VT_I4:77");
  append(expected, {kPrintLabel, "release attributes:Line07", "release object:BC", "release object:Line07",
                    "release engine"});
  EXPECT_EQ(engines.journal, expected);
  EXPECT_EQ(engines.labelObjects,
            (std::vector<std::u16string>{u"Line01", u"Line02", u"BC", u"Line04", u"Line05", u"Line06", u"Line07"}));
  EXPECT_TRUE(request.PrintSucceeded);
}

TEST_F(HospitalLayout, EmptyValuesStillGiveAllSevenObjects) {
  request.BarCode = Value::null();
  PrintHOSPITALLabels(job());
  EXPECT_EQ(engines.labelObjects.size(), 7u);
  EXPECT_THAT(engines.journal, ::testing::Contains("object:BC put Text = VT_NULL"));
  EXPECT_THAT(engines.journal, ::testing::Contains("attributes:Line01 put Text = VT_EMPTY"));
  EXPECT_TRUE(request.PrintSucceeded);
}

TEST_F(HospitalLayout, UnknownStocksDoNotStopThePrint) {
  engines.script.knownStocks = {};
  PrintHOSPITALLabels(job());
  EXPECT_EQ(engines.labelObjects.size(), 7u);
  EXPECT_TRUE(request.PrintSucceeded);
}

struct FailureCase {
  const char* name;
  EngineScript script;
  void (*layout)(PrintJob);
  std::string lastOperation;  // the failing one: nothing but releases may follow it
  std::vector<std::string> releases;
  const char* stageText;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
};

EngineScript failing(std::u16string member, int occurrence = 1, int objectsOnLabel = 0) {
  EngineScript script;
  script.failures[std::move(member)] = occurrence;
  script.objectsAlreadyOnLabel = objectsOnLabel;
  return script;
}

constexpr const char* kStage1 = "The 'LServer.dll' DYMO component is not registered properly.";
constexpr const char* kStage2 = "An undefined error occurred attempting to print labels.";

class LayoutFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LayoutFailure, EndsTheJobFalseReleasingWhatIsHeld) {
  const FailureCase& c = GetParam();
  control::LabelRequest request;
  request.PrintSucceeded = true;
  request.BarCode = Value::string(u"42");
  request.PrinterName = Value::string(u"p");
  request.LabelCopies = Value::i2(1);
  request.Line1 = Value::string(u"TXT^a");
  request.Line2 = Value::string(u"BCD^b");
  RecordingSink sink;
  const control::Diagnostics diagnostics(sink, true);
  control::PrintCall call{request, diagnostics};
  RecordingEngineFactory engines(c.script);

  c.layout({engines, call});

  EXPECT_FALSE(request.PrintSucceeded);
  auto last = std::find(engines.journal.begin(), engines.journal.end(), c.lastOperation);
  ASSERT_NE(last, engines.journal.end()) << c.lastOperation;
  EXPECT_EQ(Journal(last + 1, engines.journal.end()), c.releases);
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_EQ(sink.messages[0], (control::DiagnosticMessage{u"Error Info!", automation::fromUtf8(c.stageText),
                                                          control::MessageIcon::Critical}));
  EXPECT_EQ(sink.messages[1].title, u"Details Info!");
  EXPECT_TRUE(sink.messages[1].text.starts_with(u"Exception: ")) << automation::toUtf8(sink.messages[1].text);
  EXPECT_EQ(sink.messages[2], (control::DiagnosticMessage{u"Application Info!", u"Vantory ActiveX v.1.3.5",
                                                          control::MessageIcon::Information}));
}

EngineScript noEngine() {
  EngineScript script;
  script.failCreation = true;
  return script;
}

INSTANTIATE_TEST_SUITE_P(
    Stages, LayoutFailure,
    ::testing::Values(
        FailureCase{"physician_engine_missing", noEngine(), PrintPHYSICIANLabels, "create Dymo.LabelEngine", {}, kStage1},
        FailureCase{"physician_clearing", failing(u"Delete", 1, 1), PrintPHYSICIANLabels,
                    "PrintObject call Delete(VT_DISPATCH:item:old1)", {"release engine"}, kStage2},
        FailureCase{"physician_attribute", failing(u"VJustify"), PrintPHYSICIANLabels,
                    "attributes:Info put VJustify = VT_I2:-400",
                    {"release attributes:Info", "release object:Info", "release engine"}, kStage2},
        FailureCase{"physician_print", failing(u"PrintLabel"), PrintPHYSICIANLabels,
                    "engine call PrintLabel(VT_BYREF|VT_VARIANT:VT_BSTR:\"p\", VT_BSTR:\"COM1:\", "
                    "VT_BYREF|VT_VARIANT:VT_I2:1, VT_BOOL:False)",
                    {"release attributes:Info", "release object:BC", "release object:Info", "release engine"}, kStage2},
        FailureCase{"hospital_engine_missing", noEngine(), PrintHOSPITALLabels, "create Dymo.LabelEngine", {}, kStage1},
        FailureCase{"hospital_clearing", failing(u"Count"), PrintHOSPITALLabels, "Objects get Count()",
                    {"release engine"}, kStage1},
        FailureCase{"hospital_add_object", failing(u"AddObject", 2), PrintHOSPITALLabels,
                    "PrintObject call AddObject(VT_I2:0, VT_BSTR:\"Line02\", VT_I2:200, VT_I2:360, VT_I2:2800, "
                    "VT_I2:180, VT_I2:0)",
                    {"release attributes:Line01", "release object:Line01", "release engine"}, kStage2},
        FailureCase{"hospital_bar_code_type", failing(u"BCType"), PrintHOSPITALLabels,
                    "object:BC put BCType = VT_I2:2",
                    {"release attributes:Line02", "release object:BC", "release object:Line02", "release engine"},
                    kStage2},
        FailureCase{"generic_engine_missing", noEngine(), PrintGENERICLabels, "create Dymo.LabelEngine", {}, kStage1},
        FailureCase{"generic_clearing", failing(u"Item", 1, 1), PrintGENERICLabels, "Objects get Item(VT_I2:1)",
                    {"release engine"}, kStage1},
        FailureCase{"generic_attribute", failing(u"Font_1"), PrintGENERICLabels,
                    "attributes:Line01 put Font_1 = VT_BSTR:\"Times New Roman, 8\"",
                    {"release attributes:Line01", "release object:Line01", "release engine"}, kStage2},
        FailureCase{"generic_print", failing(u"PrintLabel"), PrintGENERICLabels,
                    "engine call PrintLabel(VT_BYREF|VT_VARIANT:VT_BSTR:\"p\", VT_BSTR:\"COM1:\", "
                    "VT_BYREF|VT_VARIANT:VT_I2:1, VT_BOOL:False)",
                    {"release engine"}, kStage2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayoutDiagnostics, StayQuietUnlessSwitchedOn) {
  control::LabelRequest request;
  request.PrintSucceeded = true;
  RecordingSink sink;
  const control::Diagnostics off(sink, false);
  control::PrintCall call{request, off};
  RecordingEngineFactory engines(noEngine());
  PrintHOSPITALLabels({engines, call});
  EXPECT_FALSE(request.PrintSucceeded);
  EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
}  // namespace printing
