#!/usr/bin/env bash
# The private cupsd (scripts/private-cupsd.sh) from a checkout under a folder only root may
# enter, as a clone under /root (mode 0700) is: its LabelWriter driver runs as user lp and must
# still read the job and write the printer's file. A label printed with vantory-print --cups
# must reach the printer's file as LabelWriter bytes, the error log must show no refused access,
# and stopping the daemon must leave nothing of the run behind.
#
#   cupsd_any_folder.sh SOURCE_DIR VANTORY_PRINT
set -uo pipefail
source=$1
host_program=$2

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

home=$(mktemp -d)  # mode 0700, as /root
chmod 700 "$home"
checkout=$home/checkout
cupsd=$checkout/build/cupsd
script=$checkout/scripts/private-cupsd.sh
cleanup() {
  bash "$script" stop "$cupsd" >/dev/null 2>&1
  rm -rf -- "$home"
}
trap cleanup EXIT
mkdir -p "$checkout/scripts" "$checkout/build"
cp -- "$source/scripts/private-cupsd.sh" "$script"
echo "checkout: $checkout (under $(stat -c %a "$home"), owned by $(stat -c %U "$home"))"

bash "$script" start "$cupsd" || { echo "FAIL: the private cupsd did not start"; exit 1; }
bash "$script" queue "$cupsd" lw450 "DYMO LabelWriter 450" dymo:0/cups/model/lw450.ppd ||
  { echo "FAIL: the LabelWriter queue could not be added"; exit 1; }
run=$(readlink -- "$cupsd/run")
export CUPS_SERVER=$cupsd/cups.sock

echo "== vantory-print --cups --request examples/hospital.json"
output=$("$host_program" --cups --request "$source/examples/hospital.json" --output "$home/labels" 2>&1)
status=$?
echo "$output"
((status == 0)) || fail "expected vantory-print to print (exit 0), got exit code $status"

# The job leaves the queue once the driver has written the printer's file.
for _ in $(seq 300); do
  [[ -z $(lpstat -W not-completed -o lw450 2>/dev/null) ]] && break
  sleep 0.1
done
pending=$(lpstat -W not-completed -o lw450 2>/dev/null)
[[ -z $pending ]] || fail "expected the job to complete within 30 s, got still queued: $pending"
completed=$(lpstat -W completed -o lw450 2>/dev/null | wc -l)
((completed == 1)) || fail "expected one completed job, got $completed"
printed=$cupsd/out/lw450.prn
if [[ ! -s $printed ]]; then
  fail "expected the printer's file $printed to hold the label, got $( [[ -e $printed ]] && echo 'an empty file' || echo 'no file')"
elif [[ $(head -c 1 "$printed" | od -An -t x1 | tr -d ' ') != 1b ]]; then
  fail "expected LabelWriter bytes (starting with ESC) in $printed, got others"
else
  echo "printed: $(stat -c %s "$printed") bytes of LabelWriter commands"
fi
if grep -i 'permission denied' "$cupsd/log/error_log" 2>/dev/null; then
  fail "expected no refused access in the error log, got the lines above"
fi

echo "== private-cupsd.sh stop"
bash "$script" stop "$cupsd"
[[ ! -e $run ]] || fail "expected the run folder $run to be removed, got it left"
[[ ! -e $cupsd/run && ! -L $cupsd/run ]] || fail "expected no link to the run folder after stop, got one"
[[ -s $cupsd/log/error_log || -e $cupsd/log ]] || fail "expected the logs to stay in $cupsd/log, got none"

if ((failures == 0)); then
  echo "RESULT: PASS"
  exit 0
fi
echo "RESULT: FAIL ($failures)"
exit 1
