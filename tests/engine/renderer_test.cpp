// The drawn label, checked the way a person or a scanner would: bar codes must scan back,
// text and bars must sit in their boxes. No pixel-for-pixel comparisons.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

#include <zint.h>

#include "engine/barcode_data.h"
#include "engine/image_sink.h"
#include "engine/renderer.h"
#include "engine_driver.h"
#include "support/label_image.h"
#include "support/temporary_folder.h"

namespace engine_test {
namespace {

engine::LabelDescription labelWith(std::vector<engine::LabelObject> objects,
                                   engine::LabelStock stock = {"Small 2-1/4 in x 1-1/4 in", 3240, 1800}) {
  engine::LabelDescription label;
  label.stock = std::move(stock);
  label.objects = std::move(objects);
  label.printer = "P";
  return label;
}

engine::LabelObject textObject(const std::string& content, int left, int top, int width, int height,
                               const std::string& font = "Times New Roman, 7") {
  engine::TextContent text;
  text.text = content;
  text.font1 = text.font2 = font;
  return {"T", left, top, width, height, 0, text};
}

engine::LabelObject barcodeObject(const std::string& data, int bcType = 2, int left = 200, int top = 540,
                                  int width = 2800, int height = 360) {
  engine::BarcodeContent code;
  code.text = data;
  code.bcType = bcType;
  code.textPos = 0;
  return {"BC", left, top, width, height, 0, code};
}

engine::TextContent& textOf(engine::LabelObject& object) { return std::get<engine::TextContent>(object.content); }
engine::BarcodeContent& codeOf(engine::LabelObject& object) {
  return std::get<engine::BarcodeContent>(object.content);
}

class RendererTest : public ::testing::Test {
 protected:
  engine::Bitmap render(const engine::LabelDescription& label) { return renderer.render(label); }
  engine::Bitmap render(std::vector<engine::LabelObject> objects) { return render(labelWith(std::move(objects))); }

  engine::LabelDescription hospital(const HospitalLines& lines = {}) {
    auto sink = std::make_shared<RecordingSink>();
    const auto engine = engine::createEngine(sink);
    printHospital(*engine, lines);
    return sink->labels.at(0);
  }

