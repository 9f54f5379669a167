#!/usr/bin/env bash
# Every test: the portable core and the virtual engine natively (AddressSanitizer, UBSan),
# then the Windows builds: the 32-bit control's own checks, and the Wine tests on the
# 64-bit build of the same sources. Installs what it needs first; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

presets=(native win32 win64)
for preset in "${presets[@]}"; do
  grep -q "\"name\": \"$preset\"" CMakePresets.json || continue
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: tests"
  ctest --preset "$preset"
done
