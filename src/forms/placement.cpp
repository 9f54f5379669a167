#include "forms/placement.h"

#include <cstdint>
#include <exception>

namespace forms {

namespace {
template <typename Step>
void ignoringErrors(Step&& step) {
  try {
    step();
  } catch (...) {
  }
}
}  // namespace

void CenterForm(FormWindow& form) {
  form.setLeft((form.screenWidth() - form.width()) / 2);
  form.setTop((form.screenHeight() - form.height()) / 2);
}

void SlideOutAndUnload(FormWindow& form) {
  std::int32_t x = 0;
  ignoringErrors([&] { form.setTop((form.screenHeight() - form.height()) / 2); });
  for (;;) {
    bool more = false;
    // Sizes are read afresh at each test; a test that cannot be made ends the slide.
    ignoringErrors([&] { more = x <= form.screenWidth() + form.width(); });
    if (!more) break;
    x += static_cast<std::int32_t>(kSlideStepTwips);
    ignoringErrors([&] { form.move(x, form.top(), form.width(), form.height()); });
    ignoringErrors([&] { form.bringToFront(); });
    ignoringErrors([&] { form.processPendingMessages(); });
  }
  ignoringErrors([&] { form.unload(); });
}

}  // namespace forms
