#include "control/entry_points.h"

#include <gtest/gtest.h>

#include "automation/text.h"
#include "support/test_doubles.h"

namespace control {
namespace {

using automation::Value;
using testing_support::RecordingSink;
using testing_support::ScriptedWindows;

std::vector<Value> printLabelsArguments(std::u16string clientType, Value displayProperties = Value::string(u"false"),
                                        Value displayDebugger = Value::string(u"false")) {
  std::vector<Value> args;
  args.push_back(Value::string(std::move(clientType)));
  for (std::size_t i = 1; i < 19; ++i)
    args.push_back(Value::string(u"arg" + automation::fromUtf8(std::to_string(i + 1))));
  args.push_back(std::move(displayProperties));
  args.push_back(std::move(displayDebugger));
  return args;
}

std::vector<Value> genericArguments(Value displayProperties = Value::string(u"false"),
                                    Value displayDebugger = Value{}) {
  return {Value::string(u"LabelWriter"), Value::i2(2),       Value::string(u"TXT^a"), Value::string(u"TXT^b"),
          Value::string(u"BCD^c"),      Value::string(u""), Value{},                  std::move(displayProperties),
          std::move(displayDebugger)};
}

struct Fixture : ::testing::Test {
  LabelRequest request;
  ScriptedWindows windows;
  RecordingSink sink;
  PrintEntryPoints control{request, windows, sink};
};

using PrintLabelsTest = Fixture;
using PrintGenericLabelsTest = Fixture;

// Which field each argument fills: request_fields_test.
TEST_F(PrintLabelsTest, StoresTheArgumentsComposesAndPrints) {
  const auto args = printLabelsArguments(u"HOSPITAL");
  EXPECT_TRUE(control.PrintLabels(args));
  EXPECT_TRUE(request.SpecimenRequirements.identical(args[18]));
  EXPECT_EQ(windows.shown, (std::vector<std::string>{"print"}));
  EXPECT_EQ(automation::textOf(request.Line1), u"arg9   arg16   arg17   ");  // composed before printing
}

TEST_F(PrintLabelsTest, StoresValuesByCopyWithoutConversion) {
  auto args = printLabelsArguments(u"PHYSICIAN");
  args[3] = Value::i2(3);
  args[4] = Value::r8(123.5);
  args[9] = Value::null();
  EXPECT_TRUE(control.PrintLabels(args));
  EXPECT_TRUE(request.LabelCopies.identical(Value::i2(3)));
  EXPECT_TRUE(request.BarCode.identical(Value::r8(123.5)));
  EXPECT_TRUE(request.PatientName.isNull());
}

struct FlagCase {
  const char* name;
  Value value;
  bool shows;
  friend void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.name; }
};

class DisplayPropertiesFlag : public ::testing::TestWithParam<FlagCase> {};

TEST_P(DisplayPropertiesFlag, DecidesWhetherBothDialogsShow) {
  LabelRequest request;
  ScriptedWindows windows;
  RecordingSink sink;
  PrintEntryPoints control(request, windows, sink);
  EXPECT_TRUE(control.PrintLabels(printLabelsArguments(u"HOSPITAL", GetParam().value)));
  const std::vector<std::string> expected = GetParam().shows
                                                ? std::vector<std::string>{"parameters", "patient", "print"}
                                                : std::vector<std::string>{"print"};
  EXPECT_EQ(windows.shown, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DisplayPropertiesFlag,
    ::testing::Values(FlagCase{"lower", Value::string(u"true"), true}, FlagCase{"upper", Value::string(u"TRUE"), true},
                      FlagCase{"mixed", Value::string(u"tRuE"), true}, FlagCase{"boolean_true", Value::boolean(true), true},
                      FlagCase{"boolean_false", Value::boolean(false), false},
                      FlagCase{"yes", Value::string(u"yes"), false}, FlagCase{"one", Value::string(u"1"), false},
                      FlagCase{"minus_one", Value::i2(-1), false}, FlagCase{"empty", Value{}, false},
                      FlagCase{"null", Value::null(), false}, FlagCase{"padded", Value::string(u" true"), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayFlag, ValueWithoutTextFormGivesNoAnswer) {
  automation::Array array{automation::VarType::Variant, {{0, 1}}, {Value::string(u"true")}};
  EXPECT_FALSE(displayFlag(Value::array(array)).has_value());
  EXPECT_FALSE(displayFlag(Value::missing()).has_value());
  EXPECT_EQ(displayFlag(Value::null()), false);
}

TEST_F(PrintLabelsTest, AnUnreadableDisplayFlagEndsTheRequestUnprinted) {
  automation::Array array{automation::VarType::Variant, {{0, 1}}, {Value::string(u"true")}};
  EXPECT_FALSE(control.PrintLabels(printLabelsArguments(u"HOSPITAL", Value::array(array), Value::string(u"True"))));
  EXPECT_TRUE(windows.shown.empty());
  EXPECT_FALSE(request.PrintSucceeded);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].title, u"Attention!");
}

TEST_F(PrintLabelsTest, DisplayDebuggerSwitchesDiagnosticsOnInAnyCase) {
  for (const Value& debugger : {Value::string(u"TRUE"), Value::boolean(true)}) {
    sink.messages.clear();
    EXPECT_FALSE(control.PrintLabels(printLabelsArguments(u"hospital", Value{}, debugger)));
    EXPECT_EQ(sink.messages.size(), 1u);
  }
  for (const Value& debugger : {Value::string(u"yes"), Value::null(), Value::missing()}) {
    sink.messages.clear();
    EXPECT_FALSE(control.PrintLabels(printLabelsArguments(u"hospital", Value{}, debugger)));
    EXPECT_TRUE(sink.messages.empty());
  }
}

TEST_F(PrintLabelsTest, AHostThatWantsEveryDiagnosticGetsThemWhateverDisplayDebuggerSays) {
  PrintEntryPoints always(request, windows, sink, DiagnosticsPolicy::Always);
  EXPECT_FALSE(always.PrintLabels(printLabelsArguments(u"hospital", Value{}, Value::string(u"false"))));
  EXPECT_EQ(sink.messages.size(), 1u);
  EXPECT_FALSE(always.PrintGENERICLabels(genericArguments(Value::missing(), Value::null())));
  EXPECT_EQ(sink.messages.size(), 2u);
}

TEST_F(PrintLabelsTest, UnrecognisedClientTypesNeverReachThePrintWindow) {
  for (const char16_t* type : {u"physician", u"Hospital", u"GENERIC", u"", u"LABEL"}) {
    windows.shown.clear();
    request.Line1 = Value::string(u"earlier");
    EXPECT_FALSE(control.PrintLabels(printLabelsArguments(type))) << automation::toUtf8(type);
    EXPECT_TRUE(windows.shown.empty());
    EXPECT_EQ(automation::textOf(request.Line1), u"earlier");
  }
}

TEST_F(PrintLabelsTest, TheResultIsResetAtEachCall) {
  windows.onPrint = [](PrintCall& call) {
    call.request.PrintSucceeded = false;  // a printing failure
    return true;
  };
  EXPECT_FALSE(control.PrintLabels(printLabelsArguments(u"HOSPITAL")));
  windows.onPrint = nullptr;
  EXPECT_TRUE(control.PrintLabels(printLabelsArguments(u"HOSPITAL")));
  EXPECT_TRUE(control.PrintLabels(printLabelsArguments(u"HOSPITAL")));
}

TEST_F(PrintLabelsTest, DialogEditsAreWhatIsComposedAndPrinted) {
  windows.onPatient = [](PrintCall& call) {
    call.request.PatientID = Value::string(u"edited");
    return true;
  };
  EXPECT_TRUE(control.PrintLabels(printLabelsArguments(u"HOSPITAL", Value::string(u"true"))));
  EXPECT_EQ(automation::textOf(request.Line1), u"edited   arg16   arg17   ");
}

TEST_F(PrintLabelsTest, AFailingWindowEndsTheRequestWithFalse) {
  for (int failing = 0; failing < 3; ++failing) {
    ScriptedWindows::Action fails = [](PrintCall&) { return false; };
    windows.onParameters = failing == 0 ? fails : nullptr;
    windows.onPatient = failing == 1 ? fails : nullptr;
    windows.onPrint = failing == 2 ? fails : nullptr;
    windows.shown.clear();
    EXPECT_FALSE(control.PrintLabels(printLabelsArguments(u"HOSPITAL", Value::string(u"true"))));
    EXPECT_EQ(windows.shown.size(), static_cast<std::size_t>(failing + 1));
  }
}

TEST_F(PrintLabelsTest, AFailingCompositionEndsTheRequestWithFalse) {
  auto args = printLabelsArguments(u"HOSPITAL");
  args[9] = Value::missing();  // PatientName with no text form
  EXPECT_FALSE(control.PrintLabels(args));
  EXPECT_TRUE(windows.shown.empty());
}

TEST_F(PrintLabelsTest, WrongArgumentCountIsFalseNotAnError) {
  auto args = printLabelsArguments(u"HOSPITAL");
  args.pop_back();
  EXPECT_FALSE(control.PrintLabels(args));
  EXPECT_TRUE(windows.shown.empty());
}

TEST_F(PrintLabelsTest, NothingThrownByAWindowReachesTheCaller) {
  windows.onPrint = [](PrintCall&) -> bool { throw std::runtime_error("window broke"); };
  EXPECT_FALSE(control.PrintLabels(printLabelsArguments(u"HOSPITAL")));
}

TEST_F(PrintGenericLabelsTest, StoresOnlyItsFieldsAndForcesGeneric) {
  EXPECT_TRUE(control.PrintLabels(printLabelsArguments(u"HOSPITAL")));
  const LabelRequest before = request;
  const auto args = genericArguments(Value::string(u"True"));
  windows.shown.clear();
  EXPECT_TRUE(control.PrintGENERICLabels(args));
  EXPECT_EQ(windows.shown, (std::vector<std::string>{"parameters", "print"}));
  EXPECT_EQ(automation::textOf(request.ClientType), u"GENERIC");
  EXPECT_TRUE(request.PrinterName.identical(args[0]));
  EXPECT_TRUE(request.LabelCopies.identical(args[1]));
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(request.line(n).identical(args[static_cast<std::size_t>(n + 1)]));
  for (int n = 6; n <= 8; ++n) EXPECT_TRUE(request.line(n).identical(before.line(n)));
  for (auto member : {&LabelRequest::BarCode, &LabelRequest::ClientNumber, &LabelRequest::PatientName,
                      &LabelRequest::TestName, &LabelRequest::SpecimenRequirements})
    EXPECT_TRUE((request.*member).identical(before.*member));
}

TEST_F(PrintGenericLabelsTest, IgnoresTheEarlierClientType) {
  request.ClientType = Value::string(u"HOSPITAL");
  request.PrintSucceeded = false;
  EXPECT_TRUE(control.PrintGENERICLabels(genericArguments()));
  EXPECT_EQ(windows.shown, (std::vector<std::string>{"print"}));
}

TEST_F(PrintGenericLabelsTest, AClientTypeRetypedInTheDialogIsNotPrinted) {
  windows.onParameters = [](PrintCall& call) {
    call.request.ClientType = Value::string(u"HOSPITAL");
    return true;
  };
  EXPECT_FALSE(control.PrintGENERICLabels(genericArguments(Value::string(u"true"))));
  EXPECT_EQ(windows.shown, (std::vector<std::string>{"parameters"}));
}

TEST_F(PrintGenericLabelsTest, AnUnreadableDisplayFlagEndsTheRequest) {
  EXPECT_FALSE(control.PrintGENERICLabels(genericArguments(Value::missing())));
  EXPECT_TRUE(windows.shown.empty());
}

TEST(TwoControls, ShareOneRequest) {
  LabelRequest request;
  ScriptedWindows windows;
  RecordingSink sink;
  PrintEntryPoints first(request, windows, sink);
  PrintEntryPoints second(request, windows, sink);
  EXPECT_TRUE(second.PrintLabels(printLabelsArguments(u"PHYSICIAN")));
  EXPECT_EQ(automation::textOf(request.ClientType), u"PHYSICIAN");
  EXPECT_TRUE(first.PrintGENERICLabels(genericArguments()));
  EXPECT_EQ(automation::textOf(request.ClientType), u"GENERIC");
  EXPECT_EQ(automation::textOf(request.BarCode), u"arg5");  // what the other control's request left
}

TEST(SmallMethods, VersionIsTwelveAndCloseReachesThePrintWindow) {
  EXPECT_EQ(PrintEntryPoints::GetControlVersion(), 12);
  LabelRequest request;
  ScriptedWindows windows;
  RecordingSink sink;
  PrintEntryPoints control(request, windows, sink);
  control.CloseConnection();
  EXPECT_EQ(windows.shown, (std::vector<std::string>{"close"}));
}

}  // namespace
}  // namespace control