  engine::LabelRenderer renderer;
};

TEST_F(RendererTest, TimesNewRomanIsDrawnWithItsMetricTwinLiberationSerif) {
  const struct {
    const char* font;
    const char* family;
    bool bold, italic;
  } cases[] = {{"Times New Roman, 8", "Liberation Serif", false, false},
               {"Times New Roman, 8, Bold", "Liberation Serif", true, false},
               {"Times New Roman, 7, Italic", "Liberation Serif", false, true},
               {"Arial, 10, Bold, Italic", "Liberation Sans", true, true}};
  for (const auto& c : cases) {
    const engine::ResolvedFont font = renderer.resolve(c.font);
    EXPECT_EQ(font.family, c.family) << c.font;
    EXPECT_EQ(font.bold, c.bold) << c.font;
    EXPECT_EQ(font.italic, c.italic) << c.font;
  }
}

TEST_F(RendererTest, HospitalLabelScansAndKeepsEveryLineInItsRow) {
  const engine::LabelDescription label = hospital();
  const engine::Bitmap bitmap = render(label);
  ASSERT_EQ(bitmap.width, 675);  // 2.25 in at 300 dpi
  ASSERT_EQ(bitmap.height, 375);
  EXPECT_EQ(scan(bitmap), (std::vector<Scanned>{{"CODE-128", "S00441712"}}));

  for (const auto& object : label.objects) {
    const Box box = boxOf(object);
    const Box ink = inkBox(bitmap, box);
    ASSERT_FALSE(ink.empty()) << object.name;
    EXPECT_LE(ink.left - box.left, 3) << object.name << ": starts at the box's left edge";
    if (object.kind() == engine::ObjectKind::Barcode) {
      EXPECT_EQ(ink.left, box.left);
      EXPECT_EQ(ink.top, box.top) << "bars fill the box's height";
      EXPECT_EQ(ink.bottom, box.bottom);
      EXPECT_EQ(inkCount(bitmap, {ink.left, box.top, ink.left + 1, box.bottom}), box.height());
    } else {
      EXPECT_GE(ink.height(), 15) << object.name << ": 7 pt capitals are about 19 dots high";
      EXPECT_LE(ink.height(), box.height()) << object.name;
    }
  }
  // Nothing is drawn outside the objects' boxes.
  engine::Bitmap outside = bitmap;
  for (const auto& object : label.objects) {
    const Box box = boxOf(object);
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) outside.bits[y * outside.rowBytes + x / 8] &= ~(0x80 >> (x % 8));
  }
  EXPECT_TRUE(inkBox(outside).empty());
}

TEST_F(RendererTest, TextIsPlacedByJustifyAndVJustify) {
  const Box box = boxOf(textObject("", 300, 300, 2400, 1000));
  for (int justify : {0, 1, 2}) {
    for (int vJustify : {0, 1, 2, -400}) {
      auto object = textObject("HIH", 300, 300, 2400, 1000, "Arial, 12");
      textOf(object).justify = justify;
      textOf(object).vJustify = vJustify;
      const Box ink = inkBox(render({object}));
      const std::string where = "Justify " + std::to_string(justify) + ", VJustify " + std::to_string(vJustify);
      switch (justify) {
        case 0: EXPECT_LE(ink.left - box.left, 4) << where; break;
        case 1: EXPECT_NEAR(ink.left + ink.right, box.left + box.right, 4) << where; break;
        case 2: EXPECT_LE(box.right - ink.right, 4) << where; break;
      }
      // Capitals sit below the line's ascent and above its descent: a few dots inside the line box.
      if (vJustify == 1)
        EXPECT_NEAR(ink.top + ink.bottom, box.top + box.bottom, 14) << where;
      else if (vJustify == 2)
        EXPECT_LE(box.bottom - ink.bottom, 16) << where;
      else
        EXPECT_LE(ink.top - box.top, 16) << where;
    }
  }
}

TEST_F(RendererTest, LineBreaksMakeLinesAndFont2DrawsTheLaterOnes) {
  auto block = textObject("Req 1\r\nAcct 2\r\nDOE, JANE", 360, 18, 6000, 10000, "Times New Roman, 8");
  EXPECT_EQ(inkBands(render(labelWith({block}, {"Return Address", 2880, 1080})), {0, 0, 600, 225}).size(), 3u);

  auto mixed = textObject("H\nH", 200, 100, 2000, 1600, "Arial, 8");
  textOf(mixed).font2 = "Arial, 16";
  const auto bands = inkBands(render({mixed}), {0, 0, 675, 375});
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_NEAR(static_cast<double>(bands[1].height()) / bands[0].height(), 2.0, 0.2);
}

TEST_F(RendererTest, ColoursPrintDarkOrNotAtAllAndBackgroundsFillTheBox) {
  auto reverse = textObject("WHITE ON BLACK", 200, 200, 2000, 400, "Arial, 10, Bold");
  textOf(reverse).backgroundColor = 0;
  textOf(reverse).textColor = 0xFFFFFF;
  const Box box = boxOf(reverse);
  const int inked = inkCount(render({reverse}), box);
  EXPECT_GT(inked, box.width() * box.height() * 8 / 10);
  EXPECT_LT(inked, box.width() * box.height());
  textOf(reverse).textColor = 0x00FFFF;  // yellow is too light for the head as well
  EXPECT_EQ(inkCount(render({reverse}), box), inked);
}

TEST_F(RendererTest, MirroredAndVerticalText) {
  auto normal = textObject("LONG LINE OF TEXT", 200, 200, 2800, 1400, "Arial, 8");
  const Box box = boxOf(normal);
  textOf(normal).mirrored = true;
  const Box mirrored = inkBox(render({normal}));
  EXPECT_LE(box.right - mirrored.right, 4) << "left-justified text mirrors to the right edge";
  textOf(normal).mirrored = false;
  textOf(normal).vertical = true;
  const Box vertical = inkBox(render({normal}));
  EXPECT_GT(vertical.height(), 4 * vertical.width());
  EXPECT_LE(box.right - vertical.right, 16) << "the line's top faces right";
}

TEST_F(RendererTest, EverySymbologyScansBack) {
  const struct {
    int bcType;
    const char* data;
    Scanned expected;
  } cases[] = {
      {0, "ABC-123", {"CODE-39", "ABC-123"}},
      {1, "ABC-123", {"CODE-39", "ABC-123W"}},  // with its mod 43 check character
      {2, "S42-7 ok", {"CODE-128", "S42-7 ok"}},
      {3, "ABC 12", {"CODE-128", "ABC 12"}},
      {4, "abc-12", {"CODE-128", "abc-12"}},
      {5, "123456", {"CODE-128", "123456"}},
      {7, "012345678905", {"UPC-A", "012345678905"}},  // a check digit the host gave is kept
      {8, "0123456", {"UPC-E", "01234565"}},
      {9, "1234567", {"EAN-8", "12345670"}},  // one it left out is added
      {10, "1234567890128", {"EAN-13", "1234567890128"}},
      {11, "12-34", {"Codabar", "A12-34A"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(scan(render({barcodeObject(c.data, c.bcType, 200, 200, 2800, 1000)})),
              std::vector<Scanned>{c.expected})
        << c.bcType << " " << c.data;
  }
}

TEST_F(RendererTest, SizeSetsModuleWidthAndBarHeightAndJustifyThePlace) {
  auto code = barcodeObject("S42", 2, 200, 540, 2800, 360);
  std::vector<int> widths;
  for (int size : {0, 1, 2}) {
    auto tall = barcodeObject("S42", 2, 200, 100, 2800, 1000);
    codeOf(tall).size = size;
    const Box ink = inkBox(render({tall}));
    widths.push_back(ink.width());
    EXPECT_EQ(ink.height(), dots(360 + 180 * size)) << "bars of 1/4, 3/8 and 1/2 in";
    codeOf(code).size = size;
    EXPECT_EQ(inkBox(render({code})).height(), dots(360)) << "no higher than the box";
  }
  EXPECT_EQ(widths[1] * 2, widths[0] * 3);
  EXPECT_EQ(widths[2], widths[0] * 2);

  const Box box = boxOf(code);
  codeOf(code).size = 0;
  codeOf(code).justify = 1;
  const Box centred = inkBox(render({code}));
  EXPECT_NEAR(centred.left + centred.right, box.left + box.right, 2);
  codeOf(code).justify = 2;
  EXPECT_EQ(inkBox(render({code})).right, box.right);
}

TEST_F(RendererTest, TextPosPutsTheReadableDataAboveOrBelowTheBars) {
  auto code = barcodeObject("S42", 2, 200, 200, 2800, 600);
  const Box box = boxOf(code);
  const auto bands = [&](int textPos) {
    codeOf(code).textPos = textPos;
    const engine::Bitmap bitmap = render({code});
    EXPECT_EQ(scan(bitmap), (std::vector<Scanned>{{"CODE-128", "S42"}})) << textPos;
    return inkBands(bitmap, box);
  };
  const auto none = bands(0);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].top, box.top);
  EXPECT_EQ(none[0].height(), dots(360)) << "Size 0 bars are a quarter inch high";
  const auto below = bands(2);
  ASSERT_EQ(below.size(), 2u);
  EXPECT_EQ(below[0].top, box.top);
  EXPECT_EQ(below[0].height(), dots(360));
  EXPECT_LT(below[1].top - below[0].bottom, 8) << "the caption follows the bars";
  const auto above = bands(1);
  ASSERT_EQ(above.size(), 2u);
  EXPECT_LT(above[0].top - box.top, 12);
  EXPECT_LT(above[0].height(), above[1].height());
  EXPECT_EQ(above[1].height(), dots(360));
}

TEST_F(RendererTest, RotatedObjectsStayInTheirBoxes) {
  for (int rotation : {90, 180, 270}) {
    auto code = barcodeObject("S42-7", 2, 1000, 100, 700, 1600);
    code.rotation = rotation;
    auto line = textObject("Rotated", 200, 100, 400, 1600, "Arial, 8");
    line.rotation = rotation;
    const engine::Bitmap bitmap = render({code, line});
    EXPECT_EQ(scan(bitmap), (std::vector<Scanned>{{"CODE-128", "S42-7"}})) << rotation;
    int inside = 0;
    for (const auto& object : {code, line}) {
      const Box box = boxOf(object), ink = inkBox(bitmap, box);
      ASSERT_FALSE(ink.empty()) << object.name << " " << rotation;
      inside += inkCount(bitmap, box);
      if (rotation != 180) {
        EXPECT_GT(ink.height(), ink.width()) << object.name << " " << rotation;
      }
    }
    EXPECT_EQ(inkCount(bitmap, {0, 0, 675, 375}), inside) << rotation;
  }
}

TEST_F(RendererTest, ObjectsAreClippedToTheirBoxAndTheLabel) {
  auto big = textObject("Far too large for its box", 200, 200, 600, 100, "Times New Roman, 20");
  const Box box = boxOf(big);
  const Box ink = inkBox(render({big}));
  EXPECT_GE(ink.left, box.left);
  EXPECT_LE(ink.right, box.right);
  EXPECT_GE(ink.top, box.top);
  EXPECT_LE(ink.bottom, box.bottom);

  EXPECT_TRUE(inkBox(render({textObject("Gone", 5000, 5000, 2000, 400), barcodeObject("X", 2, -4000, 0)})).empty());
  const int most = std::numeric_limits<int>::max();
  EXPECT_NO_THROW(render({textObject("Huge", -most, -most, most, most), barcodeObject("X", 2, most, 0, most)}));
  auto longCode = barcodeObject("ABCDEFGHIJKLMNOP", 0, 200, 540, 1200, 360);  // 13 modules a character
  codeOf(longCode).size = 2;
  const Box narrowed = inkBox(render({longCode}));
  EXPECT_LE(narrowed.right, boxOf(longCode).right);
  EXPECT_GE(narrowed.width(), boxOf(longCode).width() * 3 / 4) << "narrowed, not clipped";

  const Box straddling = inkBox(render({barcodeObject("S42", 2, 3000, 1600, 2800, 1000)}));
  EXPECT_EQ(straddling.left, dots(3000));
  EXPECT_GE(straddling.right, 670);
  EXPECT_EQ(straddling.top, dots(1600));
  EXPECT_EQ(straddling.bottom, 375);
}

TEST_F(RendererTest, PngKeepsEveryDotAndRecordsThreeHundredDpi) {
  const engine::Bitmap bitmap = render(hospital());
  const std::vector<std::uint8_t> png = engine::encodePng(bitmap);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png[24], 1) << "bit depth";
  EXPECT_EQ(png[25], 0) << "greyscale";
  EXPECT_EQ(engine::decodePng(png), bitmap);
  const auto pHYs = std::search(png.begin(), png.end(), "pHYs", "pHYs" + 4);
  ASSERT_NE(pHYs, png.end());
  const std::uint32_t perMetre = (pHYs[4] << 24) | (pHYs[5] << 16) | (pHYs[6] << 8) | pHYs[7];
  EXPECT_EQ(perMetre, 11811u);  // 300 per inch
  EXPECT_THROW(engine::decodePng({'n', 'o', 't'}), engine::RenderError);
}

