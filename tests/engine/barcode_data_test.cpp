// What each BCType accepts, checked portably before anything is drawn.

#include <gtest/gtest.h>

#include "engine/barcode_data.h"

namespace {

using engine::Symbology;

struct DataCase {
  int bcType;
  std::string data;
  bool accepted;
};

std::string repeat(char c, std::size_t n) { return std::string(n, c); }

const DataCase kCases[] = {
    {0, "ABC-123", true},
    {0, "A B.$/+%", true},
    {0, repeat('A', 85), true},
    {0, repeat('A', 86), false},
    {0, "abc", false},
    {0, "A*B", false},
    {1, "S42", true},
    {2, "S42-7", true},
    {2, "abc\x01", true},
    {2, "caf\xc3\xa9", true},       // é is Latin-1
    {2, "\xe2\x82\xac", false},     // € is not
    {2, "a\xc2\x85", false},         // nor are the C1 controls
    {2, repeat('A', 60), true},
    {2, repeat('A', 61), false},
    {2, repeat('a', 30), true},  // lower case may cost a shift each
    {2, repeat('a', 31), false},
    {2, repeat('1', 114), true},
    {2, repeat('1', 116), false},
    {3, "ABC\t12", true},
    {3, "abc", false},
    {4, "abc", true},
    {4, "a\tb", false},
    {4, repeat('1', 61), false},  // no digit pairs in code set B
    {5, "1234", true},
    {5, "123", false},
    {5, "12a4", false},
    {7, "01234567890", true},
    {7, "012345678905", true},
    {7, "012345678900", false},
    {7, "0123456789", false},
    {8, "123456", true},
    {8, "0123456", true},
    {8, "2123456", false},  // UPC-E has the number systems 0 and 1 only
    {8, "01234565", true},
    {8, "01234564", false},
    {9, "1234567", true},
    {9, "12345670", true},
    {9, "12345678", false},
    {10, "123456789012", true},
    {10, "1234567890128", true},
    {10, "1234567890123", false},
    {10, "12345678901A", false},
    {11, "123456", true},
    {11, "A12-3$B", true},
    {11, "A123", false},
    {11, "12A3", false},
    {11, "A" + repeat('1', 58) + "B", true},
    {11, "A" + repeat('1', 59) + "B", false},
};

TEST(BarcodeDataTest, EachSymbologyAcceptsOnlyWhatItCanEncode) {
  for (const auto& c : kCases) {
    const auto symbology = engine::symbologyOf(c.bcType);
    ASSERT_TRUE(symbology);
    const auto problem = engine::barcodeProblem(*symbology, c.data);
    EXPECT_EQ(!problem, c.accepted) << c.bcType << " \"" << c.data << "\": " << problem.value_or("accepted");
  }
}

TEST(BarcodeDataTest, EmptyDataIsAcceptedEverywhere) {
  for (int type : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11})
    EXPECT_FALSE(engine::barcodeProblem(*engine::symbologyOf(type), "")) << type;
}

TEST(BarcodeDataTest, OnlyTheDocumentedTypesExist) {
  for (int type : {-1, 6, 12, 100}) EXPECT_FALSE(engine::symbologyOf(type)) << type;
}

TEST(BarcodeDataTest, ProblemsNameTheData) {
  const auto problem = engine::barcodeProblem(Symbology::Ean13, "1234567890123");
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->find("\"1234567890123\""), std::string::npos) << *problem;
  EXPECT_NE(problem->find("8"), std::string::npos) << *problem;  // the check digit it needs
}

TEST(BarcodeDataTest, EncoderDataDropsVerifiedCheckDigitsAndFramesCodabar) {
  const struct {
    Symbology symbology;
    const char* data;
    const char* expected;
  } cases[] = {{Symbology::UpcA, "012345678905", "01234567890"},
               {Symbology::UpcA, "01234567890", "01234567890"},
               {Symbology::UpcE, "01234565", "0123456"},
               {Symbology::Ean8, "12345670", "1234567"},
               {Symbology::Ean13, "1234567890128", "123456789012"},
               {Symbology::Codabar, "123", "A123A"},
               {Symbology::Codabar, "B12C", "B12C"},
               {Symbology::Code128, "12345678", "12345678"}};
  for (const auto& c : cases) EXPECT_EQ(engine::encoderData(c.symbology, c.data), c.expected) << c.data;
}

TEST(BarcodeDataTest, Code128BoundCountsEachKindOfCharacter) {
  const struct {
    std::u16string data;
    int symbols;
  } cases[] = {{u"", 0},          {u"ABC", 3},     {u"abc", 6},       {u"12", 1},
               {u"1234", 5},      {u"12345", 6},   {u"AB1234", 7},    {u"\x01", 2},
               {u"\u00e9", 3},    {u"A\u00e9", 5}, {u"\u00e91234", 10}};
  for (const auto& c : cases) EXPECT_EQ(engine::code128SymbolBound(c.data), c.symbols) << c.symbols;
}

}  // namespace
