' What every VBScript test shares, put in at its "'#include testing.vbs" line (see
' script_host.sh): Check prints a FAIL line for each failed condition, and Finish, the
' script's last statement, prints the verdict the runners read.
Dim failures : failures = 0
Sub Check(condition, what)
  If Not condition Then
    failures = failures + 1
    WScript.Echo "FAIL: " & what
  End If
End Sub

Sub Finish()
  If failures = 0 Then
    WScript.Echo "RESULT: PASS"
  Else
    WScript.Echo "RESULT: FAIL (" & failures & ")"
  End If
End Sub
