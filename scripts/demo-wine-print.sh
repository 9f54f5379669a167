#!/usr/bin/env bash
# The demo's printing under Wine (scripts/demo.sh runs it inside wine-run.sh --host, with the
# 32-bit control and the 32-bit engine registered): each sample through the control, our
# engine and Wine's spooler to a private cupsd's LabelWriter 450 queue; the LabelWriter's bytes
# are read back into the label its head burns (labelwriter_check), put beside the engine's own
# picture of the label, and scanned.
# Usage: demo-wine-print.sh OUT CHECKER
set -uo pipefail
out=$1 checker=$2
here=$(cd "$(dirname -- "$0")" && pwd)
source "$here/../tests/integration/script_host.sh"
source "$here/wine-printing.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/vantory-demo.XXXXXX")
trap 'printing_stop; rm -rf -- "$work"' EXIT
printing_start "$work" || exit 1
export VANTORY_LABEL_DIR
VANTORY_LABEL_DIR=$(windows_path "$out")

status=0
for sample in hospital physician generic; do
  before=$(find "$out" -name 'label-*.json' | wc -l)
  : > "$PRINTING_STREAM"
  started=$(date +%s%N)
  result=$(print_sample "$sample")
  if [[ $result != True ]] || ! wait_idle LW450; then
    echo "$sample: the control answered ${result:-nothing}; nothing printed"
    status=1
    continue
  fi
  record=$(find "$out" -name 'label-*.json' -newer "$work/generic-label.ppd" | sort | tail -n 1)
  record=${record%.json}
  copies=$(sed -n 's/^  "copies": \([0-9]*\),/\1/p' "$record.json")
  echo "$sample: True; LW450 finished the job $((($(date +%s%N) - started) / 1000000)) ms after the call began"
  "$WINE" "$checker" "$(windows_path "$PRINTING_STREAM")" "$(windows_path "$out")" \
    "$sample-printed|$copies|$(windows_path "$record.json")|$(windows_path "$record.png")|$(windows_path "$here/../tests/engine/golden/$sample.png")" \
    >"$work/check.log" 2>&1 || status=1
  tr -d '\r' <"$work/check.log" | grep -v '^RESULT: PASS$' | sed 's/^/  /'
  echo "  the printed bar code reads: $(zbarimg --quiet --raw "$out/$sample-printed.png" 2>/dev/null)"
  # The engine's picture (left) beside what the printer's head burnt (right).
  convert "$record.png" -bordercolor gray60 -border 2 \( "$out/$sample-printed.png" -bordercolor gray60 -border 2 \) \
    -background white -splice 0x0 +append "$out/$sample-side-by-side.png" 2>/dev/null
  echo "  engine's picture: $record.png"
  echo "  from the printer's bytes: $out/$sample-printed.png"
  echo "  side by side: $out/$sample-side-by-side.png"
  (($(find "$out" -name 'label-*.json' | wc -l) == before + 1)) || status=1
done
exit $status
