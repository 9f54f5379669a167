#pragma once
// What the settings dialogs need of a platform window: the window itself (for placement),
// its caption, and its labels and text boxes by control name. A label's text is its caption.
// Asking for a control the form does not have is a programming error (std::out_of_range).

#include <map>
#include <string>
#include <string_view>

#include "forms/form_window.h"
#include "forms/settings_design.h"

namespace forms {

class SettingsView : public virtual FormWindow {
 public:
  virtual std::u16string caption() const = 0;
  virtual void setCaption(const std::u16string& caption) = 0;
  virtual std::u16string text(std::string_view control) const = 0;
  virtual void setText(std::string_view control, const std::u16string& text) = 0;
  virtual bool visible(std::string_view control) const = 0;
  virtual void setVisible(std::string_view control, bool visible) = 0;
};

// The controls kept in memory, starting from the form's design state; the platform (or a
// test) adds the window. For views that draw nothing themselves: the headless dialogs, tests.
class MemorySettingsView : public SettingsView {
 public:
  explicit MemorySettingsView(const FormDesign& design);

  const FormDesign& design() const noexcept { return design_; }
  std::u16string caption() const override { return caption_; }
  void setCaption(const std::u16string& caption) override { caption_ = caption; }
  std::u16string text(std::string_view control) const override { return state(control).text; }
  void setText(std::string_view control, const std::u16string& text) override { state(control).text = text; }
  bool visible(std::string_view control) const override { return state(control).visible; }
  void setVisible(std::string_view control, bool visible) override { state(control).visible = visible; }

 private:
  struct ControlState {
    std::u16string text;
    bool visible;
  };
  ControlState& state(std::string_view control);
  const ControlState& state(std::string_view control) const;

  const FormDesign& design_;
  std::u16string caption_;
  std::map<std::string, ControlState, std::less<>> controls_;
};

}  // namespace forms
