#include "forms/settings_forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "automation/text.h"

namespace forms {
namespace {

using automation::Value;
using control::LabelRequest;

// A dialog's view that journals every change the dialog makes to it, in order.
class ScriptedView : public MemorySettingsView {
 public:
  explicit ScriptedView(const FormDesign& design, double width = 5000, double height = 3000,
                        double screenWidth = 15000, double screenHeight = 12000)
      : MemorySettingsView(design), width_(width), height_(height), screenWidth_(screenWidth),
        screenHeight_(screenHeight) {}

  double left() const override { return left_; }
  double top() const override { return top_; }
  double width() const override { return width_; }
  double height() const override { return height_; }
  void move(double left, double top, double width, double height) override {
    left_ = left, top_ = top, width_ = width, height_ = height;
    moves.push_back(left);
    events.push_back("move");
  }
  double screenWidth() const override { return screenWidth_; }
  double screenHeight() const override { return screenHeight_; }
  void bringToFront() override { ++broughtToFront; }
  void processPendingMessages() override {
    if (onPendingMessages) onPendingMessages();
  }
  void unload() override {
    unloaded = true;
    events.push_back("unload");
  }

  void setCaption(const std::u16string& caption) override {
    events.push_back("caption " + automation::toUtf8(caption));
    MemorySettingsView::setCaption(caption);
  }
  void setText(std::string_view control, const std::u16string& text) override {
    if (control == failOnText) throw std::runtime_error("the box is gone");
    events.push_back(std::string(control) + "=" + automation::toUtf8(text));
    MemorySettingsView::setText(control, text);
  }
  void setVisible(std::string_view control, bool visible) override {
    events.push_back((visible ? "show " : "hide ") + std::string(control));
    MemorySettingsView::setVisible(control, visible);
  }

  // What the user types: replaces a box's text without journaling it.
  void type(std::string_view control, std::u16string_view text) {
    MemorySettingsView::setText(control, std::u16string(text));
  }
  std::u16string shown(std::string_view control) const { return text(control); }

  std::vector<std::string> events;
  std::vector<double> moves;
  int broughtToFront = 0;
  bool unloaded = false;
  std::string_view failOnText;
  std::function<void()> onPendingMessages;

 private:
  double left_ = 0, top_ = 0, width_, height_, screenWidth_, screenHeight_;
};

std::vector<std::string> after(const std::vector<std::string>& events, const std::string& marker) {
  auto from = std::find(events.begin(), events.end(), marker);
  return from == events.end() ? std::vector<std::string>{} : std::vector<std::string>(from + 1, events.end());
}

void fillPrintParameters(LabelRequest& request, std::u16string_view clientType) {
  request.ClientType = Value::string(std::u16string(clientType));
  request.ClientNumber = Value::string(u"C-17");
  request.PrinterName = Value::string(u"LabelWriter 450");
  request.LabelCopies = Value::string(u"3");
  for (int n = 1; n <= 5; ++n) request.line(n) = Value::string(u"TXT^line " + automation::fromUtf8(std::to_string(n)));
}

void fillPatientData(LabelRequest& request) {
  for (const auto& field : fieldsOf(SettingsDialog::PatientData))
    request.*field.field = Value::string(u"v-" + automation::fromUtf8(field.box.substr(3)));
}

struct Dialogs : ::testing::Test {
  LabelRequest request;
  control::Diagnostics diagnostics;
  control::PrintCall call{request, diagnostics};

