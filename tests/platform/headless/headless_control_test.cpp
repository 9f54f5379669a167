// The headless control as the hosts use it: one request state across calls (its own, or one
// it is lent), the method a call names, the diagnostics where the host wants them, and the
// settings dialogs closing as if "&Ok" were pressed. Runs natively and under Wine.

#include "platform/headless/headless_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "automation/text.h"
#include "support/recording_engine.h"

namespace headless {
namespace {

using automation::Value;
using control::PrintMethod;

class KeptLabels : public engine::PrintSink {
 public:
  void print(const engine::LabelDescription& label) override { labels.push_back(label); }
  std::vector<engine::LabelDescription> labels;
};

std::vector<Value> generic(std::u16string line1, Value displayProperties = Value::string(u"false"),
                           Value displayDebugger = Value{}) {
  return {Value::string(u"LW"), Value::i2(1),  Value::string(std::move(line1)), Value{}, Value{}, Value{}, Value{},
          std::move(displayProperties), std::move(displayDebugger)};
}

std::vector<Value> hospital(Value clientType, Value displayProperties = Value::string(u"false")) {
  std::vector<Value> arguments(control::kPrintLabelsParameters.size(), Value::string(u"x"));
  arguments[control::parameterIndex(PrintMethod::PrintLabels, "ClientType")] = std::move(clientType);
  arguments[control::parameterIndex(PrintMethod::PrintLabels, "LabelCopies")] = Value::i2(2);
  arguments[control::parameterIndex(PrintMethod::PrintLabels, "PatientID")] = Value::i4(9600);
  arguments[control::parameterIndex(PrintMethod::PrintLabels, "DisplayProperties")] = std::move(displayProperties);
  arguments[control::parameterIndex(PrintMethod::PrintLabels, "DisplayDebugger")] = Value::string(u"false");
  return arguments;
}

TEST(HeadlessControl, PrintsOnTheVirtualEngineIntoTheSinkKeepingOneRequestStateAcrossCalls) {
  const auto labels = std::make_shared<KeptLabels>();
  HeadlessControl host(labels);
  EXPECT_TRUE(host.print(PrintMethod::PrintLabels, hospital(Value::string(u"HOSPITAL"))));
  EXPECT_TRUE(host.print(PrintMethod::PrintGENERICLabels, generic(u"TXT^Tube 1")));
  ASSERT_EQ(labels->labels.size(), 2u);
  EXPECT_EQ(labels->labels[0].copies, 2);
  // The GENERIC call forced its client type and left the patient fields as the first call gave them.
  EXPECT_EQ(automation::textOf(host.request().ClientType), u"GENERIC");
  EXPECT_TRUE(host.request().PatientID.identical(Value::i4(9600)));
}

TEST(HeadlessControl, ALentRequestStateIsTheOneItFillsAndPrintsFrom) {
  control::LabelRequest shared;
  shared.PatientName = Value::string(u"left by an earlier call");
  testing_support::RecordingEngineFactory engines;
  HeadlessControl host(shared, engines);
  EXPECT_TRUE(host.print(PrintMethod::PrintGENERICLabels, generic(u"TXT^Tube 7")));
  EXPECT_EQ(&host.request(), &shared);
  EXPECT_EQ(automation::textOf(shared.ClientType), u"GENERIC");
  EXPECT_EQ(automation::textOf(shared.Line1), u"TXT^Tube 7");
  EXPECT_EQ(automation::textOf(shared.PatientName), u"left by an earlier call");
  EXPECT_TRUE(std::ranges::any_of(engines.journal, [](const std::string& entry) {
    return entry.starts_with("engine call PrintLabel(");
  }));
}

struct DiagnosticsCase {
  const char* name;
  Diagnostics where;
  Value displayDebugger;
  bool kept;
  friend void PrintTo(const DiagnosticsCase& c, std::ostream* os) { *os << c.name; }
};

class WhereDiagnosticsGo : public ::testing::TestWithParam<DiagnosticsCase> {};

TEST_P(WhereDiagnosticsGo, KeptOnlyWhenCollectedWhateverDisplayDebuggerSays) {
  HeadlessControl host(std::make_shared<KeptLabels>(), {GetParam().where});
  const auto unprintable = generic(u"no separator", Value::string(u"false"), GetParam().displayDebugger);
  EXPECT_FALSE(host.print(PrintMethod::PrintGENERICLabels, unprintable));
  EXPECT_EQ(!host.diagnostics().empty(), GetParam().kept);
  // Each call starts with none.
  EXPECT_TRUE(host.print(PrintMethod::PrintGENERICLabels, generic(u"TXT^fine")));
  EXPECT_TRUE(host.diagnostics().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, WhereDiagnosticsGo,
    ::testing::Values(DiagnosticsCase{"discarded", Diagnostics::Discarded, Value::string(u"true"), false},
                      DiagnosticsCase{"on_standard_error", Diagnostics::OnStandardError, Value::string(u"true"), false},
                      DiagnosticsCase{"collected_when_asked", Diagnostics::Collected, Value::string(u"true"), true},
                      DiagnosticsCase{"collected_unasked", Diagnostics::Collected, Value::string(u"false"), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeadlessControl, SettingsDialogsCloseAsIfOkWerePressed) {
  HeadlessControl host(std::make_shared<KeptLabels>());
  EXPECT_TRUE(host.print(PrintMethod::PrintLabels, hospital(Value::string(u"HOSPITAL"), Value::string(u"TRUE"))));
  // "&Ok" stores every box back as a string.
  EXPECT_TRUE(host.request().LabelCopies.identical(Value::string(u"2")));
  EXPECT_TRUE(host.request().PatientID.identical(Value::string(u"9600")));
}

TEST(HeadlessControl, AFailingEngineEndsTheCallUnprintedWithoutThrowing) {
  testing_support::EngineScript script;
  script.failCreation = true;
  testing_support::RecordingEngineFactory engines(script);
  control::LabelRequest request;
  HeadlessControl host(request, engines, {Diagnostics::Collected});
  EXPECT_FALSE(host.print(PrintMethod::PrintLabels, hospital(Value::string(u"PHYSICIAN"))));
  EXPECT_FALSE(request.PrintSucceeded);
  EXPECT_FALSE(host.diagnostics().empty());
  // A call with the wrong number of arguments ends the same way.
  EXPECT_FALSE(host.print(PrintMethod::PrintGENERICLabels, std::vector<Value>(3)));
}

}  // namespace
}  // namespace headless
