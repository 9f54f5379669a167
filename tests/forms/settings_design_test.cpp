#include "forms/settings_design.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "forms/settings_forms.h"

namespace forms {
namespace {

struct DesignCase {
  const FormDesign* design;
  SettingsDialog dialog;
  // The focusable controls as the user tabs through them.
  std::vector<std::string_view> tabbing;
  friend void PrintTo(const DesignCase& c, std::ostream* os) { *os << c.design->name; }
};

const DesignCase kDesigns[] = {
    {&kPropertyPageDesign,
     SettingsDialog::PrintParameters,
     {"cmdSave", "cmdRestoreDefaults", "txtPrinterName", "txtClientType", "txtLabelCopies", "txtClientNumber",
      "txtLine1", "txtLine2", "txtLine3", "txtLine5", "txtLine4"}},
    {&kMorePropertiesDesign,
     SettingsDialog::PatientData,
     {"cmdSave", "cmdRestoreDefaults", "txtPatientID", "txtSpecimenRequirements", "txtSampleID",
      "txtCollectionTime", "txtCollectionDate", "txtTemperature", "txtPhysicianName", "txtTestName",
      "txtTestNumber", "txtPatientDOB", "txtPatientName", "txtRequisitionNumber", "txtAccessionNumber",
      "txtBarCode", "txtPatientGender"}},
};

class SettingsDesign : public ::testing::TestWithParam<DesignCase> {};

TEST_P(SettingsDesign, TabsThroughTheControlsInTheDialogsOrder) {
  std::vector<std::string_view> names;
  for (const auto* control : tabOrder(*GetParam().design)) names.push_back(control->name);
  EXPECT_EQ(names, GetParam().tabbing);
}

TEST_P(SettingsDesign, TabIndexesAreAPermutationOverAllControls) {
  const auto& design = *GetParam().design;
  std::vector<int> indexes;
  for (const auto& control : design.controls) indexes.push_back(control.tabIndex);
  std::ranges::sort(indexes);
  for (std::size_t i = 0; i < indexes.size(); ++i) EXPECT_EQ(indexes[i], static_cast<int>(i));
}

TEST_P(SettingsDesign, NamesAreUniqueAndCarryTheirKindsPrefix) {
  std::set<std::string_view> seen;
  for (const auto& control : GetParam().design->controls) {
    EXPECT_TRUE(seen.insert(control.name).second) << control.name;
    const auto prefix = control.name.substr(0, 3);
    const auto expected = control.kind == ControlKind::Label     ? "lbl"
                          : control.kind == ControlKind::TextBox ? "txt"
                                                                 : "cmd";
    EXPECT_EQ(prefix, expected) << control.name;
    EXPECT_EQ(control.caption.empty(), control.kind == ControlKind::TextBox) << control.name;
  }
}

TEST_P(SettingsDesign, EveryControlFitsTheClientArea) {
  const auto& design = *GetParam().design;
  for (const auto& control : design.controls) {
    EXPECT_GE(control.left, 0) << control.name;
    EXPECT_LE(control.left + control.width, design.clientWidth) << control.name;
    EXPECT_LE(control.top + control.height, design.clientHeight) << control.name;
  }
}

TEST_P(SettingsDesign, EveryBoundFieldIsAVisibleTextBoxWithALabelOnItsRow) {
  const auto& design = *GetParam().design;
  for (const auto& field : fieldsOf(GetParam().dialog)) {
    const auto* box = findControl(design, field.box);
    ASSERT_NE(box, nullptr) << field.box;
    EXPECT_EQ(box->kind, ControlKind::TextBox);
    EXPECT_TRUE(box->visible);
    EXPECT_TRUE(std::ranges::any_of(design.controls, [&](const ControlDesign& c) {
      return c.kind == ControlKind::Label && c.top == box->top;
    })) << field.box;
  }
  EXPECT_EQ(&designOf(GetParam().dialog), &design);
}

TEST_P(SettingsDesign, ButtonsCarryTheirAccessKeysAndTheFocusStartsOnOk) {
  const auto& design = *GetParam().design;
  EXPECT_EQ(findControl(design, kSaveButton)->caption, u"&Ok");
  EXPECT_EQ(findControl(design, kRestoreDefaultsButton)->caption, u"Restore &Defaults");
  EXPECT_EQ(design.initialFocus, kSaveButton);
  EXPECT_EQ(findControl(design, "cmdNone"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothDialogs, SettingsDesign, ::testing::ValuesIn(kDesigns));

TEST(SettingsDesign, OnlyTheGenericInputStartsHidden) {
  std::vector<std::string_view> hidden;
  for (const auto& control : kPropertyPageDesign.controls)
    if (!control.visible) hidden.push_back(control.name);
  EXPECT_EQ(hidden, (std::vector<std::string_view>{"lblInput", "txtLine1", "txtLine2", "txtLine3", "txtLine4",
                                                   "txtLine5"}));
  EXPECT_TRUE(std::ranges::all_of(kMorePropertiesDesign.controls, &ControlDesign::visible));
}

}  // namespace
}  // namespace forms