  // Shows the dialog, letting `user` act on the open form.
  bool show(SettingsDialog dialog, ScriptedView& view, const std::function<void(SettingsForm&)>& user) {
    return ShowSettingsDialog(dialog, view, call, user);
  }
};

// ---- Loading and filling ---------------------------------------------------------------

TEST_F(Dialogs, LoadSetsTheCaptionThenCentresThenFills) {
  fillPrintParameters(request, u"HOSPITAL");
  ScriptedView view(kPropertyPageDesign, 5000, 3000, 15000, 12000);
  SettingsForm form(SettingsDialog::PrintParameters, view, request);
  form.Form_Load();
  ASSERT_GE(view.events.size(), 4u);
  EXPECT_EQ(view.events[0], "caption Vantory ActiveX v.1.3.5");
  EXPECT_EQ(view.events[1], "move");
  EXPECT_EQ(view.events[2], "move");
  EXPECT_EQ(view.events[3], "txtClientType=");
  EXPECT_EQ(view.left(), 5000);
  EXPECT_EQ(view.top(), 4500);
  EXPECT_EQ(view.caption(), u"Vantory ActiveX v.1.3.5");
  EXPECT_FALSE(form.closed());
}

TEST_F(Dialogs, PrintParametersFillClearsThenSetsTheFourBoxesInOrder) {
  fillPrintParameters(request, u"PHYSICIAN");
  ScriptedView view(kPropertyPageDesign);
  SettingsForm(SettingsDialog::PrintParameters, view, request).Form_Load();
  EXPECT_EQ(after(view.events, "move"),
            (std::vector<std::string>{"move", "txtClientType=", "txtClientNumber=", "txtPrinterName=",
                                      "txtLabelCopies=", "txtClientType=PHYSICIAN", "txtClientNumber=C-17",
                                      "txtPrinterName=LabelWriter 450", "txtLabelCopies=3"}));
}

TEST_F(Dialogs, GenericShowsItsInputLinesAndHidesTheClientNumber) {
  fillPrintParameters(request, u"GENERIC");
  ScriptedView view(kPropertyPageDesign);
  SettingsForm(SettingsDialog::PrintParameters, view, request).Form_Load();
  EXPECT_EQ(after(view.events, "txtLabelCopies=3"),
            (std::vector<std::string>{"hide txtClientNumber", "hide lblClientNumber", "show lblInput",
                                      "show txtLine1", "txtLine1=TXT^line 1", "show txtLine2", "txtLine2=TXT^line 2",
                                      "show txtLine3", "txtLine3=TXT^line 3", "show txtLine4", "txtLine4=TXT^line 4",
                                      "show txtLine5", "txtLine5=TXT^line 5"}));
  EXPECT_EQ(view.shown("lblInput"), u"Generic Input:");
  EXPECT_TRUE(view.visible("lblInput"));
  EXPECT_FALSE(view.visible("txtClientNumber"));
  EXPECT_FALSE(view.visible("lblClientNumber"));
  // The box still holds the client number; it is only hidden.
  EXPECT_EQ(view.shown("txtClientNumber"), u"C-17");
}

TEST_F(Dialogs, OnlyTheExactClientTypeGenericShowsTheLines) {
  const Value notGeneric[] = {Value::string(u"generic"), Value::string(u"Generic"), Value::string(u"GENERIC "),
                              Value::string(u" GENERIC"), Value::string(u"HOSPITAL"), Value::null(), Value{},
                              Value::missing()};
  for (const auto& clientType : notGeneric) {
    fillPrintParameters(request, u"");
    request.ClientType = clientType;
    ScriptedView view(kPropertyPageDesign);
    SettingsForm(SettingsDialog::PrintParameters, view, request).Form_Load();
    const auto clientTypeText = automation::tryTextOf(clientType).value_or(u"<none>");
    EXPECT_TRUE(view.visible("txtClientNumber")) << automation::toUtf8(clientTypeText);
    EXPECT_TRUE(view.visible("lblClientNumber"));
    EXPECT_FALSE(view.visible("lblInput"));
    for (auto box : {"txtLine1", "txtLine2", "txtLine3", "txtLine4", "txtLine5"}) {
      EXPECT_FALSE(view.visible(box)) << box;
      EXPECT_EQ(view.shown(box), u"") << box;
    }
  }
}

TEST_F(Dialogs, PatientDataFillGoesThroughTheFieldsInFieldOrder) {
  fillPatientData(request);
  ScriptedView view(kMorePropertiesDesign);
  SettingsForm(SettingsDialog::PatientData, view, request).Form_Load();
  const std::vector<std::string> order{
      "txtBarCode",     "txtAccessionNumber", "txtRequisitionNumber", "txtSampleID",       "txtPatientID",
      "txtPatientName", "txtPatientDOB",      "txtPatientGender",     "txtTestNumber",     "txtTestName",
      "txtPhysicianName", "txtCollectionDate", "txtCollectionTime",   "txtTemperature",    "txtSpecimenRequirements"};
  std::vector<std::string> expected;
  for (const auto& box : order) expected.push_back(box + "=");
  for (const auto& box : order) expected.push_back(box + "=v-" + box.substr(3));
  EXPECT_EQ(after(after(view.events, "move"), "move"), expected);
}

TEST_F(Dialogs, PatientDataBoxesShowTheirOwnFields) {
  request.CurrentDate = Value::string(u"date");
  request.CurrentTime = Value::string(u"time");
  request.BarCode = Value::string(u"bar");
  request.RequisitionNumber = Value::string(u"req");
  ScriptedView view(kMorePropertiesDesign);
  SettingsForm(SettingsDialog::PatientData, view, request).Form_Load();
  EXPECT_EQ(view.shown("txtCollectionDate"), u"date");
  EXPECT_EQ(view.shown("txtCollectionTime"), u"time");
  EXPECT_EQ(view.shown("txtBarCode"), u"bar");
  EXPECT_EQ(view.shown("txtRequisitionNumber"), u"req");
}

struct ShownValue {
  const char* name;
  Value value;
  std::u16string text;
};

class NoDefaultMember : public automation::Object {
 public:
  Value get(std::u16string_view, std::span<const automation::Argument>) override { return {}; }
  void put(std::u16string_view, const automation::Argument&) override {}
  Value call(std::u16string_view, std::span<const automation::Argument>) override { return {}; }
};

TEST_F(Dialogs, EachValueShowsAsItsTextAndValuesWithoutOneShowEmpty) {
  const ShownValue cases[] = {
      {"number", Value::i2(2), u"2"},
      {"negative", Value::i4(-15), u"-15"},
      {"boolean", Value::boolean(true), u"True"},
      {"empty", Value{}, u""},
      {"null", Value::null(), u""},
      {"omitted argument", Value::missing(), u""},
      {"object without default", Value::object(std::make_shared<NoDefaultMember>()), u""},
      {"array", Value::array({}), u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    request = {};
    request.ClientType = Value::string(u"HOSPITAL");
    request.LabelCopies = c.value;
    request.ClientNumber = c.value;
    request.PrinterName = Value::string(u"after");
    ScriptedView view(kPropertyPageDesign);
    ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [](SettingsForm&) {}));
    EXPECT_EQ(view.shown("txtLabelCopies"), c.text);
    EXPECT_EQ(view.shown("txtClientNumber"), c.text);
    EXPECT_EQ(view.shown("txtPrinterName"), u"after");  // filled past the value
  }
}

// ---- "&Ok" -------------------------------------------------------------------------------

TEST_F(Dialogs, OkStoresTheFourBoxesAsStringsAndNeverTheLines) {
  fillPrintParameters(request, u"GENERIC");
  request.LabelCopies = Value::i2(2);
  request.ClientNumber = Value::null();
  request.Line3 = Value::i4(7);
  const LabelRequest before = request;
  ScriptedView view(kPropertyPageDesign);
  ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm& form) {
    EXPECT_EQ(view.shown("txtLabelCopies"), u"2");
    view.type("txtPrinterName", u"Other printer");
    for (auto box : {"txtLine1", "txtLine2", "txtLine3", "txtLine4", "txtLine5"}) view.type(box, u"TXT^edited");
    form.cmdSave_Click();
  }));
  EXPECT_TRUE(request.ClientType.identical(Value::string(u"GENERIC")));
  EXPECT_TRUE(request.ClientNumber.identical(Value::string(u"")));  // Null comes back as ""
  EXPECT_TRUE(request.PrinterName.identical(Value::string(u"Other printer")));
  EXPECT_TRUE(request.LabelCopies.identical(Value::string(u"2")));  // a number comes back a string
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(request.line(n).identical(before.line(n))) << n;
  EXPECT_TRUE(view.unloaded);
}

