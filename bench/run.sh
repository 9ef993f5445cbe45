#!/usr/bin/env bash
# Runs every benchmark of a build folder, one after the other (they share the machine's cores).
#   bench/run.sh [BUILD-FOLDER]     (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}/bench
started=$SECONDS
for bench in mass flatfolderanalysis paneappend collectionscan; do
  "$build/cartovex_bench_$bench"
  echo
done
echo "All benchmarks: $((SECONDS - started)) s"