TEST_F(RendererTest, ImageFolderSinkWritesThePictureOfTheLabel) {
  const TemporaryFolder temp;
  const auto sink = std::make_shared<engine::ImageFolderSink>(temp.path());
  printHospital(*engine::createEngine(sink));
  std::ifstream in(sink->printed().at(0).image, std::ios::binary);
  const std::vector<std::uint8_t> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(scan(engine::decodePng(png)), (std::vector<Scanned>{{"CODE-128", "S00441712"}}));
}

// A label drawn ahead (on another thread, by a print service) is printed with that picture;
// the sink's own print draws it. Labels printed either way are numbered in one run.
TEST_F(RendererTest, LabelsDrawnAheadArePrintedWithTheirPictureAndOthersAreDrawn) {
  HospitalLines otherLines;
  otherLines.line1 = "SOMEONE ELSE";
  const engine::LabelDescription label = hospital(), other = hospital(otherLines);
  ASSERT_NE(label, other);

  engine::DrawingSink drawing(renderer);
  for (const auto* each : {&label, &label, &other}) drawing.print(*each);  // two copies of one label
  ASSERT_EQ(drawing.drawn().size(), 2u);
  EXPECT_EQ(drawing.drawn()[0].label, label);
  EXPECT_EQ(drawing.drawn()[0].png, renderer.renderPng(label));
  EXPECT_EQ(drawing.drawn()[1].label, other);
  ASSERT_NE(engine::drawingOf(drawing.drawn(), other), nullptr);
  EXPECT_EQ(engine::drawingOf(drawing.drawn(), other)->png, renderer.renderPng(other));
  EXPECT_EQ(engine::drawingOf(drawing.drawn(), hospital(HospitalLines{.line1 = "NOBODY"})), nullptr);

  const TemporaryFolder temp;
  engine::ImageFolderSink sink(temp.path());
  const auto picture = [](const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  };
  const auto ahead = sink.printDrawn(label, std::vector<std::uint8_t>{'A', 'H', 'E', 'A', 'D'});
  EXPECT_EQ(ahead.image.filename(), "label-0001.png");
  EXPECT_EQ(picture(ahead.image), (std::vector<std::uint8_t>{'A', 'H', 'E', 'A', 'D'}));
  EXPECT_TRUE(sink.printed().empty()) << "a label printed drawn is its caller's to list";

  sink.print(other);
  const auto printed = sink.takePrinted();
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].image.filename(), "label-0002.png");
  EXPECT_EQ(picture(printed[0].image), renderer.renderPng(other));

  // Handed over and forgotten; the numbers go on.
  EXPECT_TRUE(sink.printed().empty());
  sink.print(other);
  EXPECT_EQ(sink.printed().at(0).image.filename(), "label-0003.png");
}