TEST_F(Dialogs, OkStoresTheFifteenPatientBoxesAsStrings) {
  fillPatientData(request);
  request.PatientID = Value::i4(9600);
  ScriptedView view(kMorePropertiesDesign);
  ASSERT_TRUE(show(SettingsDialog::PatientData, view, [&](SettingsForm& form) {
    EXPECT_EQ(view.shown("txtPatientID"), u"9600");
    view.type("txtPatientGender", u"F");
    view.type("txtTemperature", u"");
    form.click("cmdSave");
  }));
  for (const auto& field : fieldsOf(SettingsDialog::PatientData)) {
    const auto& value = request.*field.field;
    EXPECT_TRUE(value.isString()) << field.box;
  }
  EXPECT_EQ(request.PatientID.asString(), u"9600");
  EXPECT_EQ(request.PatientGender.asString(), u"F");
  EXPECT_EQ(request.Temperature.asString(), u"");  // a cleared box stores an empty string
  EXPECT_EQ(request.CurrentDate.asString(), u"v-CollectionDate");
  EXPECT_EQ(request.SpecimenRequirements.asString(), u"v-SpecimenRequirements");
}

TEST_F(Dialogs, OkStoresWhatWasTypedUnchecked) {
  fillPrintParameters(request, u"HOSPITAL");
  ScriptedView view(kPropertyPageDesign);
  ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm& form) {
    view.type("txtClientType", u"hospital ");
    view.type("txtLabelCopies", u"two");
    view.type("txtClientNumber", u"");
    form.cmdSave_Click();
  }));
  EXPECT_EQ(request.ClientType.asString(), u"hospital ");
  EXPECT_EQ(request.LabelCopies.asString(), u"two");
  EXPECT_TRUE(request.ClientNumber.identical(Value::string(u"")));
}

