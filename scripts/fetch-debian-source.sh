#!/usr/bin/env bash
# Unpacks a Debian source package into build/third-party/PACKAGE-source, for the Windows cross builds,
# which compile a few third-party libraries from the distribution's sources (MinGW has no package
# of them). Nothing of it is committed. Prints the folder; does nothing when it is already there.
#   scripts/fetch-debian-source.sh PACKAGE [DEST]      DEST defaults to build/third-party
set -euo pipefail
cd "$(dirname "$0")/.."
package=${1:?usage: fetch-debian-source.sh PACKAGE [DEST]}
dest=${2:-build/third-party}
unpacked="$dest/$package-source"

if [[ -f "$unpacked/.unpacked" ]]; then
  echo "$unpacked"
  exit 0
fi

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
# Run from the Windows configure step there is no terminal: sudo must fail rather than wait.
[[ ${#sudo_cmd[@]} -eq 0 || -t 0 ]] || sudo_cmd=(sudo -n)

# apt-get source needs a deb-src entry. Only the main suite is added: the security suite carries
# no source of these packages.
if [[ -z "$(apt-cache showsrc "$package" 2>/dev/null | grep '^Version:' || true)" ]]; then
  . /etc/os-release
  suite=${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}
  mirror=$(grep -h -m1 -E '^URIs:.*/debian/?$' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' || true)
  mirror=${mirror:-http://deb.debian.org/debian}
  echo "fetch-debian-source: adding a deb-src entry for $suite ($mirror)" >&2
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" "$suite" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/cartovex-deb-src.sources >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
fi

# The newest version any deb-src entry lists (with only the main suite, its version).
version=$(apt-cache showsrc "$package" | awk '/^Version:/ {print $2}' | sort -V | tail -1)
[[ -n "$version" ]] || { echo "fetch-debian-source: no $package source package found" >&2; exit 1; }

work="$dest/$package-download"
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get source --download-only -qq "$package=$version" >/dev/null 2>&1) || {
  echo "fetch-debian-source: apt-get source $package=$version failed" >&2
  exit 1
}
dsc=$(ls "$work"/*.dsc | head -1)
rm -rf "$unpacked"
dpkg-source --no-check -x "$dsc" "$unpacked" >/dev/null
# dpkg-source leaves a copy of the original tarball beside the folder it unpacked.
rm -rf "$work" "$dest/${package}_"*.orig.tar.*
touch "$unpacked/.unpacked"
echo "$unpacked"
