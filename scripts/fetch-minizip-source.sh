#!/usr/bin/env bash
# The unzip sources of minizip for the Windows cross builds: Debian's zlib source package carries them
# in contrib/minizip (there is no MinGW minizip package). Prints the minizip folder.
#   scripts/fetch-minizip-source.sh [DEST]      DEST defaults to build/third-party
set -euo pipefail
cd "$(dirname "$0")/.."
dest=${1:-build/third-party}
link="$dest/minizip"
if [[ -f "$link/unzip.c" && -f "$link/ioapi.c" ]]; then
  echo "$link"
  exit 0
fi
unpacked=$(scripts/fetch-debian-source.sh zlib "$dest")
[[ -f "$unpacked/contrib/minizip/unzip.c" ]] || {
  echo "fetch-minizip-source: $unpacked has no contrib/minizip/unzip.c" >&2
  exit 1
}
ln -sfn zlib-source/contrib/minizip "$link"
echo "$link"
