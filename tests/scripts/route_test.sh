#!/usr/bin/env bash
# How 32-bit Wine is chosen to run (scripts/wine-route.sh), and what the test command does
# without a route. The kernel's refusal is real: a stand-in loader whose ELF header names no
# machine, which the kernel refuses with "Exec format error" as a kernel without IA-32
# emulation refuses the 32-bit loader. Each case chooses into a folder of its own.
#
#   route_test.sh SOURCE_DIR TEMPLATE_PREFIX CONTROL WORK_DIR
#
# Then, on the qemu-user route chosen that way, the real 32-bit control is registered and its
# registration read back by a second 32-bit Windows program that Wine starts through the
# route's wrapper; both run under qemu-i386.
set -uo pipefail
source=$1
template=$2
control=$3
work=$4
route_script=$source/scripts/wine-route.sh
wine_run=$source/scripts/wine-run.sh

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

rm -rf -- "$work"
mkdir -p -- "$work/bin"
# Refused by the kernel: /bin/true with its ELF machine field (bytes 18-19) zeroed.
refused=$work/bin/refused-loader
cp /bin/true "$refused"
printf '\0\0' | dd of="$refused" bs=1 seek=18 conv=notrunc status=none
chmod 755 "$refused"
# A qemu-i386 too old for Wine (Debian 12's own is 7.2).
old_qemu=$work/bin/qemu-i386-7.2
printf '#!/bin/sh\necho "qemu-i386 version 7.2.0 (Debian 1:7.2+dfsg-7+deb12u18)"\n' >"$old_qemu"
chmod 755 "$old_qemu"
# A stand-in cmake: the test command must stop before it builds anything.
printf '#!/bin/sh\necho "stand-in cmake: the test command went on to build" >&2\nexit 97\n' >"$work/bin/cmake"
chmod 755 "$work/bin/cmake"

# The run's own choices (a route forced for the whole test run, say) must not reach the cases.
clean_env() {
  env -u VANTORY_WINE32_ROUTE -u VANTORY_WINE32_PROBE -u VANTORY_QEMU_I386 -u VANTORY_WINE32 \
    -u VANTORY_ALLOW_SKIPPED_PRODUCT -u VANTORY_FUZZ_SECONDS "$@"
}

# case NAME EXPECTED_EXIT EXPECTED_OUTPUT ENV... -- COMMAND...: runs COMMAND with ENV and a
# route folder of its own; its exit code and a line of its output (a grep -E pattern) must match.
run_case() {
  local name=$1 expected_exit=$2 expected_output=$3 environment=() output status
  shift 3
  while [[ $1 != -- ]]; do environment+=("$1"); shift; done
  shift
  output=$(clean_env VANTORY_WINE_ROUTE_DIR="$work/route-$name" "${environment[@]}" "$@" 2>&1)
  status=$?
  if ((status != expected_exit)) || ! grep -qE -- "$expected_output" <<<"$output"; then
    fail "$name: expected exit $expected_exit and a line matching \"$expected_output\", got exit $status:"
    sed 's/^/    /' <<<"$output"
  else
    echo "ok: $name: $(grep -E -- "$expected_output" <<<"$output" | head -n 1)"
  fi
}

no_qemu=VANTORY_QEMU_I386=$work/bin/no-such-qemu-i386
probe=VANTORY_WINE32_PROBE=$refused
#        name                     exit  output                                                         environment -- command
run_case this-host                0 "route: (native|qemu-user) \("                                      -- bash "$route_script" choose
run_case forced-qemu              0 "route: qemu-user \(forced"                    VANTORY_WINE32_ROUTE=qemu-user -- bash "$route_script" choose
run_case refused-takes-qemu       0 "route: qemu-user \(this kernel refuses to execute 32-bit programs" "$probe" -- bash "$route_script" choose
run_case refused-no-qemu          0 "route: none \(.*qemu-i386 is not installed"   "$probe" "$no_qemu" -- bash "$route_script" choose
run_case refused-old-qemu         0 "route: none \(.*version 7\.2\.0; Wine needs qemu-user 10"  "$probe" VANTORY_QEMU_I386="$old_qemu" -- bash "$route_script" choose
run_case loader-missing           1 "ERROR: the 32-bit Wine loader .* is missing" VANTORY_WINE32="$work/bin/no-such-wine" -- bash "$route_script" choose
run_case forced-native-refused    1 "ERROR: VANTORY_WINE32_ROUTE=native, but this kernel refuses" "$probe" VANTORY_WINE32_ROUTE=native -- bash "$route_script" choose
run_case forced-qemu-missing      1 "ERROR: VANTORY_WINE32_ROUTE=qemu-user, but qemu-i386 is not installed" "$no_qemu" VANTORY_WINE32_ROUTE=qemu-user -- bash "$route_script" choose
run_case forced-unknown           1 "ERROR: VANTORY_WINE32_ROUTE=qemu: a forced route is" VANTORY_WINE32_ROUTE=qemu -- bash "$route_script" choose
# Without a route a 32-bit program is skipped (77, which ctest shows as skipped) ...
run_case no-route-skips          77 "wine-run: SKIPPED: .* no route runs 32-bit Wine here" "$probe" "$no_qemu" -- \
  bash "$wine_run" --prefix "$work/no-prefix" --arch i386 --prepare
