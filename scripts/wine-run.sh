#!/usr/bin/env bash
# Runs a cross-compiled Windows program, or a host command that drives Wine, for the tests.
#
#   wine-run.sh --prefix DIR [--arch i386|x86_64] [--xvfb] [--register FILE]... PROGRAM [ARGS...]
#   wine-run.sh --prefix DIR [--arch ...] [--xvfb] [--register FILE]... --host COMMAND [ARGS...]
#   wine-run.sh --prefix DIR [--arch ...] --prepare
#
# DIR is the build tree's template prefix, created once (wineboot, under a lock so that
# parallel tests wait for one another). Every run works in a private copy of it, so runs
# never see each other's registrations or processes; the copy, its wineserver and the
# optional Xvfb are gone when the script returns. --register runs regsvr32 on each FILE
# in that copy first. --host runs COMMAND on Linux with WINE (the loader), WINESERVER,
# WINEPREFIX and DISPLAY set for it.
#
# 32-bit programs run on the route scripts/wine-route.sh chose for this machine: natively, or
# under qemu-user where the kernel refuses 32-bit programs (VANTORY_WINE32_ROUTE forces one).
# The exit code is the program's, or 77 when the program cannot run on this machine: a 32-bit
# one where neither route exists; ctest reports that as skipped, and scripts/test.sh fails on
# it. A missing or broken loader is an error.
set -euo pipefail

readonly skip_code=77
here="$(cd "$(dirname "$0")" && pwd)"
wine64=${VANTORY_WINE64:-/usr/lib/wine/wine64}
wine64_server=${VANTORY_WINESERVER:-/usr/lib/wine/wineserver}

prefix= arch= xvfb=0 host=0 prepare=0
registers=()
while (($#)); do
  case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    --xvfb) xvfb=1; shift ;;
    --register) registers+=("$2"); shift 2 ;;
    --host) host=1; shift; break ;;
    --prepare) prepare=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if [[ -z $prefix ]] || ((!prepare && $# == 0)); then
  echo "usage: wine-run.sh --prefix DIR [--arch i386|x86_64] [--xvfb] [--register FILE]... (PROGRAM | --host COMMAND | --prepare)" >&2
  exit 2
fi

prefix=$(realpath -m -- "$prefix")  # Wine wants it absolute

# The machine a PE file is built for: i386, x86_64 or nothing.
pe_machine() {
  local file=$1 offset machine
  [[ -f $file ]] || return 0
  [[ $(head -c 2 "$file" 2>/dev/null) == MZ ]] || return 0
  offset=$(od -An -t u4 -j 60 -N 4 "$file" | tr -d ' ')
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$file" | tr -d ' ')
  case $machine in
    014c) echo i386 ;;
    8664) echo x86_64 ;;
  esac
}

if ((!host && !prepare)); then
  detected=$(pe_machine "$1")
  [[ -n $detected ]] && arch=$detected
fi
for file in "${registers[@]}"; do
  [[ $(pe_machine "$file") == i386 ]] && arch=i386
done
arch=${arch:-x86_64}

if [[ $arch == i386 ]]; then
  winearch=win32
  route= reason= loader= wineserver=
  routing=$(bash "$here/wine-route.sh" env) || exit 1
  eval "$routing"
  if [[ $route == none ]]; then
    if ((prepare)); then
      what="a 32-bit Wine prefix"
    elif ((host)); then
      what="$(basename -- "$1") drives 32-bit Wine"
    else
      what="$(basename -- "$1") is a 32-bit Windows program"
    fi
    echo "wine-run: SKIPPED: $what, and no route runs 32-bit Wine here: $reason" >&2
    exit $skip_code
  fi
else
  loader=$wine64
  wineserver=$wine64_server
  winearch=win64
fi

export WINEDEBUG=${VANTORY_WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH WINELOADER
# The server the loader starts (on the qemu-user route: the native 64-bit one).
export WINESERVER=$wineserver

windows_path() { printf 'Z:%s' "$(realpath -- "$1" | sed 's|/|\\|g')"; }

prepare_template() {
  mkdir -p -- "$(dirname -- "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [[ ! -f $prefix/.vantory-ready ]]; then
    rm -rf -- "$prefix"
    echo "wine-run: creating the $winearch Wine prefix $prefix" >&2
    (
      export WINEPREFIX=$prefix WINEARCH=$winearch
      unset DISPLAY
      "$loader" wineboot -i >/dev/null 2>&1
      # Without a window manager Wine waits for one on every DestroyWindow unless unmanaged.
      "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      "$wineserver" -w
    )
    touch "$prefix/.vantory-ready"
  fi
  exec 9>&-
}

prepare_template
((prepare)) && exit 0

run=$(mktemp -d "$prefix.run.XXXXXX")
xvfb_pid= keeper_pid=
cleanup() {
  local rc=$?
  WINEPREFIX=$run "$wineserver" -k >/dev/null 2>&1 || true
  [[ -z $keeper_pid ]] || wait "$keeper_pid" 2>/dev/null || true
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf -- "$run"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Hard links make the copy cheap; the files Wine rewrites in place get copies of their own.
cp -al -- "$prefix/." "$run/"
for file in "$run"/*.reg "$run"/drive_c/windows/win.ini "$run"/drive_c/windows/system.ini; do
  if [[ -f $file ]]; then cp --remove-destination -- "$prefix/${file#"$run"/}" "$file"; fi
done
export WINEPREFIX=$run

if ((xvfb)); then
  display_file=$run/.display
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  until [[ -s $display_file ]]; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
      echo "wine-run: Xvfb did not start" >&2
      exit 1
    fi
    sleep 0.05
  done
  export DISPLAY=":$(head -n 1 "$display_file")"
  # The first window starts Wine's desktop process (explorer.exe /desktop), which keeps the
  # descriptors of the process that made it and lives while any program uses the desktop.
  # Started by a test's program it would hold that program's output pipe open, and a test
  # reading the pipe to its end would wait for ever (seen on the slower qemu-user route).
  # So a windowless keeper holds the desktop for the whole run, and the desktop process is
  # started beside it from a process whose descriptors lead nowhere.
  mkfifo -- "$run/.desktop-keeper"
  "$loader" cmd /c "set /p keep=" <>"$run/.desktop-keeper" >/dev/null 2>&1 &
  keeper_pid=$!
  "$loader" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
else
  unset DISPLAY
fi

for file in "${registers[@]}"; do
  if ! "$loader" regsvr32 /s "$(windows_path "$file")"; then
    echo "wine-run: regsvr32 $file failed" >&2
    exit 1
  fi
done

set +e
if ((host)); then
  WINE=$loader "$@"
else
  "$loader" "$@"
fi
status=$?
set -e
exit $status
