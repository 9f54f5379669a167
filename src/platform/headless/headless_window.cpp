#include "platform/headless/headless_window.h"

namespace headless {

void HeadlessFormWindow::move(double left, double top, double width, double height) {
  geometry_ = {left, top, width, height};
  moves_.push_back(geometry_);
}

void HeadlessPrintWindow::timerChanged() {
  const int generation = ++*generation_;
  if (!timerRunning()) return;
  clock_.schedule(clock_.now() + timerInterval(), [this, generation, alive = std::weak_ptr<int>(generation_)] {
    const auto current = alive.lock();
    if (!current || *current != generation || !loaded()) return;
    timerChanged();  // a timer keeps ticking until disabled
    onTimer_();
  });
}

}  // namespace headless
