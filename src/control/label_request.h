#pragma once
// The print request: one copy per process, shared by every control instance and every
// window, filled by the print entry points, edited by the settings dialogs, composed
// into label lines and printed by the print window.

#include <array>
#include <string_view>

#include "automation/value.h"

namespace control {

using automation::Value;

struct LabelRequest {
  bool PrintSucceeded = false;
  Value ClientType;
  Value PrinterName;
  Value LabelCopies;
  Value BarCode;
  Value Line1, Line2, Line3, Line4, Line5, Line6, Line7, Line8;
  Value ClientNumber;
  Value AccessionNumber;
  Value RequisitionNumber;
  Value SampleID;
  Value PatientID;
  Value PatientName;
  Value PatientDOB;
  Value PatientGender;
  Value TestNumber;
  Value TestName;
  Value PhysicianName;
  Value CurrentDate;
  Value CurrentTime;
  Value Temperature;
  Value SpecimenRequirements;

  // Line1 .. Line8 by 1-based number.
  Value& line(int number);
  const Value& line(int number) const;
};

struct RequestField {
  std::string_view name;
  Value LabelRequest::*member;
};

// Every stored field, in declaration order (for diagnostics, dumps and tests).
extern const std::array<RequestField, 27> kRequestFields;

}  // namespace control
