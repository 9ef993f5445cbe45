#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   scripts/install-deps.sh GROUP...   groups: core, tests, desktop, fuzz, windows
set -euo pipefail

declare -A GROUPS_PACKAGES=(
  [core]="build-essential cmake make pkg-config zlib1g-dev libminizip-dev libcurl4-openssl-dev libarchive-dev nlohmann-json3-dev liblzma-dev libflac-dev libdeflate-dev libssl-dev libpugixml-dev ca-certificates"
  [tests]="googletest libgtest-dev p7zip-full strace mame-tools dpkg-dev rhash libisal-dev libxml2-utils python3 openssl"
  [desktop]="qtbase5-dev fonts-dejavu-core xvfb xauth xdotool dpkg-dev openbox"
  [fuzz]="clang libclang-rt-14-dev mame-tools"
  [windows]="g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev wine64 xvfb xauth file zip unzip dpkg-dev python3 imagemagick fonts-dejavu-core fonts-wine"
)

wanted=()
for group in "$@"; do
  [[ -n "${GROUPS_PACKAGES[$group]+x}" ]] || { echo "install-deps: unknown group '$group'" >&2; exit 2; }
  # shellcheck disable=SC2206
  wanted+=(${GROUPS_PACKAGES[$group]})
done

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
