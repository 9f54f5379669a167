#pragma once
// What the placement routines and the window behaviours need of a platform window.
// Coordinates and sizes are in twips (1/1440 inch); Width and Height are the outer size.

namespace forms {

class FormWindow {
 public:
  virtual ~FormWindow() = default;
  virtual double left() const = 0;
  virtual double top() const = 0;
  virtual double width() const = 0;
  virtual double height() const = 0;
  virtual void move(double left, double top, double width, double height) = 0;
  virtual void setLeft(double left) { move(left, top(), width(), height()); }
  virtual void setTop(double top) { move(left(), top, width(), height()); }
  virtual double screenWidth() const = 0;
  virtual double screenHeight() const = 0;
  virtual void bringToFront() = 0;
  virtual void processPendingMessages() = 0;
  // Unloads the window, ending its modal display; unloading an unloaded window does nothing.
  virtual void unload() = 0;
};

}  // namespace forms
