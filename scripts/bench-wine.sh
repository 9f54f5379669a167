#!/usr/bin/env bash
# The Windows label engine's figures under Wine, for scripts/bench.sh: runs inside
# wine-run.sh --host. engine-bench draws the HOSPITAL sample with GDI and prints it through
# Wine's spooler to a private cupsd's LabelWriter 450 queue (scripts/wine-printing.sh).
# Usage: bench-wine.sh ENGINE_BENCH [ROUNDS]
set -uo pipefail
bench=$1 rounds=${2:-21}
here=$(cd "$(dirname -- "$0")" && pwd)
source "$here/../tests/integration/script_host.sh"
source "$here/wine-printing.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/vantory-bench.XXXXXX")
trap 'printing_stop; rm -rf -- "$work"' EXIT
printing_start "$work" >/dev/null || exit 1
"$WINE" "$bench" "$(windows_path "$here/../tests/engine/golden/hospital.json")" --printer LW450 \
  --stream "$(windows_path "$PRINTING_STREAM")" --rounds "$rounds" >"$work/bench.log" 2>&1
status=$?
tr -d '\r' <"$work/bench.log"
exit $status
