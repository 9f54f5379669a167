#include "control/version.h"

#include "automation/text.h"

namespace control {

std::u16string applicationVersionText() {
  auto number = [](int n) { return automation::fromUtf8(std::to_string(n)); };
  return std::u16string(kApplicationTitle) + u" v." + number(kVersionMajor) + u"." + number(kVersionMinor) +
         u"." + number(kVersionRevision);
}

}  // namespace control
