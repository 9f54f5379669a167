#!/usr/bin/env bash
# vantory-print loads libcups only for a run that uses CUPS: it is not linked with it, and
# neither --help nor printing a label as an image loads it; --list-printers does (and tells
# that no server listens).
#
#   loads_what_it_uses.sh VANTORY_PRINT REQUEST.json SCRATCH_FOLDER
set -euo pipefail
host=$1 request=$2 scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch"
failed=0
check() {  # WHAT EXPECTED(yes|no) COMMAND...
  local what=$1 expected=$2
  shift 2
  local trace
  trace=$(LD_DEBUG=files "$@" 2>&1 >/dev/null || true)
  local loaded=no
  grep -q 'file=libcups\.so\.2' <<<"$trace" && loaded=yes
  if [[ $loaded == "$expected" ]]; then
    echo "ok: $what: libcups loaded: $loaded"
  else
    echo "FAIL: $what: libcups loaded: $loaded, expected $expected"
    failed=1
  fi
}
if readelf -d "$host" | grep -q 'NEEDED.*libcups'; then
  echo "FAIL: $host is linked with libcups"
  failed=1
fi
check "--help" no "$host" --help
check "a label as an image" no "$host" --request "$request" --output "$scratch/labels"
check "--list-printers" yes env CUPS_SERVER="$scratch/nobody-listens.sock" "$host" --list-printers
[[ -f $scratch/labels/label-0001.png ]] || { echo "FAIL: the label was not printed"; failed=1; }
exit $failed
