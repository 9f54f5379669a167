#include "forms/placement.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/headless/headless_window.h"

namespace forms {
namespace {

using headless::Geometry;
using headless::HeadlessFormWindow;

TEST(CenterForm, CentresAndGoesNegativeForWindowsLargerThanTheScreen) {
  struct Case {
    double screen, window, expectedLeft;
  };
  for (const Case c : {Case{15000, 5000, 5000}, Case{15000, 15000, 0}, Case{15000, 16000, -500},
                       Case{15001, 5000, 5000.5}}) {
    HeadlessFormWindow window({123, 456, c.window, 3000}, c.screen, 9000);
    CenterForm(window);
    EXPECT_DOUBLE_EQ(window.left(), c.expectedLeft);
    EXPECT_DOUBLE_EQ(window.top(), 3000);
  }
}

TEST(SlideOutAndUnload, JumpsInThousandsUntilPastTheScreenThenUnloads) {
  HeadlessFormWindow window({20000, 100, 5000, 3000}, 15000, 9000);
  int pending = 0;
  window.onPendingMessages = [&] { ++pending; };
  SlideOutAndUnload(window);
  const auto& moves = window.moves();
  // The first move re-centres vertically, then 21 steps from 1000 to 21000.
  ASSERT_EQ(moves.size(), 22u);
  EXPECT_EQ(moves.front(), (Geometry{20000, 3000, 5000, 3000}));
  for (std::size_t i = 1; i < moves.size(); ++i)
    EXPECT_EQ(moves[i], (Geometry{1000.0 * static_cast<double>(i), 3000, 5000, 3000})) << i;
  EXPECT_EQ(window.broughtToFront(), 21);
  EXPECT_EQ(pending, 21);
  EXPECT_FALSE(window.loaded());
}

// A window whose platform refuses some operations: the slide skips them and still unloads.
class StubbornWindow : public HeadlessFormWindow {
 public:
  using HeadlessFormWindow::HeadlessFormWindow;
  void bringToFront() override { throw std::runtime_error("no z-order"); }
  void processPendingMessages() override { throw std::runtime_error("no messages"); }
};

TEST(SlideOutAndUnload, FailingStepsAreSkipped) {
  StubbornWindow window({0, 0, 5000, 3000}, 15000, 9000);
  EXPECT_NO_THROW(SlideOutAndUnload(window));
  EXPECT_EQ(window.moves().back().left, 21000);
  EXPECT_FALSE(window.loaded());
}

}  // namespace
}  // namespace forms
