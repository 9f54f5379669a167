#!/usr/bin/env bash
# How this machine runs 32-bit Wine (the product, VantoryActiveX.ocx, is a 32-bit DLL), chosen
# by trying, recorded once, and used by scripts/wine-run.sh and so by every test, the demo, the
# soaks and the installer tests:
#
#   native     the kernel executes the 32-bit loader (/usr/lib/wine/wine) itself;
#   qemu-user  the kernel refuses 32-bit programs ("Exec format error": IA-32 emulation is off),
#              and qemu-i386 (qemu-user 10 or later) runs the same loader, see qemu_route below;
#   none       neither: no 32-bit Windows program can run here.
#
#   wine-route.sh choose   try the routes, record the first that works and print it (setup runs this)
#   wine-route.sh show     print the recorded route and why (choosing it first when none is recorded)
#   wine-route.sh env      the route as shell assignments for eval: route, reason, loader, wineserver
#
# VANTORY_WINE32_ROUTE=native|qemu-user forces a route for a whole run, for example to run every
# test as on a host that refuses 32-bit programs; forcing a route that does not work here is an
# error. The record and the qemu-user route's loader folder are kept in build/wine-route
# (VANTORY_WINE_ROUTE_DIR). For tests of the choice itself: VANTORY_WINE32_PROBE is the program
# executed to learn whether the kernel runs 32-bit programs (the loader itself unless given), and
# VANTORY_QEMU_I386 the emulator (qemu-i386 on the PATH unless given).
#
# Exit codes: 0 with a route chosen (none included), 1 when the setup is broken (the loader is
# missing or fails for another reason than the kernel's refusal, or a forced route does not work).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
route_dir=$(realpath -m -- "${VANTORY_WINE_ROUTE_DIR:-$here/../build/wine-route}")
loader32=${VANTORY_WINE32:-/usr/lib/wine/wine}
probe=${VANTORY_WINE32_PROBE:-$loader32}
qemu=${VANTORY_QEMU_I386:-qemu-i386}
forced=${VANTORY_WINE32_ROUTE:-}
readonly qemu_major_needed=10
readonly record=$route_dir/route

die() {
  echo "wine-route: ERROR: $*" >&2
  exit 1
}

case $forced in
  "" | native | qemu-user) ;;
  *) die "VANTORY_WINE32_ROUTE=$forced: a forced route is \"native\" or \"qemu-user\"" ;;
esac

# Whether the kernel executes the 32-bit loader: prints nothing and succeeds when it does;
# prints why not and fails with 2 when the kernel refuses it, with 1 when it is broken.
kernel_runs_32bit() {
  local output
  [[ -x $probe ]] || { echo "the 32-bit Wine loader $probe is missing (install wine32:i386: bash scripts/setup.sh)"; return 1; }
  if output=$("$probe" --version 2>&1); then
    return 0
  fi
  if [[ $output == *"Exec format error"* ]]; then
    echo "this kernel refuses to execute 32-bit programs ($probe: Exec format error)"
    return 2
  fi
  echo "the 32-bit Wine loader $probe does not start: $output"
  return 1
}

# The qemu-user route. Wine starts every new Windows process by executing its loader's own
# folder joined with the name it was started as, so qemu runs a copy of the loader kept in a
# folder of ours, started (-0) under the name of a wrapper beside it that runs qemu again:
#
#   qemu/lib/wine/wine        a copy of the 32-bit loader
#   qemu/lib/wine/wine-q      exec qemu-i386 -0 .../wine-q .../wine "$@"
#   qemu/lib/i386-linux-gnu   -> the loader's ../i386-linux-gnu (Wine's 32-bit libraries)
#   qemu/share/wine           -> the loader's ../../share/wine (wine.inf, fonts)
#
# The server is the native 64-bit wineserver64, which serves 32-bit clients. Prints the wrapper
# and succeeds when the route works; prints why not and fails otherwise.
qemu_route() {
  local qemu_path version major folder=$route_dir/qemu/lib/wine loader_dir output wrapper
  if ! qemu_path=$(command -v -- "$qemu"); then
    echo "qemu-i386 is not installed (qemu-user $qemu_major_needed or later, from bookworm-backports: bash scripts/setup.sh)"
    return 1
  fi
  version=$("$qemu_path" --version 2>&1 | sed -n 's/.*version \([0-9][0-9.]*\).*/\1/p' | head -n 1)
  major=${version%%.*}
  if [[ ! $major =~ ^[0-9]+$ ]] || ((major < qemu_major_needed)); then
    echo "$qemu_path is version ${version:-unknown}; Wine needs qemu-user $qemu_major_needed or later (bash scripts/setup.sh installs it)"
    return 1
  fi
  [[ -x $loader32 ]] || { echo "the 32-bit Wine loader $loader32 is missing (install wine32:i386: bash scripts/setup.sh)"; return 1; }
  loader_dir=$(dirname -- "$(realpath -- "$loader32")")
  wrapper=$(
    echo '#!/bin/bash'
    echo '# Made by scripts/wine-route.sh: the 32-bit Wine loader under qemu-user. Wine starts every'
    echo '# new Windows process by executing this file again.'
    printf 'exec %q -0 %q %q "$@"\n' "$qemu_path" "$folder/wine-q" "$folder/wine"
  )
  # Made anew when Wine, qemu or the folder's place changed.
  if [[ $(cat -- "$folder/wine-q" 2>/dev/null) != "$wrapper" ]] || ! cmp -s -- "$loader32" "$folder/wine"; then
    rm -rf -- "$route_dir/qemu"
    mkdir -p -- "$folder" "$route_dir/qemu/share"
    cp -- "$loader32" "$folder/wine"
    ln -s -- "$(realpath -m -- "$loader_dir/../i386-linux-gnu")" "$route_dir/qemu/lib/i386-linux-gnu"
    ln -s -- "$(realpath -m -- "$loader_dir/../../share/wine")" "$route_dir/qemu/share/wine"
    echo "$wrapper" >"$folder/wine-q.new"
    chmod 755 "$folder/wine-q.new"
    mv -- "$folder/wine-q.new" "$folder/wine-q"
  fi
  if ! output=$("$folder/wine-q" --version 2>&1) || [[ $output != wine-* ]]; then
    echo "the 32-bit Wine loader does not start under $qemu_path $version: $output"
    return 1
  fi
  echo "$folder/wine-q"
  echo "qemu-i386 $version"
}

