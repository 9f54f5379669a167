#!/usr/bin/env bash
# The Debian package of vantory-service, as lab IT installs it: cpack builds it from this build
# tree, dpkg installs it into a clean root made here, and the installed files, the unit and
# the package's metadata are checked. Then the installed program, started with its unit's own
# command line and its packaged settings, prints a label through CUPS (the private cupsd of
# the run), since that is what it does unless told --record-only.
#
#   debian_package.sh BUILD_DIR SOURCE_DIR CUPSD_DIR
set -uo pipefail
build=$1 source=$2 cupsd=$3

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
work=$(mktemp -d)
service=
queue=vantory-deb-$$
export CUPS_SERVER=$cupsd/cups.sock
cleanup() {
  [[ -z $service ]] || kill "$service" 2>/dev/null
  lpadmin -x "$queue" 2>/dev/null
  rm -rf -- "$work"
}
trap cleanup EXIT

echo "== cpack -G DEB"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; echo "FAIL: cpack did not make the package"; exit 1; }
debs=("$work"/package/vantory-service_*.deb)
[[ -f ${debs[0]} && ${#debs[@]} == 1 ]] || { ls -l "$work/package"; echo "FAIL: expected one vantory-service_*.deb"; exit 1; }
deb=${debs[0]}
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == vantory-service ]] || fail "expected Package vantory-service, got '$(field Package)'"
depends=$(field Depends)
echo "Depends: $depends"
for needed in libcups2 fonts-liberation libcairo2 libpango-1.0-0 libzint libpng16-16; do
  [[ $depends == *"$needed"* ]] || fail "expected the package to depend on $needed, got: $depends"
done
[[ $(dpkg-deb --info "$deb" conffiles 2>/dev/null) == /etc/vantory/service.json ]] ||
  fail "expected /etc/vantory/service.json to be the package's conffile, got '$(dpkg-deb --info "$deb" conffiles 2>&1)'"

echo "== dpkg --root (a clean root)"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers" "$root/var/log"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The clean root has no libraries (so the dependencies are not there) and no shell (so the
# maintainer scripts run outside it, with DPKG_ROOT naming it).
dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1 ||
  fail "expected dpkg to install the package, got: $(cat "$work/dpkg.log")"
status=$(dpkg --root="$root" --status vantory-service 2>/dev/null | grep '^Status:')
[[ $status == "Status: install ok installed" ]] || fail "expected the package installed, got '$status'"

listed=$(dpkg --root="$root" --listfiles vantory-service | sort)
for file in /usr/bin/vantory-service /usr/lib/systemd/user/vantory-service.service /etc/vantory/service.json; do
  grep -qx -- "$file" <<<"$listed" || fail "expected the package to hold $file, got: $listed"
  [[ -f $root$file ]] || fail "expected $file installed in the root"
done
[[ $(stat -c %a "$root/usr/bin/vantory-service") == 755 ]] || fail "expected /usr/bin/vantory-service mode 755"
for file in /usr/lib/systemd/user/vantory-service.service /etc/vantory/service.json; do
  [[ $(stat -c %a "$root$file") == 644 ]] || fail "expected $file mode 644, got $(stat -c %a "$root$file")"
done

echo "== the unit"
unit=$root/usr/lib/systemd/user/vantory-service.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
echo "ExecStart=$exec_start"
read -r -a command <<<"$exec_start"
[[ ${command[0]} == /usr/bin/vantory-service && -x $root${command[0]} ]] ||
  fail "expected the unit to start the installed /usr/bin/vantory-service, got '${command[0]}'"
[[ " $exec_start " != *" --record-only "* ]] || fail "expected the unit to print, got --record-only in it"
[[ $exec_start == *"--config /etc/vantory/service.json"* ]] || fail "expected the unit to read /etc/vantory/service.json"
grep -qx 'WantedBy=default.target' "$unit" || fail "expected the unit to be wanted by default.target"
wants=$root/etc/systemd/user/default.target.wants/vantory-service.service
[[ -L $wants && $(readlink -- "$wants") == /usr/lib/systemd/user/vantory-service.service ]] ||
  fail "expected the unit enabled for every user ($wants), got $(ls -l "$wants" 2>&1)"
# systemd-analyze verifies user units only against this machine's paths: a copy whose
# program is the root's; a warning (an unknown setting) fails the test as an error does.
mkdir -m 700 "$work/runtime"
sed "s|^ExecStart=/|ExecStart=$root/|" "$unit" >"$work/vantory-service.service"
verify=$(cd "$work" && XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user verify ./vantory-service.service 2>&1)
[[ $? == 0 && -z $verify ]] || fail "expected systemd-analyze to accept the unit without a word, got: $verify"

echo "== the installed program prints through CUPS by default"
bash "$source/scripts/private-cupsd.sh" queue "$cupsd" "$queue" "Vantory package test" dymo:0/cups/model/lw450.ppd ||
  { echo "FAIL: the LabelWriter queue could not be added"; exit 1; }
state=$work/state
# The unit's command line with the root's paths and systemd's %S; a free port, as other
# tests and services may hold the documented ones.
arguments=()
for word in "${command[@]:1}"; do
  word=${word//%S/$state}
  [[ $word == /etc/* ]] && word=$root$word
  arguments+=("$word")
done
HOME=$work/home XDG_STATE_HOME=$state "$root${command[0]}" "${arguments[@]}" --port 0 >"$work/service.log" 2>&1 &
service=$!
port=
for _ in $(seq 200); do
  port=$(grep -o '127.0.0.1:[0-9]*' "$work/service.log" | head -n 1 | cut -d: -f2)
  [[ -n $port ]] && break
  kill -0 "$service" 2>/dev/null || break
  sleep 0.1
done
cat "$work/service.log"
[[ -n $port ]] || { echo "FAIL: the installed service did not start"; exit 1; }
token_file=$state/vantory/access-token
[[ $(stat -c %a "$token_file" 2>/dev/null) == 600 ]] || fail "expected the access token in $token_file, mode 600"
token=$(cat "$token_file" 2>/dev/null)
url=http://127.0.0.1:$port
status=$(curl -s "$url/v1/status")
echo "status: $status"
[[ $status == *'"printing":"cups"'* && $status == *'"recordOnly":false'* ]] ||
  fail "expected the installed service to print through CUPS, got: $status"

body=$(node -e '
  const request = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8"));
  console.log(JSON.stringify({ ...request.arguments, PrinterName: process.argv[2] }));' \
  "$source/examples/hospital.json" "$queue")
answer=$(curl -s -H "Authorization: Bearer $token" -H 'Content-Type: application/json' --data "$body" "$url/v1/PrintLabels")
echo "answer: $answer"
[[ $answer == *'"result":true'* && $answer == *'"recordOnly":false'* && $answer == *"\"destination\":\"$queue\""* ]] ||
  fail "expected the label printed on $queue, got: $answer"
for _ in $(seq 300); do
  [[ -z $(lpstat -W not-completed -o "$queue" 2>/dev/null) ]] && break
  sleep 0.1
done
printed=$cupsd/out/$queue.prn
if [[ ! -s $printed ]]; then
  fail "expected the printer's file $printed to hold the label"
elif [[ $(head -c 1 "$printed" | od -An -t x1 | tr -d ' ') != 1b ]]; then
  fail "expected LabelWriter bytes (starting with ESC) in $printed"
else
  echo "printed: $(stat -c %s "$printed") bytes of LabelWriter commands"
fi
rm -f -- "$printed"

echo "== dpkg --remove"
dpkg --root="$root" --force-script-chrootless --remove vantory-service >"$work/dpkg.log" 2>&1 ||
  fail "expected dpkg to remove the package, got: $(cat "$work/dpkg.log")"
[[ ! -e $root/usr/bin/vantory-service && ! -L $wants ]] || fail "expected the program and the unit's enabling gone"
[[ -f $root/etc/vantory/service.json ]] || fail "expected the administrator's settings kept until purge"

if ((failures == 0)); then
  echo "RESULT: PASS"
  exit 0
fi
echo "RESULT: FAIL ($failures)"
exit 1
