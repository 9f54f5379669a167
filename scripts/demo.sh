#!/usr/bin/env bash
# The main job: prints the three sample labels through the control onto the virtual label
# engine and shows where the label images are. Safe to run again; each run adds new images.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
out="${VANTORY_DEMO_DIR:-$PWD/out}"

echo "== building the native host"
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target vantory-print
host=build/native-release/tools/vantory-print/vantory-print

echo "== printing the sample requests with the native host (labels in $out/native)"
for sample in hospital physician generic; do
  echo "-- $sample"
  "$host" --request "examples/$sample.json" --output "$out/native"
done
