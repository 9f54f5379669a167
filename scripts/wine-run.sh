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
# in that copy first. --host runs COMMAND on Linux with WINE (the loader), WINEPREFIX and
# DISPLAY set for it. The exit code is the program's, or 77 when the program cannot run
# on this machine: a 32-bit one where the loader is installed but the kernel refuses to
# execute 32-bit programs; ctest reports that as skipped. A missing loader is an error.
set -euo pipefail

readonly skip_code=77
wine32=${VANTORY_WINE32:-/usr/lib/wine/wine}
wine64=${VANTORY_WINE64:-/usr/lib/wine/wine64}
wineserver=${VANTORY_WINESERVER:-/usr/lib/wine/wineserver}

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
  loader=$wine32
  winearch=win32
  # The 32-bit loader is a 32-bit ELF program. Missing, it is a broken setup; present but
  # refused by the kernel (ENOEXEC), the machine truly cannot run 32-bit code: skip.
  if [[ ! -x $loader ]]; then
    echo "wine-run: ERROR: the 32-bit Wine loader $loader is missing (install wine32:i386: bash scripts/setup.sh)" >&2
    exit 1
  fi
  set +e
  refusal=$("$loader" --version 2>&1 >/dev/null)
  started=$?
  set -e
  if ((started != 0)); then
    if [[ $refusal != *"Exec format error"* ]]; then
      echo "wine-run: ERROR: the 32-bit Wine loader $loader does not start: $refusal" >&2
      exit 1
    fi
    if ((prepare)); then
      what="a 32-bit Wine prefix"
    elif ((host)); then
      what="$(basename -- "$1") drives 32-bit Wine"
    else
      what="$(basename -- "$1") is a 32-bit Windows program"
    fi
    echo "wine-run: SKIPPED: $what, and this kernel refuses to execute 32-bit programs ($loader: Exec format error)" >&2
    exit $skip_code
  fi
else
  loader=$wine64
  winearch=win64
fi

export WINEDEBUG=${VANTORY_WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH WINELOADER WINESERVER

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
xvfb_pid=
cleanup() {
  local rc=$?
  WINEPREFIX=$run "$wineserver" -k >/dev/null 2>&1 || true
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
