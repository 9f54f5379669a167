#!/usr/bin/env bash
# Fetches the Debian source packages of the libraries the Windows builds compile themselves
# (libzint, libpng and cpp-httplib; Debian ships them for Linux only), the very releases the
# Linux build links: the source version of the installed libzint-dev, libpng-dev and
# libcpp-httplib-dev. apt-get source
# checks them against the signed archive index and applies Debian's patches.
#
#   fetch-sources.sh [CACHE]    default /var/cache/vantory/sources
#
# Each lands in CACHE/<source>_<version>/, with the link CACHE/<source> -> it, which the
# Windows builds compile from (cmake/CrossLibraries.cmake). Safe to run again: a release
# already there is not fetched again, and a half-made folder is made anew.
set -euo pipefail
cache=${1:-${VANTORY_SOURCE_CACHE:-/var/cache/vantory/sources}}

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

# The source lines apt-get source needs; the binary lines stay as the machine has them.
list=/etc/apt/sources.list.d/vantory-sources.sources
if [[ ! -f $list ]]; then
  echo "fetch-sources: adding Debian's bookworm source index ($list)"
  "${sudo_cmd[@]}" tee "$list" >/dev/null <<'SOURCES'
# Added by the Vantory ActiveX setup (scripts/fetch-sources.sh): the source packages of the
# libraries the Windows builds compile (zint, libpng1.6, cpp-httplib), the same releases as on Linux.
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  "${sudo_cmd[@]}" apt-get update -qq || echo "fetch-sources: warning: apt-get update reported errors" >&2
fi

"${sudo_cmd[@]}" mkdir -p "$cache"
for binary in libzint-dev libpng-dev libcpp-httplib-dev; do
  source=$(dpkg-query -W -f='${source:Package}' "$binary")
  version=$(dpkg-query -W -f='${source:Version}' "$binary")
  folder=$cache/${source}_$version
  if [[ ! -f $folder/.complete ]]; then
    echo "fetch-sources: $source $version (the source of the installed $binary)"
    work=$(mktemp -d "$cache/.fetch.XXXXXX")
    fetch() { (cd "$work" && apt-get source -qq --only-source "$source=$version" >/dev/null 2> >(grep -v 'unsandboxed' >&2)); }
    if ! fetch; then
      # The source index may be missing or older than the installed package: read it anew once.
      "${sudo_cmd[@]}" apt-get update -qq || echo "fetch-sources: warning: apt-get update reported errors" >&2
      fetch || { echo "fetch-sources: apt-get source $source=$version failed" >&2; rm -rf -- "$work"; exit 1; }
    fi
    extracted=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    [[ -n $extracted ]] || { echo "fetch-sources: apt-get source $source=$version left no folder" >&2; exit 1; }
    rm -rf -- "$folder"
    mv -- "$extracted" "$folder"
    rm -rf -- "$work"
    touch "$folder/.complete"
  fi
  ln -sfn "${source}_$version" "$cache/$source"
done
