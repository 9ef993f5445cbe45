#!/usr/bin/env bash
# Unpacks the distribution's zlib source package into build/third-party/ for the Windows cross builds,
# which compile its contrib/minizip unzip sources (there is no MinGW minizip package). Nothing of it
# is committed. Prints the minizip folder; does nothing when it is already there.
#   scripts/fetch-minizip-source.sh [DEST]      DEST defaults to build/third-party
set -euo pipefail
cd "$(dirname "$0")/.."
dest=${1:-build/third-party}
link="$dest/minizip"

if [[ -f "$link/unzip.c" && -f "$link/ioapi.c" ]]; then
  echo "$link"
  exit 0
fi

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
# Run from the Windows configure step there is no terminal: sudo must fail rather than wait.
[[ ${#sudo_cmd[@]} -eq 0 || -t 0 ]] || sudo_cmd=(sudo -n)

# apt-get source needs a deb-src entry. Only the main suite is added: the security suite carries
# no zlib source.
if [[ -z "$(apt-cache showsrc zlib 2>/dev/null | grep '^Version:' || true)" ]]; then
  . /etc/os-release
  suite=${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}
  mirror=$(grep -h -m1 -E '^URIs:.*/debian/?$' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' || true)
  mirror=${mirror:-http://deb.debian.org/debian}
  echo "fetch-minizip-source: adding a deb-src entry for $suite ($mirror)" >&2
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" "$suite" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/cartovex-deb-src.sources >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
fi

# The newest version any deb-src entry lists (with only the main suite, its version).
version=$(apt-cache showsrc zlib | awk '/^Version:/ {print $2}' | sort -V | tail -1)
[[ -n "$version" ]] || { echo "fetch-minizip-source: no zlib source package found" >&2; exit 1; }

work="$dest/zlib-download"
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get source --download-only -qq "zlib=$version" >/dev/null 2>&1) || {
  echo "fetch-minizip-source: apt-get source zlib=$version failed" >&2
  exit 1
}
dsc=$(ls "$work"/zlib_*.dsc | head -1)
unpacked="$dest/zlib-source"
rm -rf "$unpacked"
dpkg-source --no-check -x "$dsc" "$unpacked" >/dev/null
[[ -f "$unpacked/contrib/minizip/unzip.c" ]] || {
  echo "fetch-minizip-source: $dsc has no contrib/minizip/unzip.c" >&2
  exit 1
}
rm -rf "$work"
ln -sfn zlib-source/contrib/minizip "$link"
echo "$link"
