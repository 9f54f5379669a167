' A print the virtual engine refuses, with the control's diagnostics on: the window probe
' (run_script.sh) sees the engine's error number and description in the control's messages,
' so they crossed the COM server's EXCEPINFO and the control's engine adapter intact.
' Prints FAIL lines and, last, the verdict.
Option Explicit

'#include ../testing.vbs

Dim control : Set control = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Dim result : result = control.PrintGENERICLabels("DYMO LabelWriter 450", 0, "TXT^Never printed", "", "", "", "", _
                                                 "false", "true")
Check VarType(result) = 11 And result = False, "a print with 0 copies returns " & result

Finish
