#include "platform/headless/virtual_clock.h"

#include <algorithm>

namespace headless {

bool VirtualClock::runUntil(const std::function<bool()>& done) {
  while (!done()) {
    if (events_.empty()) return false;
    auto next = events_.begin();
    now_ = std::max(now_, next->first);
    Event event = std::move(next->second);
    events_.erase(next);
    event();
  }
  return true;
}

}  // namespace headless
