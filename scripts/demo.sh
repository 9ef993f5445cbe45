#!/usr/bin/env bash
# The quick-start demo: makes the demo data in the build folder and runs Cartovex on it.
set -euo pipefail
build=${1:-build/default}
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
"$build/tools/makedemo/cartovex-makedemo" "$demo"
