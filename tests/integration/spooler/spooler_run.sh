#!/usr/bin/env bash
# Prints the samples for real under Wine: VBScript (examples/print-sample.vbs) through the
# control, our label engine registered as "Dymo.LabelEngine" and Wine's spooler, to a private
# cupsd (scripts/private-cupsd.sh) with a LabelWriter 450 queue described "DYMO LabelWriter
# 450" and a generic PDF queue. Each label the LabelWriter receives is read back from its
# byte stream and compared (labelwriter_check) with the engine's record and with the Linux
# drawing; zbarimg scans it. A print that cannot happen (an unknown printer, a printer set to
# be used offline, a queue that refuses jobs) must return False, say why in the control's
# diagnostics, and print and record nothing; no label is ever printed twice.
# Runs inside wine-run.sh --host. Usage: spooler_run.sh WORK CHECKER PROBE
set -uo pipefail

work=$1 checker=$2 probe=$3
here=$(cd "$(dirname -- "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
source "$here/../script_host.sh"

source "$source_dir/scripts/wine-printing.sh"

# A daemon a killed run left in the folder about to be made anew.
bash "$source_dir/scripts/private-cupsd.sh" stop "$work/cupsd"
rm -rf -- "$work"
mkdir -p -- "$work/labels" "$work/heads"
probe_pid=
finish() {
  [[ -n $probe_pid ]] && kill "$probe_pid" 2>/dev/null
  printing_stop
}
trap finish EXIT
printing_start "$work" || exit 1
cupsd=$PRINTING_CUPSD
stream=$PRINTING_STREAM
export VANTORY_LABEL_DIR
VANTORY_LABEL_DIR=$(windows_path "$work/labels")

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The window probe closes the print window and the diagnostics' message boxes, and lists them.
probe_log=$work/probe.log
start_window_probe "$probe" "$probe_log" || exit 1

records() { find "$work/labels" -name 'label-*.json' | wc -l; }

# ---- the samples, each read back from what the LabelWriter received
for case in hospital:1 physician:2 generic:1 hospital:3; do
  sample=${case%%:*} copies=${case##*:}
  before_jobs=$(jobs_of LW450) before_records=$(records)
  : > "$stream"
  started=$(date +%s%N)
  result=$(print_sample "$sample" "DYMO LabelWriter 450" "$copies" false)
  [[ $result == True ]] || { fail "$sample x $copies: the control answered ${result:-nothing}, not True"; continue; }
  wait_idle LW450 || { fail "$sample x $copies: the LW450 queue did not finish the job"; continue; }
  echo "$sample x $copies: printed; the job done $((($(date +%s%N) - started) / 1000000)) ms after the call began"
  (($(jobs_of LW450) == before_jobs + 1)) || fail "$sample x $copies: $(($(jobs_of LW450) - before_jobs)) jobs, 1 expected"
  (($(records) == before_records + 1)) || fail "$sample x $copies: $(($(records) - before_records)) records, 1 expected"
  record=$(printf '%s/labels/label-%04d' "$work" $((before_records + 1)))
  grep -q '"destination": "LW450"' "$record.json" || fail "$sample x $copies: the record names no LW450 job"
  name=$sample-$copies
  "$WINE" "$checker" "$(windows_path "$stream")" "$(windows_path "$work/heads")" \
    "$name|$copies|$(windows_path "$record.json")|$(windows_path "$record.png")|$(windows_path "$source_dir/tests/engine/golden/$sample.png")" \
    >"$work/check.raw" 2>&1
  tr -d '\r' <"$work/check.raw" | tee "$work/check.log"
  [[ $(tail -n 1 "$work/check.log") == "RESULT: PASS" ]] || fail "$sample x $copies: the printed label is not the drawn one"
  # The LabelWriter's 30334 labels take the HOSPITAL label as it lies: its dots land where the
  # CUPS sink puts them.
  [[ $sample != hospital ]] || grep -q 'where the CUPS sink puts it' "$work/check.log" ||
    fail "$sample x $copies: the label did not land where the CUPS sink puts it"
  want=9003948343
  [[ $sample == generic ]] && want=S42-7
  scanned=$(zbarimg --quiet --raw "$work/heads/$name.png" 2>/dev/null)
  [[ $scanned == "$want" ]] || fail "$sample x $copies: the printed bar code reads \"$scanned\", not \"$want\""
done

# The job's name carries the bar code.
titles=$(ls "$cupsd"/run/spool/c* 2>/dev/null | xargs -r strings 2>/dev/null | grep -c 'Vantory label 9003948343')
((titles >= 3)) || fail "the HOSPITAL and PHYSICIAN jobs are not named \"Vantory label 9003948343\""

# ---- another driver: the generic PDF printer (its papers include the 30334 label) by its queue name
before_jobs=$(jobs_of PDF)
result=$(print_sample hospital PDF 1 false)
[[ $result == True ]] || fail "the HOSPITAL label on the PDF printer: the control answered ${result:-nothing}"
wait_idle PDF || fail "the PDF queue did not finish the job"
(($(jobs_of PDF) == before_jobs + 1)) || fail "the PDF printer got $(($(jobs_of PDF) - before_jobs)) jobs, 1 expected"
grep -a -q '%PDF-' "$cupsd/out/PDF.prn" 2>/dev/null || fail "the PDF printer wrote no PDF"

# ---- prints that cannot happen: False, the reason in the diagnostics, nothing printed or recorded
# refused WHAT EXPECTED-DETAILS-GLOB: the HOSPITAL sample with the diagnostics on.
refused() {
  local printer=$1 what=$2 details=$3 before_jobs before_records result seen
  before_jobs=$(($(jobs_of LW450) + $(jobs_of PDF))) before_records=$(records)
  : > "$probe_log.mark"
  local lines_before
  lines_before=$(grep -c -E '^(WINDOW|MESSAGE) ' "$probe_log")
  result=$(print_sample hospital "$printer" 1 true)
  [[ $result == False ]] || fail "$what: the control answered ${result:-nothing}, not False"
  sleep 1
  seen=$(grep -E '^MESSAGE ' "$probe_log" | tr -d '\r' | tail -n +1 | grep 'title=Details Info!' | tail -n 1)
  (($(grep -c -E '^(WINDOW|MESSAGE) ' "$probe_log") > lines_before)) || fail "$what: no diagnostics shown"
  # shellcheck disable=SC2053
  [[ $seen == "MESSAGE title=Details Info! text=Exception: 482 Printer error: the label could not be printed: "$details ]] ||
    fail "$what: the diagnostics say \"$seen\""
  echo "$what: False; ${seen#*text=}"
  sleep 2
  (($(jobs_of LW450) + $(jobs_of PDF) == before_jobs)) || fail "$what: a job reached CUPS"
  (($(records) == before_records)) || fail "$what: a label was recorded"
}

refused "No Such Printer" "unknown printer" \
  'no Windows printer is named "No Such Printer"; the printers are: *LW450 ("DYMO LabelWriter 450")*'
# "Use Printer Offline", as Windows offers it (Wine keeps no paused state for CUPS queues).
"$WINE" reg add 'HKLM\System\CurrentControlSet\Control\Print\Printers\LW450' /v Attributes /t REG_DWORD /d 1024 /f >/dev/null 2>&1
refused "DYMO LabelWriter 450" "printer offline" 'the Windows printer "LW450" is set to be used offline'
"$WINE" reg add 'HKLM\System\CurrentControlSet\Control\Print\Printers\LW450' /v Attributes /t REG_DWORD /d 0 /f >/dev/null 2>&1
# A queue that refuses the job: the spooler fails it while it is written.
cupsreject LW450
refused "DYMO LabelWriter 450" "queue refusing jobs" 'the spooler did not finish the job: *'
cupsaccept LW450

# Afterwards the printer prints again, once.
: > "$stream"
before_jobs=$(jobs_of LW450)
result=$(print_sample generic "DYMO LabelWriter 450" 1 false)
[[ $result == True ]] || fail "after the refusals: the control answered ${result:-nothing}"
wait_idle LW450 || fail "after the refusals: the job did not finish"
(($(jobs_of LW450) == before_jobs + 1)) || fail "after the refusals: $(($(jobs_of LW450) - before_jobs)) jobs, 1 expected"

if ((failures == 0)); then
  echo "RUN: PASS"
  exit 0
fi
echo "RUN: FAIL ($failures)"
exit 1
