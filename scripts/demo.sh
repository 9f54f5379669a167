#!/usr/bin/env bash
# The main job: prints the three sample labels and shows where the label images are.
#
# 1. The native host calls the control's portable entry points directly (fast): labels in
#    out/native.
# 2. The real thing under Wine: the Windows control (VantoryActiveX.ocx) and our label
#    engine's COM server (VirtualLabelEngine.dll, as "Dymo.LabelEngine") are registered in a
#    private Wine prefix, and a VBScript host (examples/print-sample.vbs) prints each sample
#    through the control under Xvfb. The engine draws the label with GDI, records it
#    (out/wine/label-NNNN.png and .json) and prints it through Wine's spooler to a private
#    cupsd's LabelWriter 450 queue (the real LabelWriter driver, writing to a file). The
#    LabelWriter's bytes are read back into the label its head burns,
#    out/wine/SAMPLE-printed.png, shown beside the engine's picture in
#    out/wine/SAMPLE-side-by-side.png and scanned.
#
# Uses the product itself: the 32-bit control and the 32-bit engine server, under 32-bit
# Wine, on the route setup chose (scripts/wine-route.sh: natively, or under qemu-user where
# the kernel refuses 32-bit programs). Safe to run again; each run adds new labels.
# VANTORY_DEMO_DIR replaces out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
out="${VANTORY_DEMO_DIR:-$PWD/out}"

echo "== building the native host and render-label"
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target vantory-print render-label
host=build/native-release/programs/vantory-print/vantory-print
render=build/native-release/tools/render-label/render-label

echo "== printing the sample requests with the native host (labels in $out/native)"
for sample in hospital physician generic; do
  echo "-- $sample"
  "$host" --request "examples/$sample.json" --output "$out/native"
done

echo "== building the 32-bit control and the label engine server (win32)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target VantoryActiveX VirtualLabelEngine labelwriter_check
control=build/win32/bin/VantoryActiveX.ocx
engine=build/win32/bin/VirtualLabelEngine.dll

wine_out="$out/wine"
mkdir -p -- "$wine_out"
echo "== printing the samples from VBScript through the 32-bit control, our engine and Wine's spooler"
echo "   to a private cupsd's LabelWriter 450 queue (labels in $wine_out)"
# wine-run.sh registers both files in a private copy of the build's prefix, which it
# removes afterwards with its wineserver and Xvfb.
set +e
scripts/wine-run.sh --prefix build/win32/wineprefix --arch i386 --xvfb --register "$control" --register "$engine" \
  --host bash scripts/demo-wine-print.sh "$(realpath -- "$wine_out")" build/win32/bin/labelwriter_check.exe
status=$?
set -e
if ((status == 77)); then
  echo "demo: no route runs 32-bit Wine on this machine, so the 32-bit control could NOT run ($(bash scripts/wine-route.sh show))" >&2
  exit 1
fi
if ((status != 0)); then
  echo "demo: the samples did not print under Wine as they should" >&2
  exit 1
fi
