#include "printing/label_stock.h"

#include <gtest/gtest.h>

#include "support/recording_engine.h"

namespace printing {
namespace {

using testing_support::EngineScript;
using testing_support::RecordingEngineFactory;

struct StockCase {
  const char* name;
  std::u16string labelSet;
  std::set<std::u16string> known;
  bool labelInfoRaises;
  bool expected;
  std::vector<std::string> tried;
  int nameReads;
  friend void PrintTo(const StockCase& c, std::ostream* os) { *os << c.name; }
};

class StockSelection : public ::testing::TestWithParam<StockCase> {};

TEST_P(StockSelection, TriesCandidatesInOrderUntilConfirmed) {
  const StockCase& c = GetParam();
  EngineScript script;
  script.knownStocks = c.known;
  script.startingStock = u"Continuous";
  script.labelInfoRaises = c.labelInfoRaises;
  RecordingEngineFactory engines(script);
  auto engine = engines.create(u"Dymo.LabelEngine");
  engines.journal.clear();

  EXPECT_EQ(ApplyLabelStock(*engine, c.labelSet), c.expected);

  std::vector<std::string> tried;
  int nameReads = 0;
  for (const auto& entry : engines.journal) {
    if (entry.starts_with("engine call NewLabel(VT_BYREF|VT_BSTR:\""))
      tried.push_back(entry.substr(39, entry.size() - 41));
    if (entry == "LabelInfo get LabelName()") ++nameReads;
  }
  EXPECT_EQ(tried, c.tried);
  EXPECT_EQ(nameReads, c.nameReads);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StockSelection,
    ::testing::Values(
        StockCase{"return_address_known", u"Tessly", {u"Return Address"}, false, true, {"Return Address"}, 1},
        StockCase{"small_stock_only_medium",
                  u"Corvane",
                  {u"Medium"},
                  false,
                  true,
                  {"Small 2-1/4 in x 1-1/4 in", "Small 2-1/4 in x 1-1/4 in (30334)", "Medium"},
                  3},
        StockCase{"letter_case_selects_the_other_set", u"corvane", {u"Return Address"}, false, true,
                  {"Return Address"}, 1},
        StockCase{"nothing_known",
                  u"Tessly",
                  {},
                  false,
                  false,
                  {"Return Address", "Return Address (30330)", "Return Address"},
                  3},
        StockCase{"label_info_raises", u"Corvane", {}, true, true, {"Small 2-1/4 in x 1-1/4 in"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StockSelection, AFailingNewLabelIsSkippedAndNothingEscapes) {
  EngineScript script;
  script.failures[u"NewLabel"] = 1;
  script.knownStocks = {u"Return Address (30330)"};
  script.startingStock = u"Continuous";
  RecordingEngineFactory engines(script);
  auto engine = engines.create(u"Dymo.LabelEngine");
  EXPECT_TRUE(ApplyLabelStock(*engine, u"Tessly"));
}

}  // namespace
}  // namespace printing
