#include "platform/headless/headless_window.h"

namespace headless {

void HeadlessFormWindow::move(double left, double top, double width, double height) {
  geometry_ = {left, top, width, height};
  moves_.push_back(geometry_);
}

void HeadlessPrintWindow::setTimerInterval(int milliseconds) {
  interval_ = milliseconds;
  arm();
}

void HeadlessPrintWindow::setTimerEnabled(bool enabled) {
  enabled_ = enabled;
  arm();
}

void HeadlessPrintWindow::arm() {
  const int generation = ++*generation_;
  if (!enabled_ || interval_ <= 0) return;
  clock_.schedule(clock_.now() + interval_, [this, generation, alive = std::weak_ptr<int>(generation_)] {
    const auto current = alive.lock();
    if (!current || *current != generation || !loaded()) return;
    arm();  // a timer keeps ticking until disabled
    onTimer_();
  });
}

}  // namespace headless
