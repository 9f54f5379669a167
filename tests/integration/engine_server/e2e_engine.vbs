' The virtual label engine COM server driven directly from VBScript: members by name in any
' letter case, one COM identity per engine object, objects handed back in, variables by
' reference left alone, and the engine's errors arriving with number, description and
' source. e2e_run.sh compares the one label printed with e2e_engine_label.json.
' Prints FAIL lines and, last, the verdict.
Option Explicit

'#include ../testing.vbs

Dim engine : Set engine = CreateObject("Dymo.LabelEngine")
Dim label : Set label = engine.PRINTOBJECT
Check label Is engine.printObject, "PrintObject is always the same object"
Check label.objects.COUNT = 0, "a new engine's label is empty"

' A variable (by reference) naming an unknown stock: nothing changes, nothing fails.
Dim stock : stock = "No such stock"
engine.NewLabel stock
Check engine.LabelInfo.LabelName = "Return Address", "an unknown stock keeps " & engine.LabelInfo.LabelName
Check stock = "No such stock" And VarType(stock) = 8, "the stock variable is unchanged"
engine.NewLabel "Small 2-1/4 in x 1-1/4 in"
Check engine.LabelInfo.LabelName = "Small 2-1/4 in x 1-1/4 in", "NewLabel selects a known stock"

Dim handle : handle = label.AddObject(0, "Title", 100, 60, 3000, 400, 0)
Check VarType(handle) = 3, "AddObject gives a 32-bit handle, not VarType " & VarType(handle)
Dim title : Set title = label.LabelObject(handle)
Check title Is label.Objects.Item(1), "LabelObject and Objects.Item give the same object"
With title.TextAttributes
  .Text = "Hello from VBScript"
  .Font_1 = "Arial, 14, Bold"
  .Justify = 1
End With
Check title.TextAttributes.Text = "Hello from VBScript", "a text attribute reads back"

Dim code : Set code = label.LabelObject(label.AddObject(5, "Code", 200, 600, 2800, 900, 0))
code.Text = "VB-2024-7"
code.BCType = 2
code.TextPos = 2
code.Size = 1

' An object handed back in: Delete takes what Objects.Item gave.
Dim extra : Set extra = label.LabelObject(label.AddObject(0, "Extra", 0, 0, 100, 100, 0))
label.Delete label.Objects.Item(3)
Check label.Objects.Count = 2, "Delete removed the third object"

' The engine's errors: Err.Number is the classic number, the description the engine's text.
Sub ExpectError(number, fragment, what)
  Check Err.Number = number, what & ": Err.Number " & Err.Number & " (" & Err.Description & ")"
  Check InStr(1, Err.Description, fragment, vbTextCompare) > 0, what & ": """ & Err.Description & """"
  Check Err.Source = "Dymo.LabelEngine", what & ": Err.Source " & Err.Source
  Err.Clear
End Sub
On Error Resume Next
extra.TextAttributes.Text = "gone"
ExpectError 5, "no longer on the label", "a deleted object"
Dim missing : Set missing = label.Objects.Item(9)
ExpectError 9, "Item(9)", "Item beyond Count"
title.TextAttributes.Justify = 7
ExpectError 5, "Justify", "Justify 7"
title.TextAttributes.Text = Null
ExpectError 94, "Text", "Text Null"
engine.PrintLabel "DYMO LabelWriter 450", "COM1:", 0, False
ExpectError 5, "copies", "0 copies"
engine.PrintLabel "DYMO LabelWriter 450", "COM1:"
ExpectError 450, "PrintLabel", "two arguments to PrintLabel"
On Error GoTo 0

Dim printer, copies : printer = "DYMO LabelWriter 450" : copies = 2
engine.PrintLabel printer, "COM1:", copies, False
Check VarType(copies) = 2 And copies = 2 And printer = "DYMO LabelWriter 450", "PrintLabel leaves its variables"

Finish
