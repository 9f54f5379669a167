// The folder sink: numbering, side files, failures.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <iterator>

#include "engine/description_json.h"
#include "engine/print_sink.h"
#include "support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

engine::LabelDescription label(const std::string& printer) {
  engine::LabelDescription result;
  result.stock = engine::builtInStocks().front();
  result.printer = printer;
  return result;
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

TEST(LabelFolderSinkTest, NumbersFromOneInAFolderItCreates) {
  const engine_test::TemporaryFolder temp;
  engine::LabelFolderSink sink(temp.path() / "out" / "labels");
  sink.print(label("first"));
  sink.print(label("second"));
  ASSERT_EQ(sink.printed().size(), 2u);
  EXPECT_EQ(sink.printed()[0].description, temp.path() / "out" / "labels" / "label-0001.json");
  EXPECT_EQ(sink.printed()[1].description.filename(), "label-0002.json");
  EXPECT_TRUE(sink.printed()[0].image.empty());
  EXPECT_EQ(contents(sink.printed()[1].description), engine::toJson(label("second")));
}

TEST(LabelFolderSinkTest, ContinuesAfterTheHighestNumberInTheFolder) {
  const engine_test::TemporaryFolder temp;
  for (const char* name : {"label-0003.json", "label-0041.png", "label-9x.json", "notes-0099.json", "label-.png"})
    touch(temp.path() / name);
  engine::LabelFolderSink sink(temp.path());
  sink.print(label("a"));
  EXPECT_EQ(sink.printed().at(0).description.filename(), "label-0042.json");

  // Another writer took the next number meanwhile: the sink skips it rather than overwrite.
  touch(temp.path() / "label-0043.json");
  sink.print(label("b"));
  EXPECT_EQ(sink.printed().at(1).description.filename(), "label-0044.json");
  EXPECT_EQ(contents(temp.path() / "label-0043.json"), "x");
}

TEST(LabelFolderSinkTest, WritesTheImageBesideTheDescription) {
  class PictureSink : public engine::LabelFolderSink {
   public:
    using LabelFolderSink::LabelFolderSink;

   protected:
    std::optional<std::vector<std::uint8_t>> image(const engine::LabelDescription&) override {
      return std::vector<std::uint8_t>{'P', 'N', 'G'};
    }
  };
  const engine_test::TemporaryFolder temp;
  touch(temp.path() / "label-0001.png");  // a picture without its description still takes its number
  PictureSink sink(temp.path());
  sink.print(label("a"));
  const engine::PrintedLabel& printed = sink.printed().at(0);
  EXPECT_EQ(printed.description.filename(), "label-0002.json");
  EXPECT_EQ(printed.image.filename(), "label-0002.png");
  EXPECT_EQ(contents(printed.image), "PNG");

  // A picture that appeared under the next number makes the sink give the number back.
  touch(temp.path() / "label-0003.png");
  sink.print(label("b"));
  EXPECT_EQ(sink.printed().at(1).description.filename(), "label-0004.json");
  EXPECT_FALSE(fs::exists(temp.path() / "label-0003.json"));
}

TEST(LabelFolderSinkTest, AFolderThatCannotBeMadeIsAnError) {
  const engine_test::TemporaryFolder temp;
  touch(temp.path() / "file");
  engine::LabelFolderSink sink(temp.path() / "file" / "labels");
  EXPECT_THROW(sink.print(label("a")), std::exception);
  EXPECT_TRUE(sink.printed().empty());
}

}  // namespace

// A sink that sends labels on to a printer, as the CUPS sink does.
class SendingSink : public engine::LabelFolderSink {
 public:
  using LabelFolderSink::LabelFolderSink;
  bool refuse = false;
  std::function<void()> afterSending;
  std::vector<int> withdrawn;

 protected:
  std::optional<engine::Delivery> deliver(const engine::LabelDescription& label,
                                          const std::optional<std::vector<std::uint8_t>>&) override {
    if (refuse) throw std::runtime_error("the printer is off");
    if (afterSending) afterSending();
    return engine::Delivery{label.printer + "-queue", 41, "2026-01-31T08:15:00Z"};
  }
  void withdraw(const engine::Delivery& delivery) noexcept override { withdrawn.push_back(delivery.job); }
};

TEST(LabelFolderSinkTest, RecordsWhereALabelWasSent) {
  const engine_test::TemporaryFolder temp;
  SendingSink sink(temp.path());
  sink.print(label("LW"));
  const engine::PrintedLabel& printed = sink.printed().at(0);
  EXPECT_EQ(printed.destination, "LW-queue");
  EXPECT_EQ(printed.job, 41);
  const std::string json = contents(printed.description);
  EXPECT_NE(json.find("\"showDialog\": false,\n  \"destination\": \"LW-queue\",\n  \"job\": 41,\n"
                      "  \"time\": \"2026-01-31T08:15:00Z\"\n}"),
            std::string::npos)
      << json;
  EXPECT_EQ(engine::fromJson(json), label("LW"));  // still a description the renderer reads
}

TEST(LabelFolderSinkTest, RecordsNothingThePrinterRefusedAndWithdrawsWhatItCannotRecord) {
  const engine_test::TemporaryFolder temp;
  SendingSink sink(temp.path() / "labels");
  sink.refuse = true;
  EXPECT_THROW(sink.print(label("LW")), std::runtime_error);
  EXPECT_TRUE(fs::is_empty(temp.path() / "labels"));

  // The folder turns into a file while the label is on its way: the job is taken back.
  sink.refuse = false;
  sink.afterSending = [&] {
    fs::remove_all(temp.path() / "labels");
    touch(temp.path() / "labels");
  };
  EXPECT_THROW(sink.print(label("LW")), std::exception);
  EXPECT_EQ(sink.withdrawn, std::vector<int>{41});
  EXPECT_TRUE(sink.printed().empty());
}
