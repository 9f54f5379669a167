// What the printing sinks share: which printer a name names, which paper takes a label, and
// the job's name. Portable: these run natively and under Wine.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "engine/print_job.h"

namespace {

using engine::PrinterIdentity;

const std::vector<PrinterIdentity> kPrinters{
    {"lw450", {"Front desk"}},
    {"LW450", {"DYMO LabelWriter 450", "Lab 2"}},
    {"PDF", {"", "Dymo LabelWriter 450"}},
    {"Zebra", {}},
};

struct PrinterCase {
  const char* wanted;
  std::optional<std::size_t> chosen;
};

TEST(ChoosePrinterTest, ExactNameFirstThenNameOrDescriptionInAnyLetterCase) {
  const PrinterCase cases[] = {
      {"LW450", 1},                 // the exact name wins over an earlier one in another letter case
      {"lw450", 0},
      {"Lw450", 0},                 // no exact name: the first in any letter case
      {"dymo labelwriter 450", 1},  // a description (a CUPS printer-info, a Windows comment)
      {"lab 2", 1},                 // any description (a Windows location)
      {"zebra", 3},
      {"", std::nullopt},           // an empty description names nothing
      {"DYMO LabelWriter", std::nullopt},
      {"LW450 ", std::nullopt},
  };
  for (const PrinterCase& c : cases) EXPECT_EQ(engine::choosePrinter(kPrinters, c.wanted), c.chosen) << c.wanted;
  EXPECT_EQ(engine::choosePrinter({}, "LW450"), std::nullopt);
}

TEST(ChoosePrinterTest, DescribesThePrintersForAMessage) {
  EXPECT_EQ(engine::describePrinters(kPrinters),
            "lw450 (\"Front desk\"), LW450 (\"DYMO LabelWriter 450\", \"Lab 2\"), PDF (\"Dymo LabelWriter 450\"), Zebra");
  EXPECT_EQ(engine::describePrinters({}), "");
}

TEST(ChoosePaperTest, TheStocksSizeAsItLiesElseTurnedWithinHalfAMillimetre) {
  const engine::LabelStock small{"Small 2-1/4 in x 1-1/4 in", 3240, 1800};  // 57.15 x 31.75 mm
  const engine::LabelStock address{"Return Address", 2880, 1080};            // 50.8 x 19.05 mm
  // As a LabelWriter driver lists them (Windows gives tenths of a millimetre, truncated).
  const std::vector<engine::PaperSize> papers{{10160, 15240}, {1900, 5080}, {5710, 3170}, {5715, 3175}};
  const auto chosenSmall = engine::choosePaper(papers, small);
  ASSERT_TRUE(chosenSmall);
  EXPECT_EQ(chosenSmall->index, 2u);
  EXPECT_FALSE(chosenSmall->quarterTurn);
  const auto chosenAddress = engine::choosePaper(papers, address);
  ASSERT_TRUE(chosenAddress);
  EXPECT_EQ(chosenAddress->index, 1u);
  EXPECT_TRUE(chosenAddress->quarterTurn);
  // A millimetre off is another paper.
  EXPECT_FALSE(engine::choosePaper(std::vector<engine::PaperSize>{{5615, 3175}, {5715, 3075}}, small));
  EXPECT_EQ(engine::describeStock(small), "2.25 x 1.25 in (\"Small 2-1/4 in x 1-1/4 in\")");
}

engine::Bitmap withInk(int width, int height, int left, int top, int right, int bottom) {
  engine::Bitmap page{width, height, (static_cast<std::size_t>(width) + 7) / 8, {}};
  page.bits.assign(page.rowBytes * static_cast<std::size_t>(height), 0);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) page.bits[static_cast<std::size_t>(y) * page.rowBytes + x / 8] |= 0x80 >> (x % 8);
  return page;
}

TEST(PlaceInkTest, WhereTheCupsSinkPutsItUnlessInkWouldBeCutOff) {
  struct Case {
    const char* what;
    int left, top, right, bottom;  // the ink on a 225 x 600 page
    int printableWidth, printableHeight;
    std::optional<engine::Placement> placement;
  };
  const Case cases[] = {
      {"ink within the printable area stays", 10, 20, 190, 500, 196, 514, engine::Placement{0, 0}},
      {"ink up to the edge stays", 0, 0, 196, 514, 196, 514, engine::Placement{0, 0}},
      {"ink beyond the right edge moves left, just enough", 30, 104, 215, 284, 196, 514, engine::Placement{-19, 0}},
      {"ink beyond the bottom moves up", 30, 104, 180, 530, 196, 514, engine::Placement{0, -16}},
      {"ink wider than the printable area cannot be printed whole", 0, 0, 200, 300, 196, 514, std::nullopt},
      {"ink longer than the printable area cannot either", 0, 0, 100, 600, 196, 514, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(engine::placeInk(withInk(225, 600, c.left, c.top, c.right, c.bottom), c.printableWidth, c.printableHeight),
              c.placement)
        << c.what;
  EXPECT_EQ(engine::placeInk(withInk(225, 600, 0, 0, 0, 0), 10, 10), engine::Placement{}) << "a blank label";
}

TEST(JobTitleTest, NamesTheFirstBarCodeWithData) {
  engine::LabelDescription label;
  EXPECT_EQ(engine::jobTitle(label), "Vantory label");
  label.objects.push_back({"Empty", 0, 0, 10, 10, 0, engine::BarcodeContent{}});
  label.objects.push_back({"Text", 0, 0, 10, 10, 0, engine::TextContent{"not this"}});
  engine::BarcodeContent code;
  code.text = "S42-7";
  label.objects.push_back({"BC", 0, 0, 10, 10, 0, code});
  EXPECT_EQ(engine::jobTitle(label), "Vantory label S42-7");
}

}  // namespace
