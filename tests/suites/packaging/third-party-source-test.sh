#!/usr/bin/env bash
# The Windows configure step's third-party sources: present ones are used as they are, missing ones
# are fetched, and when fetching fails a required one stops configuring with one line that names
# the command to run, an optional one only warns with it. A stand-in replaces the real fetch
# script, so nothing is downloaded.
#   third-party-source-test.sh CMAKE cmake/ThirdPartySource.cmake
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
printf '#!/bin/sh\nmkdir -p "$1/minizip" && touch "$1/minizip/unzip.c" "$1/fetched"\n' >"$scratch/fetches.sh"
printf '#!/bin/sh\ntouch "$1/fetched"\n' >"$scratch/counts.sh"
chmod +x "$scratch"/*.sh

configure() { # FOLDER FETCH-SCRIPT [OPTIONAL]: status and output of the step
  status=0
  output=$("$cmake" -DSOURCE_DIR="$1" -DMARKER=unzip.c -DSCRIPT=fetch-minizip-source.sh -DNAME=minizip \
    -DFETCH="$2" -DOPTIONAL="${3:-OFF}" -P "$module" 2>&1) || status=$?
}

mkdir -p "$scratch/present/minizip"
touch "$scratch/present/minizip/unzip.c"
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

configure "$scratch/offline/minizip" "$scratch/fails.sh" ON
check "an optional source that can't be fetched only warns, naming the command" \
  '[[ $status -eq 0 ]] && grep -q "run: scripts/fetch-minizip-source.sh $scratch/offline\$" <<<"$output"'

configure "$scratch/elsewhere/unzip-sources" "$scratch/fetches.sh"
check "a folder the script can't fill is named with the command, not fetched" \
  '[[ $status -ne 0 && ! -e "$scratch/elsewhere/fetched" ]] &&
   grep -q "run: scripts/fetch-minizip-source.sh .* the folder $scratch/elsewhere/minizip" <<<"$output"'

[[ $failures -eq 0 ]]
