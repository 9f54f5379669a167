// The request fields' table against the control's published surface: each print method's
// parameters in their published order, each parameter filling the field of its name, and
// the properties at their published DISPIDs. (The type library test checks the same table
// against the type library the control file carries.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/entry_points.h"
#include "support/test_doubles.h"

namespace control {
namespace {

struct MethodCase {
  PrintMethod method;
  std::vector<std::string_view> parameters;  // as published, in order
};

class PublishedParameters : public ::testing::TestWithParam<MethodCase> {};

TEST_P(PublishedParameters, StandInThePublishedOrder) {
  const auto names = parameterNames(GetParam().method);
  EXPECT_EQ(std::vector<std::string_view>(names.begin(), names.end()), GetParam().parameters);
  EXPECT_EQ(parameterIndex(GetParam().method, "PrinterName"),
            std::ranges::find(GetParam().parameters, "PrinterName") - GetParam().parameters.begin());
}

// Every parameter but the two display flags is stored into the field of its own name (the
// bar code into BarCode), as the argument came.
TEST_P(PublishedParameters, EachFillsTheFieldOfItsName) {
  const PrintMethod method = GetParam().method;
  std::vector<Value> arguments;
  for (std::size_t i = 0; i < GetParam().parameters.size(); ++i) arguments.push_back(Value::i4(static_cast<int>(i) + 100));
  arguments[arguments.size() - 2] = Value::string(u"false");  // DisplayProperties

  LabelRequest request;
  testing_support::ScriptedWindows windows;
  testing_support::RecordingSink diagnostics;
  PrintEntryPoints(request, windows, diagnostics).print(method, arguments);

  const auto fields = storedFields(method);
  ASSERT_EQ(fields.size() + 2, GetParam().parameters.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string_view parameter = GetParam().parameters[i];
    const auto named = std::ranges::find_if(kRequestFields, [&](const RequestField& field) {
      return field.name == (parameter == "Barcode" ? "BarCode" : parameter);
    });
    ASSERT_NE(named, kRequestFields.end()) << parameter;
    EXPECT_TRUE((request.*named->member).identical(arguments[i])) << parameter;
  }
}

INSTANTIATE_TEST_SUITE_P(
    BothMethods, PublishedParameters,
    ::testing::Values(MethodCase{PrintMethod::PrintLabels,
                                 {"ClientType", "ClientNumber", "PrinterName", "LabelCopies", "Barcode",
                                  "AccessionNumber", "RequisitionNumber", "SampleID", "PatientID", "PatientName",
                                  "PatientDOB", "PatientGender", "TestNumber", "TestName", "PhysicianName",
                                  "CurrentDate", "CurrentTime", "Temperature", "SpecimenRequirements",
                                  "DisplayProperties", "DisplayDebugger"}},
                      MethodCase{PrintMethod::PrintGENERICLabels,
                                 {"PrinterName", "LabelCopies", "Line1", "Line2", "Line3", "Line4", "Line5",
                                  "DisplayProperties", "DisplayDebugger"}}),
    [](const auto& info) { return std::string(methodName(info.param.method)); });

TEST(RequestFields, TheEighteenPropertiesSitAtTheirDispids) {
  // Published: AccessionNumber 0x68030000 up to PatientGender 0x68030011, 18 in all.
  EXPECT_EQ(kPropertyCount, 18u);
  EXPECT_EQ(propertyIndex("AccessionNumber"), 0u);
  EXPECT_EQ(propertyIndex("RequisitionNumber"), 1u);
  EXPECT_EQ(propertyIndex("SpecimenRequirements"), 0xEu);
  EXPECT_EQ(propertyIndex("PatientGender"), 0x11u);
  for (const auto& field : kRequestFields) {
    // The bar code and the lines are no properties; every other field is one.
    const bool property = field.name != "BarCode" && !field.name.starts_with("Line");
    EXPECT_EQ(field.propertyId != 0, property) << field.name;
  }
}

TEST(RequestFields, AFreshRequestHoldsEveryFieldEmptyInDeclarationOrder) {
  const LabelRequest request;
  EXPECT_FALSE(request.PrintSucceeded);
  std::vector<std::string_view> names;
  for (const auto& field : kRequestFields) {
    EXPECT_TRUE((request.*field.member).isEmpty()) << field.name;
    names.push_back(field.name);
  }
  EXPECT_EQ(names, (std::vector<std::string_view>{
                       "ClientType", "PrinterName", "LabelCopies", "BarCode", "Line1", "Line2", "Line3", "Line4",
                       "Line5", "Line6", "Line7", "Line8", "ClientNumber", "AccessionNumber", "RequisitionNumber",
                       "SampleID", "PatientID", "PatientName", "PatientDOB", "PatientGender", "TestNumber", "TestName",
                       "PhysicianName", "CurrentDate", "CurrentTime", "Temperature", "SpecimenRequirements"}));
  EXPECT_EQ(&fieldOf(&LabelRequest::CurrentTime).name, &kRequestFields[24].name);
}

}  // namespace
}  // namespace control