// ---- The close box and "Restore &Defaults" -------------------------------------------------

TEST_F(Dialogs, TheCloseBoxStoresNothing) {
  fillPrintParameters(request, u"HOSPITAL");
  request.LabelCopies = Value::i2(4);
  ScriptedView view(kPropertyPageDesign);
  ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm& form) {
    view.type("txtPrinterName", u"typed, then abandoned");
    form.Form_Unload();
  }));
  EXPECT_TRUE(request.LabelCopies.identical(Value::i2(4)));
  EXPECT_EQ(request.PrinterName.asString(), u"LabelWriter 450");
  EXPECT_TRUE(view.unloaded);
}

TEST_F(Dialogs, RestoreDefaultsThenTheCloseBoxLeavesThePrintParameterDefaults) {
  fillPrintParameters(request, u"PHYSICIAN");
  request.LabelCopies = Value::i2(2);
  ScriptedView view(kPropertyPageDesign);
  ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm& form) {
    form.click("cmdRestoreDefaults");
    EXPECT_FALSE(form.closed());
    EXPECT_EQ(view.shown("txtClientType"), u"HOSPITAL");
    EXPECT_EQ(view.shown("txtClientNumber"), u"EQ39064");
    EXPECT_EQ(view.shown("txtPrinterName"), u"DYMO LabelWriter EL60");
    EXPECT_EQ(view.shown("txtLabelCopies"), u"1");
    form.Form_Unload();
  }));
  EXPECT_TRUE(request.ClientType.identical(Value::string(u"HOSPITAL")));
  EXPECT_TRUE(request.ClientNumber.identical(Value::string(u"EQ39064")));
  EXPECT_TRUE(request.PrinterName.identical(Value::string(u"DYMO LabelWriter EL60")));
  EXPECT_TRUE(request.LabelCopies.identical(Value::string(u"1")));
}

