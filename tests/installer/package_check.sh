#!/usr/bin/env bash
# VantoryActiveX.msi read with msitools, without installing it: a per-machine 32-bit package by
# "Vantory" at the control file's own version with the fixed UpgradeCode, the control alone
# (no virtual label engine) in ProgramFilesFolder\Vantory, byte for byte the built file, and
# registry rows only under HKCR, in the control's component.
# Usage: package_check.sh MSI OCX VERSION UPGRADE_CODE WINEDUMP
set -uo pipefail

msi=$1
ocx=$2
version=$3
upgrade_code=$4
winedump=$5

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# expect WHAT GOT EXPECTED
expect() { [[ $2 == "$3" ]] || fail "expected $1 \"$3\", got \"$2\""; }

# A table's rows (msiinfo's export without its three header lines), tab-separated.
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }
property() { table Property | awk -F '\t' -v name="$1" '$1 == name { print $2 }'; }

# The control file's version, from the VS_FIXEDFILEINFO of its version resource.
file_version() {
  local hex ms ls
  hex=$("$winedump" dump -j resource "$ocx" 2>/dev/null | awk '
    /^  VERSION Name=0001/ { inside = 1; next }
    inside && /^  [^ ]/ { exit }
    inside && /^    [0-9a-f]+:/ { line = substr($0, 15, 47); gsub(/[- ]/, "", line); printf "%s", line }')
  hex=${hex#*bd04effe}
  [[ ${#hex} -ge 24 ]] || return 0
  le32() { echo $((16#${1:6:2}${1:4:2}${1:2:2}${1:0:2})); }
  ms=$(le32 "${hex:8:8}")
  ls=$(le32 "${hex:16:8}")
  echo "$((ms >> 16)).$((ms & 0xFFFF)).$((ls >> 16)).$((ls & 0xFFFF))"
}

msiinfo tables "$msi" >/dev/null 2>&1 || { echo "FAIL: msiinfo cannot read $msi"; exit 1; }

expect "the control file's version (the product's)" "$(file_version)" "$version"
expect "ProductVersion" "$(property ProductVersion)" "$version"
expect "Manufacturer" "$(property Manufacturer)" "Vantory"
expect "UpgradeCode" "$(property UpgradeCode)" "$upgrade_code"
expect "ALLUSERS (a per-machine install)" "$(property ALLUSERS)" "1"
[[ $(property ProductCode) =~ ^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$ ]] ||
  fail "expected a ProductCode, got \"$(property ProductCode)\""
expect "the platform and language (Template)" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')" "Intel;1033"

expect "the folders (Directory)" "$(table Directory | sort | paste -sd ';' -)" \
  "$(printf '%s\t%s\t%s;' INSTALLDIR ProgramFilesFolder Vantory ProgramFilesFolder TARGETDIR . TARGETDIR '' SourceDir | sed 's/;$//')"
expect "the one file, its size and version (File)" "$(table File | cut -f 1-5 | paste -sd ';' -)" \
  "$(printf '%s\t%s\t%s\t%s\t%s' VantoryActiveX.ocx VantoryActiveX VantoryActiveX.ocx "$(stat -c %s -- "$ocx")" "$version")"
expect "the component, in INSTALLDIR with the file as its key (Component)" \
  "$(table Component | cut -f 1,3,6 | paste -sd ';' -)" "$(printf '%s\t%s\t%s' VantoryActiveX INSTALLDIR VantoryActiveX.ocx)"

registry=$(table Registry)
expect "the registry rows outside HKCR or the control's component" \
  "$(awk -F '\t' '$2 != 0 || $6 != "VantoryActiveX"' <<<"$registry")" ""
for table_name in File Registry Component; do
  if table "$table_name" | grep -qiE 'VirtualLabelEngine|Dymo\.LabelEngine'; then
    fail "expected no trace of the virtual label engine, got some in the $table_name table"
  fi
done

extracted=$(mktemp -d)
trap 'rm -rf -- "$extracted"' EXIT
msiextract -C "$extracted" "$msi" >/dev/null 2>&1 || fail "msiextract cannot unpack $msi"
files=$(cd "$extracted" && find . -type f | sed 's|^\./||' | sort | paste -sd ';' -)
expect "the files unpacked" "$files" "Program Files/Vantory/VantoryActiveX.ocx"
if [[ -f "$extracted/Program Files/Vantory/VantoryActiveX.ocx" ]] &&
  ! cmp -s -- "$ocx" "$extracted/Program Files/Vantory/VantoryActiveX.ocx"; then
  fail "expected the packaged VantoryActiveX.ocx to be the built one, got other bytes"
fi

if ((failures == 0)); then
  echo "RESULT: PASS"
  exit 0
fi
echo "RESULT: FAIL ($failures)"
exit 1
