#!/usr/bin/env bash
# The liblzma sources for the Windows cross builds, which read CHD images with it: Debian's xz-utils
# source package (there is no MinGW liblzma package). Prints the source folder.
#   scripts/fetch-xz-source.sh [DEST]      DEST defaults to build/third-party
set -euo pipefail
cd "$(dirname "$0")/.."
dest=${1:-build/third-party}
unpacked=$(scripts/fetch-debian-source.sh xz-utils "$dest")
[[ -f "$unpacked/src/liblzma/api/lzma.h" ]] || {
  echo "fetch-xz-source: $unpacked has no src/liblzma/api/lzma.h" >&2
  exit 1
}
echo "$unpacked"
