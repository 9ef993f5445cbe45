#!/usr/bin/env bash
# The quick-start demo: makes the demo data in the build folder and runs Cartovex on it.
set -euo pipefail
build=$(realpath "${1:-build/default}")
demo="$build/demo"
cli="$build/src/programs/cli/cartovex-cli"
rm -rf "$demo"
mkdir -p "$demo"
"$build/tools/makedemo/cartovex-makedemo" "$demo"

# The demo folder is the program's start folder: the converter lives in its convkvx folder.
mkdir -p "$demo/convkvx"
cp "$build/src/programs/convkvx110/convkvx110" "$demo/convkvx/"

run() {
    echo
    echo "\$ cartovex-cli $*"
    (cd "$demo" && "$cli" "$@") || true
}

# Mass processing renames files and folders, so it works on a copy of the demo collection; the
# scan then lists which known discs the processed copy holds.
cp -r "$demo/collection" "$demo/processed"
run mass processed
run scan processed
run view miss
echo
echo "Processed copy:"
(cd "$demo" && find processed -type f | sort)
