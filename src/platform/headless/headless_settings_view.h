#pragma once
// A settings dialog without a screen: the controls in memory, the window on the virtual screen.

#include "forms/settings_view.h"
#include "platform/headless/headless_window.h"

namespace headless {

// The frame around a dialog's client area: borders and caption, as for the print window.
inline constexpr double kFrameWidthTwips = 90;
inline constexpr double kFrameHeightTwips = 420;

inline Geometry settingsWindowGeometry(const forms::FormDesign& design) {
  return {0, 0, design.clientWidth + kFrameWidthTwips, design.clientHeight + kFrameHeightTwips};
}

class HeadlessSettingsView : public HeadlessFormWindow, public forms::MemorySettingsView {
 public:
  explicit HeadlessSettingsView(const forms::FormDesign& design, double screenWidth = kScreenWidthTwips,
                                double screenHeight = kScreenHeightTwips)
      : HeadlessFormWindow(settingsWindowGeometry(design), screenWidth, screenHeight),
        forms::MemorySettingsView(design) {}
};

}  // namespace headless
