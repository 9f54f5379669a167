// The control as a JScript page uses it. Prints FAIL lines and, last, the verdict.
// The windows expected, in order (checked by run_script.sh): a print window showing BC-JSCRIPT;
// the three diagnostics of a print with no engine, then its print window (BC-JSCRIPT again:
// the request is shared); the diagnostic for PrintLabels with client type GENERIC.
//#include testing.js

var a = new ActiveXObject("VantoryActiveX.ZuzuravuDazeza");
var b = new ActiveXObject("VantoryActiveX.ZuzuravuDazeza");

var version = a.GetControlVersion();
check(typeof version == "number" && version === 12, "GetControlVersion is " + version);
check(typeof a.CloseConnection() == "undefined", "CloseConnection returns Empty (undefined)");

// Every property by name: Empty before a write, then the string or number put.
var names = ["PatientGender", "ClientNumber", "PatientID", "SpecimenRequirements", "LabelCopies",
             "PrinterName", "ClientType", "CurrentTime", "CurrentDate", "Temperature", "PhysicianName",
             "TestName", "TestNumber", "PatientDOB", "PatientName", "SampleID", "RequisitionNumber",
             "AccessionNumber"];
for (var i = 0; i < names.length; i++) {
  var name = names[i];
  check(typeof a[name] == "undefined", name + " starts Empty");
  a[name] = "text of " + name;
  check(a[name] === "text of " + name, name + " round-trips a string");
  a[name] = i * 1000;
  check(a[name] === i * 1000, name + " round-trips a number");
  check(typeof b[name] == "undefined", name + " of the other instance is still Empty");
}

// An object put as a value is the same object when read.
var dictionary = new ActiveXObject("Scripting.Dictionary");
a.PatientName = dictionary;
check(a.PatientName === dictionary, "PatientName holds the same object");
a.PatientName.Add("key", "value");
check(dictionary.Count == 1, "the stored object is the dictionary itself");

// A literal string, number and Boolean as arguments.
var result = a.PrintLabels("PHYSICIAN", 17, "LabelWriter", 1, "BC-JSCRIPT", "A", "R", "S", "P", "Doe, Jane",
                           "1/2/1980", "F", 5, "Glucose", "Dr. Who", "12/8/2026", "10:30", "Frozen", "None",
                           false, false);
check(typeof result == "boolean" && result === false, "PrintLabels without an engine returns false");

// A variable is not written back. DisplayDebugger in any letter case shows the diagnostics.
var lines = ["TXT^one", "TXTBOLD^two", "BCD^3", "", ""];
var copies = 1;
result = b.PrintGENERICLabels("LabelWriter", copies, lines[0], lines[1], lines[2], lines[3], lines[4], "no", "TrUe");
check(typeof result == "boolean", "PrintGENERICLabels returns a Boolean");
check(copies === 1 && lines[0] === "TXT^one", "arguments unchanged");

// PrintLabels does not print GENERIC labels: no print window, only the diagnostic.
result = a.PrintLabels("GENERIC", 0, "", 1, "BC-NEVER", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                       "FALSE", "true");
check(result === false, "PrintLabels with GENERIC returns false");

finish();
