' The control as a VBScript page uses it. Prints FAIL lines and, last, the verdict.
' The windows expected, in order (checked by run_script.sh): print windows showing BC-LITERAL,
' BC-VARIABLE and BC-VARIABLE, then the diagnostic "Could not determine client type.".
Option Explicit

'#include testing.vbs

Dim a, b
Set a = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Set b = CreateObject("VantoryActiveX.ZuzuravuDazeza")

' GetControlVersion: 12 as a 16-bit integer.
Dim version : version = a.GetControlVersion()
Check VarType(version) = 2, "GetControlVersion has VarType " & VarType(version)
Check version = 12, "GetControlVersion is " & version

' CloseConnection with no print window: Empty.
Dim closed : closed = a.CloseConnection()
Check IsEmpty(closed), "CloseConnection returns VarType " & VarType(closed)

' Properties: Empty before a write, then what was put, with its type.
Check IsEmpty(a.PatientName), "PatientName starts Empty"
a.PatientName = "Smith, John"
Check a.PatientName = "Smith, John", "PatientName round trip"
Check VarType(a.PatientName) = 8, "PatientName is a string"
a.LabelCopies = 3
Check a.LabelCopies = 3 And VarType(a.LabelCopies) = 2, "LabelCopies keeps the integer 3"
a.Temperature = 2.5
Check VarType(a.Temperature) = 5 And a.Temperature = 2.5, "Temperature keeps the double"
a.CurrentDate = Null
Check IsNull(a.CurrentDate), "CurrentDate keeps Null"
Dim copies : copies = 7
a.TestNumber = copies
copies = 8
Check a.TestNumber = 7, "a property keeps the value a variable had, not the variable"

' Set stores an object reference: the same object comes back.
Dim dictionary : Set dictionary = CreateObject("Scripting.Dictionary")
Set a.PhysicianName = dictionary
Check IsObject(a.PhysicianName), "PhysicianName holds an object"
Check a.PhysicianName Is dictionary, "PhysicianName is the same object"
a.PhysicianName.Add "key", "value"
Check dictionary.Count = 1, "the stored reference reaches the same dictionary"

' (Windows' VBScript refuses this itself with 424, Wine's with its own error; the control's
' own refusal of a non-object is checked where it can be reached, in the unit tests.)
Sub SetWithoutObject()
  On Error Resume Next
  Set a.PhysicianName = "not an object"
  Check Err.Number <> 0, "Set with a string fails"
  On Error GoTo 0
  Check a.PhysicianName Is dictionary, "a refused Set keeps the old value"
End Sub
SetWithoutObject

' Two instances keep their own properties.
a.PrinterName = "printer A"
b.PrinterName = "printer B"
Check a.PrinterName = "printer A" And b.PrinterName = "printer B", "instances keep their own properties"
Check IsEmpty(b.PatientName), "the other instance's PatientName is still Empty"

' Printing without a label engine: False, as a Boolean.
Dim result
result = a.PrintLabels("HOSPITAL", "C-1", "LabelWriter", 1, "BC-LITERAL", "A-1", "R-1", "S-1", "P-1", _
                       "Doe, Jane", "01/02/1980", "F", "T-1", "Glucose", "Dr. Who", "12/08/2026", "10:30", _
                       "Frozen", "Fasting", "false", "false")
Check VarType(result) = 11, "PrintLabels returns VarType " & VarType(result)
Check result = False, "PrintLabels without an engine returns False"

' Variables (passed by reference) are left as they were.
Dim clientType, clientNumber, printer, labelCopies, barcode, accession, requisition, sample, patient, _
    patientName, dob, gender, testNumber, testName, physician, currentDate, currentTime, temperature, _
    requirements, displayProperties, displayDebugger
clientType = "PHYSICIAN" : clientNumber = 1234 : printer = "LabelWriter" : labelCopies = 2
barcode = "BC-VARIABLE" : accession = "A-2" : requisition = "R-2" : sample = "S-2" : patient = "P-2"
patientName = "Roe, Richard" : dob = "03/04/1975" : gender = "M" : testNumber = 42 : testName = "Lipids"
physician = "Dr. No" : currentDate = "12/08/2026" : currentTime = "11:45" : temperature = "Ambient"
requirements = "" : displayProperties = False : displayDebugger = "FALSE"
result = a.PrintLabels(clientType, clientNumber, printer, labelCopies, barcode, accession, requisition, _
                       sample, patient, patientName, dob, gender, testNumber, testName, physician, _
                       currentDate, currentTime, temperature, requirements, displayProperties, displayDebugger)
Check VarType(result) = 11 And result = False, "PrintLabels with variables returns False"
Check clientType = "PHYSICIAN" And VarType(clientNumber) = 2 And clientNumber = 1234, "variables unchanged"
Check testNumber = 42 And displayProperties = False And VarType(displayProperties) = 11, "variables keep their types"
Check requirements = "" And VarType(requirements) = 8, "an empty string stays a string"

' The request is shared: the second instance's GENERIC print shows the first one's bar code.
result = b.PrintGENERICLabels("LabelWriter", 1, "TXTBOLD^Header", "TXT^Line two", "BCD^12345", "", "", _
                              "false", "false")
Check VarType(result) = 11, "PrintGENERICLabels returns VarType " & VarType(result)
Check result = False, "PrintGENERICLabels without an engine returns False"

' An unrecognised client type prints nothing and shows no print window; DisplayDebugger
' True (a Boolean) shows why.
result = a.PrintLabels("hospital", "", "", 1, "BC-NEVER", "", "", "", "", "", "", "", "", "", "", "", "", _
                       "", "", "false", True)
Check VarType(result) = 11 And result = False, "a lower-case client type returns False"

Check IsEmpty(a.CloseConnection()), "CloseConnection after printing returns Empty"

Finish
