#!/usr/bin/env bash
# Prints the benchmark's figures per label: an optimised build, then the control's own work,
# in-process rendering, the native host process, printing through a private cupsd, and zint's and glabels-3-batch's command
# lines on the same label side by side. Installs what it needs (glabels, zint) itself.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for tool in glabels-3-batch zint; do
  command -v "$tool" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    glabels zint >/dev/null
done
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target label-bench vantory-print
build/native-release/tools/label-bench/label-bench --host build/native-release/tools/vantory-print/vantory-print \
  --request examples/hospital.json --glabels tools/label-bench/hospital.glabels --cupsd scripts/private-cupsd.sh "$@"