TEST_F(Dialogs, RestoreDefaultsOnGenericKeepsTheLinesShownAndTheClientNumberHidden) {
  fillPrintParameters(request, u"GENERIC");
  const LabelRequest before = request;
  ScriptedView view(kPropertyPageDesign);
  ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm& form) {
    view.type("txtLine2", u"typed into a line");
    form.cmdRestoreDefaults_Click();
    EXPECT_EQ(view.shown("txtClientType"), u"HOSPITAL");
    EXPECT_EQ(view.shown("txtClientNumber"), u"EQ39064");
    EXPECT_FALSE(view.visible("txtClientNumber"));
    EXPECT_FALSE(view.visible("lblClientNumber"));
    EXPECT_TRUE(view.visible("lblInput"));
    EXPECT_TRUE(view.visible("txtLine5"));
    EXPECT_EQ(view.shown("txtLine1"), u"TXT^line 1");
    EXPECT_EQ(view.shown("txtLine2"), u"typed into a line");
    form.cmdSave_Click();
  }));
  EXPECT_EQ(request.ClientType.asString(), u"HOSPITAL");
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(request.line(n).identical(before.line(n))) << n;
}

TEST_F(Dialogs, RestoreDefaultsWritesThePatientSamplesInFieldOrder) {
  fillPatientData(request);
  ScriptedView view(kMorePropertiesDesign);
  ASSERT_TRUE(show(SettingsDialog::PatientData, view, [&](SettingsForm& form) {
    view.events.clear();
    form.cmdRestoreDefaults_Click();
    form.Form_Unload();
  }));
  const std::vector<std::pair<Value LabelRequest::*, std::u16string>> defaults{
      {&LabelRequest::BarCode, u"9003948343"},
      {&LabelRequest::AccessionNumber, u"7493843"},
      {&LabelRequest::RequisitionNumber, u"9003948343"},
      {&LabelRequest::SampleID, u"9498394001"},
      {&LabelRequest::PatientID, u"9600"},
      {&LabelRequest::PatientName, u"ROWE, SAM, K."},
      {&LabelRequest::PatientDOB, u"05/20/1944"},
      {&LabelRequest::PatientGender, u"M"},
      {&LabelRequest::TestNumber, u"55293N"},
      {&LabelRequest::TestName, u"Catecholamines + VMA, 24 hr Ur"},
      {&LabelRequest::PhysicianName, u"Dr. Kay"},
      {&LabelRequest::CurrentDate, u"08/27/2001"},
      {&LabelRequest::CurrentTime, u"17:14:22"},
      {&LabelRequest::Temperature, u"F"},
      {&LabelRequest::SpecimenRequirements, u"20RFU"},
  };
  std::vector<std::string> refill;
  const auto fields = fieldsOf(SettingsDialog::PatientData);
  for (const auto& field : fields) refill.push_back(std::string(field.box) + "=");
  for (std::size_t i = 0; i < defaults.size(); ++i) {
    EXPECT_TRUE((request.*defaults[i].first).identical(Value::string(defaults[i].second))) << i;
    refill.push_back(std::string(fields[i].box) + "=" + automation::toUtf8(defaults[i].second));
  }
  EXPECT_EQ(std::vector<std::string>(view.events.begin(), view.events.begin() + 30), refill);
}

TEST_F(Dialogs, EditsAfterRestoreDefaultsAreWhatOkStores) {
  ScriptedView view(kPropertyPageDesign);
  ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm& form) {
    form.cmdRestoreDefaults_Click();
    view.type("txtLabelCopies", u"5");
    form.cmdRestoreDefaults_Click();  // again: back to the defaults
    view.type("txtPrinterName", u"Mine");
    form.cmdSave_Click();
  }));
  EXPECT_EQ(request.LabelCopies.asString(), u"1");
  EXPECT_EQ(request.PrinterName.asString(), u"Mine");
}

// ---- Closing: the slide-out ----------------------------------------------------------------

struct CloseCase {
  const char* name;
  SettingsDialog dialog;
  bool ok;
};

class SlideOut : public Dialogs, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(SlideOut, EveryCloseSlidesOffTheRightEdgeThenUnloads) {
  ScriptedView view(designOf(GetParam().dialog), 5000, 3000, 15000, 12000);
  ASSERT_TRUE(show(GetParam().dialog, view, [&](SettingsForm& form) {
    view.moves.clear();
    GetParam().ok ? form.cmdSave_Click() : form.Form_Unload();
    EXPECT_TRUE(form.closed());
  }));
  // The vertical re-centring, then 21 jumps of 1000 twips to 21000.
  ASSERT_EQ(view.moves.size(), 22u);
  EXPECT_EQ(view.moves[0], 5000);
  for (std::size_t i = 1; i < view.moves.size(); ++i) EXPECT_EQ(view.moves[i], 1000.0 * static_cast<double>(i));
  EXPECT_EQ(view.broughtToFront, 21);
  EXPECT_TRUE(view.unloaded);
  EXPECT_EQ(view.events.back(), "unload");
}

