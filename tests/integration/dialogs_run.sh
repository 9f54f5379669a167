#!/usr/bin/env bash
# Runs a VBScript whose print calls show the settings dialogs under Wine's cscript, with
# dialogs_driver playing the user from outside: the script's lines "'@ STEP" are the
# driver's steps, in order (see dialogs_driver.cpp). Checks the script's verdict (its last
# line must read "RESULT: PASS"), the driver's, and each dialog's slide-out as the X server
# saw it: the window re-centred vertically, then its left edge at 1000, 2000, ... twips
# until it had passed the screen's width plus its own, every position in order.
#
# The virtual label engine, registered next to the control, records the labels in a fresh
# LABEL_FOLDER: each "'$ label-NNNN.json TEXT" line of the script names a text the recorded
# label must hold, each "'! label-NNNN.json TEXT" one it must not.
#
# Pictures of the windows (the driver's "snap" steps) are left as ARTIFACT_FOLDER/NAME.png.
# Runs inside wine-run.sh --host. Usage: dialogs_run.sh SCRIPT DRIVER ARTIFACT_FOLDER LABEL_FOLDER
set -uo pipefail

script=$1
driver=$2
artifacts=$3
labels=$4
source "$(dirname -- "$0")/script_host.sh"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

work=$(mktemp -d)
recorder_pid= driver_pid= script_pid=
cleanup() {
  for pid in $recorder_pid $driver_pid $script_pid; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf -- "$work"
}
trap cleanup EXIT
mkdir -p -- "$artifacts"

# Every window move, from the X server's side.
command -v xev >/dev/null || { echo "FAIL: xev is missing (Debian package x11-utils)"; exit 1; }
stdbuf -oL xev -root -event substructure >"$work/x.log" 2>/dev/null &
recorder_pid=$!
# The recorder has written every event before a window of ours that it reports: the X
# server delivers them in order.
catch_up() {
  local before
  before=$(grep -c CreateNotify "$work/x.log")
  until (($(grep -c CreateNotify "$work/x.log") > before)); do
    kill -0 "$recorder_pid" 2>/dev/null || { echo "FAIL: xev stopped"; exit 1; }
    timeout 0.3 xev -geometry 1x1+0+0 >/dev/null 2>&1
  done
}
catch_up

mapfile -t steps < <(sed -n "s/^'@ //p" "$script" | tr -d '\r')
"$WINE" "$driver" "$(windows_path "$artifacts")" "$(windows_path "$work/script-ended")" "${steps[@]}" \
  >"$work/driver.log" 2>/dev/null &
driver_pid=$!
until grep -q READY "$work/driver.log" 2>/dev/null; do
  kill -0 "$driver_pid" 2>/dev/null || { echo "FAIL: the driver did not start"; exit 1; }
  sleep 0.05
done

rm -rf -- "$labels"
mkdir -p -- "$labels"
VANTORY_LABEL_DIR=$(windows_path "$labels") run_cscript "$script" >"$work/script.log" 2>&1 &
script_pid=$!

# The driver plays its steps, then closes whatever else opens (a failure) until the script
# has ended.
wait "$script_pid"
touch "$work/script-ended"
wait "$driver_pid"
script_pid= driver_pid=
catch_up
kill "$recorder_pid" 2>/dev/null
wait "$recorder_pid" 2>/dev/null
recorder_pid=

output=$(tr -d '\r' <"$work/script.log")
echo "$output"
tr -d '\r' <"$work/driver.log"
[[ $(tail -n 1 <<<"$output") == "RESULT: PASS" ]] || fail "the script did not pass"
[[ $(tr -d '\r' <"$work/driver.log" | tail -n 1) == "DRIVER: PASS" ]] || fail "the driver did not pass"

# Each dialog's moves as the X server reported them: "x y" per ConfigureNotify, repeats
# (restacking only) left out.
moves_of() {
  awk -v id="$1" 'BEGIN { RS = "" }
    /^ConfigureNotify/ {
      gsub(/\n/, " ")
      if (!match($0, /window 0x[0-9a-f]+, \(-?[0-9]+,-?[0-9]+\)/)) next
      field = substr($0, RSTART, RLENGTH)
      split(field, parts, /[ ,()]+/)
      if (parts[2] != id) next
      move = parts[3] " " parts[4]
      if (move != last) print move
      last = move
    }' "$work/x.log"
}

slides=0
while read -r line; do
  slides=$((slides + 1))
  [[ $line =~ form=([A-Za-z]+)\ xwindow=(0x[0-9a-f]+)\ left=(-?[0-9]+)\ top=(-?[0-9]+)\ width=([0-9]+)\ height=([0-9]+)\ screen=([0-9]+)x([0-9]+)\ dpi=([0-9]+)x([0-9]+) ]] ||
    { fail "unreadable: $line"; continue; }
  # Re-centred vertically: where the dialog stood when shown, centred by the same rule.
  form=${BASH_REMATCH[1]} xwindow=${BASH_REMATCH[2]} left=${BASH_REMATCH[3]} top=${BASH_REMATCH[4]}
  width=${BASH_REMATCH[5]} screen_width=${BASH_REMATCH[7]} dpi_x=${BASH_REMATCH[9]}
  expected=$(awk -v s="$screen_width" -v w="$width" -v dpi="$dpi_x" -v top="$top" -v left="$left" 'BEGIN {
      limit = (s + w) * 1440 / dpi
      print left " " top
      for (x = 1000; x - 1000 <= limit; x += 1000) print int(x * dpi / 1440 + 0.5) " " top
    }')
  count=$(wc -l <<<"$expected")
  seen=$(moves_of "$xwindow" | tail -n "$count")
  if [[ $seen != "$expected" ]]; then
    fail "$form ($xwindow) did not slide out as expected; last moves seen:"
    paste <(echo "$expected") <(echo "$seen") | sed 's/^/  expected, seen: /'
  else
    echo "SLIDE OK: $form $((count - 1)) steps from $left to $(tail -n 1 <<<"$expected" | cut -d' ' -f1)"
  fi
done < <(tr -d '\r' <"$work/driver.log" | grep '^SLIDE ')
((slides > 0)) || fail "no dialog was seen closing"

# What the engine printed.
while read -r name text; do
  if [[ ! -f $labels/$name ]]; then
    fail "$name was not recorded"
  elif ! grep -qF -- "$text" "$labels/$name"; then
    fail "$name does not hold $text"
  fi
done < <(sed -n "s/^'\\$ //p" "$script" | tr -d '\r')
while read -r name text; do
  if [[ -f $labels/$name ]] && grep -qF -- "$text" "$labels/$name"; then fail "$name holds $text"; fi
done < <(sed -n "s/^'! //p" "$script" | tr -d '\r')
expected_labels=$(sed -n "s/^'\\$ \(label-[0-9]*\.json\) .*/\1/p" "$script" | sort -u | tr -d '\r')
recorded_labels=$(cd "$labels" && ls -1 -- *.json 2>/dev/null)
[[ $recorded_labels == "$expected_labels" ]] ||
  fail "labels recorded: ${recorded_labels//$'\n'/ }; expected: ${expected_labels//$'\n'/ }"

for picture in "$artifacts"/*.bmp; do
  [[ -e $picture ]] || continue
  if convert "$picture" "${picture%.bmp}.png"; then
    rm -f -- "$picture"
    echo "PICTURE ${picture%.bmp}.png"
  else
    fail "cannot convert $picture"
  fi
done

if ((failures == 0)); then
  echo "RUN: PASS"
  exit 0
fi
exit 1
