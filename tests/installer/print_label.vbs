' After the MSI installed the control: a host creates it by its ProgID, as a laboratory page's
' script would, and prints the PHYSICIAN sample (examples/physician.json) with PrintLabels onto
' the virtual label engine. installer_test.sh checks the label recorded against the sample's
' golden description. Prints the result and, last, "RESULT: PASS" or "RESULT: FAIL (...)":
' cscript exits 0 even when a script dies.
Option Explicit

Dim control : Set control = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Dim result : result = control.PrintLabels("PHYSICIAN", "EQ39064", "DYMO LabelWriter 450", 2, "9003948343", _
    "7493843", "9003948343", "9498394001", "9600", "ROWE, SAM, K.", "05/20/1944", "M", "55293N", _
    "Catecholamines + VMA, 24 hr Ur", "Dr. Kay", "08/27/2001", "17:14:22", "F", "20RFU", "false", "false")
WScript.Echo "PrintLabels: " & TypeName(result) & " " & result

Dim printed : printed = False
If VarType(result) = vbBoolean Then printed = result
If printed Then
  WScript.Echo "RESULT: PASS"
Else
  WScript.Echo "RESULT: FAIL (expected PrintLabels to return the Boolean True, got " & TypeName(result) & " " & result & ")"
End If
