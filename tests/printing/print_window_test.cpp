#include "printing/print_window.h"

#include <gtest/gtest.h>

#include "automation/text.h"
#include "control/entry_points.h"
#include "platform/headless/headless_windows.h"
#include "support/recording_engine.h"
#include "support/test_doubles.h"

namespace printing {
namespace {

using automation::Value;
using headless::HeadlessRequestWindows;
using headless::VirtualClock;
using testing_support::RecordingEngineFactory;

std::vector<Value> hospitalArguments(std::u16string clientType = u"HOSPITAL", Value barCode = Value::string(u"123")) {
  std::vector<Value> args(21, Value::string(u"x"));
  args[0] = Value::string(std::move(clientType));
  args[4] = std::move(barCode);
  args[19] = Value::string(u"false");
  args[20] = Value::string(u"false");
  return args;
}

struct PrintWindowFixture : ::testing::Test {
  control::LabelRequest request;
  RecordingEngineFactory engines;
  VirtualClock clock;
  HeadlessRequestWindows windows{engines, clock};
  testing_support::RecordingSink sink;
  control::PrintEntryPoints control{request, windows, sink};

  bool printed() const {
    return std::any_of(engines.journal.begin(), engines.journal.end(),
                       [](const std::string& e) { return e.starts_with("engine call PrintLabel"); });
  }
};

TEST_F(PrintWindowFixture, PrintsFirstThenClosesByItsTimerAfterTwoSeconds) {
  std::int64_t shownAt = -1;
  bool printedBeforeShown = false;
  windows.onPrintWindowShown = [&](headless::HeadlessPrintWindow& window) {
    shownAt = clock.now();
    printedBeforeShown = printed();
    EXPECT_EQ(window.barCodeCaption(), u"123");
  };
  EXPECT_TRUE(control.PrintLabels(hospitalArguments()));
  EXPECT_EQ(shownAt, 0);
  EXPECT_TRUE(printedBeforeShown);
  EXPECT_EQ(clock.now(), 2000);
}

TEST_F(PrintWindowFixture, CloseAndTheOutsideCloseEndTheWaitAtOnce) {
  for (bool fromOutside : {false, true}) {
    windows.onPrintWindowShown = [&](headless::HeadlessPrintWindow&) {
      clock.schedule(clock.now() + 300, [&] { fromOutside ? control.CloseConnection() : windows.clickClose(); });
    };
    const auto started = clock.now();
    EXPECT_TRUE(control.PrintLabels(hospitalArguments()));
    EXPECT_EQ(clock.now() - started, 300) << fromOutside;
  }
}

TEST_F(PrintWindowFixture, APrintFailureStillShowsTheWindowAndReturnsFalse) {
  engines.script.failures[u"PrintLabel"] = 1;
  bool shown = false;
  windows.onPrintWindowShown = [&](headless::HeadlessPrintWindow&) { shown = true; };
  EXPECT_FALSE(control.PrintLabels(hospitalArguments()));
  EXPECT_TRUE(shown);
  EXPECT_EQ(clock.now(), 2000);
}

TEST_F(PrintWindowFixture, AnUnrecognisedClientTypeNeverShowsItAndPrintsNothing) {
  // Reached only through the print window itself: the request names a type no layout has.
  request.ClientType = Value::string(u"Hospital");
  request.PrintSucceeded = true;
  const control::Diagnostics diagnostics(sink, true);
  control::PrintCall call{request, diagnostics};
  PrintWindow window(engines);
  headless::HeadlessPrintWindow view(clock, [] {});
  EXPECT_EQ(window.Form_Load(view, call), LoadOutcome::Unloaded);
  EXPECT_FALSE(view.loaded());
  EXPECT_FALSE(request.PrintSucceeded);
  EXPECT_TRUE(engines.journal.empty());
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, u"Could not determine client type.");
  EXPECT_FALSE(clock.runUntil([] { return false; }));  // no timer was started
}

TEST_F(PrintWindowFixture, ANullBarCodeShowsEmptyAndStillPrints) {
  std::u16string caption = u"unset";
  windows.onPrintWindowShown = [&](headless::HeadlessPrintWindow& window) { caption = window.barCodeCaption(); };
  EXPECT_TRUE(control.PrintLabels(hospitalArguments(u"HOSPITAL", Value::null())));
  EXPECT_EQ(caption, u"");
  EXPECT_TRUE(printed());
}

TEST_F(PrintWindowFixture, ABarCodeWithoutTextFormEndsTheRequestUnprinted) {
  EXPECT_FALSE(control.PrintLabels(hospitalArguments(u"PHYSICIAN", Value::missing())));
  EXPECT_FALSE(printed());
}

TEST_F(PrintWindowFixture, GenericShowsTheLastBarCodeOfAnEarlierRequest) {
  EXPECT_TRUE(control.PrintLabels(hospitalArguments(u"HOSPITAL", Value::string(u"555"))));
  std::u16string caption;
  windows.onPrintWindowShown = [&](headless::HeadlessPrintWindow& window) { caption = window.barCodeCaption(); };
  const std::vector<Value> generic{Value::string(u"p"), Value::i2(1), Value::string(u"TXT^a"), Value{}, Value{},
                                   Value{}, Value{}, Value{}, Value{}};
  EXPECT_TRUE(control.PrintGENERICLabels(generic));
  EXPECT_EQ(caption, u"555");
}

TEST_F(PrintWindowFixture, TheWindowIsCentredWhileItLoads) {
  windows.onPrintWindowShown = [&](headless::HeadlessPrintWindow& window) {
    EXPECT_DOUBLE_EQ(window.left(), (headless::kScreenWidthTwips - window.width()) / 2);
    EXPECT_DOUBLE_EQ(window.top(), (headless::kScreenHeightTwips - window.height()) / 2);
  };
  EXPECT_TRUE(control.PrintLabels(hospitalArguments(u"PHYSICIAN")));
}

TEST(CloseConnection, WithNoPrintWindowDoesNothing) {
  RecordingEngineFactory engines;
  VirtualClock clock;
  HeadlessRequestWindows windows{engines, clock};
  windows.closePrintWindow();
  EXPECT_EQ(windows.shownPrintWindow(), nullptr);
}

}  // namespace
}  // namespace printing
