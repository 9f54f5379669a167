#include <algorithm>

#include "automation/text.h"
#include "control/entry_points.h"
#include "control/version.h"
#include "forms/settings_forms.h"
#include "service_documents.h"

namespace service {

namespace {

using nlohmann::json;

std::string lower(std::string_view text) {
  std::string result(text);
  std::ranges::transform(result, result.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

// The print parameter that fills a request field (BarCode is passed as Barcode).
std::string parameterOf(control::Value control::LabelRequest::*field) {
  const auto stored = std::ranges::find(control::kRequestFields, field, &control::RequestField::member);
  const auto name = lower(stored->name);
  for (const auto parameter : control::kPrintLabelsParameters)
    if (lower(parameter) == name) return std::string(parameter);
  for (const auto parameter : control::kPrintGenericLabelsParameters)
    if (lower(parameter) == name) return std::string(parameter);
  return std::string(stored->name);
}

const char* kindName(forms::ControlKind kind) {
  switch (kind) {
    case forms::ControlKind::Label:
      return "label";
    case forms::ControlKind::TextBox:
      return "textbox";
    case forms::ControlKind::Button:
      return "button";
  }
  return "";
}

json formJson(forms::SettingsDialog dialog, const char* id) {
  const auto& design = forms::designOf(dialog);
  json controls = json::array();
  for (const auto& control : design.controls)
    controls.push_back({{"name", control.name},
                        {"kind", kindName(control.kind)},
                        {"caption", automation::toUtf8(control.caption)},
                        {"left", control.left},
                        {"top", control.top},
                        {"width", control.width},
                        {"height", control.height},
                        {"tabIndex", control.tabIndex},
                        {"visible", control.visible}});
  json fields = json::array();
  for (const auto& field : forms::fieldsOf(dialog))
    fields.push_back({{"box", field.box},
                      {"parameter", parameterOf(field.field)},
                      {"default", automation::toUtf8(field.defaultValue)}});
  json form{{"id", id},
            {"name", design.name},
            {"clientWidth", design.clientWidth},
            {"clientHeight", design.clientHeight},
            {"initialFocus", design.initialFocus},
            {"controls", controls},
            {"fields", fields}};
  if (dialog == forms::SettingsDialog::PrintParameters) {
    // Shown for the GENERIC client type in place of the client number; never stored.
    form["genericLines"] = {{"hide", {"lblClientNumber", "txtClientNumber"}},
                            {"show", {"lblInput"}},
                            {"boxes",
                             {{{"box", "txtLine1"}, {"parameter", "Line1"}},
                              {{"box", "txtLine2"}, {"parameter", "Line2"}},
                              {{"box", "txtLine3"}, {"parameter", "Line3"}},
                              {{"box", "txtLine4"}, {"parameter", "Line4"}},
                              {{"box", "txtLine5"}, {"parameter", "Line5"}}}}};
  }
  return form;
}

}  // namespace

json settingsFormsDocument() {
  return {{"caption", automation::toUtf8(control::applicationVersionText())},
          {"genericClientType", automation::toUtf8(forms::kGenericClientType)},
          {"saveButton", forms::kSaveButton},
          {"restoreDefaultsButton", forms::kRestoreDefaultsButton},
          {"forms",
           {formJson(forms::SettingsDialog::PrintParameters, "PrintParameters"),
            formJson(forms::SettingsDialog::PatientData, "PatientData")}}};
}

}  // namespace service
