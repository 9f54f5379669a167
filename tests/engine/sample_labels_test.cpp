// The three sample requests printed through the control's entry points onto the virtual
// engine: the recorded description must match its golden file exactly, and the drawn
// label must scan back and carry its text in the rows the layout gives.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/description_json.h"
#include "engine/renderer.h"
#include "platform/headless/headless_control.h"
#include "requests/host_request.h"
#include "support/label_image.h"

namespace engine_test {
namespace {

class CapturingSink : public engine::PrintSink {
 public:
  void print(const engine::LabelDescription& label) override { labels.push_back(label); }
  std::vector<engine::LabelDescription> labels;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

engine::LabelDescription printSample(const std::string& sample) {
  const auto request = host::readRequestFile(std::string(VANTORY_SOURCE_DIR) + "/examples/" + sample + ".json");
  auto sink = std::make_shared<CapturingSink>();
  EXPECT_TRUE(headless::HeadlessControl(sink).print(request.method, host::argumentList(request))) << sample;
  EXPECT_EQ(sink->labels.size(), 1u) << sample;
  return sink->labels.empty() ? engine::LabelDescription{} : sink->labels.front();
}

struct Sample {
  const char* name;
  std::vector<Scanned> barCodes;
  friend void PrintTo(const Sample& s, std::ostream* os) { *os << s.name; }
};

class SampleLabel : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleLabel, DescriptionMatchesItsGoldenFile) {
  const auto label = printSample(GetParam().name);
  const std::string golden = std::string(VANTORY_SOURCE_DIR) + "/tests/engine/golden/" + GetParam().name + ".json";
  EXPECT_EQ(engine::toJson(label), readFile(golden)) << "golden file " << golden;
}

TEST_P(SampleLabel, DrawnLabelScansBackWithEveryObjectInItsBox) {
  const auto label = printSample(GetParam().name);
  engine::LabelRenderer renderer;
  const engine::Bitmap bitmap = renderer.render(label);
  EXPECT_EQ(scan(bitmap), GetParam().barCodes);

  const Box page{0, 0, bitmap.width, bitmap.height};
  for (const auto& object : label.objects) {
    Box box = boxOf(object);
    box.right = std::min(box.right, page.right);
    box.bottom = std::min(box.bottom, page.bottom);
    if (box.empty()) continue;  // wholly clipped
    EXPECT_FALSE(inkBox(bitmap, box).empty()) << "no ink in " << object.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleLabel,
                         ::testing::Values(Sample{"hospital", {{"CODE-128", "9003948343"}}},
                                           Sample{"physician", {{"CODE-128", "9003948343"}}},
                                           Sample{"generic", {{"CODE-128", "S42-7"}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The samples' pictures as the Linux build draws them are kept beside their descriptions:
// the Windows build's tests compare the labels its printers receive with them.
TEST_P(SampleLabel, DrawingMatchesItsGoldenPicture) {
  const auto label = printSample(GetParam().name);
  engine::LabelRenderer renderer;
  const std::vector<std::uint8_t> png = renderer.renderPng(label);
  const std::string golden = std::string(VANTORY_SOURCE_DIR) + "/tests/engine/golden/" + GetParam().name + ".png";
  const std::string kept = readFile(golden);
  if (engine::decodePng(std::vector<std::uint8_t>(kept.begin(), kept.end())) != engine::decodePng(png)) {
    const std::string drawn = ::testing::TempDir() + GetParam().name + ".png";
    std::ofstream(drawn, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                 static_cast<std::streamsize>(png.size()));
    ADD_FAILURE() << "the drawing differs from " << golden << "; it is in " << drawn
                  << " (copy it there if the change is intended)";
  }
}

// The HOSPITAL rows, one band of ink each, in layout order: nothing drifts into the next row.
TEST(SampleLabel, HospitalTextStaysInItsRows) {
  const auto label = printSample("hospital");
  engine::LabelRenderer renderer;
  const engine::Bitmap bitmap = renderer.render(label);
  for (const auto& object : label.objects) {
    if (object.name == "BC") continue;
    const Box row = boxOf(object);
    const Box ink = inkBox(bitmap, {0, row.top, bitmap.width, row.bottom});
    ASSERT_FALSE(ink.empty()) << object.name;
    EXPECT_GE(ink.left, row.left) << object.name;
    EXPECT_LE(ink.right, row.right) << object.name;
  }
}

}  // namespace
}  // namespace engine_test
