// What each BCType accepts, checked portably before anything is drawn.

#include <gtest/gtest.h>

#include "engine/barcode_data.h"

namespace {

struct DataCase {
  int bcType;
  std::string data;
  bool accepted;
};

std::string repeat(char c, std::size_t n) { return std::string(n, c); }

const DataCase kCases[] = {
    {0, "", true},  // empty data prints nothing, whatever the symbology
    {10, "", true},
    {0, "ABC-123", true},
    {0, repeat('A', 85), true},
    {0, repeat('A', 86), false},
    {0, "abc", false},
    {0, "A*B", false},
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
    {4, "a\tb", false},
    {4, repeat('1', 61), false},  // no digit pairs in code set B
    {5, "123", false},
    {5, "12a4", false},
    {7, "012345678905", true},
    {7, "012345678900", false},
    {7, "0123456789", false},
    {8, "123456", true},
    {8, "2123456", false},  // UPC-E has the number systems 0 and 1 only
    {8, "01234565", true},
    {8, "01234564", false},
    {9, "12345670", true},
    {9, "12345678", false},
    {10, "1234567890128", true},
    {10, "1234567890123", false},
    {10, "12345678901A", false},
    {11, "123456", true},
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

}  // namespace
