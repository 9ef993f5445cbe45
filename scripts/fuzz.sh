#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time over its committed corpus.
#   scripts/fuzz.sh [SECONDS-PER-TARGET]
# Any finding (crash, sanitizer report, leak, time-out) fails the run; the input is left in
# build/fuzz/findings/ to be added to fuzz/regressions/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/findings
# The CHD target's seeds from chdman are made here, by the chdman installed (mame-tools).
build/fuzz/tools/makeseeds/cartovex-makeseeds --chdman build/fuzz/corpus
status=0
for target in build/fuzz/fuzz/fuzz_*; do
  [[ -x "$target" ]] || continue
  name=$(basename "$target"); name=${name#fuzz_}
  corpus=fuzz/corpus/$name
  work=build/fuzz/corpus/$name
  mkdir -p "$work" "$corpus"
  inputs=("$work" "$corpus")
  [[ -d fuzz/regressions/$name ]] && inputs+=("fuzz/regressions/$name")
  echo "== fuzz_$name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix=build/fuzz/findings/"$name"- -print_final_stats=0 "${inputs[@]}" \
        > build/fuzz/"$name".log 2>&1; then
    echo "fuzz_$name found a problem:"; tail -40 build/fuzz/"$name".log; status=1
  else
    tail -1 build/fuzz/"$name".log
  fi
done
exit $status
