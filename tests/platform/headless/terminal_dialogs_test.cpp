#include "platform/headless/terminal_dialogs.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "automation/text.h"
#include "control/entry_points.h"
#include "platform/headless/headless_control.h"

namespace headless {
namespace {

using automation::Value;
using control::LabelRequest;
using forms::SettingsDialog;

struct Run {
  bool result;
  std::string output;
};

Run runDialog(SettingsDialog dialog, LabelRequest& request, const std::string& input, bool interactive = true) {
  std::istringstream in(input);
  std::ostringstream out;
  const control::Diagnostics diagnostics;
  control::PrintCall call{request, diagnostics};
  const bool result = runTerminalDialog(dialog, call, in, out, interactive);
  return {result, out.str()};
}

LabelRequest printParameters(std::u16string clientType = u"HOSPITAL") {
  LabelRequest request;
  request.ClientType = Value::string(std::move(clientType));
  request.ClientNumber = Value::i4(17);
  request.PrinterName = Value::string(u"LW");
  request.LabelCopies = Value::i2(2);
  for (int n = 1; n <= 5; ++n) request.line(n) = Value::string(u"TXT^l" + automation::fromUtf8(std::to_string(n)));
  return request;
}

// Where `text` first appears in the output, or npos.
std::size_t at(const Run& run, const std::string& text) { return run.output.find(text); }

// ---- Print parameters on a terminal -----------------------------------------------------
// The prompts come in screen order: client label type, printer name, label copies, client number.

struct Script {
  const char* name;
  std::string input;
  // What each field holds afterwards as a string; nothing: the original value, untouched.
  std::optional<std::u16string> clientType, clientNumber, printerName, labelCopies;
  friend void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }
};

const Script kScripts[] = {
    {"EnterKeepsEveryValueAndOkStoresThemAsStrings", "\n\n\n\n\n", u"HOSPITAL", u"17", u"LW", u"2"},
    {"TypingReplacesAValue", "PHYSICIAN\nOther printer\n3\nC-9\no\n", u"PHYSICIAN", u"C-9", u"Other printer", u"3"},
    {"ADashEmptiesABoxAndAnEscapedDashTypesOne", "\n\n-\n\\-\nok\n", u"HOSPITAL", u"-", u"LW", u""},
    {"WindowsLineEndsAreNotPartOfTheValue", "PHYSICIAN\r\n\r\n\r\n\r\n\r\n", u"PHYSICIAN", u"17", u"LW", u"2"},
    {"TextIsUtf8", "\nDrucker M\xc3\xbcller\n\n\n\n", u"HOSPITAL", u"17", u"Drucker M\u00fcller", u"2"},
    {"RestoreDefaultsThenTheCloseBoxKeepsTheDefaults", "PHYSICIAN\n\n\n\nd\nc\n", u"HOSPITAL", u"EQ39064",
     u"DYMO LabelWriter EL60", u"1"},
    {"EditsAfterRestoreDefaultsAreStored", "\n\n\n\nD\ne\n\n\n7\n\nO\n", u"HOSPITAL", u"EQ39064",
     u"DYMO LabelWriter EL60", u"7"},
    {"TheCloseBoxKeepsTheOriginals", "X\nY\n\n\nc\n", {}, {}, {}, {}},
    {"EndOfInputWhileEditingIsTheCloseBox", "X\n", {}, {}, {}, {}},
    {"EndOfInputAtTheQuestionIsTheCloseBox", "X\n\n\n\n", {}, {}, {}, {}},
    {"AnUnknownAnswerAsksAgain", "\n\n\n\nmaybe\nOK\n", u"HOSPITAL", u"17", u"LW", u"2"},
};

class TerminalPrintParameters : public ::testing::TestWithParam<Script> {};

TEST_P(TerminalPrintParameters, StoresWhatTheUserConfirmed) {
  const auto& script = GetParam();
  auto request = printParameters();
  const auto before = request;
  const auto run = runDialog(SettingsDialog::PrintParameters, request, script.input);
  EXPECT_TRUE(run.result);
  const std::pair<Value LabelRequest::*, const std::optional<std::u16string>*> expected[] = {
      {&LabelRequest::ClientType, &script.clientType},
      {&LabelRequest::ClientNumber, &script.clientNumber},
      {&LabelRequest::PrinterName, &script.printerName},
      {&LabelRequest::LabelCopies, &script.labelCopies},
  };
  for (const auto& [field, value] : expected) {
    if (*value) {
      EXPECT_TRUE((request.*field).identical(Value::string(**value))) << automation::toUtf8(**value);
    } else {
      EXPECT_TRUE((request.*field).identical(before.*field));
    }
  }
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(request.line(n).identical(before.line(n)));
  EXPECT_NE(at(run, "Vantory ActiveX v.1.3.5"), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(Scripts, TerminalPrintParameters, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TerminalDialogs, PromptsShowEachFieldWithItsLabelAndValue) {
  auto request = printParameters();
  const auto run = runDialog(SettingsDialog::PrintParameters, request, "\n\n\n\nmaybe\nc\n");
  const std::vector<std::string> prompts{"Client Label Type [HOSPITAL]: ", "Printer Name [LW]: ",
                                         "Label Copies [2]: ", "Client Number [17]: "};
  std::size_t last = 0;
  for (const auto& prompt : prompts) {
    const auto where = at(run, prompt);
    ASSERT_NE(where, std::string::npos) << prompt << "\n" << run.output;
    EXPECT_GT(where, last) << prompt;
    last = where;
  }
  EXPECT_NE(at(run, "Client Number:     [17]"), std::string::npos) << run.output;
  EXPECT_NE(at(run, "Please answer O, D, E or C."), std::string::npos);
  EXPECT_NE(at(run, "Closed without saving."), std::string::npos);
  EXPECT_EQ(at(run, "Generic Input:"), std::string::npos);
}

TEST(TerminalDialogs, RestoreDefaultsShowsTheDefaultsBeforeAskingAgain) {
  auto request = printParameters();
  const auto run = runDialog(SettingsDialog::PrintParameters, request, "\n\n\n\nd\nc\n");
  const auto defaults = at(run, "[DYMO LabelWriter EL60]");
  ASSERT_NE(defaults, std::string::npos) << run.output;
  EXPECT_GT(run.output.find("Restore [D]efaults", defaults), defaults);  // asked again after them
}

TEST(TerminalDialogs, GenericShowsTheLinesWithoutAskingForThemOrTheClientNumber) {
  auto request = printParameters(u"GENERIC");
  const auto before = request;
  const auto run = runDialog(SettingsDialog::PrintParameters, request, "\nLW2\n\n\n");
  EXPECT_NE(at(run, "Generic Input:     [TXT^l1]"), std::string::npos) << run.output;
  EXPECT_LT(at(run, "[TXT^l1]"), at(run, "[TXT^l5]"));
  EXPECT_EQ(at(run, "Client Number"), std::string::npos) << run.output;
  EXPECT_EQ(at(run, "TXT^l1]: "), std::string::npos);  // shown, never asked
  // Three prompts, so the fourth line is the answer: Ok.
  EXPECT_EQ(request.PrinterName.asString(), u"LW2");
  EXPECT_EQ(request.ClientNumber.asString(), u"17");  // hidden, but stored like every bound box
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(request.line(n).identical(before.line(n)));
}

TEST(TerminalDialogs, LowerCaseGenericIsAnOrdinaryClientType) {
  auto request = printParameters(u"generic");
  const auto run = runDialog(SettingsDialog::PrintParameters, request, "\n\n\n-\n\n");
  EXPECT_EQ(at(run, "Generic Input:"), std::string::npos) << run.output;
  EXPECT_NE(at(run, "Client Number [17]: "), std::string::npos);
  EXPECT_EQ(request.ClientNumber.asString(), u"");
}

// ---- Patient data on a terminal -----------------------------------------------------------

TEST(TerminalDialogs, PatientDataAsksInScreenOrderAndStoresEachBoxInItsField) {
  LabelRequest request;
  request.PatientID = Value::i4(9600);
  request.PatientName = Value::null();
  // Screen order, which puts temperature before specimen requirements, date and time.
  const std::vector<std::pair<std::string, std::string>> rows{
      {"BarCode", "B"},          {"Accession Number", "A"}, {"Requisition Number", "R"}, {"SampleID", "S"},
      {"PatientID", ""},         {"Patient Name", "DOE, JANE"}, {"Patient DOB", "01/02/1990"},
      {"Patient Gender", "F"},   {"Test Number", "T1"},     {"Test Name", "TN"},       {"Physician Name", "Dr. X"},
      {"Temperature", "R"},      {"Specimen Req's", "SR"},  {"Current Date", "D"},     {"Current Time", "12:00"},
  };
  std::string input;
  for (const auto& row : rows) input += row.second + "\n";
  input += "\n";
  const auto run = runDialog(SettingsDialog::PatientData, request, input);
  ASSERT_TRUE(run.result);
  std::size_t last = 0;
  for (const auto& row : rows) {
    const auto where = at(run, row.first + " [");
    ASSERT_NE(where, std::string::npos) << row.first << "\n" << run.output;
    EXPECT_GT(where, last) << row.first;
    last = where;
  }
  EXPECT_NE(at(run, "PatientID [9600]: "), std::string::npos);
  EXPECT_NE(at(run, "Patient Name []: "), std::string::npos);  // Null shows empty
  EXPECT_TRUE(request.PatientID.identical(Value::string(u"9600")));
  EXPECT_EQ(request.PatientName.asString(), u"DOE, JANE");
  EXPECT_EQ(request.Temperature.asString(), u"R");
  EXPECT_EQ(request.SpecimenRequirements.asString(), u"SR");
  EXPECT_EQ(request.CurrentDate.asString(), u"D");
  EXPECT_EQ(request.CurrentTime.asString(), u"12:00");
  EXPECT_EQ(request.BarCode.asString(), u"B");
}

// ---- Without a terminal -------------------------------------------------------------------

TEST(TerminalDialogs, WithoutATerminalEachDialogClosesAsIfOkWerePressedReadingNothing) {
  auto request = printParameters();
  request.PatientID = Value::i4(9600);
  const auto before = request;
  const std::string input = "PHYSICIAN\nd\n";
  std::istringstream in(input);
  std::ostringstream out;
  const control::Diagnostics diagnostics;
  control::PrintCall call{request, diagnostics};
  EXPECT_TRUE(runTerminalDialog(SettingsDialog::PrintParameters, call, in, out, false));
  EXPECT_TRUE(runTerminalDialog(SettingsDialog::PatientData, call, in, out, false));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(in.tellg(), 0);
  EXPECT_TRUE(request.ClientType.identical(Value::string(u"HOSPITAL")));
  EXPECT_TRUE(request.LabelCopies.identical(Value::string(u"2")));
  EXPECT_TRUE(request.PatientID.identical(Value::string(u"9600")));
  EXPECT_TRUE(request.PatientName.identical(Value::string(u"")));  // Empty comes back as ""
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(request.line(n).identical(before.line(n)));
}

// ---- Plugged into the native host's windows -------------------------------------------------

class NoEngine : public automation::ObjectFactory {
 public:
  std::shared_ptr<automation::Object> create(std::u16string_view) override {
    throw automation::AutomationError::cannotCreateObject();
  }
};

TEST(TerminalDialogs, APrintCallShowsBothDialogsInTurnAndPrintsWhatWasEdited) {
  NoEngine engines;
  LabelRequest request;
  HeadlessControl host(request, engines);
  std::string input = "PHYSICIAN\n\n\n\n\n";  // print parameters, then Ok
  input += "\n\n\n\n\nDOE, JANE\n\n\n\n\n\n\n\n\n\n\n";  // patient data, then Ok
  std::istringstream in(input);
  std::ostringstream out;
  useTerminalDialogs(host.windows(), in, out, true);

  std::vector<Value> args(21, Value::string(u"x"));
  args[0] = Value::string(u"HOSPITAL");
  args[19] = Value::string(u"true");
  args[20] = Value::string(u"false");
  host.print(control::PrintMethod::PrintLabels, args);  // no engine here: the result is the engine's business

  EXPECT_EQ(request.ClientType.asString(), u"PHYSICIAN");
  EXPECT_EQ(request.PatientName.asString(), u"DOE, JANE");
  const auto first = out.str().find("Client Label Type [HOSPITAL]: ");
  const auto second = out.str().find("Patient Name [x]: ");
  ASSERT_NE(first, std::string::npos) << out.str();
  ASSERT_NE(second, std::string::npos) << out.str();
  EXPECT_LT(first, second);
  EXPECT_TRUE(in.eof() || in.peek() == std::char_traits<char>::eof());
}

}  // namespace
}  // namespace headless
