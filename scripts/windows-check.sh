#!/usr/bin/env bash
# The Windows check: both cross builds, their executable formats and DLLs, the release archives, and
# the end-to-end test of the 64-bit programs under Wine. It installs nothing (make test runs
# scripts/install-deps.sh windows first); it fetches the minizip and xz sources when they are not
# there yet.
#   scripts/windows-check.sh [LINUX-BUILD-DIR]     default build/default, which provides the demo
#                                                   data generator the Wine test uses
# Every failure fails the check. Only a Wine that cannot start at all makes the Wine test print
# "SKIPPED: ..." and pass.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=$(realpath -m "${1:-build/default}")
makedemo="$linux_build/tools/makedemo/cartovex-makedemo"
out=build/windows-check
failures=0

step() { printf '\n== %s\n' "$*"; }
fail() {
  echo "FAIL - $*"
  failures=$((failures + 1))
}

for tool in i686-w64-mingw32-g++ x86_64-w64-mingw32-g++ x86_64-w64-mingw32-objdump file xvfb-run unzip \
  /usr/lib/wine/wine64 import; do
  command -v "$tool" >/dev/null || {
    echo "windows-check: $tool is missing (scripts/install-deps.sh windows installs it)" >&2
    exit 1
  }
done
[[ -x "$makedemo" ]] || {
  echo "windows-check: $makedemo is not built (cmake --build --preset default)" >&2
  exit 1
}

step "minizip, xz and pugixml sources"
scripts/fetch-minizip-source.sh
scripts/fetch-xz-source.sh
scripts/fetch-pugixml-source.sh

# The system DLLs of a bare Windows; anything else would have to travel with the programs.
system_dlls='^(kernel32|user32|gdi32|comdlg32|shell32|ole32|urlmon|ws2_32|msvcrt|advapi32)\.dll$'

for arch in i686 x86_64; do
  preset=windows-$arch
  step "$preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"

  build=build/$preset
  format='PE32 executable'
  [[ $arch == x86_64 ]] && format='PE32+ executable'
  for exe in "$build"/src/programs/*/*.exe; do
    description=$(file -b "$exe")
    if [[ "$description" == "$format"* ]]; then
      echo "ok - $(basename "$exe"): $description"
    else
      fail "$exe is not a $format: $description"
    fi
    foreign=$("$arch-w64-mingw32-objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' |
      grep -Ev "$system_dlls" || true)
    [[ -z "$foreign" ]] || fail "$(basename "$exe") needs DLLs a bare Windows lacks: $foreign"
  done

  step "$preset archive"
  rm -f "$build"/cartovex-*.zip
  (cd "$build" && cpack -G ZIP >/dev/null)
  archive=$(ls "$build"/cartovex-*.zip 2>/dev/null | head -1)
  if [[ -z "$archive" ]]; then
    fail "cpack wrote no archive for $preset"
    continue
  fi
  listing=$(unzip -Z1 "$archive" | sed 's|^[^/]*/||')
  for member in cartovex.exe cartovex-cli.exe convkvx/convkvx110.exe DATA.KVX DEVELOPPER.KVX Cartovex.ini \
    README.txt; do
    grep -qx "$member" <<<"$listing" || fail "$(basename "$archive") has no $member"
  done
  echo "$archive: $(wc -l <<<"$listing") entries"
done

step "Wine end-to-end test (x86_64)"
rm -rf "$out"
mkdir -p "$out"
# The unpacked archive must work on its own: its command-line program reads the bundled files.
unzip -q build/windows-x86_64/cartovex-*.zip -d "$out/unpacked"
status=0
timeout 900 xvfb-run -a -s '-screen 0 1024x768x24' \
  tests/suites/wine/run.sh build/windows-x86_64 "$makedemo" "$out" "$out/unpacked"/cartovex-* || status=$?
[[ $status -eq 0 ]] || fail "the Wine test (status $status; its files are in $out)"

echo
if [[ $failures -ne 0 ]]; then
  echo "windows-check: $failures failure(s)"
  exit 1
fi
echo "windows-check: passed"
