#include "control/composition.h"

#include <gtest/gtest.h>

#include "automation/text.h"
#include "support/test_doubles.h"

namespace control {
namespace {

using automation::Value;

std::u16string text(const Value& v) { return automation::textOf(v); }

LabelRequest hospitalRequest() {
  LabelRequest r;
  r.ClientType = Value::string(u"HOSPITAL");
  r.PrintSucceeded = true;
  return r;
}

TEST(PhysicianComposition, BuildsTheThreeLinesWithFixedLabels) {
  LabelRequest r;
  r.ClientType = Value::string(u"PHYSICIAN");
  r.RequisitionNumber = Value::string(u"9003948343");
  r.ClientNumber = Value::i4(4711);
  r.PatientName = Value::string(u"ROWE, SAM, K.");
  r.BarCode = Value::string(u"9003948343");
  r.AccessionNumber = Value::string(u"7493843");
  for (int n = 1; n <= 8; ++n) r.line(n) = Value::string(u"stale");

  ASSERT_EQ(ComposeLabelLines(r, {}), Composition::Composed);
  EXPECT_EQ(text(r.Line1), u"Req# 9003948343");
  EXPECT_EQ(text(r.Line2), u"Acct# 4711");
  EXPECT_TRUE(r.Line3.identical(r.PatientName));
  EXPECT_TRUE(r.Line4.identical(r.BarCode));
  for (int n = 5; n <= 8; ++n) EXPECT_TRUE(r.line(n).identical(Value::string(u""))) << n;
}

TEST(PhysicianComposition, KeepsTheLabelsWhenFieldsAreAbsent) {
  LabelRequest r;
  r.ClientType = Value::string(u"PHYSICIAN");
  r.RequisitionNumber = Value::string(u"");
  r.ClientNumber = Value::null();
  r.PatientName = Value::null();
  ASSERT_EQ(ComposeLabelLines(r, {}), Composition::Composed);
  EXPECT_EQ(text(r.Line1), u"Req# ");
  EXPECT_EQ(text(r.Line2), u"Acct# ");
  EXPECT_TRUE(r.Line3.isNull());  // a copy, unconverted
}

TEST(HospitalComposition, WorkedExampleKeepsTrailingGaps) {
  LabelRequest r = hospitalRequest();
  r.PatientID = Value::string(u"P7");
  r.CurrentTime = Value::string(u"10:30");
  r.CurrentDate = Value::string(u"");
  r.SampleID = Value::string(u"S1");
  ASSERT_EQ(ComposeLabelLines(r, {}), Composition::Composed);
  EXPECT_EQ(text(r.Line1), u"P7   10:30   ");
  EXPECT_EQ(text(r.Line1).size(), 13u);
  EXPECT_EQ(text(r.Line4), u"SID: S1");
}

TEST(HospitalComposition, EveryLineFromAFullRequest) {
  LabelRequest r = hospitalRequest();
  r.PatientID = Value::i4(42);
  r.CurrentDate = Value::string(u"08/27/2001");
  r.CurrentTime = Value::string(u"17:14:22");
  r.PatientName = Value::string(u"ROWE, SAM, K.");
  r.PatientDOB = Value::string(u"05/20/1944");
  r.PatientGender = Value::string(u"M");
  r.BarCode = Value::string(u"9003948343");
  r.RequisitionNumber = Value::string(u"9003948343");
  r.SampleID = Value::string(u"9498394001");
  r.PhysicianName = Value::string(u"Dr. Kay");
  r.TestNumber = Value::string(u"55293N");
  r.Temperature = Value::string(u"F");
  r.SpecimenRequirements = Value::string(u"20RFU");
  r.TestName = Value::string(u"Catecholamines + VMA, 24 hr Ur");
  r.AccessionNumber = Value::string(u"ACCESSION");

  ASSERT_EQ(ComposeLabelLines(r, {}), Composition::Composed);
  EXPECT_EQ(text(r.Line1), u"42   08/27/2001   17:14:22   ");
  EXPECT_EQ(text(r.Line2), u"ROWE, SAM, K.   05/20/1944   M   ");
  EXPECT_TRUE(r.Line3.identical(r.BarCode));
  EXPECT_EQ(text(r.Line4), u"9003948343   SID: 9498394001");
  EXPECT_EQ(text(r.Line5), u"Phys: Dr. Kay");
  EXPECT_EQ(text(r.Line6), u"55293N   Temp: F   20RFU");
  EXPECT_EQ(text(r.Line7), u"Catecholamines + VMA, 24 hr Ur");
  EXPECT_EQ(text(r.Line8), u"");
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(text(r.line(n)).find(u"ACCESSION"), std::u16string::npos);
}

TEST(HospitalComposition, AbsentInputsGiveEmptyLinesAndClearEarlierText) {
  LabelRequest r = hospitalRequest();
  for (int n = 1; n <= 8; ++n) r.line(n) = Value::string(u"earlier request");
  r.BarCode = Value::null();
  ASSERT_EQ(ComposeLabelLines(r, {}), Composition::Composed);
  for (int n : {1, 2, 4, 5, 6, 7, 8}) EXPECT_TRUE(r.line(n).identical(Value::string(u""))) << n;
  EXPECT_TRUE(r.Line3.isNull());
}

TEST(Composition, UnrecognisedClientTypesLeaveTheLinesAndClearTheResult) {
  for (const Value& type : {Value::string(u"hospital"), Value::string(u"GENERIC"), Value::string(u"Physician"),
                            Value{}, Value::null(), Value::i4(1)}) {
    LabelRequest r = hospitalRequest();
    r.ClientType = type;
    r.Line1 = Value::string(u"kept");
    testing_support::RecordingSink sink;
    const Diagnostics diagnostics(sink, true);
    EXPECT_EQ(ComposeLabelLines(r, diagnostics), Composition::UnrecognisedClientType);
    EXPECT_FALSE(r.PrintSucceeded);
    EXPECT_EQ(text(r.Line1), u"kept");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], (DiagnosticMessage{u"Attention!", u"Could not determine client type.",
                                                   MessageIcon::Critical}));
  }
}

TEST(Composition, AValueWithoutTextFormStopsPartWay) {
  LabelRequest r = hospitalRequest();
  r.PatientID = Value::string(u"P7");
  r.PatientName = Value::missing();
  EXPECT_THROW(ComposeLabelLines(r, {}), automation::AutomationError);
  EXPECT_EQ(text(r.Line1), u"P7   ");
  EXPECT_EQ(text(r.Line2), u"");
}

}  // namespace
}  // namespace control