// The portable length check must never accept Code 128 data the encoder then refuses.
TEST(Code128BoundTest, NeverBelowWhatTheEncoderNeeds) {
  std::mt19937 random(20261208);
  const std::u16string pools[] = {u"0123456789", u"ABCDEFGH0123", u"abcdefgh", u"\x01\x02\t\r",
                                  u"\u00e9\u00fc\u00c4\u0085"};
  int checked = 0;
  for (int round = 0; round < 3000; ++round) {
    std::u16string data;
    const int length = 1 + static_cast<int>(random() % 50);
    for (int i = 0; i < length; ++i) {
      const auto& pool = pools[random() % std::size(pools)];
      const int run = 1 + static_cast<int>(random() % 8);
      for (int k = 0; k < run && static_cast<int>(data.size()) < length; ++k) data += pool[random() % pool.size()];
    }
    const std::string utf8 = automation::toUtf8(data);
    if (engine::barcodeProblem(engine::Symbology::Code128, utf8)) continue;
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    const int status = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(utf8.data()),
                                       static_cast<int>(utf8.size()));
    ASSERT_LT(status, ZINT_ERROR) << symbol->errtxt << " for " << utf8;
    const int encoded = (symbol->width - 35) / 11;  // start, check and stop take 35 modules
    EXPECT_LE(encoded, engine::code128SymbolBound(data)) << [&] {
      std::string hex;
      for (char16_t c : data) hex += std::to_string(static_cast<unsigned>(c)) + " ";
      return hex;
    }();
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace engine_test
