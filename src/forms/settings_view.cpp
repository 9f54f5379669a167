#include "forms/settings_view.h"

#include <stdexcept>
#include <utility>

namespace forms {

MemorySettingsView::MemorySettingsView(const FormDesign& design)
    : design_(design), caption_(design.designCaption) {
  for (const auto& control : design.controls)
    controls_.emplace(control.name, ControlState{std::u16string(control.caption), control.visible});
}

MemorySettingsView::ControlState& MemorySettingsView::state(std::string_view control) {
  return const_cast<ControlState&>(std::as_const(*this).state(control));
}

const MemorySettingsView::ControlState& MemorySettingsView::state(std::string_view control) const {
  const auto found = controls_.find(control);
  if (found == controls_.end())
    throw std::out_of_range(std::string(design_.name) + " has no control " + std::string(control));
  return found->second;
}

}  // namespace forms
