# Sourced by the runners of the script tests: Windows paths for Wine, and Wine's cscript
# running a test script with what it includes.
#
# A line "'#include FILE" (VBScript) or "//#include FILE" (JScript) stands for the text of
# FILE, a path relative to the script's folder (testing.vbs and testing.js hold what every
# test shares). Wine's cscript has no .wsf jobs and no working ExecuteGlobal, so the runner
# writes the script with its includes put in and runs that copy.

windows_path() { printf 'Z:%s' "$(realpath -m -- "$1" | sed 's|/|\\|g')"; }

# expand_includes SCRIPT OUTPUT: writes SCRIPT to OUTPUT with every include line replaced
# by the file it names; fails when one cannot be read.
expand_includes() {
  awk -v folder="$(dirname -- "$1")" '
    /^(\047|\/\/)#include / {
      file = folder "/" $2
      while ((status = (getline line < file)) > 0) print line
      if (status < 0) { print "cannot include " file > "/dev/stderr"; exit 1 }
      close(file)
      next
    }
    { print }' "$1" >"$2"
}

# run_cscript SCRIPT [ARGUMENT...]: runs SCRIPT under Wine's cscript, from a copy with its
# includes put in, handing it the arguments; the environment, output and exit status are
# cscript's.
run_cscript() {
  local folder status
  folder=$(mktemp -d) || return 1
  expand_includes "$1" "$folder/$(basename -- "$1")" &&
    "$WINE" cscript //nologo "$(windows_path "$folder/$(basename -- "$1")")" "${@:2}"
  status=$?
  rm -rf -- "$folder"
  return "$status"
}

# start_window_probe PROBE LOG: starts the window probe, which closes the print window and
# message boxes and lists them in LOG, and waits until it is ready; its process is probe_pid.
start_window_probe() {
  "$WINE" "$1" >"$2" 2>/dev/null &
  probe_pid=$!
  until grep -q READY "$2"; do
    kill -0 "$probe_pid" 2>/dev/null || { echo "FAIL: the window probe did not start"; return 1; }
    sleep 0.05
  done
}
