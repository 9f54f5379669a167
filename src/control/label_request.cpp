#include "control/label_request.h"

#include <stdexcept>

namespace control {

namespace {
constexpr std::array<Value LabelRequest::*, 8> kLines{&LabelRequest::Line1, &LabelRequest::Line2,
                                                      &LabelRequest::Line3, &LabelRequest::Line4,
                                                      &LabelRequest::Line5, &LabelRequest::Line6,
                                                      &LabelRequest::Line7, &LabelRequest::Line8};
}

Value& LabelRequest::line(int number) {
  if (number < 1 || number > 8) throw std::out_of_range("label lines are numbered 1 to 8");
  return this->*kLines[static_cast<std::size_t>(number - 1)];
}

const Value& LabelRequest::line(int number) const { return const_cast<LabelRequest*>(this)->line(number); }

const std::array<RequestField, 27> kRequestFields{{
    {"ClientType", &LabelRequest::ClientType},
    {"PrinterName", &LabelRequest::PrinterName},
    {"LabelCopies", &LabelRequest::LabelCopies},
    {"BarCode", &LabelRequest::BarCode},
    {"Line1", &LabelRequest::Line1},
    {"Line2", &LabelRequest::Line2},
    {"Line3", &LabelRequest::Line3},
    {"Line4", &LabelRequest::Line4},
    {"Line5", &LabelRequest::Line5},
    {"Line6", &LabelRequest::Line6},
    {"Line7", &LabelRequest::Line7},
    {"Line8", &LabelRequest::Line8},
    {"ClientNumber", &LabelRequest::ClientNumber},
    {"AccessionNumber", &LabelRequest::AccessionNumber},
    {"RequisitionNumber", &LabelRequest::RequisitionNumber},
    {"SampleID", &LabelRequest::SampleID},
    {"PatientID", &LabelRequest::PatientID},
    {"PatientName", &LabelRequest::PatientName},
    {"PatientDOB", &LabelRequest::PatientDOB},
    {"PatientGender", &LabelRequest::PatientGender},
    {"TestNumber", &LabelRequest::TestNumber},
    {"TestName", &LabelRequest::TestName},
    {"PhysicianName", &LabelRequest::PhysicianName},
    {"CurrentDate", &LabelRequest::CurrentDate},
    {"CurrentTime", &LabelRequest::CurrentTime},
    {"Temperature", &LabelRequest::Temperature},
    {"SpecimenRequirements", &LabelRequest::SpecimenRequirements},
}};

}  // namespace control