INSTANTIATE_TEST_SUITE_P(BothDialogsBothCloses, SlideOut,
                         ::testing::Values(CloseCase{"PrintParametersOk", SettingsDialog::PrintParameters, true},
                                           CloseCase{"PrintParametersCloseBox", SettingsDialog::PrintParameters, false},
                                           CloseCase{"PatientDataOk", SettingsDialog::PatientData, true},
                                           CloseCase{"PatientDataCloseBox", SettingsDialog::PatientData, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Dialogs, ClicksDuringTheSlideAreIgnored) {
  fillPrintParameters(request, u"HOSPITAL");
  ScriptedView view(kPropertyPageDesign);
  int messages = 0;
  ASSERT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm& form) {
    view.onPendingMessages = [&] {
      ++messages;
      view.type("txtClientType", u"typed during the slide");
      form.cmdSave_Click();
      form.cmdRestoreDefaults_Click();
      form.Form_Unload();
    };
    form.Form_Unload();
    form.cmdSave_Click();  // after the close as well
  }));
  EXPECT_EQ(messages, 21);  // one slide, not one per click
  EXPECT_EQ(request.ClientType.asString(), u"HOSPITAL");
  EXPECT_EQ(request.PrinterName.asString(), u"LabelWriter 450");
}

// ---- The modal runner ----------------------------------------------------------------------

TEST_F(Dialogs, ALoopThatReturnsWithTheDialogOpenClosesItLikeTheCloseBox) {
  fillPrintParameters(request, u"HOSPITAL");
  request.LabelCopies = Value::i2(9);
  ScriptedView view(kPropertyPageDesign);
  EXPECT_TRUE(show(SettingsDialog::PrintParameters, view, [&](SettingsForm&) { view.type("txtLabelCopies", u"1"); }));
  EXPECT_TRUE(view.unloaded);
  EXPECT_EQ(view.moves.back(), 21000);
  EXPECT_TRUE(request.LabelCopies.identical(Value::i2(9)));
}

TEST_F(Dialogs, AFailingLoadReportsFailureAndLeavesTheRequestAlone) {
  fillPatientData(request);
  const LabelRequest before = request;
  ScriptedView view(kMorePropertiesDesign);
  view.failOnText = "txtPatientName";
  bool ran = false;
  EXPECT_FALSE(show(SettingsDialog::PatientData, view, [&](SettingsForm&) { ran = true; }));
  EXPECT_FALSE(ran);
  EXPECT_TRUE(view.unloaded);
  for (const auto& field : fieldsOf(SettingsDialog::PatientData))
    EXPECT_TRUE((request.*field.field).identical(before.*field.field)) << field.box;
}

TEST_F(Dialogs, AFailureInsideTheModalLoopReportsFailure) {
  ScriptedView view(kPropertyPageDesign);
  EXPECT_FALSE(show(SettingsDialog::PrintParameters, view, [](SettingsForm&) { throw std::runtime_error("lost"); }));
  EXPECT_TRUE(view.unloaded);
}

TEST_F(Dialogs, ClickRoutesOnlyTheTwoButtons) {
  ScriptedView view(kPropertyPageDesign);
  SettingsForm form(SettingsDialog::PrintParameters, view, request);
  form.Form_Load();
  EXPECT_FALSE(form.click("txtClientType"));
  EXPECT_FALSE(form.click("lblInput"));
  EXPECT_TRUE(request.ClientType.isEmpty());
  EXPECT_TRUE(form.click("cmdRestoreDefaults"));
  EXPECT_EQ(request.ClientType.asString(), u"HOSPITAL");
  EXPECT_FALSE(form.closed());
}

}  // namespace
}  // namespace forms
