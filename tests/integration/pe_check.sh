#!/usr/bin/env bash
# Checks the control file without running it: machine type, exports and resources.
# Usage: pe_check.sh OCX i386|x86_64 OBJDUMP WINEDUMP
set -uo pipefail

ocx=$1
machine=$2
objdump=$3
winedump=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$ocx") || { echo "FAIL: $objdump cannot read $ocx"; exit 1; }
case $machine in
  i386) format="pei-i386" ;;
  x86_64) format="pei-x86-64" ;;
esac
grep -q "file format $format" <<<"$headers" || fail "not a $format file"
sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -qx $'\tDLL' || fail "not flagged as a DLL"

# Exactly the four entry points, by their plain names.
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | sed -n 's/^\s*\[\s*[0-9]*\] //p' | sort)
expected=$(printf '%s\n' DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
[[ $exports == "$expected" ]] || fail "exports are: $(tr '\n' ' ' <<<"$exports")"

# Resources: the type library as TYPELIB 1, the version information.
resources=$("$winedump" dump -j resource "$ocx" 2>/dev/null)
grep -q 'L"TYPELIB" Name=0001' <<<"$resources" || fail "no resource TYPELIB 1"
grep -q '^  VERSION Name=0001' <<<"$resources" || fail "no version resource"
grep -q '^  BITMAP ' <<<"$resources" || fail "no bitmap for the print window"
grep -q '^  GROUP_ICON ' <<<"$resources" || fail "no icon for the print window"

# The bytes of one resource, as a continuous hex string.
resource_hex() {
  awk -v header="$1" '
    index($0, header) == 1 { inside = 1; next }
    inside && /^  [^ ]/ { exit }
    inside && /^    [0-9a-f]+:/ { line = substr($0, 15, 47); gsub(/[- ]/, "", line); printf "%s", line }
  ' <<<"$resources"
}
typelib=$(resource_hex '  L"TYPELIB" Name=0001')
[[ $typelib == 4d534654* ]] || fail "TYPELIB 1 is not a type library (MSFT)"
# Its header: locale 0x409 at byte 12, the platform in the low bits of byte 20 (1 for 32-bit,
# 3 for 64-bit Windows), version 1.1 at byte 24.
case $machine in
  i386) syskind=1 ;;
  x86_64) syskind=3 ;;
esac
[[ ${typelib:24:8} == 09040000 ]] || fail "the type library's locale is not 0x409"
(((0x${typelib:40:2} & 0xF) == syskind)) || fail "the type library is not built for $machine"
[[ ${typelib:48:8} == 01000100 ]] || fail "the type library's version is not 1.1"
version=$(resource_hex '  VERSION Name=0001')
# VS_FIXEDFILEINFO from its signature: structure version 1.0, then the file and the product
# version, each as the little-endian words 1.3 and 0.5.
fixed=bd04effe''00000100''03000100''05000000''03000100''05000000
grep -q "$fixed" <<<"$version" || fail "the file version is not 1.3.0.5"
utf16() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n' | sed 's/../&00/g'; }
grep -q "$(utf16 OLESelfRegister)" <<<"$version" || fail "no OLESelfRegister in the version information"
grep -qE "$(utf16 FileVersion)(0000)+$(utf16 1.3.0.5)0000" <<<"$version" || fail "FileVersion string is not 1.3.0.5"

if ((failures == 0)); then
  echo "RESULT: PASS"
  exit 0
fi
exit 1
