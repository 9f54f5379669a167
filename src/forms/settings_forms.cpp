#include "forms/settings_forms.h"

#include <algorithm>
#include <array>
#include <string>

#include "automation/text.h"
#include "control/entry_points.h"
#include "control/version.h"
#include "forms/placement.h"

namespace forms {

namespace {

using control::LabelRequest;
using control::Value;

// A dialog's bound boxes, in the order of PrintLabels' parameters (the order filling,
// saving and the defaults go through them).
template <control::FieldDialog dialog>
constexpr auto kBoundFields = [] {
  constexpr auto& fields = control::kStoredFields<control::PrintMethod::PrintLabels>;
  constexpr auto shown = [](const control::RequestField& field) { return field.dialog == dialog; };
  std::array<BoundField, static_cast<std::size_t>(std::ranges::count_if(control::kRequestFields, shown))> bound{};
  std::size_t count = 0;
  for (const auto member : fields)
    for (const auto& field : control::kRequestFields)
      if (field.member == member && shown(field)) bound[count++] = {field.box, field.member, field.defaultValue};
  return bound;
}();

constexpr std::array<std::string_view, 5> kLineBoxes{"txtLine1", "txtLine2", "txtLine3", "txtLine4", "txtLine5"};

// A box shows nothing for a value that has no text form rather than failing the load.
std::u16string boxText(const Value& value) { return automation::tryTextOf(value).value_or(std::u16string{}); }

bool isGeneric(const Value& clientType) { return automation::tryTextOf(clientType) == kGenericClientType; }

}  // namespace

const FormDesign& designOf(SettingsDialog dialog) {
  return dialog == SettingsDialog::PrintParameters ? kPropertyPageDesign : kMorePropertiesDesign;
}

std::span<const BoundField> fieldsOf(SettingsDialog dialog) {
  if (dialog == SettingsDialog::PrintParameters) return kBoundFields<control::FieldDialog::PrintParameters>;
  return kBoundFields<control::FieldDialog::PatientData>;
}

void SettingsForm::Form_Load() {
  view_.setCaption(control::applicationVersionText());
  CenterForm(view_);
  FillFields();
}

void SettingsForm::cmdSave_Click() {
  if (!accepting()) return;
  SaveFields();
  Form_Unload();
}

void SettingsForm::cmdRestoreDefaults_Click() {
  if (!accepting()) return;
  SetDefaults();
}

void SettingsForm::Form_Unload() {
  if (!accepting()) return;
  unloading_ = true;
  SlideOutAndUnload(view_);
  unloading_ = false;
  closed_ = true;
}

bool SettingsForm::click(std::string_view control) {
  if (control == kSaveButton) {
    cmdSave_Click();
  } else if (control == kRestoreDefaultsButton) {
    cmdRestoreDefaults_Click();
  } else {
    return false;
  }
  return true;
}

void SettingsForm::FillFields() {
  const auto fields = fieldsOf(dialog_);
  for (const auto& field : fields) view_.setText(field.box, u"");
  for (const auto& field : fields) view_.setText(field.box, boxText(request_.*field.field));

  // Only ever shows the lines; nothing hides them again while the dialog is open.
  if (dialog_ == SettingsDialog::PrintParameters && isGeneric(request_.ClientType)) {
    view_.setVisible("txtClientNumber", false);
    view_.setVisible("lblClientNumber", false);
    view_.setVisible("lblInput", true);
    for (int number = 1; number <= 5; ++number) {
      const auto box = kLineBoxes[static_cast<std::size_t>(number - 1)];
      view_.setVisible(box, true);
      view_.setText(box, boxText(request_.line(number)));
    }
  }
}

void SettingsForm::SaveFields() {
  // The line boxes are shown, never stored: the lines print as the call gave them.
  for (const auto& field : fieldsOf(dialog_)) request_.*field.field = Value::string(view_.text(field.box));
}

void SettingsForm::SetDefaults() {
  for (const auto& field : fieldsOf(dialog_))
    request_.*field.field = Value::string(std::u16string(field.defaultValue));
  FillFields();
}

bool ShowSettingsDialog(SettingsDialog dialog, SettingsView& view, control::PrintCall& call,
                        const std::function<void(SettingsForm&)>& runModal) {
  SettingsForm form(dialog, view, call.request);
  try {
    form.Form_Load();
    if (runModal) runModal(form);
    if (!form.closed()) form.Form_Unload();
    return true;
  } catch (...) {
    try {
      view.unload();
    } catch (...) {
    }
    return false;
  }
}

}  // namespace forms
