#pragma once
// The design state of the two settings dialogs: every control with its kind, caption,
// position and size in twips, tab index and initial visibility, and the client area.
// Each platform builds its windows from these tables and every display starts from them.
//
// Common to both dialogs: the text boxes are single-line, empty and without a length
// limit; labels take no focus; "&" in a button caption marks its access key; neither
// button is the default or the cancel button; the focus starts on `cmdSave` ("&Ok").

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace forms {

enum class ControlKind { Label, TextBox, Button };

struct ControlDesign {
  std::string_view name;      // `txtClientType`, `lblInput`, `cmdSave`, ...
  ControlKind kind;
  std::u16string_view caption;  // labels and buttons; empty for text boxes
  int left, top, width, height;  // twips, relative to the client area
  int tabIndex;
  bool visible;
};

struct FormDesign {
  std::string_view name;             // `frmPropertyPage`, `frmMoreProperties`
  std::u16string_view designCaption;  // replaced at load by the application's version text
  int clientWidth, clientHeight;      // twips
  std::span<const ControlDesign> controls;
  std::string_view initialFocus;
};

inline constexpr std::string_view kSaveButton = "cmdSave";
inline constexpr std::string_view kRestoreDefaultsButton = "cmdRestoreDefaults";

namespace design_detail {

using enum ControlKind;

inline constexpr std::array<ControlDesign, 16> kPropertyPageControls{{
    {"lblClientType", Label, u"Client Label Type:", 0, 360, 1700, 255, 2, true},
    {"txtClientType", TextBox, u"", 1920, 360, 2415, 285, 6, true},
    {"lblPrinterName", Label, u"Printer Name:", 0, 720, 1695, 255, 3, true},
    {"txtPrinterName", TextBox, u"", 1920, 720, 2415, 285, 5, true},
    {"lblLabelCopies", Label, u"Label Copies:", 0, 1080, 1695, 255, 4, true},
    {"txtLabelCopies", TextBox, u"", 1920, 1080, 2415, 285, 7, true},
    {"lblClientNumber", Label, u"Client Number:", 0, 1440, 1695, 255, 9, true},
    {"txtClientNumber", TextBox, u"", 1920, 1440, 2415, 285, 8, true},
    {"lblInput", Label, u"Generic Input:", 600, 1800, 1095, 255, 10, false},
    {"txtLine1", TextBox, u"", 1920, 1800, 2415, 285, 11, false},
    {"txtLine2", TextBox, u"", 1920, 2160, 2415, 285, 12, false},
    {"txtLine3", TextBox, u"", 1920, 2520, 2415, 285, 13, false},
    {"txtLine4", TextBox, u"", 1920, 2880, 2415, 285, 15, false},
    {"txtLine5", TextBox, u"", 1920, 3240, 2415, 285, 14, false},
    {"cmdRestoreDefaults", Button, u"Restore &Defaults", 600, 3720, 1575, 375, 1, true},
    {"cmdSave", Button, u"&Ok", 2400, 3720, 1455, 375, 0, true},
}};

// Rows of label and box: labels at left 360 (1695 x 255), boxes at left 2280 (2415 x 285).
constexpr ControlDesign patientLabel(std::string_view name, std::u16string_view caption, int top, int tab) {
  return {name, Label, caption, 360, top, 1695, 255, tab, true};
}
constexpr ControlDesign patientBox(std::string_view name, int top, int tab) {
  return {name, TextBox, u"", 2280, top, 2415, 285, tab, true};
}

inline constexpr std::array<ControlDesign, 32> kMorePropertiesControls{{
    patientLabel("lblBarCode", u"BarCode:", 360, 29),
    patientBox("txtBarCode", 360, 15),
    patientLabel("lblAccessionNumber", u"Accession Number:", 720, 28),
    patientBox("txtAccessionNumber", 720, 14),
    patientLabel("lblRequisitionNumber", u"Requisition Number:", 1080, 27),
    patientBox("txtRequisitionNumber", 1080, 13),
    patientLabel("lblSampleID", u"SampleID:", 1440, 26),
    patientBox("txtSampleID", 1440, 4),
    patientLabel("lblPatientID", u"PatientID:", 1800, 16),
    patientBox("txtPatientID", 1800, 2),
    patientLabel("lblPatientName", u"Patient Name:", 2160, 25),
    patientBox("txtPatientName", 2160, 12),
    patientLabel("lblPatientDOB", u"Patient DOB:", 2520, 24),
    patientBox("txtPatientDOB", 2520, 11),
    patientLabel("lblPatientGender", u"Patient Gender:", 2880, 31),
    patientBox("txtPatientGender", 2880, 30),
    patientLabel("lblTestNumber", u"Test Number:", 3240, 23),
    patientBox("txtTestNumber", 3240, 10),
    patientLabel("lblTestName", u"Test Name:", 3600, 22),
    patientBox("txtTestName", 3600, 9),
    patientLabel("lblPhysicianName", u"Physician Name:", 3960, 21),
    patientBox("txtPhysicianName", 3960, 8),
    patientLabel("lblTemperature", u"Temperature:", 4320, 20),
    patientBox("txtTemperature", 4320, 7),
    patientLabel("lblSpecimenRequirements", u"Specimen Req's:", 4680, 17),
    patientBox("txtSpecimenRequirements", 4680, 3),
    patientLabel("lblCurrentDate", u"Current Date:", 5040, 19),
    patientBox("txtCollectionDate", 5040, 6),
    patientLabel("lblCurrentTime", u"Current Time:", 5400, 18),
    patientBox("txtCollectionTime", 5400, 5),
    {"cmdRestoreDefaults", Button, u"Restore &Defaults", 960, 6000, 1575, 375, 1, true},
    {"cmdSave", Button, u"&Ok", 2760, 6000, 1455, 375, 0, true},
}};

}  // namespace design_detail

// The print parameters dialog.
inline constexpr FormDesign kPropertyPageDesign{"frmPropertyPage", u"Vantory ActiveX Parameters", 4575, 4290,
                                                design_detail::kPropertyPageControls, kSaveButton};

// The patient data dialog.
inline constexpr FormDesign kMorePropertiesDesign{"frmMoreProperties", u"Kestrel ActiveX Properties", 4935, 6555,
                                                  design_detail::kMorePropertiesControls, kSaveButton};

// The control of that name, if the form has one.
const ControlDesign* findControl(const FormDesign& design, std::string_view name);

// The controls that take the focus (text boxes and buttons), in tab order.
std::vector<const ControlDesign*> tabOrder(const FormDesign& design);

}  // namespace forms
