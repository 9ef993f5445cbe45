#!/usr/bin/env bash
# Runs the core test suite as an unprivileged user, so that the tests root passes over (folders and
# files that may not be read or written hold nothing back from root) run as well. Run it as root
# after the suite was built: it creates the system user "cartovex-test" when there is none, and gives
# it a copy of the test program, the programs the tests start and the bundled data, since the
# build tree may lie where that user can't reach it.
#   scripts/test-as-user.sh [BUILD-DIR]     default build/default
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
user=cartovex-test

[[ $(id -u) -eq 0 ]] || {
  echo "test-as-user: run this as root; as any other user ctest runs these tests already" >&2
  exit 1
}
for program in tests/cartovex_tests src/programs/cli/cartovex-cli src/programs/convkvx110/convkvx110; do
  [[ -x "$build/$program" ]] || {
    echo "test-as-user: $build/$program is not built (cmake --build --preset default)" >&2
    exit 1
  }
done
id "$user" >/dev/null 2>&1 || useradd --system --user-group --no-create-home --shell /usr/sbin/nologin "$user"

copy=$(mktemp -d /tmp/cartovex-as-user.XXXXXX)
trap 'rm -rf "$copy"' EXIT
for program in tests/cartovex_tests src/programs/cli/cartovex-cli src/programs/convkvx110/convkvx110; do
  install -D "$build/$program" "$copy/build/$program"
done
mkdir -p "$copy/source" "$copy/tmp"
cp -r data "$copy/source/"
chown -R "$user:" "$copy"

echo "Running the core tests as $user"
cd "$copy"
runuser -u "$user" -- env HOME="$copy" TMPDIR="$copy/tmp" CARTOVEX_BINARY_DIR="$copy/build" \
  CARTOVEX_SOURCE_DIR="$copy/source" "$copy/build/tests/cartovex_tests" --gtest_brief=1
