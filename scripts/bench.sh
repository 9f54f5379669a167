#!/usr/bin/env bash
# Prints the benchmark's figures: an optimised build, then per label the control's own work,
# in-process rendering, the native host process, printing through a private cupsd, and zint's
# and glabels-3-batch's command lines on the same label side by side; then the print service
# under load; then the Windows engine under 32-bit Wine (GDI drawing, printing through Wine's
# spooler); and the print service on Windows under 64-bit Wine. Installs what it needs (glabels,
# zint) itself.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for tool in glabels-3-batch zint; do
  command -v "$tool" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    glabels zint >/dev/null
done
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target label-bench vantory-print vantory-service service-bench
build/native-release/tools/label-bench/label-bench --host build/native-release/programs/vantory-print/vantory-print \
  --request examples/hospital.json --glabels tools/label-bench/hospital.glabels --cupsd scripts/private-cupsd.sh "$@"

# The print service recording only: latency per label over keep-alive at 1 and 8 clients,
# labels per second, and every recorded label checked against the requests answered. Each
# label's two files are created in its turn, so it runs twice: with the label folder on
# disk, as a workstation keeps it, and in memory (/dev/shm), which shows the service
# without the file system's share.
service= labels=
trap '[ -z "$service" ] || kill "$service" 2>/dev/null; [ -z "$labels" ] || rm -rf "$labels"' EXIT
service_bench() {  # FOLDER_PARENT WHERE
  labels=$(mktemp -d -p "$1")
  build/native-release/programs/vantory-service/vantory-service --port 0 --record-only --output "$labels/out" \
    --token-file "$labels/token" >"$labels/service.log" &
  service=$!
  local port=
  until port=$(grep -o '127.0.0.1:[0-9]*' "$labels/service.log" | cut -d: -f2) && [ -n "$port" ]; do
    kill -0 "$service" || { cat "$labels/service.log"; exit 1; }
    sleep 0.1
  done
  echo
  echo "vantory-service (record-only, labels $2, port $port):"
  build/native-release/tools/service-bench/service-bench --port "$port" --labels "$labels/out" \
    --token "$labels/token" --request examples/hospital.json
  kill "$service"
  wait "$service" 2>/dev/null || true
  rm -rf "$labels"
  service= labels=
}
service_bench "${TMPDIR:-/tmp}" "on disk"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then service_bench /dev/shm "in memory"; fi

# The Windows label engine under 32-bit Wine, beside the Linux figures above: drawing with GDI,
# and a print through Wine's spooler to a private cupsd's LabelWriter 450 queue.
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target engine-bench >/dev/null
echo
echo "The Windows label engine (32-bit, under 32-bit Wine; Wine's spooler to a private cupsd's LW450 queue):"
scripts/wine-run.sh --prefix build/win32/wineprefix --arch i386 --host bash scripts/bench-wine.sh \
  build/win32/bin/engine-bench.exe

# The print service on Windows under 64-bit Wine, the same load as above: every PrintLabels goes
# through the label engine's COM object on the service's apartment thread (the engine records
# only, as image mode does). Wine's figures, not Windows'.
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target vantory-service VirtualLabelEngine >/dev/null
echo
echo "vantory-service.exe (64-bit, under 64-bit Wine; through \"Dymo.LabelEngine\", recording only, labels on disk):"
scripts/wine-run.sh --prefix build/win64/wineprefix --arch x86_64 --register build/win64/bin/VirtualLabelEngine.dll \
  --host bash scripts/bench-wine-service.sh build/win64/bin/vantory-service.exe \
  build/native-release/tools/service-bench/service-bench examples/hospital.json 2> >(grep -v "^0x" >&2)
echo "goal under Wine for PrintLabels through the COM engine: 1 client p50 < 10 ms; none lost or duplicated"
