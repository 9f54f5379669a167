#pragma once
// Selects the label stock the printer is loaded with, from a short list of candidates.

#include <string_view>

#include "automation/value.h"

namespace printing {

// The label set of the small hospital stock; any other name selects the return-address set.
inline constexpr char16_t kHospitalLabelSet[] = u"Corvane";
inline constexpr char16_t kReturnAddressLabelSet[] = u"Tessly";

// Tries each candidate stock of the set until the engine confirms it. Never throws: a stock
// the engine does not know leaves it on its current label. True when a candidate was confirmed
// (or the confirmation could not be read).
bool ApplyLabelStock(automation::Object& engine, std::u16string_view labelSetName);

}  // namespace printing
