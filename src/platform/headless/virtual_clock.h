#pragma once
// Time for the headless windows: events run in time order and the clock jumps to each,
// so a two-second window costs no real time in tests or in the native host.

#include <cstdint>
#include <functional>
#include <map>

namespace headless {

class VirtualClock {
 public:
  using Event = std::function<void()>;
  std::int64_t now() const noexcept { return now_; }
  void schedule(std::int64_t atMilliseconds, Event event) { events_.emplace(atMilliseconds, std::move(event)); }
  // Runs due events in order until `done` holds or nothing is left; false if it ran dry.
  bool runUntil(const std::function<bool()>& done);

 private:
  std::int64_t now_ = 0;
  std::multimap<std::int64_t, Event> events_;
};

}  // namespace headless
