#!/usr/bin/env bash
# VantoryActiveX.msi under 32-bit Wine, every part in a fresh prefix (wine-run.sh gives each
# run a private copy of the build's template prefix).
#
#   installer_test.sh lifecycle WINE_RUN TEMPLATE_PREFIX MSI OCX WORK_DIR
#     Runs two prefixes itself. In the first, OCX is copied to C:\Program Files\Vantory\ and
#     registered with regsvr32: the reference. In the second: msiexec /i into another
#     INSTALLDIR is refused; msiexec /i /qn installs the file and writes exactly the reference's
#     keys; a second install changes nothing; msiexec /x /qn leaves no key, file or folder.
#   installer_test.sh upgrade MSI LATER_MSI OCX WORK_DIR
#     Inside wine-run.sh --host: LATER_MSI (the same package at a later version) replaces an
#     installed MSI and writes the same keys; MSI is then refused as a downgrade; uninstalling
#     LATER_MSI leaves nothing.
#   installer_test.sh print MSI SCRIPT LABEL_DIR EXPECTED_LABEL
#     Inside wine-run.sh --host, with the virtual label engine registered: msiexec /i /qn, then
#     SCRIPT (a VBScript host) prints through the installed control; exactly one label is
#     recorded in LABEL_DIR, equal to EXPECTED_LABEL.
#   installer_test.sh service MSI LATER_MSI NODE PAGE_CHECK WORK_DIR
#     Inside wine-run.sh --host: with a vendor's "Dymo.LabelEngine" registered, the package
#     leaves it alone (no built-in engine installed, the vendor's keys intact after uninstalling).
#     Then, in a prefix without one: installing registers the built-in engine and the login
#     start and starts nothing; with lab IT's %ProgramData%\Vantory\service.json in place, a
#     login (wineboot, which runs the Run key as Windows does at login) starts the service
#     hidden; PAGE_CHECK (node) prints the HOSPITAL sample from a page of the allowed origin
#     (True, one label recorded by the engine) and is refused (403) from another origin; the
#     upgrade to LATER_MSI ends the running service first; uninstalling, with the service
#     started again, ends it and leaves no file, registry key or process.
#
# The registry is compared as `reg export` writes our four keys (its UTF-16 read as text, line
# endings normalised, nothing else), with a diff on failure. Each failure reads "expected ...,
# got ..."; the last line is the verdict. Exit 77 (skipped) when Wine cannot run 32-bit code.
set -uo pipefail

readonly clsid='{EBD06589-AF80-4F10-8349-F2159BA43EE8}'
readonly progid='VantoryActiveX.ZuzuravuDazeza'
readonly libid='{E55AD738-62E0-46EF-96A0-C84288444810}'
readonly iid='{A0881F5F-AAEB-44D3-A895-D5F057D26EB9}'
readonly our_keys=("HKCR\\CLSID\\$clsid" "HKCR\\$progid" "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid")
readonly control_name='VantoryActiveX.ocx'
readonly installed_control='C:\Program Files\Vantory\VantoryActiveX.ocx'
# The package's three files, as `LC_ALL=C ls` lists them, each the built file of that name.
readonly installed_files='VantoryActiveX.ocx VirtualLabelEngine.dll vantory-service.exe'
readonly engine_clsid='{8114E17F-2D24-4F9A-828B-E820285CB5C4}'
readonly run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
readonly run_value='Vantory print service'

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
verdict() {
  if ((failures == 0)); then
    echo "RESULT: PASS"
    exit 0
  fi
  echo "RESULT: FAIL ($failures)"
  exit 1
}
windows_path() { printf 'Z:%s' "$(realpath -m -- "$1" | sed 's|/|\\|g')"; }
# The product's code, from the package's Property table.
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F '\t' '$1 == "ProductCode" { print $2 }'; }

# ---- Inside a prefix (WINE and WINEPREFIX set by wine-run.sh) ---------------------------

vantory_folder() { printf '%s' "$WINEPREFIX/drive_c/Program Files/Vantory"; }

