#!/usr/bin/env bash
# Checks the Windows release package: makes it with CPack in a Windows build
# folder, unzips it into an empty folder, and checks that it holds exactly
# vantor.exe, the four backdrops and README.txt, that vantor.exe needs no DLL
# beside it, and that started there under Wine it shows Earth on its first
# screen and exits with code 0. Then the same package with broken pictures in
# place of the backdrops (truncated, empty, not a BMP, absurdly large): the game
# plays on. Needs DISPLAY and the Wine environment (WINEPREFIX, ...) that
# run-tests sets up; the checks are tests/e2e/package_checks.py. Prints one line
# per check and "N passed, M failed"; exits non-zero on a failure.
#
#   scripts/check-package.sh BUILD_DIR
set -u -o pipefail

if [ $# -ne 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "usage: $0 <windows build dir>" >&2
    exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
OUT=$BUILD/package-check
mkdir -p "$OUT"

fail() {
    echo "FAIL  $1"
    echo "0 passed, 1 failed"
    exit 1
}

for needed in DISPLAY WINEPREFIX; do
    [ -n "${!needed:-}" ] || fail "$needed is set (run under the virtual display and Wine prefix of run-tests)"
done

# A tree configured before the packaging rules existed has no CPack configuration yet.
if [ ! -f "$BUILD/CPackConfig.cmake" ]; then
    cmake -S "$ROOT" -B "$BUILD" >"$OUT/configure.log" 2>&1 || fail "the build folder configures (see $OUT/configure.log)"
fi
cmake --build "$BUILD" --target vantor winprobe -j 2 >"$OUT/build.log" 2>&1 ||
    fail "vantor.exe and winprobe.exe build (see $OUT/build.log)"

VERSION=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$ROOT/res/vantor.rc" | head -n1)
ZIP=$BUILD/package/vantor-$VERSION-win64.zip
rm -f "$ZIP"
(cd "$BUILD" && cpack -G ZIP) >"$OUT/cpack.log" 2>&1 || fail "cpack makes the package (see $OUT/cpack.log)"

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

python3 -B "$ROOT/tests/e2e/package_checks.py" wine "$ROOT" "$BUILD" "$ZIP" "$SCRATCH" "$OUT"
