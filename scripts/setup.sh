#!/usr/bin/env bash
# Installs every Debian package the builds, tests and demo need, fetches the source packages
# the Windows builds compile (scripts/fetch-sources.sh), then checks that both Wine loaders
# start and chooses how 32-bit Wine runs here. Safe to run again: it only calls apt when
# something is missing.
#
# The 32-bit Wine loader (wine32:i386) needs the i386 architecture, which this enables. Where
# the kernel refuses 32-bit programs, qemu-user runs that loader (scripts/wine-route.sh tries
# both and records the route). qemu-user is installed on every host, so that the qemu-user
# route is tested everywhere; Debian 12's own (7.2) cannot run Wine, so it comes from
# bookworm-backports: a package listed as NAME/SUITE comes from SUITE, which this adds with a
# pin that takes only the packages so listed from it. A loader that is missing or broken
# after the install is an error.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]*$//' "$here/debian-packages.txt" | grep -v '^$')
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

# A mirror that is part way through a sync can serve one suite's index for one architecture
# with the wrong size (seen: bookworm-security's i386 index). apt then ignores that index, and
# the i386 halves of Multi-Arch: same packages (libssl3:i386 beside a newer libssl3) cannot
# match their amd64 versions. Installing from the release's own suite keeps both halves at one
# version; the update's own error is only a warning when the install still succeeds.
apt_install() {
  if ! "${sudo_cmd[@]}" apt-get update -qq; then
    echo "setup: warning: apt-get update reported errors (a mirror index could not be read)" >&2
  fi
  if DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@"; then
    return 0
  fi
  [[ -n $codename ]] || return 1
  echo "setup: retrying the install from the $codename suite, so that both architectures get one version" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends -t "$codename" "$@"
}

# Packages listed as NAME/SUITE, by suite.
declare -A suite_packages=()
for package in "${wanted[@]}"; do
  if [[ $package == */* ]]; then suite_packages[${package#*/}]+=" ${package%%/*}"; fi
done

# SUITE's source (the release's own mirror and key) and a pin that gives its packages in
# NAMES the release's priority and every other package of SUITE none at all.
configure_suite() {  # SUITE NAMES...
  local suite=$1 sources=/etc/apt/sources.list.d/vantory-$1.sources pin=/etc/apt/preferences.d/vantory-$1 name
  shift
  [[ -f $sources ]] || {
    echo "setup: adding the $suite suite (only for: $*)"
    printf '%s\n' "# Added by scripts/setup.sh (Vantory ActiveX): only the packages pinned in $pin come from here." \
      "Types: deb" "URIs: http://deb.debian.org/debian" "Suites: $suite" "Components: main" \
      "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | "${sudo_cmd[@]}" tee "$sources" >/dev/null
  }
  {
    for name in "$@"; do
      printf 'Package: %s\nPin: release n=%s\nPin-Priority: 500\n\n' "$name" "$suite"
    done
    printf 'Package: *\nPin: release n=%s\nPin-Priority: -1\n' "$suite"
  } | "${sudo_cmd[@]}" tee "$pin.new" >/dev/null
  if cmp -s -- "$pin.new" "$pin"; then "${sudo_cmd[@]}" rm -f -- "$pin.new"; else "${sudo_cmd[@]}" mv -- "$pin.new" "$pin"; fi
}
for suite in "${!suite_packages[@]}"; do
  # shellcheck disable=SC2086
  configure_suite "$suite" ${suite_packages[$suite]}
done

# Present: installed, and for NAME/SUITE the version the pin makes the candidate (SUITE's).
present() {
  local name=${1%%/*} policy
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" || return 1
  [[ $1 == */* ]] || return 0
  policy=$(apt-cache policy "$name" 2>/dev/null)
  [[ $(awk '/Installed:/ { print $2 }' <<<"$policy") == "$(awk '/Candidate:/ { print $2 }' <<<"$policy")" ]]
}

missing=()
for package in "${wanted[@]}"; do
  present "$package" || missing+=("$package")
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

# The 64-bit loader, then the route of the 32-bit one. A loader that is not there, or that
# fails for another reason than the kernel's refusal, is a broken setup.
if ! wine64_state=$(/usr/lib/wine/wine64 --version 2>&1); then
  echo "setup: the 64-bit Wine loader /usr/lib/wine/wine64 does not start: $wine64_state" >&2
  exit 1
fi
echo "setup: 64-bit Wine: $wine64_state"
route=$(bash "$here/wine-route.sh" choose) || exit 1
echo "setup: $route"
if [[ $route == *"route: none"* ]]; then
  echo "setup: WARNING: no route runs 32-bit Wine here: the 32-bit control cannot run" >&2
fi
