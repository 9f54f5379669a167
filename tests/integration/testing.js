// What every JScript test shares, put in at its "//#include testing.js" line (see
// script_host.sh): check prints a FAIL line for each failed condition, and finish, the
// script's last statement, prints the verdict the runners read.
var failures = 0;
function check(condition, what) {
  if (!condition) {
    failures++;
    WScript.Echo("FAIL: " + what);
  }
}

function finish() {
  WScript.Echo(failures == 0 ? "RESULT: PASS" : "RESULT: FAIL (" + failures + ")");
}
