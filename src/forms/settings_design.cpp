#include "forms/settings_design.h"

#include <algorithm>

namespace forms {

const ControlDesign* findControl(const FormDesign& design, std::string_view name) {
  const auto found = std::ranges::find(design.controls, name, &ControlDesign::name);
  return found == design.controls.end() ? nullptr : &*found;
}

std::vector<const ControlDesign*> tabOrder(const FormDesign& design) {
  std::vector<const ControlDesign*> order;
  for (const auto& control : design.controls)
    if (control.kind != ControlKind::Label) order.push_back(&control);
  std::ranges::stable_sort(order, {}, &ControlDesign::tabIndex);
  return order;
}

}  // namespace forms