# ... a broken loader is an error, not a skip ...
run_case broken-loader-fails      1 "is missing"                                   VANTORY_WINE32="$work/bin/no-such-wine" -- \
  bash "$wine_run" --prefix "$work/no-prefix" --arch i386 --prepare
# ... and the test command, and CI's, fail at once, before building anything, unless a person allows it.
run_case test-command-fails       1 "test: FAILED: no route runs 32-bit Wine"      "$probe" "$no_qemu" PATH="$work/bin:$PATH" -- \
  bash "$source/scripts/test.sh"
run_case ci-fails                 1 "test: FAILED: no route runs 32-bit Wine"      "$probe" "$no_qemu" PATH="$work/bin:$PATH" -- \
  bash "$source/.ci/run"
run_case allowed-goes-on          1 "stand-in cmake: the test command went on to build" "$probe" "$no_qemu" PATH="$work/bin:$PATH" \
  VANTORY_ALLOW_SKIPPED_PRODUCT=1 VANTORY_FUZZ_SECONDS=1 -- bash "$source/scripts/test.sh"

# The qemu-user route chosen for a refused loader runs the real 32-bit control: regsvr32
# registers it, and reg.exe, started by Wine through the route's wrapper, reads it back.
echo "== on the qemu-user route: regsvr32 of the control, then reg query in a process Wine starts"
output=$(clean_env VANTORY_WINE_ROUTE_DIR="$work/route-refused-takes-qemu" VANTORY_WINE32_PROBE="$refused" \
  bash "$wine_run" --prefix "$template" --arch i386 --register "$control" --host bash -c '
    echo "loader: $WINE"
    "$WINE" cmd /c "reg query HKCR\VantoryActiveX.ZuzuravuDazeza\CLSID" 2>&1 | tr -d "\r"
    # What runs in this prefix: each process with its program and its command line.
    for process in /proc/[0-9]*; do
      { tr "\0" "\n" <"$process/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null || continue
      echo "process: $(readlink "$process/exe") | $(tr "\0" " " <"$process/cmdline" 2>/dev/null)"
    done' 2>&1)
status=$?
echo "$output"
((status == 0)) || fail "qemu-user route: expected the run to succeed, got exit code $status"
grep -qx "loader: $work/route-refused-takes-qemu/qemu/lib/wine/wine-q" <<<"$output" ||
  fail "qemu-user route: expected WINE to be the route's wrapper"
grep -q '{EBD06589-AF80-4F10-8349-F2159BA43EE8}' <<<"$output" ||
  fail "qemu-user route: expected reg query to read the control's CLSID registered by regsvr32"
# Windows processes show a Windows path (C:\windows\...) in their command line.
windows_processes=$(grep -F ':\' <<<"$output" | grep -c '^process: ' || true)
native_ones=$(grep -F ':\' <<<"$output" | grep '^process: ' | grep -vc '^process: /usr/bin/qemu-i386 | ' || true)
((windows_processes > 0 && native_ones == 0)) ||
  fail "qemu-user route: expected every Windows process under qemu-i386, got $native_ones of $windows_processes otherwise"

if ((failures == 0)); then
  echo "RESULT: PASS"
  exit 0
fi
echo "RESULT: FAIL ($failures)"
exit 1
