#!/usr/bin/env bash
# regsvr32 registration and unregistration of the control, checked in the registry.
# Runs inside wine-run.sh --host (WINE and WINEPREFIX set). Usage: registration.sh OCX ARCH
set -uo pipefail

ocx=$1
arch=$2  # win32 or win64: the type library's platform key
readonly clsid='{EBD06589-AF80-4F10-8349-F2159BA43EE8}'
readonly libid='{E55AD738-62E0-46EF-96A0-C84288444810}'
readonly iid='{A0881F5F-AAEB-44D3-A895-D5F057D26EB9}'
readonly progid='VantoryActiveX.ZuzuravuDazeza'
readonly automation_marshaller='{00020424-0000-0000-C000-000000000046}'
readonly foreign='{0BADF00D-0000-4000-8000-00000000CAFE}'
file="Z:$(realpath -- "$ocx" | sed 's|/|\\|g')"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One Wine process lists every key the checks look at (each reg.exe of its own would cost
# far more): the keys in full, as `reg query /s` prints them.
snapshot=
take_snapshot() {
  local commands=() key
  for key in "$@"; do commands+=("reg query $key /s"); done
  local joined
  printf -v joined '%s & ' "${commands[@]}"
  snapshot=$("$WINE" cmd /c "${joined% & }" 2>/dev/null | tr -d '\r')
}
ours=("HKCR\\CLSID\\$clsid" "HKCR\\$progid" "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid")

# The lines of one key in the snapshot: its header, then its values up to the blank line.
key_lines() {
  KEY="HKEY_CLASSES_ROOT\\${1#HKCR\\}" awk '$0 == ENVIRON["KEY"] { inside = 1; next } inside && $0 == "" { exit } inside { print }' <<<"$snapshot"
}
has_key() { grep -qxF -- "HKEY_CLASSES_ROOT\\${1#HKCR\\}" <<<"$snapshot"; }

# expect_value KEY NAME VALUE: NAME is "(Default)" for the default value.
expect_value() { key_lines "$1" | grep -qxF -- "    $2    REG_SZ    $3" || fail "$1: $2 is not \"$3\""; }
expect_key() { has_key "$1" || fail "$1 is missing"; }
expect_no_key() { ! has_key "$1" || fail "$1 is still there"; }

expect_registered() {
  expect_value "HKCR\\CLSID\\$clsid" "(Default)" "$progid"
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" "(Default)" "$file"
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" "ThreadingModel" "Apartment"
  expect_key "HKCR\\CLSID\\$clsid\\Control"
  expect_value "HKCR\\CLSID\\$clsid\\ProgID" "(Default)" "$progid"
  expect_value "HKCR\\CLSID\\$clsid\\TypeLib" "(Default)" "$libid"
  expect_value "HKCR\\$progid\\CLSID" "(Default)" "$clsid"
  expect_value "HKCR\\TypeLib\\$libid\\1.1" "(Default)" "Vantory ActiveX Control for Orbanet"
  expect_value "HKCR\\TypeLib\\$libid\\1.1\\409\\$arch" "(Default)" "$file"
  expect_value "HKCR\\Interface\\$iid" "(Default)" "_ZuzuravuDazeza"
  expect_value "HKCR\\Interface\\$iid\\ProxyStubClsid32" "(Default)" "$automation_marshaller"
  expect_value "HKCR\\Interface\\$iid\\TypeLib" "(Default)" "$libid"
}

expect_unregistered() {
  expect_no_key "HKCR\\CLSID\\$clsid"
  expect_no_key "HKCR\\TypeLib\\$libid"
  expect_no_key "HKCR\\Interface\\$iid"
}

register() { "$WINE" regsvr32 /s "$file" || fail "regsvr32 exited with $?"; }
unregister() { "$WINE" regsvr32 /u /s "$file" || fail "regsvr32 /u exited with $?"; }

# Another class's keys, which unregistering must leave alone.
"$WINE" cmd /c "reg add HKCR\\CLSID\\$foreign\\InprocServer32 /ve /d other.dll /f & \
reg add HKCR\\VantoryActiveX.Other\\CLSID /ve /d $foreign /f" >/dev/null 2>&1

echo "registering"
register
take_snapshot "${ours[@]}"
expect_registered
echo "registering again"
register
take_snapshot "${ours[@]}"
expect_registered
[[ $(grep -cF "HKEY_CLASSES_ROOT\\CLSID\\$clsid" <<<"$snapshot") == 6 ]] || fail "the class key has other subkeys than expected"

echo "unregistering"
unregister
take_snapshot "${ours[@]}" "HKCR\\CLSID\\$foreign" "HKCR\\VantoryActiveX.Other"
expect_unregistered
expect_no_key "HKCR\\$progid"
expect_key "HKCR\\CLSID\\$foreign\\InprocServer32"
expect_value "HKCR\\VantoryActiveX.Other\\CLSID" "(Default)" "$foreign"

echo "unregistering what is not registered"
unregister

echo "a ProgID taken over by another class is not ours to remove"
register
"$WINE" reg add "HKCR\\$progid\\CLSID" /ve /d "$foreign" /f >/dev/null
unregister
take_snapshot "${ours[@]}"
expect_unregistered
expect_value "HKCR\\$progid\\CLSID" "(Default)" "$foreign"

if ((failures == 0)); then
  echo "RESULT: PASS"
  exit 0
fi
echo "RESULT: FAIL ($failures)"
exit 1
