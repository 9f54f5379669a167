// The Windows drawing (GDI text, the portable layout and libzint) of the sample labels against
// the Linux drawing kept beside their descriptions: bar codes dot for dot, texts within two
// dots of the same boxes. Runs under Wine, 32- and 64-bit.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/drawing_compare.h"
#include "engine/description_json.h"
#include "engine/renderer.h"
#include "support/label_image.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WindowsDrawing : public testing::TestWithParam<const char*> {};

TEST_P(WindowsDrawing, AgreesWithTheLinuxDrawing) {
  const std::string golden = std::string(VANTORY_SOURCE_DIR) + "/tests/engine/golden/" + GetParam();
  const engine::LabelDescription label = engine::fromJson(readFile(golden + ".json"));
  const std::string png = readFile(golden + ".png");
  ASSERT_FALSE(png.empty()) << golden << ".png";
  const engine::Bitmap linux = engine::decodePng(std::vector<std::uint8_t>(png.begin(), png.end()));

  engine::LabelRenderer renderer;
  const engine::Bitmap drawn = renderer.render(label);
  const auto comparison = engine_test::compareDrawings(label, drawn, linux);
  EXPECT_GE(comparison.barCodes, 1);
  EXPECT_GE(comparison.texts, 1);
  for (const std::string& difference : comparison.differences) ADD_FAILURE() << GetParam() << ": " << difference;
  // What is recorded is what was drawn.
  EXPECT_EQ(engine::decodePng(engine::encodePng(drawn)), drawn);
}

INSTANTIATE_TEST_SUITE_P(Samples, WindowsDrawing, testing::Values("hospital", "physician", "generic"));

TEST(WindowsFonts, TheLayoutsFamiliesOrTheirMetricTwins) {
  engine::LabelRenderer renderer;
  struct Case {
    const char* font;
    const char* family;
    const char* twin;
    bool bold;
  };
  for (const Case& c : {Case{"Times New Roman, 8", "Times New Roman", "Liberation Serif", false},
                        Case{"Times New Roman, 8, Bold", "Times New Roman", "Liberation Serif", true},
                        Case{"Arial, 10", "Arial", "Liberation Sans", false}}) {
    const engine::ResolvedFont resolved = renderer.resolve(c.font);
    EXPECT_TRUE(resolved.family == c.family || resolved.family == c.twin) << c.font << ": " << resolved.family;
    EXPECT_EQ(resolved.bold, c.bold) << c.font;
  }
  EXPECT_THROW(renderer.resolve("no size"), engine::RenderError);
}

}  // namespace
