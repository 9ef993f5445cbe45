#!/usr/bin/env bash
# The end-to-end test of the 64-bit Windows programs under Wine; run it inside an X display
# (scripts/windows-check.sh starts it under xvfb-run).
#   tests/suites/wine/run.sh BUILD-DIR IMAGE-MAKER OUTPUT-DIR [UNPACKED-ARCHIVE]
# BUILD-DIR is the windows-x86_64 build, IMAGE-MAKER the Linux cartovex-makedemo that writes the
# demo collection, OUTPUT-DIR receives the pane texts, the programs' outputs and the screenshot.
# UNPACKED-ARCHIVE, when given, is the release archive's folder, whose programs must run on their
# own with the files bundled beside them.
set -euo pipefail
build=$(realpath "$1")
makedemo=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
# Nothing of an earlier run may stand in for this one's results.
rm -f "$out"/pane-*.txt "$out"/cli-*.txt "$out"/cli-*.err "$out"/process-button.txt "$out"/screenshot.* \
  "$out/cartovex-window.png"
wine=/usr/lib/wine/wine64
failures=0
passes=0

fail() {
  echo "FAIL - $*"
  failures=$((failures + 1))
}
pass() {
  echo "ok - $*"
  passes=$((passes + 1))
}
# A Unix path as the Windows programs see it (Wine maps / to drive Z:).
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

scratch=$(mktemp -d /tmp/cartovex-wine.XXXXXX)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "${wine}server" -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# Wine draws the window frames itself (there is no window manager on the test display), and
# "Terminal", a font Windows ships but Wine does not, is replaced by a fixed-pitch one.
if ! "$wine" wineboot -i >"$scratch/wineboot.log" 2>&1; then
  echo "SKIPPED: Wine cannot start on this machine:"
  sed 's/^/  /' "$scratch/wineboot.log" | tail -5
  exit 0
fi
cat >"$scratch/settings.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Terminal"="DejaVu Sans Mono"
EOF
"$wine" regedit /S "$(winpath "$scratch/settings.reg")" >/dev/null 2>&1 || true

# The start folder: the demo collection with its reference files, settings whose update site is
# this machine (the probe is refused at once and nothing leaves the machine), and the converter.
work="$scratch/work"
mkdir -p "$work/convkvx"
"$makedemo" "$work" >"$out/demo.txt"
printf 'UpdateSite=127.0.0.1\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_GENERATELOG=on\r\nTOGGLE_GENERATECUE=on\r\nTOGGLE_FIXBINCUESHEET=off\r\nTOGGLE_UNDERSCORE=on\r\n' \
  >"$work/Cartovex.ini"
converter=$(find "$build/src/programs" -name convkvx110.exe | head -1)
[[ -n "$converter" ]] && cp "$converter" "$work/convkvx/"
# A known disc: the analysis enables PROCESS, and the region commands for its ISO.
image="$work/collection/Star Quest/Star Quest.iso"
[[ -f "$image" ]] || { fail "the demo collection has no $image"; exit 1; }

program="$build/src/programs/desktop-win32/cartovex.exe"
cli=$(find "$build/src/programs" -name cartovex-cli.exe | head -1)
driver="$build/tests/suites/wine/cartovex-wine-driver.exe"
backend="$build/tests/suites/wine/cartovex-win32-backend-test.exe"

# The backend test works in a folder of its own.
mkdir -p "$scratch/backend"
if (cd "$scratch/backend" && "$wine" "$backend" "$(winpath "$scratch/backend")" "$(winpath "$program")") >"$out/backend.txt" 2>&1; then
  pass "the Win32 backend test ($(tail -1 "$out/backend.txt"))"
else
  grep -E '^(FAIL|#)' "$out/backend.txt" || true
  fail "the Win32 backend test ($(tail -1 "$out/backend.txt"))"
fi

# The release archive as a user unpacks it: its command-line program starts (no DLL is missing)
# and finds the bundled reference files in its folder.
if [[ -n "${4:-}" ]]; then
  unpacked=$(realpath "$4")
  status=0
  (cd "$unpacked" && "$wine" ./cartovex-cli.exe about) >"$out/archive-about.txt" 2>&1 || status=$?
  if [[ $status -eq 0 ]] && grep -q '(DATA.KVX) version' "$out/archive-about.txt" &&
    ! grep -q 'not found' "$out/archive-about.txt"; then
    pass "the unpacked archive's cartovex-cli.exe runs with its bundled files"
  else
    fail "the unpacked archive's cartovex-cli.exe (status $status):"
    head -5 "$out/archive-about.txt"
  fi
fi

# What cartovex-cli prints for the same folder and image, where it knows the command. Its output is
# taken before the window runs, whose Exit rewrites the settings.
declare -A cli_status=()
run_cli() {
  local name=$1
  shift
  [[ -n "$cli" ]] || return 0
  local status=0
  (cd "$work" && "$wine" "$cli" "$@") >"$out/cli-$name.txt" 2>"$out/cli-$name.err" || status=$?
  cli_status[$name]=$status
}
run_cli about about
run_cli update update
run_cli analyse analyse "$(winpath "$image")"

