#!/usr/bin/env bash
# The pugixml sources for the Windows cross builds, which read XML DATs with it: Debian's pugixml
# source package (there is no MinGW pugixml package). Prints the source folder.
#   scripts/fetch-pugixml-source.sh [DEST]      DEST defaults to build/third-party
set -euo pipefail
cd "$(dirname "$0")/.."
dest=${1:-build/third-party}
unpacked=$(scripts/fetch-debian-source.sh pugixml "$dest")
[[ -f "$unpacked/src/pugixml.cpp" ]] || {
  echo "fetch-pugixml-source: $unpacked has no src/pugixml.cpp" >&2
  exit 1
}
echo "$unpacked"
