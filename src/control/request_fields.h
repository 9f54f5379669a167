#pragma once
// The request's fields, in one table. A row is one field of the request state LabelRequest:
//
//   field      the member's name;
//   parameter  the parameter that fills it in the print methods (BarCode is passed as
//              Barcode); "" when no method takes it;
//   PL, PGL    its position among PrintLabels' and PrintGENERICLabels' parameters, from 1;
//              0 when the method does not take it (both methods take DisplayProperties and
//              DisplayDebugger after their fields; those are not stored);
//   DISPID     the control property of the same name that it mirrors (each instance keeps
//              its own value, which printing never reads); 0 when there is none;
//   dialog     the settings dialog whose bound text box shows it;
//   box        that text box;
//   default    what the dialog's "Restore &Defaults" stores in it.
//
// Rows stand in the order the request state declares its fields. The request state, each
// method's parameter list, the properties by DISPID and the dialogs' bound boxes are all
// made from this table at compile time (label_request.h, entry_points.h); adding a field
// is one row here.

// clang-format off
#define VANTORY_REQUEST_FIELDS(FIELD) \
  /*    field                 parameter               PL  PGL  DISPID      dialog           box                         default                                 */ \
  FIELD(ClientType,           "ClientType",           1,  0,   0x6803000B, PrintParameters, "txtClientType",            u"HOSPITAL")                              \
  FIELD(PrinterName,          "PrinterName",          3,  1,   0x6803000C, PrintParameters, "txtPrinterName",           u"DYMO LabelWriter EL60")                 \
  FIELD(LabelCopies,          "LabelCopies",          4,  2,   0x6803000D, PrintParameters, "txtLabelCopies",           u"1")                                     \
  FIELD(BarCode,              "Barcode",              5,  0,   0,          PatientData,     "txtBarCode",               u"9003948343")                            \
  FIELD(Line1,                "Line1",                0,  3,   0,          None,            "",                         u"")                                      \
  FIELD(Line2,                "Line2",                0,  4,   0,          None,            "",                         u"")                                      \
  FIELD(Line3,                "Line3",                0,  5,   0,          None,            "",                         u"")                                      \
  FIELD(Line4,                "Line4",                0,  6,   0,          None,            "",                         u"")                                      \
  FIELD(Line5,                "Line5",                0,  7,   0,          None,            "",                         u"")                                      \
  FIELD(Line6,                "",                     0,  0,   0,          None,            "",                         u"")                                      \
  FIELD(Line7,                "",                     0,  0,   0,          None,            "",                         u"")                                      \
  FIELD(Line8,                "",                     0,  0,   0,          None,            "",                         u"")                                      \
  FIELD(ClientNumber,         "ClientNumber",         2,  0,   0x68030010, PrintParameters, "txtClientNumber",          u"EQ39064")                               \
  FIELD(AccessionNumber,      "AccessionNumber",      6,  0,   0x68030000, PatientData,     "txtAccessionNumber",       u"7493843")                               \
  FIELD(RequisitionNumber,    "RequisitionNumber",    7,  0,   0x68030001, PatientData,     "txtRequisitionNumber",     u"9003948343")                            \
  FIELD(SampleID,             "SampleID",             8,  0,   0x68030002, PatientData,     "txtSampleID",              u"9498394001")                            \
  FIELD(PatientID,            "PatientID",            9,  0,   0x6803000F, PatientData,     "txtPatientID",             u"9600")                                  \
  FIELD(PatientName,          "PatientName",          10, 0,   0x68030003, PatientData,     "txtPatientName",           u"ROWE, SAM, K.")                         \
  FIELD(PatientDOB,           "PatientDOB",           11, 0,   0x68030004, PatientData,     "txtPatientDOB",            u"05/20/1944")                            \
  FIELD(PatientGender,        "PatientGender",        12, 0,   0x68030011, PatientData,     "txtPatientGender",         u"M")                                     \
  FIELD(TestNumber,           "TestNumber",           13, 0,   0x68030005, PatientData,     "txtTestNumber",            u"55293N")                                \
  FIELD(TestName,             "TestName",             14, 0,   0x68030006, PatientData,     "txtTestName",              u"Catecholamines + VMA, 24 hr Ur")        \
  FIELD(PhysicianName,        "PhysicianName",        15, 0,   0x68030007, PatientData,     "txtPhysicianName",         u"Dr. Kay")                               \
  FIELD(CurrentDate,          "CurrentDate",          16, 0,   0x68030009, PatientData,     "txtCollectionDate",        u"08/27/2001")                            \
  FIELD(CurrentTime,          "CurrentTime",          17, 0,   0x6803000A, PatientData,     "txtCollectionTime",        u"17:14:22")                              \
  FIELD(Temperature,          "Temperature",          18, 0,   0x68030008, PatientData,     "txtTemperature",           u"F")                                     \
  FIELD(SpecimenRequirements, "SpecimenRequirements", 19, 0,   0x6803000E, PatientData,     "txtSpecimenRequirements",  u"20RFU")
// clang-format on

namespace control {

// The settings dialog that shows a field in a bound text box (filled from the request, stored
// back by "&Ok", given its default by "Restore &Defaults"), in the order of PrintLabels'
// parameters.
enum class FieldDialog { None, PrintParameters, PatientData };

}  // namespace control
