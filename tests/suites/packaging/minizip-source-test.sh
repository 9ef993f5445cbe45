#!/usr/bin/env bash
# The Windows configure step's minizip sources: present ones are used as they are, missing ones are
# fetched, and when fetching fails configuring stops with one line that names the command to run.
# A stand-in replaces the real fetch script, so nothing is downloaded.
#   minizip-source-test.sh CMAKE cmake/MinizipSource.cmake
set -euo pipefail
cmake=$1
module=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
check() {
  if eval "$2"; then echo "ok - $1"; else
    echo "FAIL - $1"
    failures=$((failures + 1))
  fi
}

printf '#!/bin/sh\necho "fetch: no source package" >&2\nexit 1\n' >"$scratch/fails.sh"
printf '#!/bin/sh\nmkdir -p "$1/minizip" && touch "$1/minizip/unzip.c" "$1/minizip/ioapi.c" "$1/fetched"\n' \
  >"$scratch/fetches.sh"
printf '#!/bin/sh\ntouch "$1/fetched"\n' >"$scratch/counts.sh"
chmod +x "$scratch"/*.sh

configure() { # FOLDER FETCH-SCRIPT: status and output of the step
  status=0
  output=$("$cmake" -DMINIZIP_DIR="$1" -DCARTOVEX_MINIZIP_FETCH="$2" -P "$module" 2>&1) || status=$?
}

mkdir -p "$scratch/present/minizip"
touch "$scratch/present/minizip/unzip.c" "$scratch/present/minizip/ioapi.c"
configure "$scratch/present/minizip" "$scratch/counts.sh"
check "sources already there are used without fetching" \
  '[[ $status -eq 0 && ! -e "$scratch/present/fetched" ]]'

mkdir -p "$scratch/fresh"
configure "$scratch/fresh/minizip" "$scratch/fetches.sh"
check "missing sources are fetched into the folder" \
  '[[ $status -eq 0 && -f "$scratch/fresh/minizip/unzip.c" && -e "$scratch/fresh/fetched" ]]'

configure "$scratch/offline/minizip" "$scratch/fails.sh"
line=$(grep -c "run: scripts/fetch-minizip-source.sh $scratch/offline\$" <<<"$output" || true)
check "a failed fetch stops the step with one line naming the command" '[[ $status -ne 0 && $line -eq 1 ]]'
check "and passes on the fetch's own reason" 'grep -q "fetch: no source package" <<<"$output"'

configure "$scratch/elsewhere/unzip-sources" "$scratch/fetches.sh"
check "a folder the script can't fill is named with the command, not fetched" \
  '[[ $status -ne 0 && ! -e "$scratch/elsewhere/fetched" ]] &&
   grep -q "run: scripts/fetch-minizip-source.sh .*-DCARTOVEX_MINIZIP_SOURCE=$scratch/elsewhere/minizip" <<<"$output"'

[[ $failures -eq 0 ]]