# The update from a collector's own web server on a port of its own, as the README shows it: a
# loopback server serves newer reference files and the update site names it as host:port.
update_through_port() {
  local site="$scratch/site" folder="$scratch/update" port="" name
  mkdir -p "$site/zip" "$folder"
  for name in DATA.KVX DEVELOPPER.KVX; do
    cp "$work/$name" "$folder/"
    # The same file one version on: its first line is the version.
    awk 'NR == 1 { printf "%d\r\n", $0 + 1; next } { print }' "$work/$name" >"$site/zip/$name"
  done
  timeout 120 python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$site" >"$scratch/site.log" 2>&1 &
  local server_pid=$!
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^Serving HTTP on .* port \([0-9]*\).*/\1/p' "$scratch/site.log")
    [[ -n "$port" ]] && break
    sleep 0.1
  done
  if [[ -z "$port" ]]; then
    fail "the loopback web server for the update did not start: $(head -3 "$scratch/site.log")"
  else
    printf 'UpdateSite=127.0.0.1:%s\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_GENERATELOG=on\r\nTOGGLE_GENERATECUE=on\r\nTOGGLE_FIXBINCUESHEET=off\r\nTOGGLE_UNDERSCORE=on\r\n' \
      "$port" >"$folder/Cartovex.ini"
    local status=0
    (cd "$folder" && timeout 120 "$wine" "$cli" update) >"$out/cli-update-port.txt" 2>"$out/cli-update-port.err" ||
      status=$?
    if [[ $status -eq 0 ]] && cmp -s "$folder/DATA.KVX" "$site/zip/DATA.KVX" &&
      cmp -s "$folder/DEVELOPPER.KVX" "$site/zip/DEVELOPPER.KVX" &&
      ! grep -Eq "not updated|Could not connect|can't be used" "$out/cli-update-port.txt"; then
      pass "cartovex-cli.exe update installs newer files from UpdateSite=127.0.0.1:$port"
    else
      fail "cartovex-cli.exe update from UpdateSite=127.0.0.1:$port (status $status):"
      head -5 "$out/cli-update-port.txt"
    fi
  fi
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
}
[[ -n "$cli" ]] && update_through_port

# Many copies of the collection: mass processing them keeps the window busy for a while.
busy="$scratch/busy"
for copy in $(seq 1 150); do
  mkdir -p "$busy/copy $copy"
  cp -R "$work/collection/." "$busy/copy $copy/"
done

# The driver runs the window; it asks for the screenshot once the analysis is on screen.
(cd "$work" && "$wine" "$driver" "$(winpath "$program")" "$(winpath "$work")" "$(winpath "$out")" \
  "$(winpath "$image")" "$(winpath "$busy")") >"$out/driver.txt" 2>&1 &
driver_pid=$!
for _ in $(seq 1 1200); do
  if [[ -f "$out/screenshot.request" ]]; then
    geometry=$(cat "$out/screenshot.request")
    import -window root ${geometry:+-crop "$geometry"} +repage "$out/cartovex-window.png" 2>/dev/null ||
      echo "# screenshot failed"
    touch "$out/screenshot.done"
    break
  fi
  kill -0 "$driver_pid" 2>/dev/null || break
  sleep 0.1
done
driver_status=0
wait "$driver_pid" || driver_status=$?
grep -v '^ok - ' "$out/driver.txt" || true
if [[ $driver_status -eq 0 ]]; then
  pass "the window driver ($(tail -1 "$out/driver.txt"))"
else
  fail "the window driver ($(tail -1 "$out/driver.txt"))"
fi

# The pane's text against the command-line program's output: the same lines, whatever the line ends.
# The pane starts with the empty line every append puts first.
pane_lines() { tr -d '\r' <"$1" | tail -c +2; echo; }
cli_lines() { tr -d '\r' <"$1"; }
compare() {
  local what=$1 pane=$2
  shift 2
  local name
  for name in "$@"; do
    if [[ -z "$cli" ]]; then
      echo "skip - $what: there is no cartovex-cli.exe yet"
      return
    fi
    if [[ ${cli_status[$name]} -eq 2 ]]; then
      echo "skip - $what: cartovex-cli has no '$name' command yet"
      return
    fi
  done
  if [[ ! -s "$out/$pane" ]]; then
    fail "$what: the driver saved no $pane"
    return
  fi
  if cmp -s <(pane_lines "$out/$pane") <(for name in "$@"; do cli_lines "$out/cli-$name.txt"; done); then
    pass "$what"
  else
    fail "$what"
    diff <(pane_lines "$out/$pane") <(for name in "$@"; do cli_lines "$out/cli-$name.txt"; done) | head -20
  fi
}
compare "the About text matches cartovex-cli about" pane-about.txt about
compare "the start-up pane matches cartovex-cli about and update" pane-startup.txt about update
compare "the image's analysis matches cartovex-cli analyse" pane-image.txt analyse
if [[ -n "$cli" && -f "$out/process-button.txt" && ${cli_status[analyse]:-2} -ne 2 ]]; then
  expected=disabled
  [[ ${cli_status[analyse]} -eq 0 ]] && expected=enabled
  if [[ "$(cat "$out/process-button.txt")" == "$expected" ]]; then
    pass "the PROCESS button is $expected, as cartovex-cli analyse's status says"
  else
    fail "the PROCESS button is $(cat "$out/process-button.txt"), cartovex-cli analyse says $expected"
  fi
fi
[[ -f "$out/cartovex-window.png" ]] && echo "# screenshot: $out/cartovex-window.png"

echo "wine: $passes passed, $failures failed"
[[ $failures -eq 0 ]]
