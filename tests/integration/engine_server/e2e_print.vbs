' Printing from VBScript through the control onto the virtual label engine COM server, beyond
' the sample script (examples/print-samples.vbs): a call returns only after its print
' window's two seconds; variables (passed by reference) reach the engine and are left as
' they were; a print the engine refuses (0 copies) returns False and records nothing.
' e2e_run.sh compares the one label recorded with the PHYSICIAN golden description.
' Prints FAIL lines and, last, the verdict.
Option Explicit

'#include ../testing.vbs

Dim started
Function Elapsed()
  Elapsed = Timer - started
  If Elapsed < 0 Then Elapsed = Elapsed + 86400  ' past midnight
End Function

' The print window closes itself after 2000 ms; the clock may read a little short.
Const kShortestPrint = 1.9

Dim control : Set control = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Dim result

Dim clientType, clientNumber, printer, copies, barcode, accession, requisition, sample, patient, patientName, _
    dob, gender, testNumber, testName, physician, currentDate, currentTime, temperature, requirements
clientType = "PHYSICIAN" : clientNumber = "EQ39064" : printer = "DYMO LabelWriter 450" : copies = 2
barcode = "9003948343" : accession = "7493843" : requisition = "9003948343" : sample = "9498394001"
patient = "9600" : patientName = "ROWE, SAM, K." : dob = "05/20/1944" : gender = "M" : testNumber = "55293N"
testName = "Catecholamines + VMA, 24 hr Ur" : physician = "Dr. Kay" : currentDate = "08/27/2001"
currentTime = "17:14:22" : temperature = "F" : requirements = "20RFU"
started = Timer
result = control.PrintLabels(clientType, clientNumber, printer, copies, barcode, accession, requisition, sample, _
                             patient, patientName, dob, gender, testNumber, testName, physician, currentDate, _
                             currentTime, temperature, requirements, "false", "false")
Check VarType(result) = 11 And result = True, "PHYSICIAN prints: VarType " & VarType(result) & ", " & result
Check Elapsed() >= kShortestPrint, "PHYSICIAN returned after " & Elapsed() & " s"
Check VarType(copies) = 2 And copies = 2 And printer = "DYMO LabelWriter 450", "the variables are unchanged"

' The window still shows its two seconds after a failed print.
started = Timer
result = control.PrintGENERICLabels("DYMO LabelWriter 450", 0, "TXT^Never printed", "", "", "", "", "false", "false")
Check VarType(result) = 11 And result = False, "a print with 0 copies returns False, not " & result
Check Elapsed() >= kShortestPrint, "the failed print returned after " & Elapsed() & " s"

Finish
