' Prints one of the three sample labels through the control, as a laboratory page's script
' would:  cscript //nologo print-sample.vbs hospital|physician|generic [PRINTER [COPIES [DEBUGGER]]]
' PRINTER defaults to "DYMO LabelWriter 450", COPIES to the sample's own (1, 2 and 1), and
' DEBUGGER ("true" shows the control's diagnostics) to "false". Prints the call's result as
' "RESULT: True" or "RESULT: False".
Option Explicit

Dim args : Set args = WScript.Arguments
Dim sample, printer, copies, debugger
sample = LCase(args(0))
printer = "DYMO LabelWriter 450"
If args.Count > 1 Then printer = args(1)
If args.Count > 2 Then copies = CInt(args(2))
debugger = "false"
If args.Count > 3 Then debugger = args(3)

Dim control : Set control = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Dim result
Select Case sample
  Case "hospital"
    If IsEmpty(copies) Then copies = "1"
    result = control.PrintLabels("HOSPITAL", "EQ39064", printer, copies, "9003948343", "7493843", "9003948343", _
        "9498394001", "9600", "ROWE, SAM, K.", "05/20/1944", "M", "55293N", "Catecholamines + VMA, 24 hr Ur", _
        "Dr. Kay", "08/27/2001", "17:14:22", "F", "20RFU", "false", debugger)
  Case "physician"
    If IsEmpty(copies) Then copies = 2
    result = control.PrintLabels("PHYSICIAN", "EQ39064", printer, copies, "9003948343", "7493843", "9003948343", _
        "9498394001", "9600", "ROWE, SAM, K.", "05/20/1944", "M", "55293N", "Catecholamines + VMA, 24 hr Ur", _
        "Dr. Kay", "08/27/2001", "17:14:22", "F", "20RFU", "false", debugger)
  Case "generic"
    If IsEmpty(copies) Then copies = 1
    result = control.PrintGENERICLabels(printer, copies, "TXTBOLD^Sample 42", "TXT^Serum, 5 mL", "BCD^S42-7", "", _
        "TXT^Keep cold", "false", debugger)
  Case Else
    WScript.Echo "unknown sample " & sample & ": hospital, physician or generic"
End Select
WScript.Echo "RESULT: " & result
