#!/usr/bin/env bash
# Runs a VBScript or JScript test under Wine's cscript, with the window probe closing the
# windows it opens, and checks both: the script's own verdict (cscript exits 0 even when a
# script dies, so its last line must read "RESULT: PASS") and the windows seen, in order:
# "window:BARCODE" for a print window showing BARCODE (centred, with its caption and link),
# "message:TITLE:TEXT" for a message box.
# Runs inside wine-run.sh --host. Usage: run_script.sh SCRIPT PROBE [EXPECTED...]
set -uo pipefail

script=$1
probe=$2
shift 2
expected=("$@")
source "$(dirname -- "$0")/script_host.sh"

probe_log=$(mktemp)
trap 'rm -f "$probe_log"' EXIT
start_window_probe "$probe" "$probe_log" || exit 1

output=$(run_cscript "$script" 2>&1 | tr -d '\r')
echo "$output"
# Every call returns only after its windows closed: whatever the probe saw is written.
kill "$probe_pid" 2>/dev/null
wait "$probe_pid" 2>/dev/null

failures=0
[[ $(tail -n 1 <<<"$output") == "RESULT: PASS" ]] || { echo "FAIL: the script did not pass"; failures=$((failures + 1)); }

mapfile -t seen < <(grep -E '^(WINDOW|MESSAGE) ' "$probe_log" | tr -d '\r')
printf '%s\n' "${seen[@]}"
if ((${#seen[@]} != ${#expected[@]})); then
  echo "FAIL: ${#seen[@]} windows shown, ${#expected[@]} expected"
  failures=$((failures + 1))
fi
for i in "${!seen[@]}"; do
  line=${seen[$i]}
  want=${expected[$i]:-none}
  case $want in
    window:*)
      [[ $line == "WINDOW caption=Vantory ActiveX barcode=${want#window:} link=Close "* ]] ||
        { echo "FAIL: window $((i + 1)) is not the print window showing \"${want#window:}\""; failures=$((failures + 1)); }
      # Centred on the screen (to a pixel of rounding).
      if [[ $line =~ left=(-?[0-9]+)\ top=(-?[0-9]+)\ width=([0-9]+)\ height=([0-9]+)\ screen=([0-9]+)x([0-9]+) ]]; then
        dx=$((BASH_REMATCH[1] - (BASH_REMATCH[5] - BASH_REMATCH[3]) / 2))
        dy=$((BASH_REMATCH[2] - (BASH_REMATCH[6] - BASH_REMATCH[4]) / 2))
        ((dx * dx <= 1 && dy * dy <= 1)) || { echo "FAIL: window $((i + 1)) is not centred"; failures=$((failures + 1)); }
      fi
      ;;
    message:*)
      title=${want#message:}
      title=${title%%:*}
      text=${want#message:*:}
      [[ $line == "MESSAGE title=$title text=$text" ]] ||
        { echo "FAIL: window $((i + 1)) is not the message \"$title\": \"$text\""; failures=$((failures + 1)); }
      ;;
    *)
      echo "FAIL: window $((i + 1)) was not expected"
      failures=$((failures + 1))
      ;;
  esac
done

if ((failures == 0)); then
  echo "RUN: PASS"
  exit 0
fi
exit 1
