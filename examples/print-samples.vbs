' Prints the three sample labels (the requests of hospital.json, physician.json and
' generic.json) through the control, as a laboratory page's script would. Run it with
' cscript where the control and a "Dymo.LabelEngine" are registered; scripts/demo.sh does.
' DisplayDebugger is "false" here: its message boxes would wait for a click on a screen
' nobody sees. Prints one line per label and, last, "RESULT: PASS" when all three printed.
Option Explicit

Dim control : Set control = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Dim printed : printed = 0
Dim started

Sub Report(name, result)
  Dim seconds : seconds = Timer - started
  If seconds < 0 Then seconds = seconds + 86400  ' past midnight
  WScript.Echo name & ": " & result & " (" & FormatNumber(seconds, 2) & " s)"
  If VarType(result) = vbBoolean Then
    If result Then printed = printed + 1
  End If
End Sub

started = Timer
Report "HOSPITAL", control.PrintLabels("HOSPITAL", "EQ39064", "DYMO LabelWriter 450", "1", "9003948343", _
    "7493843", "9003948343", "9498394001", "9600", "ROWE, SAM, K.", "05/20/1944", "M", "55293N", _
    "Catecholamines + VMA, 24 hr Ur", "Dr. Kay", "08/27/2001", "17:14:22", "F", "20RFU", "false", "false")

started = Timer
Report "PHYSICIAN", control.PrintLabels("PHYSICIAN", "EQ39064", "DYMO LabelWriter 450", 2, "9003948343", _
    "7493843", "9003948343", "9498394001", "9600", "ROWE, SAM, K.", "05/20/1944", "M", "55293N", _
    "Catecholamines + VMA, 24 hr Ur", "Dr. Kay", "08/27/2001", "17:14:22", "F", "20RFU", "false", "false")

started = Timer
Report "GENERIC", control.PrintGENERICLabels("DYMO LabelWriter 450", 1, "TXTBOLD^Sample 42", "TXT^Serum, 5 mL", _
    "BCD^S42-7", "", "TXT^Keep cold", "false", "false")

If printed = 3 Then
  WScript.Echo "RESULT: PASS"
Else
  WScript.Echo "RESULT: FAIL (" & printed & " of 3 printed)"
End If
