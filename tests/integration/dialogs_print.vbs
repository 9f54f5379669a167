' PrintLabels with the settings dialogs shown, the user played from outside by
' dialogs_driver: each "'@" line is its next step (dialogs_run.sh passes them on in order).
' The virtual label engine prints; each "'$" line names a text the recorded label holds.
' Prints FAIL lines and, last, the verdict.
Option Explicit

'#include testing.vbs

Dim control : Set control = CreateObject("VantoryActiveX.ZuzuravuDazeza")
Dim result

' 1. Both dialogs show the request; what is typed is stored by "&Ok". The print parameters
'    are typed on the keyboard, walking the tab order; the patient data are set directly.
'@ dialog:frmPropertyPage
'@ expect:txtClientType=HOSPITAL
'@ expect:txtClientNumber=C-1
'@ expect:txtPrinterName=LabelWriter
'@ expect:txtLabelCopies=2
'@ expect:lblClientType=Client Label Type:
'@ expect:cmdRestoreDefaults=Restore &Defaults
'@ expect:cmdSave=&Ok
'@ shown:txtClientNumber
'@ shown:lblClientNumber
'@ hidden:lblInput
'@ hidden:txtLine1
'@ hidden:txtLine5
'@ snap:frmPropertyPage
'@ keys:{TAB}
'@ focus:cmdRestoreDefaults
'@ keys:{TAB}
'@ focus:txtPrinterName
'@ keys:Printer Typed
'@ expect:txtPrinterName=Printer Typed
'@ keys:{TAB}
'@ focus:txtClientType
'@ keys:{TAB}
'@ focus:txtLabelCopies
'@ keys:3
'@ expect:txtLabelCopies=3
'@ keys:{TAB}
'@ focus:txtClientNumber
'@ keys:{TAB}
'@ focus:cmdSave
'@ keys:{ALT+o}
'@ gone
'@ dialog:frmMoreProperties
'@ expect:txtBarCode=BC-CALL1
'@ expect:txtAccessionNumber=A-1
'@ expect:txtRequisitionNumber=R-1
'@ expect:txtSampleID=S-1
'@ expect:txtPatientID=P-1
'@ expect:txtPatientName=Doe, Jane
'@ expect:txtPatientDOB=01/02/1980
'@ expect:txtPatientGender=F
'@ expect:txtTestNumber=42
'@ expect:txtTestName=Glucose
'@ expect:txtPhysicianName=Dr. Who
'@ expect:txtTemperature=Frozen
'@ expect:txtSpecimenRequirements=Fasting
'@ expect:txtCollectionDate=12/08/2026
'@ expect:txtCollectionTime=10:30
'@ expect:lblSpecimenRequirements=Specimen Req's:
'@ set:txtBarCode=BC-EDITED
'@ set:txtPatientName=Roe, Richard
'@ snap:frmMoreProperties
'@ click:cmdSave
'@ gone
'@ print-window:BC-EDITED
'@ snap:print-window
'@ close-print-window
'$ label-0001.json "printer": "Printer Typed"
'$ label-0001.json "copies": 3
'$ label-0001.json "text": "Roe, Richard   01/02/1980   F   "
'$ label-0001.json "text": "BC-EDITED"
result = control.PrintLabels("HOSPITAL", "C-1", "LabelWriter", 2, "BC-CALL1", "A-1", "R-1", "S-1", "P-1", _
                             "Doe, Jane", "01/02/1980", "F", 42, "Glucose", "Dr. Who", "12/08/2026", "10:30", _
                             "Frozen", "Fasting", "true", "false")
Check VarType(result) = 11 And result = True, "the first print returned " & result

' 2. "Restore &Defaults" (a click, then its access key) writes the defaults at once: the
'    close box afterwards keeps them and drops what was typed after them.
'@ dialog:frmPropertyPage
'@ set:txtClientType=bogus
'@ click:cmdRestoreDefaults
'@ expect:txtClientType=HOSPITAL
'@ expect:txtClientNumber=EQ39064
'@ expect:txtPrinterName=DYMO LabelWriter EL60
'@ expect:txtLabelCopies=1
'@ set:txtPrinterName=Not Saved
'@ close
'@ gone
'@ dialog:frmMoreProperties
'@ keys:{ALT+d}
'@ expect:txtBarCode=9003948343
'@ expect:txtAccessionNumber=7493843
'@ expect:txtRequisitionNumber=9003948343
'@ expect:txtSampleID=9498394001
'@ expect:txtPatientID=9600
'@ expect:txtPatientName=ROWE, SAM, K.
'@ expect:txtPatientDOB=05/20/1944
'@ expect:txtPatientGender=M
'@ expect:txtTestNumber=55293N
'@ expect:txtTestName=Catecholamines + VMA, 24 hr Ur
'@ expect:txtPhysicianName=Dr. Kay
'@ expect:txtCollectionDate=08/27/2001
'@ expect:txtCollectionTime=17:14:22
'@ expect:txtTemperature=F
'@ expect:txtSpecimenRequirements=20RFU
'@ snap:frmMoreProperties-defaults
'@ set:txtPatientName=Not Saved
'@ close
'@ gone
'@ print-window:9003948343
'@ close-print-window
'$ label-0002.json "printer": "DYMO LabelWriter EL60"
'$ label-0002.json "copies": 1
'$ label-0002.json "text": "ROWE, SAM, K.   05/20/1944   M   "
'$ label-0002.json "text": "9600   08/27/2001   17:14:22   "
'$ label-0002.json "text": "9003948343   SID: 9498394001"
'$ label-0002.json "text": "55293N   Temp: F   20RFU"
result = control.PrintLabels("HOSPITAL", "C-2", "LabelWriter", 2, "BC-CALL2", "A-2", "R-2", "S-2", "P-2", _
                             "Doe, Jane", "01/02/1980", "F", "T-2", "Glucose", "Dr. Who", "12/08/2026", "10:30", _
                             "Frozen", "Fasting", "true", "false")
Check VarType(result) = 11 And result = True, "the second print returned " & result

' 3. Enter in a box and Escape neither press a button nor close: the keys typed after them
'    still reach the dialog, and "&Ok" (its access key) stores a client type the print
'    cannot use, so no print window opens.
'@ dialog:frmPropertyPage
'@ keys:{TAB}{TAB}
'@ focus:txtPrinterName
'@ keys:{ENTER}{ESC}{TAB}hospital{ALT+o}
'@ gone
'@ dialog:frmMoreProperties
'@ expect:txtBarCode=BC-CALL3
'@ click:cmdSave
'@ gone
'@ message:Attention!:Could not determine client type.
result = control.PrintLabels("HOSPITAL", "C-3", "LabelWriter", 1, "BC-CALL3", "A-3", "R-3", "S-3", "P-3", _
                             "Doe, Jane", "01/02/1980", "F", "T-3", "Glucose", "Dr. Who", "12/08/2026", "10:30", _
                             "Frozen", "Fasting", "true", "true")
Check VarType(result) = 11 And result = False, "the print with a lower-case client type returned " & result

Finish
