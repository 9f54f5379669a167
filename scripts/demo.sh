#!/usr/bin/env bash
# The main job: prints the three sample labels and shows where the label images are.
#
# 1. The native host calls the control's portable entry points directly (fast): labels in
#    out/native.
# 2. The real thing under Wine: the Windows control (VantoryActiveX.ocx) and the virtual label
#    engine's COM server (VirtualLabelEngine.dll, as "Dymo.LabelEngine") are registered in a
#    private Wine prefix, and a VBScript host (examples/print-samples.vbs) prints the three
#    samples through the control under Xvfb. The engine records each label's description;
#    render-label draws it: out/wine/label-NNNN.png.
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

echo "== building the 32-bit control and the virtual label engine server (win32)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target VantoryActiveX VirtualLabelEngine
control=build/win32/bin/VantoryActiveX.ocx
engine=build/win32/bin/VirtualLabelEngine.dll

wine_out="$out/wine"
mkdir -p -- "$wine_out"
windows_path() { printf 'Z:%s' "$(realpath -- "$1" | sed 's|/|\\|g')"; }
echo "== printing the samples from VBScript through the 32-bit control under 32-bit Wine (labels in $wine_out)"
# wine-run.sh registers both files in a private copy of the build's prefix, which it
# removes afterwards with its wineserver and Xvfb.
set +e
output=$(scripts/wine-run.sh --prefix build/win32/wineprefix --arch i386 --xvfb --register "$control" --register "$engine" \
  --host bash -c 'VANTORY_LABEL_DIR=$1 "$WINE" cscript //nologo "$2"' cscript \
  "$(windows_path "$wine_out")" "$(windows_path examples/print-samples.vbs)" 2>&1 | tr -d '\r')
status=$?
set -e
echo "$output"
if ((status == 77)); then
  echo "demo: no route runs 32-bit Wine on this machine, so the 32-bit control could NOT run ($(bash scripts/wine-route.sh show))" >&2
  exit 1
fi
if ((status != 0)) || [[ $(tail -n 1 <<<"$output") != "RESULT: PASS" ]]; then
  echo "demo: the samples did not print under Wine" >&2
  exit 1
fi

echo "== drawing the recorded labels"
drawn=()
for description in "$wine_out"/label-*.json; do
  [[ -e ${description%.json}.png ]] || drawn+=("$description")
done
if ((${#drawn[@]} > 0)); then
  "$render" "${drawn[@]}" >/dev/null
fi
echo "Labels printed through the control under Wine, drawn as the printer would print them:"
for description in "${drawn[@]}"; do
  echo "  ${description%.json}.png"
done
