// A GENERIC label printed from JScript through the control onto the virtual label engine
// COM server: JScript numbers arrive as 32-bit integers and literals by value. e2e_run.sh
// compares the label recorded with e2e_jscript_generic.json. Prints FAIL lines and, last,
// the verdict.
//#include ../testing.js

var control = new ActiveXObject("VantoryActiveX.ZuzuravuDazeza");
var started = new Date().getTime();
var result = control.PrintGENERICLabels("LabelWriter 450 Turbo", 3, "TXTBOLD^JScript 7", "TXT^Plasma, 2 mL",
                                        "BCD^JS-0042", "TXT^Room temperature", "TXT^Ward 5", "false", "false");
var elapsed = (new Date().getTime() - started) / 1000;
check(typeof result == "boolean" && result === true, "GENERIC prints: " + result);
// The print window closes itself after 2000 ms; the clock may read a little short.
check(elapsed >= 1.9, "the print returned after " + elapsed + " s");

finish();
