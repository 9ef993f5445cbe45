#!/usr/bin/env bash
# The Debian package as CPack builds it from a build folder: its Depends must name the package of
# every library its programs load, and it must carry the desktop entry and the icon theme's sizes.
#   debian-package-test.sh BUILD-DIR
set -euo pipefail
build=$(realpath "$1")
command -v dpkg-shlibdeps >/dev/null || { echo "SKIPPED: dpkg-shlibdeps is missing (dpkg-dev)"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL - $*"
  failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  exit 1
fi
deb=$(ls "$scratch"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
dpkg-deb -x "$deb" "$scratch/root"
# Each name the field allows, alternatives included, without its version.
declared=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/[[:space:]]//g' | sort -u)

# The package that installed a library, whichever spelling of its path (merged /usr or not) dpkg
# has on record.
owner() {
  local path=$1 candidate
  for candidate in "$path" "$(realpath "$path")" "${path#/usr}" "/usr$path"; do
    dpkg -S "$candidate" 2>/dev/null | grep -v '^diversion' | head -1 | cut -d: -f1 && return 0
  done
  return 1
}

programs=0
while IFS= read -r -d '' file; do
  needed=$(objdump -p "$file" 2>/dev/null | awk '$1 == "NEEDED" {print $2}') || continue
  [[ -n "$needed" ]] || continue
  programs=$((programs + 1))
  where=$(ldd "$file")
  for soname in $needed; do
    path=$(awk -v n="$soname" '$1 == n && $2 == "=>" {print $3}' <<<"$where")
    if [[ -z "$path" || ! -e "$path" ]]; then
      fail "${file#"$scratch/root"} needs $soname, which this machine doesn't have"
      continue
    fi
    package=$(owner "$path") || {
      fail "no package owns $path (${soname}, needed by ${file#"$scratch/root"})"
      continue
    }
    if grep -qx "$package" <<<"$declared"; then
      echo "ok - ${file#"$scratch/root"}: $soname comes from $package"
    else
      fail "${file#"$scratch/root"} needs $soname from $package, which Depends lacks"
    fi
  done
done < <(find "$scratch/root" -type f -print0)
[[ $programs -ge 3 ]] || fail "the package holds $programs programs, expected cartovex, cartovex-cli and convkvx110"

# Launchers show 48 to 256 pixels; the menu 16 and 32.
icons="$scratch/root/usr/share/icons/hicolor"
for size in 16 32 48 64 128 256; do
  png="$icons/${size}x${size}/apps/cartovex.png"
  if [[ ! -f "$png" ]]; then
    fail "no ${size}x${size} icon"
    continue
  fi
  # The PNG header's width and height, big-endian at bytes 16 and 20.
  dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
  [[ "$dimensions" == "${size}x${size}" ]] && echo "ok - the ${size}x${size} icon" ||
    fail "the ${size}x${size} icon is $dimensions"
done
grep -q '<svg' "$icons/scalable/apps/cartovex.svg" 2>/dev/null && echo "ok - the scalable icon" ||
  fail "no scalable icon"
entry="$scratch/root/usr/share/applications/cartovex.desktop"
grep -qx 'Icon=cartovex' "$entry" && grep -qx 'Exec=cartovex-launcher' "$entry" &&
  echo "ok - the menu entry starts the launcher with the theme's icon" || fail "the menu entry $entry"

[[ $failures -eq 0 ]] && echo "debian package: passed" || echo "debian package: $failures failure(s)"
[[ $failures -eq 0 ]]
