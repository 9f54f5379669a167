#!/usr/bin/env bash
# The Wine half of the soak: one 32-bit host process under Wine makes CALLS print calls
# (default 300; HOSPITAL, PHYSICIAN and GENERIC in turn) through the control onto the
# registered virtual label engine, and records after each call the process's GDI and USER
# object counts and its private bytes. Prints the table and a summary (start, after the
# warm-up, peak, last, growth per call); the whole output is kept in out/soak/wine-soak.txt.
# Exits non-zero when a call did not print or the GDI or USER count grew after the warm-up
# (memory growth is reported, not judged). Builds the win32 preset's three targets first.
#
#   bash scripts/soak-wine.sh [CALLS]
set -euo pipefail
cd "$(dirname "$0")/.."
calls=${1:-300}
[[ $calls =~ ^[1-9][0-9]*$ ]] || { echo "usage: soak-wine.sh [CALLS]" >&2; exit 2; }

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target VantoryActiveX VirtualLabelEngine wine_soak >/dev/null

bin=build/win32/bin
mkdir -p out/soak
set +e
VANTORY_RECORD_ONLY=1 bash scripts/wine-run.sh --prefix build/win32/wineprefix --arch i386 --xvfb \
  --register "$bin/VirtualLabelEngine.dll" "$bin/wine_soak.exe" "$bin/VantoryActiveX.ocx" "$PWD/out/soak/labels" "$calls" |
  tr -d '\r' | tee out/soak/wine-soak.txt
status=${PIPESTATUS[0]}
set -e
exit "$status"
