#include "forms/settings_forms.h"

#include <array>
#include <string>

#include "automation/text.h"
#include "control/version.h"
#include "forms/placement.h"

namespace forms {

namespace {

using control::LabelRequest;
using control::Value;

constexpr std::array<BoundField, 4> kPrintParameterFields{{
    {"txtClientType", &LabelRequest::ClientType, u"HOSPITAL"},
    {"txtClientNumber", &LabelRequest::ClientNumber, u"EQ39064"},
    {"txtPrinterName", &LabelRequest::PrinterName, u"DYMO LabelWriter EL60"},
    {"txtLabelCopies", &LabelRequest::LabelCopies, u"1"},
}};

// Not the on-screen row order: the last four places differ.
constexpr std::array<BoundField, 15> kPatientDataFields{{
    {"txtBarCode", &LabelRequest::BarCode, u"9003948343"},
    {"txtAccessionNumber", &LabelRequest::AccessionNumber, u"7493843"},
    {"txtRequisitionNumber", &LabelRequest::RequisitionNumber, u"9003948343"},
    {"txtSampleID", &LabelRequest::SampleID, u"9498394001"},
    {"txtPatientID", &LabelRequest::PatientID, u"9600"},
    {"txtPatientName", &LabelRequest::PatientName, u"ROWE, SAM, K."},
    {"txtPatientDOB", &LabelRequest::PatientDOB, u"05/20/1944"},
    {"txtPatientGender", &LabelRequest::PatientGender, u"M"},
    {"txtTestNumber", &LabelRequest::TestNumber, u"55293N"},
    {"txtTestName", &LabelRequest::TestName, u"Catecholamines + VMA, 24 hr Ur"},
    {"txtPhysicianName", &LabelRequest::PhysicianName, u"Dr. Kay"},
    {"txtCollectionDate", &LabelRequest::CurrentDate, u"08/27/2001"},
    {"txtCollectionTime", &LabelRequest::CurrentTime, u"17:14:22"},
    {"txtTemperature", &LabelRequest::Temperature, u"F"},
    {"txtSpecimenRequirements", &LabelRequest::SpecimenRequirements, u"20RFU"},
}};

constexpr std::array<std::string_view, 5> kLineBoxes{"txtLine1", "txtLine2", "txtLine3", "txtLine4", "txtLine5"};

// A box shows nothing for a value that has no text form rather than failing the load.
std::u16string boxText(const Value& value) { return automation::tryTextOf(value).value_or(std::u16string{}); }

bool isGeneric(const Value& clientType) { return automation::tryTextOf(clientType) == kGenericClientType; }

}  // namespace

const FormDesign& designOf(SettingsDialog dialog) {
  return dialog == SettingsDialog::PrintParameters ? kPropertyPageDesign : kMorePropertiesDesign;
}

std::span<const BoundField> fieldsOf(SettingsDialog dialog) {
  if (dialog == SettingsDialog::PrintParameters) return kPrintParameterFields;
  return kPatientDataFields;
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
