#!/usr/bin/env bash
# Runs every benchmark of a build folder, one after the other (they share the machine's cores).
# Mass processing runs twice: on the temporary folder's disc, and in memory (/dev/shm), where the
# figures show the program's own cost without the disc's file-creation cost.
#   bench/run.sh [BUILD-FOLDER]     (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}/bench
started=$SECONDS
echo "== on disc ($(df -T "${TMPDIR:-/tmp}" | awk 'NR==2 {print $2}'))"
"$build/cartovex_bench_mass"
echo
if [[ -d /dev/shm && -w /dev/shm ]]; then
  echo "== in memory (tmpfs)"
  TMPDIR=/dev/shm "$build/cartovex_bench_mass"
  echo
fi
# Against the crash-safe floor of the same work: always on the disc, as what flushes cost there is
# the point.
if [[ -x "$build/cartovex_bench_crashsafefloor" ]]; then
  env -u TMPDIR "$build/cartovex_bench_crashsafefloor"
  echo
fi
for bench in flatfolderanalysis paneappend collectionscan chdidentification datload hash verify; do
  # The hashing candidates' bench is built only where all of its libraries are.
  [[ -x "$build/cartovex_bench_$bench" ]] || continue
  "$build/cartovex_bench_$bench"
  echo
done
# The window against the command-line program (built with Qt only), in memory where there is
# memory to run in: the disc's cost of creating files swings with what ran just before, and the
# comparison is of what the two programs add to the same work.
if [[ -x "$build/cartovex_bench_windowmass" ]]; then
  if [[ -d /dev/shm && -w /dev/shm ]]; then
    TMPDIR=/dev/shm "$build/cartovex_bench_windowmass"
  else
    "$build/cartovex_bench_windowmass"
  fi
  echo
fi
echo "All benchmarks: $((SECONDS - started)) s"
