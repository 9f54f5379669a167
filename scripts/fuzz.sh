#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer, UBSan) and runs every fuzz
# target for SECONDS (default 20) on its seed corpus, two at a time, then prints a table:
# target, executions, coverage (cov and ft from libFuzzer's final stats), crashes. Exits
# non-zero when any target crashed; the crashing input is in build/fuzz/tests/fuzz/runs/.
#
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
bash scripts/setup.sh

cmake --preset fuzz -DVANTORY_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build --preset fuzz --target fuzz_targets
runs=build/fuzz/tests/fuzz/runs
rm -rf "$runs"
status=0
ctest --preset fuzz || status=$?

echo
printf '%-20s %12s %8s %8s %8s\n' target executions cov ft crashes
for summary in "$runs"/*/summary; do
  [ -e "$summary" ] || continue
  read -r name executions cov ft crashes <"$summary"
  printf '%-20s %12s %8s %8s %8s\n' "$name" "$executions" "$cov" "$ft" "$crashes"
done
exit "$status"