# dump_registry OUT [PRODUCT_CODE...]: our keys as `reg export` writes them, one after the
# other, "(no key K)" for each one missing; then whether each product is registered with
# Windows Installer (its Uninstall key). One Wine process exports them all.
dump_registry() {
  local out=$1 exports=() keys=("${our_keys[@]}") code i
  shift
  for code in "$@"; do keys+=("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code"); done
  local folder
  folder=$(mktemp -d)
  for i in "${!keys[@]}"; do exports+=("reg export ${keys[$i]} $(windows_path "$folder/$i.reg") /y"); done
  local joined
  printf -v joined '%s & ' "${exports[@]}"
  "$WINE" cmd /c "${joined% & }" >/dev/null 2>&1
  {
    for i in "${!our_keys[@]}"; do
      if [[ -f $folder/$i.reg ]]; then
        iconv -f UTF-16 -t UTF-8 "$folder/$i.reg" | tr -d '\r'
      else
        echo "(no key ${keys[$i]})"
      fi
    done
    for ((i = ${#our_keys[@]}; i < ${#keys[@]}; i++)); do
      code=${keys[$i]##*\\}
      if [[ -f $folder/$i.reg ]]; then echo "product $code: installed"; else echo "product $code: not installed"; fi
    done
  } >"$out"
  rm -rf -- "$folder"
}

# expect_same_file EXPECTED GOT WHAT: the two dumps are identical, or the diff is shown.
expect_same_file() {
  local difference
  difference=$(diff -u --label "expected: $(basename -- "$1")" --label "got: $(basename -- "$2")" -- "$1" "$2") && return 0
  fail "$3; the difference:"
  sed 's/^/    /' <<<"$difference"
}

expect_grep() {  # FILE LINE WHAT: the dump holds LINE
  grep -qxF -- "$2" "$1" || fail "expected $3 ($2), got: $(grep -F 'product ' "$1" | paste -sd ';' -)"
}

# msiexec EXPECTED_CODE WHAT ARGS...: runs msiexec /qn ARGS and checks its exit code, which
# reaches Linux as its low 8 bits (1603, ERROR_INSTALL_FAILURE, as 67).
msiexec_expect() {
  local expected=$1 what=$2 status
  shift 2
  "$WINE" msiexec "$@" /qn >/dev/null 2>&1
  status=$?
  ((status == expected % 256)) ||
    fail "$what: expected msiexec to exit with $expected ($((expected % 256)) under Wine), got $status"
  return 0
}

# The folder holds exactly the package's files (or FILES), byte for byte the built ones (next to $ocx).
expect_installed_file() {
  local folder listing file expected=${2:-$installed_files}
  folder=$(vantory_folder)
  listing=$(cd "$folder" 2>/dev/null && LC_ALL=C ls -A | paste -sd ' ' -)
  [[ $listing == "$expected" ]] ||
    fail "$1: expected C:\\Program Files\\Vantory\\ to hold $expected, got: ${listing:-no folder}"
  for file in $expected; do
    if [[ -f $folder/$file ]] && ! cmp -s -- "$(dirname -- "$ocx")/$file" "$folder/$file"; then
      fail "$1: expected the installed $file to be the built one, got other bytes"
    fi
  done
}

# outside_state OUT: what the package writes besides the control's keys, one line each: the
# "Dymo.LabelEngine" ProgID's class, our engine's class's server, the login start.
outside_state() {
  local out=$1 folder
  folder=$(mktemp -d)
  "$WINE" cmd /c "reg query HKCR\\Dymo.LabelEngine\\CLSID /ve > $(windows_path "$folder/progid.txt") & reg query HKCR\\CLSID\\$engine_clsid\\InprocServer32 /ve > $(windows_path "$folder/class.txt")" >/dev/null 2>&1
  # A value name with spaces does not survive cmd's quoting: asked on its own.
  "$WINE" reg query "$run_key" /v "$run_value" >"$folder/run.txt" 2>/dev/null
  value_of() { [[ -s $folder/$1 ]] && tr -d '\r' <"$folder/$1" | sed -n 's/^ *[^ ].*REG_SZ *//p' | head -n 1; }
  {
    echo "engine ProgID: $(value_of progid.txt || true)"
    echo "engine class: $(value_of class.txt || true)"
    echo "login start: $(value_of run.txt || true)"
  } >"$out"
  rm -rf -- "$folder"
}
expect_outside_state() {  # WHAT EXPECTED_LINES (one string, lines separated by newlines)
  local got
  outside_state "$work/outside.txt"
  got=$(cat "$work/outside.txt")
  [[ $got == "$2" ]] || fail "$1: expected
$2
got
$got"
}
readonly nothing_outside=$'engine ProgID: \nengine class: \nlogin start: '
installed_outside() {  # the state a package installed with its built-in engine leaves
  printf 'engine ProgID: %s\nengine class: %s\nlogin start: %s' "$engine_clsid" \
    'C:\Program Files\Vantory\VirtualLabelEngine.dll' '"C:\Program Files\Vantory\vantory-service.exe"'
}
expect_no_folder() {
  [[ ! -e $(vantory_folder) ]] ||
    fail "$1: expected no C:\\Program Files\\Vantory, got: $(ls -A "$(vantory_folder)" | paste -sd ' ' -)"
}

# The reference: what regsvr32 writes for the control at its installed path.
in_prefix_reference() {
  ocx=$1
  local out=$2
  mkdir -p -- "$(vantory_folder)"
  cp -- "$ocx" "$(vantory_folder)/$control_name"
  "$WINE" regsvr32 /s "$installed_control" ||
    { fail "expected regsvr32 $installed_control to succeed, got exit code $?"; verdict; }
  dump_registry "$out"
  echo "reference: regsvr32 $installed_control wrote $(grep -c '^\[' "$out") keys"
}

# nothing_dump OUT PRODUCT_CODE...: what dump_registry writes when nothing of ours is there.
nothing_dump() {
  local out=$1 key code
  shift
  {
    for key in "${our_keys[@]}"; do echo "(no key $key)"; done
    for code in "$@"; do echo "product $code: not installed"; done
  } >"$out"
}

expect_product_code() {  # MSI CODE
  [[ $2 =~ ^\{[0-9A-F-]{36}\}$ ]] || fail "expected a ProductCode in $(basename -- "$1"), got \"$2\""
}

in_prefix_lifecycle() {
  local msi=$1 work=$3
  ocx=$2
  local code
  code=$(product_code "$msi")
  expect_product_code "$msi" "$code"
  nothing_dump "$work/nothing.txt" "$code"
  # regsvr32's keys, and the product registered with Windows Installer.
  { cat "$work/regsvr32.txt"; echo "product $code: installed"; } >"$work/expected-installed.txt"

  echo "== msiexec /i VantoryActiveX.msi INSTALLDIR=C:\\Elsewhere\\ /qn (refused: the folder is fixed)"
  msiexec_expect 1603 "an install into another INSTALLDIR" /i "$(windows_path "$msi")" 'INSTALLDIR=C:\Elsewhere\'
  dump_registry "$work/refused.txt" "$code"
  expect_same_file "$work/nothing.txt" "$work/refused.txt" \
    "expected a refused install to write nothing to the registry, got keys"
  [[ ! -e $WINEPREFIX/drive_c/Elsewhere ]] || fail "expected no C:\\Elsewhere after a refused install, got one"
  expect_no_folder "a refused install"

  echo "== msiexec /i VantoryActiveX.msi /qn"
  msiexec_expect 0 "install" /i "$(windows_path "$msi")"
  expect_installed_file "install"
  dump_registry "$work/installed.txt" "$code"
  expect_same_file "$work/expected-installed.txt" "$work/installed.txt" \
    "expected the installed keys to equal regsvr32's (regsvr32.txt), got others"
  expect_outside_state "install: the built-in engine and the login start" "$(installed_outside)"

  echo "== msiexec /i VantoryActiveX.msi /qn, again"
  msiexec_expect 0 "a second install" /i "$(windows_path "$msi")"
  expect_installed_file "a second install"
  dump_registry "$work/installed-again.txt" "$code"
  expect_same_file "$work/installed.txt" "$work/installed-again.txt" \
    "expected a second install to leave the registry as the first left it, got changes"

  echo "== msiexec /x VantoryActiveX.msi /qn"
  msiexec_expect 0 "uninstall" /x "$(windows_path "$msi")"
  expect_no_folder "uninstall"
  dump_registry "$work/uninstalled.txt" "$code"
  expect_same_file "$work/nothing.txt" "$work/uninstalled.txt" "expected no key of ours after uninstalling, got some"
  expect_outside_state "uninstall: no engine, no login start" "$nothing_outside"
  verdict
}

in_prefix_upgrade() {
  local msi=$1 later_msi=$2 work=$4
  ocx=$3
  local code later_code later_name
  later_name=$(basename -- "$later_msi")
  rm -rf -- "$work"
  mkdir -p -- "$work"
  code=$(product_code "$msi")
  later_code=$(product_code "$later_msi")
  expect_product_code "$msi" "$code"
  expect_product_code "$later_msi" "$later_code"
  [[ $code != "$later_code" ]] || fail "expected the later version to have a ProductCode of its own, got $code for both"
  nothing_dump "$work/nothing.txt" "$code" "$later_code"

  echo "== msiexec /i VantoryActiveX.msi /qn"
  msiexec_expect 0 "install" /i "$(windows_path "$msi")"
  dump_registry "$work/installed.txt" "$code" "$later_code"
  expect_grep "$work/installed.txt" "product $code: installed" "the product to be installed"

  echo "== msiexec /i $later_name /qn (a later version: replaces it)"
  msiexec_expect 0 "the upgrade" /i "$(windows_path "$later_msi")"
  expect_installed_file "the upgrade"
  dump_registry "$work/upgraded.txt" "$code" "$later_code"
  expect_grep "$work/upgraded.txt" "product $code: not installed" "the upgrade to remove the earlier product"
  expect_grep "$work/upgraded.txt" "product $later_code: installed" "the later product to be installed"
  grep -v '^product ' "$work/installed.txt" >"$work/installed-keys.txt"
  grep -v '^product ' "$work/upgraded.txt" >"$work/upgraded-keys.txt"
  expect_same_file "$work/installed-keys.txt" "$work/upgraded-keys.txt" \
    "expected the later version to write the same keys as the earlier, got others"

  echo "== msiexec /i VantoryActiveX.msi /qn (an earlier version: refused)"
  msiexec_expect 1603 "a downgrade" /i "$(windows_path "$msi")"
  expect_installed_file "a refused downgrade"
  dump_registry "$work/downgrade-refused.txt" "$code" "$later_code"
  expect_same_file "$work/upgraded.txt" "$work/downgrade-refused.txt" \
    "expected a refused downgrade to leave the registry as it was, got changes"

  echo "== msiexec /x $later_name /qn"
  msiexec_expect 0 "the later version's uninstall" /x "$(windows_path "$later_msi")"
  expect_no_folder "the later version's uninstall"
  dump_registry "$work/uninstalled.txt" "$code" "$later_code"
  expect_same_file "$work/nothing.txt" "$work/uninstalled.txt" \
    "expected no key of ours after uninstalling the later version, got some"
  verdict
}

in_prefix_print() {
  local msi=$1 script=$2 labels=$3 expected=$4 output
  echo "== msiexec /i VantoryActiveX.msi /qn"
  msiexec_expect 0 "install" /i "$(windows_path "$msi")"
  [[ -f $(vantory_folder)/$control_name ]] || fail "expected C:\\Program Files\\Vantory\\$control_name, got none"

  echo "== cscript $(basename -- "$script") (VANTORY_LABEL_DIR=$labels)"
  rm -rf -- "$labels"
  mkdir -p -- "$labels"
  output=$(VANTORY_LABEL_DIR=$(windows_path "$labels") "$WINE" cscript //nologo "$(windows_path "$script")" 2>&1 |
    tr -d '\r')
  echo "$output"
  [[ $(tail -n 1 <<<"$output") == "RESULT: PASS" ]] ||
    fail "expected the script's last line to read \"RESULT: PASS\", got \"$(tail -n 1 <<<"$output")\""

  local recorded
  recorded=$(cd "$labels" && ls -A | paste -sd ' ' -)
  if [[ $recorded != "label-0001.json label-0001.png" ]]; then
    fail "expected one label recorded (label-0001.json, label-0001.png), got: ${recorded:-none}"
  else
    expect_same_file "$expected" "$labels/label-0001.json" \
      "expected the label recorded to equal $(basename -- "$expected"), got another"
  fi
  verdict
}

# The print services running in this prefix (Wine starts each as a process whose command line
# names the program; other prefixes' are told apart by WINEPREFIX).
services_running() {
  local process count=0
  for process in /proc/[0-9]*; do
    tr '\0' '\n' 2>/dev/null <"$process/cmdline" | grep -q 'vantory-service\.exe$' || continue
    tr '\0' '\n' 2>/dev/null <"$process/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && count=$((count + 1))
  done
  echo "$count"
}
expect_services() {  # COUNT WHAT
  local running
  running=$(services_running)
  ((running == $1)) || fail "$2: expected $1 print service(s) running, got $running"
}

# A log-in: a new Wine session's wineboot runs the machine's Run entries, as Windows does at login.
log_in() {
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
  "$WINE" wineboot >/dev/null 2>&1
}
# Waits until the service answers at URL (two minutes at most: a 32-bit program under qemu-user
# starts slowly).
wait_for_service() {
  local _
  for _ in $(seq 1200); do
    curl -sf -o /dev/null "$1/v1/status" && return 0
    sleep 0.1
  done
  return 1
}
free_port() {  # NODE
  "$1" -e 'const s = require("net").createServer().listen(0, "127.0.0.1", () => { console.log(s.address().port); s.close(); })'
}

in_prefix_service() {
  local msi=$1 later_msi=$2 node=$3 page_check=$4 work=$5
  ocx=$(dirname -- "$msi")/$control_name
  rm -rf -- "$work"
  mkdir -p -- "$work"
  local vendor='{5A3C1E7B-0D2F-4B68-9E41-7C5D2A8F6B13}'

  echo "== a vendor's \"Dymo.LabelEngine\" registered: the package leaves it alone"
  "$WINE" cmd /c "reg add HKCR\\Dymo.LabelEngine\\CLSID /ve /d $vendor /f & reg add HKCR\\CLSID\\$vendor\\InprocServer32 /ve /d C:\\Vendor\\LServer.dll /f" >/dev/null 2>&1
  local vendor_state
  vendor_state=$(printf 'engine ProgID: %s\nengine class: \nlogin start: ' "$vendor")
  msiexec_expect 0 "install beside a vendor's engine" /i "$(windows_path "$msi")"
  expect_installed_file "install beside a vendor's engine" "VantoryActiveX.ocx vantory-service.exe"
  expect_outside_state "install beside a vendor's engine: its ProgID kept, ours not registered" \
    "$(printf 'engine ProgID: %s\nengine class: \nlogin start: %s' "$vendor" '"C:\Program Files\Vantory\vantory-service.exe"')"
  msiexec_expect 0 "uninstall beside a vendor's engine" /x "$(windows_path "$msi")"
  expect_no_folder "uninstall beside a vendor's engine"
  expect_outside_state "uninstall beside a vendor's engine: its ProgID still there" "$vendor_state"
  "$WINE" cmd /c "reg delete HKCR\\Dymo.LabelEngine /f & reg delete HKCR\\CLSID\\$vendor /f" >/dev/null 2>&1

  echo "== msiexec /i VantoryActiveX.msi /qn: installs, starts nothing"
  msiexec_expect 0 "install" /i "$(windows_path "$msi")"
  expect_installed_file "install"
  expect_outside_state "install: the built-in engine and the login start" "$(installed_outside)"
  expect_services 0 "right after installing"

  # Lab IT's configuration: the port and the ordering page's origin.
  local port web_port url
  port=$(free_port "$node")
  web_port=$(free_port "$node")
  url=http://127.0.0.1:$port
  mkdir -p -- "$WINEPREFIX/drive_c/ProgramData/Vantory"
  # The test prefix has no printer: the built-in engine only records.
  printf '{"port": %s, "allowOrigins": ["http://127.0.0.1:%s"], "recordOnly": true}\n' "$port" "$web_port" \
    >"$WINEPREFIX/drive_c/ProgramData/Vantory/service.json"

  echo "== log in: the Run entry starts the service"
  log_in
  if wait_for_service "$url"; then
    expect_services 1 "after logging in"
    echo "== the ordering page, from the allowed origin and from another"
    "$node" "$page_check" "$url" "$web_port" "$work/artifacts" || fail "the ordering page's checks (above)"
    local labels recorded
    labels=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Vantory/labels
    recorded=$(cd "$labels" 2>/dev/null && LC_ALL=C ls -A | paste -sd ' ' -)
    [[ $recorded =~ ^(label-0001-[0-9a-f]{32})\.json\ (label-0001-[0-9a-f]{32})\.png$ &&
       ${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]] ||
      fail "expected the engine to have recorded one label in %LOCALAPPDATA%\\Vantory\\labels, got: ${recorded:-none}"
    grep -q 'ROWE, SAM, K\.' "$labels"/label-0001-*.json 2>/dev/null || fail "expected the recorded label to be the HOSPITAL sample"
  else
    fail "expected the service to answer at $url after logging in, got nothing"
  fi

  echo "== msiexec /i $(basename -- "$later_msi") /qn: the upgrade ends the running service first"
  msiexec_expect 0 "the upgrade" /i "$(windows_path "$later_msi")"
  expect_services 0 "after the upgrade"
  expect_installed_file "the upgrade"
  expect_outside_state "the upgrade: the built-in engine and the login start" "$(installed_outside)"

  echo "== log in again, then msiexec /x: ends the service and leaves nothing"
  log_in
  wait_for_service "$url" || fail "expected the upgraded service to answer at $url after logging in, got nothing"
  expect_services 1 "after logging in again"
  msiexec_expect 0 "uninstall" /x "$(windows_path "$later_msi")"
  expect_services 0 "after uninstalling"
  expect_no_folder "uninstall"
  expect_outside_state "uninstall: no engine, no login start" "$nothing_outside"
  rm -rf -- "$WINEPREFIX/drive_c/ProgramData/Vantory"  # lab IT's file, not the package's
  verdict
}

# ---- On the host: the two prefixes of the lifecycle --------------------------------------

lifecycle() {
  local wine_run=$1 template=$2 msi=$3 ocx=$4 work=$5 status
  rm -rf -- "$work"
  mkdir -p -- "$work"
  local run=("$wine_run" --prefix "$template" --arch i386 --host bash "${BASH_SOURCE[0]}")

  echo "== reference: regsvr32 of $control_name at $installed_control, in a prefix of its own"
  "${run[@]}" in-prefix-reference "$ocx" "$work/regsvr32.txt"
  status=$?
  ((status == 0)) || exit "$status"  # 77: skipped, as wine-run.sh says

  echo "== the package, in another prefix"
  "${run[@]}" in-prefix-lifecycle "$msi" "$ocx" "$work"
  status=$?
  ((status == 0)) || echo "(the registry dumps are in $work)"
  exit "$status"
}

mode=${1:-}
shift || true
case $mode in
  lifecycle) lifecycle "$@" ;;
  upgrade) in_prefix_upgrade "$@" ;;
  print) in_prefix_print "$@" ;;
  service) in_prefix_service "$@" ;;
  in-prefix-reference) in_prefix_reference "$@" ;;
  in-prefix-lifecycle) in_prefix_lifecycle "$@" ;;
  *)
    echo "usage: installer_test.sh lifecycle WINE_RUN TEMPLATE_PREFIX MSI OCX WORK_DIR" >&2
    echo "       installer_test.sh upgrade MSI LATER_MSI OCX WORK_DIR          (inside wine-run.sh --host)" >&2
    echo "       installer_test.sh print MSI SCRIPT LABEL_DIR EXPECTED_LABEL   (inside wine-run.sh --host)" >&2
    echo "       installer_test.sh service MSI LATER_MSI NODE PAGE_CHECK WORK_DIR (inside wine-run.sh --host)" >&2
    exit 2
    ;;
esac
