#!/usr/bin/env bash
# vantory-service.exe under Wine, with our label engine registered as "Dymo.LabelEngine"
# (--record-only) and Wine's spooler listing a private cupsd's queues (LW450, "DYMO
# LabelWriter 450", and a generic PDF queue):
#   - the access token is made in a file private to the user, and local programs present it;
#   - /v1/printers lists the spooler's printers with their state; a printer set to be used
#     offline is listed stopped and a print to it is refused (503 PRINTER_UNAVAILABLE) with
#     nothing recorded; back online it prints;
#   - then the JavaScript client's tests and the browser test, the same as against the Linux
#     service, each starting the Windows service itself.
# Runs inside wine-run.sh --host. Usage: windows_service_run.sh WORK SERVICE NODE ARTIFACTS
set -uo pipefail

work=$1 service_exe=$2 node=$3 artifacts=$4
here=$(cd "$(dirname -- "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
source "$source_dir/scripts/wine-printing.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

rm -rf -- "$work"
mkdir -p -- "$work"
printing_start "$work" || { echo "FAIL: the private cupsd did not start"; exit 1; }
# The engine records only (--record-only); printing through Wine's spooler is spooler_printing's test.
service_pid=
cleanup() {
  [[ -n $service_pid ]] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
  printing_stop
}
trap cleanup EXIT

# The service as the JavaScript tests start it: a program taking the service's options.
wrapper=$work/vantory-service
printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$WINE" "$service_exe" > "$wrapper"
chmod +x "$wrapper"

labels=$work/labels
token_file=$work/state/access-token
"$wrapper" --port 0 --record-only --output "$labels" --token-file "$token_file" > "$work/service.out" 2>&1 &
service_pid=$!
port=
for _ in $(seq 300); do
  port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\).*|\1|p' "$work/service.out")
  [[ -n $port ]] && break
  kill -0 "$service_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -z $port ]]; then
  echo "FAIL: the service did not start:"; cat "$work/service.out"; exit 1
fi
url=http://127.0.0.1:$port
token=$(tr -d '\r\n' <"$token_file" 2>/dev/null)
[[ $token =~ ^[0-9a-f]{64}$ ]] && pass "the access token was made" || fail "no access token in $token_file: '$token'"
bearer=("-H" "Authorization: Bearer $token")

# check WHAT JS: runs JS (a function body given the answer's `status` and parsed `body`,
# returning an error message or nothing) on curl's answer to the rest of the arguments.
check() {
  local what=$1 script=$2
  shift 2
  local answer status
  answer=$(curl -s -w '\n%{http_code}' "${bearer[@]}" "$@" 2>&1)
  status=${answer##*$'\n'}
  if message=$(printf '%s' "${answer%$'\n'*}" | "$node" -e "
      const text = require('fs').readFileSync(0, 'utf8'); const status = $status;
      let body; try { body = JSON.parse(text); } catch { body = text; }
      const problem = (() => { $script })();
      if (problem) { console.log(problem + ': ' + status + ' ' + text.slice(0, 400)); process.exit(1); }"); then
    pass "$what"
  else
    fail "$what: $message"
  fi
}
json_of() { "$node" -e "console.log(JSON.stringify(require('$source_dir/examples/$1.json').arguments))"; }
hospital=$(json_of hospital)
recorded() { find "$labels" -name 'label-*.json' 2>/dev/null | wc -l; }

check "the status says it records only" '
  if (body.printing !== "record-only" || body.recordOnly !== true || body.cups !== false || body.port !== '"$port"')
    return "wrong status";' "$url/v1/status"
check "the printers are Wine's spooler's, from the private cupsd" '
  const lw = body.printers.find((p) => p.name === "LW450");
  if (body.mode !== "record-only") return "mode " + body.mode;
  if (!lw) return "no LW450";
  if (lw.description !== "DYMO LabelWriter 450" || lw.state !== "idle" || lw.reasons.length !== 0 || !lw.acceptingJobs)
    return "LW450 listed wrongly";
  if (!body.printers.some((p) => p.name === "PDF")) return "no PDF queue";
  if (body.printers.filter((p) => p.default).length !== 1) return "not one default printer";' "$url/v1/printers"

# "Use Printer Offline", as Windows offers it (Wine keeps no paused state for CUPS queues).
"$WINE" reg add 'HKLM\System\CurrentControlSet\Control\Print\Printers\LW450' /v Attributes /t REG_DWORD /d 1024 /f >/dev/null 2>&1
check "a printer used offline is listed stopped" '
  const lw = body.printers.find((p) => p.name === "LW450");
  if (lw.state !== "stopped" || !lw.reasons.includes("offline-report")) return "LW450 not stopped";' "$url/v1/printers"
check "a print to it is refused before the engine is driven" '
  if (status !== 503 || body.error.code !== "PRINTER_UNAVAILABLE") return "not refused";
  if (!/set to be used offline/.test(body.error.message)) return "the reason is not given";' \
  -X POST -H 'Content-Type: application/json' --data "$hospital" "$url/v1/PrintLabels"
(($(recorded) == 0)) && pass "the refused print recorded nothing" || fail "the refused print recorded a label"
"$WINE" reg add 'HKLM\System\CurrentControlSet\Control\Print\Printers\LW450' /v Attributes /t REG_DWORD /d 0 /f >/dev/null 2>&1
check "back online, the same print prints one label" '
  if (status !== 200 || body.result !== true || body.recordOnly !== true || body.labels.length !== 1) return "not printed";
  if (!/^label-0001-[0-9a-f]{32}$/.test(body.labels[0].id)) return "a guessable name";' \
  -X POST -H 'Content-Type: application/json' --data "$hospital" "$url/v1/PrintLabels"
(($(recorded) == 1)) && pass "one label recorded" || fail "$(recorded) labels recorded, not 1"
kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null; service_pid=

# The JavaScript client's tests and the browser test, unchanged, against the Windows service.
for suite in client browser; do
  if (cd "$source_dir/clients/js" && VANTORY_SERVICE=$wrapper VANTORY_SERVICE_PLATFORM=windows VANTORY_ARTIFACTS=$artifacts \
        "$node" --test "test/$suite.test.js") > "$work/$suite.log" 2>&1; then
    pass "the $suite tests against the Windows service ($(grep -E '^# (pass|fail)' "$work/$suite.log" | tr '\n' ' '))"
  else
    fail "the $suite tests against the Windows service:"
    cat "$work/$suite.log"
  fi
done

if ((failures > 0)); then
  echo "windows_service: $failures checks FAILED"
  exit 1
fi
echo "windows_service: every check passed"
