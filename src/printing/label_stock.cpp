#include "printing/label_stock.h"

#include <array>

#include "automation/text.h"
#include "printing/engine_calls.h"

namespace printing {

namespace {
constexpr std::array<std::u16string_view, 3> kSmallStocks{u"Small 2-1/4 in x 1-1/4 in",
                                                          u"Small 2-1/4 in x 1-1/4 in (30334)", u"Medium"};
constexpr std::array<std::u16string_view, 3> kReturnAddressStocks{u"Return Address", u"Return Address (30330)",
                                                                  u"Return Address"};
}  // namespace

bool ApplyLabelStock(automation::Object& engine, std::u16string_view labelSetName) {
  const auto& candidates = labelSetName == kHospitalLabelSet ? kSmallStocks : kReturnAddressStocks;
  for (const auto candidate : candidates) {
    Value stockName = Value::string(std::u16string(candidate));
    try {
      const std::array name{Argument::byTypedReference(stockName)};
      engine.call(u"NewLabel", name);
    } catch (...) {
      // A stock the engine refuses still gets its confirmation read below.
    }
    try {
      const Value current = getObject(engine, u"LabelInfo")->get(u"LabelName");
      if (!automation::equalsText(current, candidate)) continue;
    } catch (...) {
      // An unreadable confirmation counts as confirmed, so printing goes on with one try.
    }
    return true;
  }
  return false;
}

}  // namespace printing
