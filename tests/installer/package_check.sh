#!/usr/bin/env bash
# VantoryActiveX.msi read with msitools, without installing it: a per-machine 32-bit package by
# "Vantory" at the control file's own version with the fixed UpgradeCode; in
# ProgramFilesFolder\Vantory the control, the print service and the built-in label engine, each
# in a component and feature of its own, byte for byte the built files (next to OCX); registry
# rows only under HKCR in the control's component, and the service's login start; the engine
# installed only where no other class holds "Dymo.LabelEngine" and registered by regsvr32;
# every running service ended on uninstalling and upgrading.
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
  "$(printf '%s\t%s\t%s;' INSTALLDIR ProgramFilesFolder Vantory ProgramFilesFolder TARGETDIR . SystemFolder TARGETDIR . \
       TARGETDIR '' SourceDir | sed 's/;$//')"
built=$(dirname -- "$ocx")
size() { stat -c %s -- "$built/$1"; }
expect "the files, their components, sizes and versions (File)" "$(table File | cut -f 1-5 | sort | paste -sd ';' -)" \
  "$(printf '%s\t%s\t%s\t%s\t%s;' VantoryActiveX.ocx VantoryActiveX VantoryActiveX.ocx "$(size VantoryActiveX.ocx)" "$version" \
     VirtualLabelEngine.dll LabelEngine VirtualLabelEngine.dll "$(size VirtualLabelEngine.dll)" '' \
     vantory_service.exe PrintService vantory-service.exe "$(size vantory-service.exe)" '' | sed 's/;$//')"
expect "the components, in INSTALLDIR with their file as key, the engine's only where the ProgID is free or ours (Component)" \
  "$(table Component | cut -f 1,3,5,6 | sort | paste -sd ';' -)" \
  "$(printf '%s\t%s\t%s\t%s;' LabelEngine INSTALLDIR \
       'NOT LABEL_ENGINE_CLASS OR LABEL_ENGINE_CLASS = "{8114E17F-2D24-4F9A-828B-E820285CB5C4}"' VirtualLabelEngine.dll \
       PrintService INSTALLDIR '' vantory_service.exe VantoryActiveX INSTALLDIR '' VantoryActiveX.ocx | sed 's/;$//')"
expect "the features (FeatureComponents)" "$(table FeatureComponents | sort | paste -sd ';' -)" \
  "$(printf '%s\t%s;' LabelEngine LabelEngine PrintService PrintService VantoryActiveX VantoryActiveX | sed 's/;$//')"

registry=$(table Registry)
expect "the registry rows outside HKCR or the control's component" \
  "$(awk -F '\t' '$2 != 0 || $6 != "VantoryActiveX"' <<<"$registry" | cut -f 2-6)" \
  "$(printf '%s\t%s\t%s\t%s\t%s' 2 'Software\Microsoft\Windows\CurrentVersion\Run' 'Vantory print service' \
       '"[#vantory_service.exe]"' PrintService)"
if grep -qiE 'VirtualLabelEngine|Dymo\.LabelEngine' <<<"$registry"; then
  fail "expected the engine to register itself (regsvr32), got rows naming it in the Registry table"
fi
expect "the search for a registered \"Dymo.LabelEngine\" (RegLocator)" "$(table RegLocator | cut -f 1-3,5)" \
  "$(printf '%s\t%s\t%s\t%s' LabelEngineClass 0 'Dymo.LabelEngine\CLSID' 2)"
expect "the custom actions (CustomAction)" "$(table CustomAction | cut -f 1-4 | sort | paste -sd ';' -)" \
  "$(printf '%s\t%s\t%s\t%s;' \
       RegisterLabelEngine 3106 SystemFolder '"[SystemFolder]regsvr32.exe" /s "[INSTALLDIR]VirtualLabelEngine.dll"' \
       RollBackLabelEngine 3426 SystemFolder '"[SystemFolder]regsvr32.exe" /s /u "[INSTALLDIR]VirtualLabelEngine.dll"' \
       StopPrintService 3170 SystemFolder '"[SystemFolder]taskkill.exe" /F /IM vantory-service.exe' \
       UnregisterLabelEngine 3170 SystemFolder '"[SystemFolder]regsvr32.exe" /s /u "[INSTALLDIR]VirtualLabelEngine.dll"' |
     sed 's/;$//')"
# When each runs: the service ended before any file goes, the engine unregistered before its
# file goes and registered once it is there.
sequence=$(table InstallExecuteSequence)
sequence_of() { awk -F '\t' -v action="$1" '$1 == action { print $3 }' <<<"$sequence"; }
condition_of() { awk -F '\t' -v action="$1" '$1 == action { print $2 }' <<<"$sequence"; }
expect "when the service is ended" "$(condition_of StopPrintService)" "REMOVE OR WIX_UPGRADE_DETECTED"
(($(sequence_of InstallInitialize) < $(sequence_of StopPrintService) &&
  $(sequence_of StopPrintService) < $(sequence_of UnregisterLabelEngine) &&
  $(sequence_of UnregisterLabelEngine) < $(sequence_of RemoveFiles) &&
  $(sequence_of InstallFiles) < $(sequence_of RollBackLabelEngine) &&
  $(sequence_of RollBackLabelEngine) < $(sequence_of RegisterLabelEngine) &&
  $(sequence_of RegisterLabelEngine) < $(sequence_of InstallFinalize) &&
  $(sequence_of RemoveExistingProducts) < $(sequence_of InstallInitialize))) 2>/dev/null ||
  fail "expected InstallInitialize < StopPrintService < UnregisterLabelEngine < RemoveFiles, InstallFiles < RollBackLabelEngine < RegisterLabelEngine < InstallFinalize, got: $(paste -sd ' ' <<<"$sequence" | tr '\t' ':')"
expect "the engine's registration's conditions" \
  "$(condition_of UnregisterLabelEngine);$(condition_of RollBackLabelEngine);$(condition_of RegisterLabelEngine)" \
  '$LabelEngine = 2;$LabelEngine = 3;$LabelEngine = 3'
[[ -n $(sequence_of AppSearch) ]] && (($(sequence_of AppSearch) < $(sequence_of CostFinalize))) ||
  fail "expected AppSearch before CostFinalize (the component's condition reads what it found)"

extracted=$(mktemp -d)
trap 'rm -rf -- "$extracted"' EXIT
msiextract -C "$extracted" "$msi" >/dev/null 2>&1 || fail "msiextract cannot unpack $msi"
files=$(cd "$extracted" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | paste -sd ';' -)
expect "the files unpacked" "$files" \
  "Program Files/Vantory/VantoryActiveX.ocx;Program Files/Vantory/VirtualLabelEngine.dll;Program Files/Vantory/vantory-service.exe"
for file in VantoryActiveX.ocx VirtualLabelEngine.dll vantory-service.exe; do
  if [[ -f "$extracted/Program Files/Vantory/$file" ]] && ! cmp -s -- "$built/$file" "$extracted/Program Files/Vantory/$file"; then
    fail "expected the packaged $file to be the built one, got other bytes"
  fi
done

if ((failures == 0)); then
  echo "RESULT: PASS"
  exit 0
fi
echo "RESULT: FAIL ($failures)"
exit 1
