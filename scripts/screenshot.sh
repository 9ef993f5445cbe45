#!/usr/bin/env bash
# Saves a picture of the desktop program's window, for checking its look without a display.
#   scripts/screenshot.sh [OUT.png] [BUILD_DIR]        (default: cartovex.png, build/default)
#   SCREENSHOT_XVFB=1 scripts/screenshot.sh ...        under xvfb-run instead of Qt's offscreen platform
# It builds nothing: it starts the built program in a temporary working folder that holds the sample
# files of data/, with CARTOVEX_SCREENSHOT set. That testing aid makes the program save the window
# as a PNG once it is shown and then close as the close box would, so nothing is saved.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-cartovex.png}")
build=$(realpath -m "${2:-$root/build/default}")
program="$build/src/programs/desktop-qt/cartovex"
[[ -x "$program" ]] || { echo "screenshot: $program is not built (cmake --build --preset default)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$root"/data/*.KVX "$root"/data/*.ini; do
    [[ -f "$file" ]] && cp "$file" "$work/"
done
rm -f "$out"

cd "$work"
if [[ "${SCREENSHOT_XVFB:-0}" == 1 ]]; then
    xvfb-run -a env CARTOVEX_SCREENSHOT="$out" timeout 120 "$program"
else
    QT_QPA_PLATFORM=offscreen CARTOVEX_SCREENSHOT="$out" timeout 120 "$program"
fi
[[ -s "$out" ]] || { echo "screenshot: no picture was saved" >&2; exit 1; }
echo "$out"
