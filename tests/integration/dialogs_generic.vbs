' PrintGENERICLabels with the print parameters dialog shown (the patient data dialog is not),
' the user played from outside by dialogs_driver: each "'@" line is its next step. The
' virtual label engine prints; each "'$" line names a text the recorded label holds, each
' "'!" line one it must not. Prints FAIL lines and, last, the verdict.
Option Explicit

'#include testing.vbs

Dim control : Set control = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Dim result

' 1. "Generic Input:" and the five lines instead of the client number; the lines are in the
'    tab order (1, 2, 3, 5, 4) but an edited line is not stored: the label prints the lines
'    the call gave. The printer typed is stored.
'@ dialog:frmPropertyPage
'@ expect:txtClientType=GENERIC
'@ expect:txtPrinterName=LabelWriter
'@ expect:txtLabelCopies=1
'@ hidden:txtClientNumber
'@ hidden:lblClientNumber
'@ shown:lblInput
'@ expect:lblInput=Generic Input:
'@ shown:txtLine1
'@ shown:txtLine2
'@ shown:txtLine3
'@ shown:txtLine4
'@ shown:txtLine5
'@ expect:txtLine1=TXTBOLD^Header
'@ expect:txtLine2=TXT^Line two
'@ expect:txtLine3=BCD^12345
'@ expect:txtLine4=TXT^Line four
'@ expect:txtLine5=TXT^Line five
'@ snap:frmPropertyPage-generic
'@ keys:{TAB}{TAB}
'@ focus:txtPrinterName
'@ keys:Generic Printer{TAB}{TAB}{TAB}
'@ focus:txtLine1
'@ keys:TXT^Edited
'@ expect:txtLine1=TXT^Edited
'@ keys:{TAB}{TAB}{TAB}
'@ focus:txtLine5
'@ keys:{TAB}
'@ focus:txtLine4
'@ keys:{TAB}
'@ focus:cmdSave
'@ click:cmdSave
'@ gone
'@ print-window:
'@ snap:print-window-generic
'@ close-print-window
'$ label-0001.json "printer": "Generic Printer"
'$ label-0001.json "text": "Header"
'$ label-0001.json "text": "12345"
'$ label-0001.json "text": "Line five"
'! label-0001.json Edited
result = control.PrintGENERICLabels("LabelWriter", 1, "TXTBOLD^Header", "TXT^Line two", "BCD^12345", _
                                    "TXT^Line four", "TXT^Line five", "true", "false")
Check VarType(result) = 11 And result = True, "the GENERIC print returned " & result

' 2. "Restore &Defaults" shows the defaults and keeps the lines (the client number stays
'    hidden); the close box keeps the defaults, so the client type is no longer GENERIC and
'    the call ends unprinted.
'@ dialog:frmPropertyPage
'@ click:cmdRestoreDefaults
'@ expect:txtClientType=HOSPITAL
'@ expect:txtPrinterName=DYMO LabelWriter EL60
'@ expect:txtLabelCopies=1
'@ expect:txtClientNumber=EQ39064
'@ hidden:txtClientNumber
'@ shown:txtLine5
'@ expect:txtLine1=TXTBOLD^Header
'@ expect:txtLine5=TXT^Line five
'@ snap:frmPropertyPage-generic-defaults
'@ close
'@ gone
'@ message:Attention!:Could not determine client type.
result = control.PrintGENERICLabels("LabelWriter", 1, "TXTBOLD^Header", "TXT^Line two", "BCD^12345", _
                                    "TXT^Line four", "TXT^Line five", "true", "true")
Check VarType(result) = 11 And result = False, "the GENERIC print after the defaults returned " & result

Finish
