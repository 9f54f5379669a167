#!/usr/bin/env bash
# Installs every Debian package the builds, tests and demo need, fetches the source packages
# the Windows builds compile (scripts/fetch-sources.sh), then checks that both Wine loaders start. Safe to run again: it only calls apt when something is missing.
#
# The 32-bit Wine loader (wine32:i386) needs the i386 architecture, which this enables. A
# loader that is missing after the install is an error; a 32-bit loader that is present but
# that the kernel refuses to execute is reported, and the Wine tests of the 32-bit build then
# say they were not run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]*$//' "$here/debian-packages.txt" | grep -v '^$')

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

# A mirror that is part way through a sync can serve one suite's index for one architecture
# with the wrong size (seen: bookworm-security's i386 index). apt then ignores that index, and
# the i386 halves of Multi-Arch: same packages (libssl3:i386 beside a newer libssl3) cannot
# match their amd64 versions. Installing from the release's own suite keeps both halves at one
# version; the update's own error is only a warning when the install still succeeds.
apt_install() {
  local codename
  if ! "${sudo_cmd[@]}" apt-get update -qq; then
    echo "setup: warning: apt-get update reported errors (a mirror index could not be read)" >&2
  fi
  if DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@"; then
    return 0
  fi
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [[ -n $codename ]] || return 1
  echo "setup: retrying the install from the $codename suite, so that both architectures get one version" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends -t "$codename" "$@"
}

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  echo "setup: all ${#wanted[@]} packages present"
else
  if printf '%s\n' "${wanted[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: enabling the i386 architecture (for 32-bit Wine)"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  echo "setup: installing ${missing[*]}"
  apt_install "${missing[@]}"
fi

# npm comes with the NodeSource build of nodejs (whose package conflicts with Debian's npm);
# with Debian's nodejs it is a package of its own.
if ! command -v npm >/dev/null; then
  echo "setup: installing npm"
  apt_install npm
fi

# The sources of the libraries the Windows builds compile (zint, libpng), the releases the
# Linux build links.
bash "$here/fetch-sources.sh"

# Both loaders, in one line. A loader that is not there is a broken setup.
loader_state() {
  local loader=$1 output
  if [[ ! -x $loader ]]; then
    echo "missing"
    return 1
  fi
  if output=$("$loader" --version 2>&1); then
    echo "$output"
  elif [[ $output == *"Exec format error"* ]]; then
    echo "present, but this kernel refuses 32-bit programs"
  else
    echo "does not start: $output"
    return 1
  fi
}
wine32_state=$(loader_state /usr/lib/wine/wine) && wine32_ok=1 || wine32_ok=0
wine64_state=$(loader_state /usr/lib/wine/wine64) && wine64_ok=1 || wine64_ok=0
echo "setup: 32-bit Wine: $wine32_state; 64-bit Wine: $wine64_state"
if ((!wine32_ok || !wine64_ok)); then
  echo "setup: a Wine loader is missing or broken; the Windows tests cannot run" >&2
  exit 1
fi
