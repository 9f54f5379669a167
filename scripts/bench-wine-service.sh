#!/usr/bin/env bash
# The Windows print service's figures under Wine, for scripts/bench.sh: runs inside
# wine-run.sh --host with the virtual label engine registered as "Dymo.LabelEngine".
# vantory-service.exe prints every PrintLabels through the engine's COM object on its
# apartment thread; the engine only records (--record-only), as the Linux service's
# --record-only does, so that service-bench (a Linux program) can account for every label.
# Usage: bench-wine-service.sh SERVICE_EXE SERVICE_BENCH REQUEST
set -uo pipefail
service_exe=$1 bench=$2 request=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/vantory-bench.XXXXXX")
service=
trap '[[ -z $service ]] || kill "$service" 2>/dev/null; wait 2>/dev/null; rm -rf -- "$work"' EXIT

"$WINE" "$service_exe" --port 0 --record-only --output "$work/out" --token-file "$work/token" >"$work/service.log" 2>&1 &
service=$!
port=
for _ in $(seq 600); do
  port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\).*|\1|p' "$work/service.log")
  [[ -n $port ]] && break
  kill -0 "$service" 2>/dev/null || break
  sleep 0.1
done
if [[ -z $port ]]; then
  echo "bench-wine-service: the service did not start:" >&2
  cat "$work/service.log" >&2
  exit 1
fi
"$bench" --port "$port" --labels "$work/out" --token "$work/token" --request "$request"
