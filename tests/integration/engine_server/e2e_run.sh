#!/usr/bin/env bash
# Runs a VBScript or JScript host under Wine's cscript with the virtual label engine
# recording into a fresh folder, then checks the script's verdict (its last line must read
# "RESULT: PASS": cscript exits 0 even when a script dies) and the labels recorded: exactly
# label-0001.json ... in the order given, each byte for byte equal to its expected file.
# Runs inside wine-run.sh --host. Usage: e2e_run.sh SCRIPT LABEL_FOLDER [EXPECTED.json...]
set -uo pipefail

script=$1
folder=$2
shift 2
expected=("$@")
source "$(dirname -- "$0")/../script_host.sh"

rm -rf -- "$folder"
mkdir -p -- "$folder"

output=$(VANTORY_LABEL_DIR=$(windows_path "$folder") run_cscript "$script" 2>&1 | tr -d '\r')
echo "$output"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
[[ $(tail -n 1 <<<"$output") == "RESULT: PASS" ]] || fail "the script did not pass"

mapfile -t recorded < <(cd "$folder" && ls -1 -- *.json 2>/dev/null)
((${#recorded[@]} == ${#expected[@]})) ||
  fail "${#recorded[@]} labels recorded (${recorded[*]:-none}), ${#expected[@]} expected"
for i in "${!expected[@]}"; do
  name=$(printf 'label-%04d.json' $((i + 1)))
  if [[ ! -f $folder/$name ]]; then
    fail "$name was not recorded"
  elif ! diff -u -- "${expected[$i]}" "$folder/$name"; then
    fail "$name differs from $(basename -- "${expected[$i]}")"
  fi
done

if ((failures == 0)); then
  echo "RUN: PASS (${#expected[@]} labels as expected in $folder)"
  exit 0
fi
exit 1
