#pragma once
// Windows without a screen: geometry is remembered, moves are journaled for tests,
// and timers run on the virtual clock.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/form_window.h"
#include "platform/headless/virtual_clock.h"
#include "printing/print_window.h"

namespace headless {

// A 1920 x 1080 pixel screen at 96 dpi (15 twips per pixel).
inline constexpr double kScreenWidthTwips = 28800;
inline constexpr double kScreenHeightTwips = 16200;

struct Geometry {
  double left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Geometry&) const = default;
};

class HeadlessFormWindow : public virtual forms::FormWindow {
 public:
  explicit HeadlessFormWindow(Geometry initial, double screenWidth = kScreenWidthTwips,
                              double screenHeight = kScreenHeightTwips)
      : geometry_(initial), screenWidth_(screenWidth), screenHeight_(screenHeight) {}

  double left() const override { return geometry_.left; }
  double top() const override { return geometry_.top; }
  double width() const override { return geometry_.width; }
  double height() const override { return geometry_.height; }
  void move(double left, double top, double width, double height) override;
  double screenWidth() const override { return screenWidth_; }
  double screenHeight() const override { return screenHeight_; }
  void bringToFront() override { ++broughtToFront_; }
  void processPendingMessages() override {
    if (onPendingMessages) onPendingMessages();
  }
  void unload() override { loaded_ = false; }

  bool loaded() const noexcept { return loaded_; }
  const std::vector<Geometry>& moves() const noexcept { return moves_; }
  int broughtToFront() const noexcept { return broughtToFront_; }
  std::function<void()> onPendingMessages;

 private:
  Geometry geometry_;
  double screenWidth_, screenHeight_;
  bool loaded_ = true;
  int broughtToFront_ = 0;
  std::vector<Geometry> moves_;
};

// The print window's client area is 3165 x 825 twips; the frame adds a caption and borders.
inline constexpr Geometry kPrintWindowDesignGeometry{0, 0, 3165 + 90, 825 + 420};

class HeadlessPrintWindow : public HeadlessFormWindow, public printing::PrintWindowView {
 public:
  HeadlessPrintWindow(VirtualClock& clock, std::function<void()> onTimer,
                      Geometry initial = kPrintWindowDesignGeometry)
      : HeadlessFormWindow(initial), clock_(clock), onTimer_(std::move(onTimer)) {}

  void setBarCodeCaption(const std::u16string& caption) override { barCodeCaption_ = caption; }

  const std::u16string& barCodeCaption() const noexcept { return barCodeCaption_; }

 private:
  void timerChanged() override;
  VirtualClock& clock_;
  std::function<void()> onTimer_;
  std::u16string barCodeCaption_ = u"999384334";
  // Invalidates ticks scheduled before the last change; ticks of a destroyed window find it expired.
  std::shared_ptr<int> generation_ = std::make_shared<int>(0);
};

}  // namespace headless
