#include "control/composition.h"

#include "automation/text.h"

namespace control {

namespace {

using automation::concat;
using automation::isPresent;

const Value kGap = Value::string(u"   ");

void clearLines(LabelRequest& request) {
  for (int number = 1; number <= 8; ++number) request.line(number) = Value::string(u"");
}

void appendIfPresent(Value& line, const Value& field, const Value& suffix) {
  if (isPresent(field)) line = concat(concat(line, field), suffix);
}

void composePhysician(LabelRequest& r) {
  clearLines(r);
  r.Line1 = concat(Value::string(u"Req# "), r.RequisitionNumber);
  r.Line2 = concat(Value::string(u"Acct# "), r.ClientNumber);
  r.Line3 = r.PatientName;
  r.Line4 = r.BarCode;
  for (int number = 5; number <= 8; ++number) r.line(number) = Value::string(u"");
}

void composeHospital(LabelRequest& r) {
  clearLines(r);
  appendIfPresent(r.Line1, r.PatientID, kGap);
  appendIfPresent(r.Line1, r.CurrentDate, kGap);
  appendIfPresent(r.Line1, r.CurrentTime, kGap);
  appendIfPresent(r.Line2, r.PatientName, kGap);
  appendIfPresent(r.Line2, r.PatientDOB, kGap);
  appendIfPresent(r.Line2, r.PatientGender, kGap);
  r.Line3 = r.BarCode;
  appendIfPresent(r.Line4, r.RequisitionNumber, kGap);
  if (isPresent(r.SampleID)) r.Line4 = concat(concat(r.Line4, Value::string(u"SID: ")), r.SampleID);
  if (isPresent(r.PhysicianName)) r.Line5 = concat(concat(r.Line5, Value::string(u"Phys: ")), r.PhysicianName);
  appendIfPresent(r.Line6, r.TestNumber, kGap);
  if (isPresent(r.Temperature))
    r.Line6 = concat(concat(concat(r.Line6, Value::string(u"Temp: ")), r.Temperature), kGap);
  appendIfPresent(r.Line6, r.SpecimenRequirements, Value{});
  if (isPresent(r.TestName)) r.Line7 = r.TestName;
}

}  // namespace

Composition ComposeLabelLines(LabelRequest& request, const Diagnostics& diagnostics) {
  const Value clientType = request.ClientType;
  if (automation::equalsText(clientType, u"PHYSICIAN")) {
    composePhysician(request);
  } else if (automation::equalsText(clientType, u"HOSPITAL")) {
    composeHospital(request);
  } else {
    request.PrintSucceeded = false;
    diagnostics.show({u"Attention!", u"Could not determine client type.", MessageIcon::Critical});
    return Composition::UnrecognisedClientType;
  }
  return Composition::Composed;
}

}  // namespace control
