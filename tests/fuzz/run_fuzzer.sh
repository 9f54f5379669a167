#!/usr/bin/env bash
# Runs one fuzz target for a while on its seed corpus and prints one summary line (also
# left in WORKDIR/summary):
#   fuzz-summary: TARGET EXECUTIONS COV FT CRASHES
# Exits non-zero when the target crashed (the input is kept in WORKDIR/artifacts).
#
#   run_fuzzer.sh BINARY SEED_CORPUS DICTIONARY SECONDS WORKDIR
set -uo pipefail
binary=$1 seeds=$2 dictionary=$3 seconds=$4 work=$5
name=$(basename "$binary" _fuzzer)
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
# fontconfig, glib and pango keep process-wide caches that LeakSanitizer would report.
export LSAN_OPTIONS="suppressions=$here/../lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# New inputs go to the work folder; the seed corpus in the source tree stays as it is.
"$binary" "$work/corpus" "$seeds" -dict="$dictionary" -max_total_time="$seconds" -timeout=60 \
  -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$work/artifacts/" >"$work/log" 2>&1
status=$?

executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' | tail -1)
last=$(grep -E '^#[0-9]+' "$work/log" | tail -1)
cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*')
ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*')
crashes=$(find "$work/artifacts" -type f | wc -l)
if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
echo "$name ${executions:-?} ${cov:-?} ${ft:-?} $crashes" >"$work/summary"
echo "fuzz-summary: $(cat "$work/summary")"
if [ "$crashes" -ne 0 ]; then
  echo "$name crashed (exit $status); inputs in $work/artifacts; the end of its log:"
  tail -60 "$work/log"
  exit 1
fi
