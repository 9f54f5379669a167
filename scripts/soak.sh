#!/usr/bin/env bash
# Soak runs: many print requests in one long-lived process, resident memory sampled after a
# warm-up and at the end; figures only, no timed assertions. Installs what it needs first.
#
#   bash scripts/soak.sh    # SOAK_REQUESTS=N: native requests (100000); SOAK_WINE_CALLS=N: Wine calls (300)
set -euo pipefail
cd "$(dirname "$0")/.."

# ---- Native: the control's entry points on the real virtual engine, in one Linux process ----
native_soak() {
  local requests=${SOAK_REQUESTS:-100000}
  echo "== native soak"
  cmake --preset native-release >/dev/null
  cmake --build --preset native-release --target native_soak
  # Every label serialised as the Windows engine records it ...
  build/native-release/tests/soak/native_soak --requests "$requests"
  # ... and drawn and encoded as the native engine's picture too.
  build/native-release/tests/soak/native_soak --requests "$requests" --render
}

bash scripts/setup.sh
native_soak
# ---- Under 32-bit Wine: the 32-bit control in one host process (GDI, USER, private bytes) ----
echo "== Wine soak"
bash scripts/soak-wine.sh "${SOAK_WINE_CALLS:-300}"