write_record() {  # ROUTE HOW REASON
  mkdir -p -- "$route_dir"
  {
    printf 'route=%q\n' "$1"
    printf 'how=%q\n' "$2"
    printf 'reason=%q\n' "$3"
  } >"$record.new"
  mv -- "$record.new" "$record"
}

# Tries the routes (or the forced one) and records the outcome. Called under the lock.
choose() {
  local refusal status=0 qemu_out
  refusal=$(kernel_runs_32bit) || status=$?
  if [[ $forced == native ]]; then
    ((status == 0)) || die "VANTORY_WINE32_ROUTE=native, but $refusal"
    write_record native forced "forced (VANTORY_WINE32_ROUTE=native): the kernel runs the 32-bit loader"
    return
  fi
  ((status != 1)) || die "$refusal"
  if [[ -z $forced ]] && ((status == 0)); then
    write_record native tried "the kernel runs the 32-bit loader"
    return
  fi
  if qemu_out=$(qemu_route); then
    if [[ -n $forced ]]; then
      write_record qemu-user forced "forced (VANTORY_WINE32_ROUTE=qemu-user): $(tail -n 1 <<<"$qemu_out") runs the 32-bit loader"
    else
      write_record qemu-user tried "$refusal; $(tail -n 1 <<<"$qemu_out") runs the 32-bit loader"
    fi
    return
  fi
  [[ -z $forced ]] || die "VANTORY_WINE32_ROUTE=qemu-user, but $qemu_out"
  write_record none tried "$refusal, and $qemu_out"
}

# The record, when it answers for this run: the forced route, or one chosen by trying.
record_fits() {
  local route= how=
  [[ -f $record ]] || return 1
  # shellcheck disable=SC1090
  source "$record" || return 1
  if [[ -n $forced ]]; then [[ $route == "$forced" && $how == forced ]] || return 1
  else [[ $how == tried ]] || return 1
  fi
  [[ $route != qemu-user || -x $route_dir/qemu/lib/wine/wine-q ]]
}

with_lock() {  # COMMAND...: one chooser at a time (parallel tests may ask at once)
  mkdir -p -- "$route_dir"
  exec 8>"$route_dir/lock"
  flock 8
  "$@"
  exec 8>&-
}

choose_unless_recorded() {
  record_fits || choose
}

command=${1:-}
case $command in
  choose) with_lock choose ;;
  show | env) with_lock choose_unless_recorded ;;
  *)
    echo "usage: wine-route.sh choose|show|env" >&2
    exit 2
    ;;
esac

route= how= reason=
# shellcheck disable=SC1090
source "$record"
case $command in
  choose | show)
    echo "32-bit Wine route: $route ($reason)"
    ;;
  env)
    case $route in
      native) loader=$loader32 wineserver=${VANTORY_WINESERVER:-/usr/lib/wine/wineserver} ;;
      qemu-user) loader=$route_dir/qemu/lib/wine/wine-q wineserver=/usr/lib/wine/wineserver64 ;;
      *) loader= wineserver= ;;
    esac
    printf 'route=%q\nreason=%q\nloader=%q\nwineserver=%q\n' "$route" "$reason" "$loader" "$wineserver"
    ;;
esac
