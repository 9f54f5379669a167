// The print pipeline on its own: the rehearsal on a copy of the request state, the call in
// its turn printing the rehearsed pictures, and a label drawn anew when the call came out
// otherwise in its turn than in its rehearsal.

#include "service/print_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "automation/text.h"
#include "engine/description_json.h"
#include "engine/renderer.h"
#include "support/temporary_folder.h"

namespace service {
namespace {

using automation::Value;
using control::PrintMethod;

std::vector<Value> genericCall(std::u16string line1) {
  return {Value::string(u"LW"), Value::i2(1),  Value::string(std::move(line1)), Value{}, Value{}, Value{}, Value{},
          Value::string(u"false"), Value{}};
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Pipeline : public ::testing::Test {
 protected:
  Printed printInTurn(PrintMethod method, const std::vector<Value>& arguments, const Rehearsal& ahead) {
    return pipeline_.inTurn([&](PrintPipeline::Turn& turn) { return turn.print(method, arguments, ahead); });
  }

  engine_test::TemporaryFolder folder_;
  std::unique_ptr<printers::Printers> printers_ = printers::imagePrinters(folder_.path());
  PrintPipeline pipeline_{*printers_, 2};
  engine::LabelRenderer renderer_;
};

TEST_F(Pipeline, ARehearsalDrawsTheLabelOnACopyAndLeavesTheStateAndTheFolderAlone) {
  const Rehearsal rehearsal = pipeline_.rehearse(PrintMethod::PrintGENERICLabels, genericCall(u"TXT^Tube 1"));
  EXPECT_TRUE(rehearsal.result);
  ASSERT_EQ(rehearsal.drawn.size(), 1u);
  EXPECT_EQ(rehearsal.drawn[0].png, renderer_.renderPng(rehearsal.drawn[0].label));
  EXPECT_TRUE(pipeline_.requestState().ClientType.isEmpty());
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));

  const Rehearsal refused = pipeline_.rehearse(PrintMethod::PrintGENERICLabels, genericCall(u"no separator"));
  EXPECT_FALSE(refused.result);
  EXPECT_TRUE(refused.drawn.empty());
  EXPECT_FALSE(refused.diagnostics.empty()) << "collected whatever DisplayDebugger says";
}

TEST_F(Pipeline, InItsTurnTheCallPrintsTheRehearsedPicture) {
  const auto arguments = genericCall(u"TXT^Tube 2");
  Rehearsal ahead = pipeline_.rehearse(PrintMethod::PrintGENERICLabels, arguments);
  ASSERT_EQ(ahead.drawn.size(), 1u);
  ahead.drawn[0].png = {'A', 'H', 'E', 'A', 'D'};  // marks the picture as the rehearsal's

  const Printed printed = printInTurn(PrintMethod::PrintGENERICLabels, arguments, ahead);
  EXPECT_TRUE(printed.result);
  ASSERT_EQ(printed.labels.size(), 1u);
  EXPECT_EQ(fileBytes(printed.labels[0].image), (std::vector<std::uint8_t>{'A', 'H', 'E', 'A', 'D'}));
  EXPECT_EQ(automation::textOf(pipeline_.requestState().Line1), u"TXT^Tube 2");
}

// What the rehearsal drew is used only for a label equal to it: a label that came out
// otherwise in the call's turn is drawn there.
TEST_F(Pipeline, ALabelThatCameOutOtherwiseInItsTurnIsDrawnAnew) {
  Rehearsal ahead = pipeline_.rehearse(PrintMethod::PrintGENERICLabels, genericCall(u"TXT^as rehearsed"));
  ASSERT_EQ(ahead.drawn.size(), 1u);
  ahead.drawn[0].png = {'A', 'H', 'E', 'A', 'D'};

  const Printed printed = printInTurn(PrintMethod::PrintGENERICLabels, genericCall(u"TXT^as printed"), ahead);
  ASSERT_EQ(printed.labels.size(), 1u);
  const auto bytes = fileBytes(printed.labels[0].description);
  const auto description = engine::fromJson(std::string(bytes.begin(), bytes.end()));
  EXPECT_NE(description, ahead.drawn[0].label);
  EXPECT_EQ(fileBytes(printed.labels[0].image), renderer_.renderPng(description));
}

// Nothing drawn ahead (the rehearsal could not run): the turn draws the label itself.
TEST_F(Pipeline, WithoutARehearsalTheTurnDrawsEveryLabel) {
  const Printed printed = printInTurn(PrintMethod::PrintGENERICLabels, genericCall(u"TXT^Tube 3"), {});
  ASSERT_EQ(printed.labels.size(), 1u);
  const auto bytes = fileBytes(printed.labels[0].description);
  EXPECT_EQ(fileBytes(printed.labels[0].image), renderer_.renderPng(engine::fromJson(std::string(bytes.begin(), bytes.end()))));
}

// A printer that refuses every label: the call in its turn ends False, nothing is recorded.
class RefusingPrinters : public printers::Printers {
 public:
  std::string mode() const override { return "cups"; }
  std::vector<printers::Destination> list() override { return {}; }
  std::optional<std::string> refusal(std::string_view) override { return std::nullopt; }
  std::shared_ptr<engine::PrintSink> sink() override { return nullptr; }
  std::vector<engine::PrintedLabel> takePrinted() override { return {}; }
  engine::PrintedLabel printDrawn(const engine::LabelDescription&, const std::vector<std::uint8_t>&) override {
    throw std::runtime_error("the queue refused the job");
  }
  const std::filesystem::path& folder() const override { return folder_; }

 private:
  std::filesystem::path folder_;
};

TEST(PipelineOnARefusingPrinter, TheCallEndsFalseWithTheReasonAndNoLabel) {
  RefusingPrinters printers;
  PrintPipeline pipeline(printers, 1);
  const auto arguments = genericCall(u"TXT^Tube 4");
  const Rehearsal ahead = pipeline.rehearse(PrintMethod::PrintGENERICLabels, arguments);
  EXPECT_TRUE(ahead.result) << "a rehearsal prints on no printer";
  const Printed printed = pipeline.inTurn(
      [&](PrintPipeline::Turn& turn) { return turn.print(PrintMethod::PrintGENERICLabels, arguments, ahead); });
  EXPECT_FALSE(printed.result);
  EXPECT_TRUE(printed.labels.empty());
  EXPECT_TRUE(std::ranges::any_of(printed.diagnostics, [](const control::DiagnosticMessage& message) {
    return automation::toUtf8(message.text).find("the queue refused the job") != std::string::npos;
  }));
}


TEST_F(Pipeline, OnlySoManyCallsAreInHandAtOnceAndAPlaceIsGivenBackWithItsCall) {
  auto first = pipeline_.enter();
  auto second = pipeline_.enter();
  ASSERT_TRUE(first && second);
  EXPECT_FALSE(pipeline_.enter());
  first.reset();
  auto third = pipeline_.enter();
  EXPECT_TRUE(third);
  EXPECT_FALSE(pipeline_.enter());
  auto moved = std::move(*third);  // a moved place is given back once
  third.reset();
  EXPECT_FALSE(pipeline_.enter());
}

}  // namespace
}  // namespace service
