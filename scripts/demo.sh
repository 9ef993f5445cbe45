#!/usr/bin/env bash
# The quick-start demo: makes the demo data in the build folder and runs Cartovex on it.
set -euo pipefail
build=$(realpath "${1:-build/default}")
demo="$build/demo"
cli="$build/src/programs/cli/cartovex-cli"
rm -rf "$demo"
mkdir -p "$demo"
"$build/tools/makedemo/cartovex-makedemo" "$demo"

# cartovex-cli works in the folder it is started in, which holds DATA.KVX and DEVELOPPER.KVX.
section() { printf '\n===== %s\n' "$*"; }
section "Analysing two images: a known disc and one the database doesn't know"
(cd "$demo" && "$cli" analyse "collection/Star Quest/Star Quest.iso")
(cd "$demo" && "$cli" analyse "collection/Unsorted/mystery.iso") || echo "(exit status $?: not identified)"
# The demo has a CHD where chdman (mame-tools) was there to make it.
chd="collection/Coral Rift/Coral Rift (Europe).chd"
if [[ -f "$demo/$chd" ]]; then
    section "Analysing a CHD: one hunk is read, its tracks come from its own list"
    (cd "$demo" && "$cli" analyse "$chd")
fi

# The collection checked against a DAT of verified dumps (makedemo wrote one into dats/, as a
# collector downloads them): every disc with its verdict, then a DAT of the games it misses.
section "Verifying the collection against the DAT files in dats/"
(cd "$demo" && "$cli" verify --fixdat missing.dat collection) || echo "(exit status $?: not every disc verified)"
section "The games the collection misses, as a DAT ($demo/missing.dat)"
grep -o '<game name="[^"]*"' "$demo/missing.dat" | sed 's/<game name=/  /'
section "A header database learnt from the verified dumps (make-db --dat)"
(cd "$demo" && "$cli" make-db --dat "dats/Cartovex demo.dat" collection 2>/dev/null | tr -d '\r') || true

# Processing renames files, so it runs on a copy of part of the collection.
work="$demo/processed"
mkdir -p "$work/collection"
cp "$demo/DATA.KVX" "$demo/DEVELOPPER.KVX" "$demo/KVX_HAVE.TXT" "$work/"
for folder in "Star Quest" "Nebula Drift" "Harbor Lights" "Copper Canyon" "Azure Tide Racer (USA)" "Coral Rift" \
    "Unsorted"; do
    if [[ -d "$demo/collection/$folder" ]]; then cp -r "$demo/collection/$folder" "$work/collection/"; fi
done
section "The copy before processing"
(cd "$work" && find collection | sort)

section "Processing each image of the copy (and repairing BIN/CUE sheets)"
cd "$work"
"$cli" toggle fixcue on
# A multi-track set is processed through its data track, track 01; the others follow it.
find collection -type f \( -name '*.iso' -o -name '*.bin' -o -name '*.raw' -o -name '*.chd' \) | sort |
    grep -v -E '\(Track (0[2-9]|[1-9][0-9])\)\.bin$' | while read -r image; do
    printf -- '--- %s\n' "$image"
    "$cli" process "$image" | grep -v -e '^-\{75\}$' -e ' : ' || true
done

section "The copy after processing"
find collection | sort

# Mass processing and the collection scan, on a second copy of the whole collection. The demo
# folder is the start folder; the converter lives in its convkvx folder.
cd "$demo"
mkdir -p convkvx
cp "$build/src/programs/convkvx110/convkvx110" convkvx/
cp -r collection mass
section "Mass processing the copy in mass/"
"$cli" mass mass || true
section "Scanning it for known discs"
"$cli" scan mass || true
"$cli" view miss || true
