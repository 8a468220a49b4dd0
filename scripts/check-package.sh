#!/usr/bin/env bash
# Checks a release package: makes it with CPack in a build folder, unzips it into
# an empty folder, and runs tests/e2e/package_checks.py on it. Prints one line
# per check and "N passed, M failed"; exits non-zero on a failure.
#   - A Windows build folder: the zip holds exactly vantor.exe, the four backdrops
#     and README.txt; vantor.exe needs no DLL beside it; started there under Wine
#     it shows Earth on its first screen and exits with code 0; with broken
#     pictures in place of the backdrops (truncated, empty, not a BMP, absurdly
#     large) the game plays on. Needs DISPLAY and the Wine environment
#     (WINEPREFIX, ...) that run-tests sets up.
#   - A browser (Emscripten) build folder: the zip holds exactly the page, the
#     game, the icon, the four backdrops and README.txt; served from the unzipped
#     folder and loaded in headless Chromium, the first screen shows Earth behind
#     the board, and a click gets the computer's answer. Needs no display and no
#     Wine, but Debian's Python with its Selenium.
#
#   scripts/check-package.sh BUILD_DIR
set -u -o pipefail

if [ $# -ne 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "usage: $0 <windows or web build dir>" >&2
    exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
OUT=$BUILD/package-check
mkdir -p "$OUT"

# shellcheck source=scripts/install-deps.sh
source "$ROOT/scripts/install-deps.sh"

fail() {
    echo "FAIL  $1"
    echo "0 passed, 1 failed"
    exit 1
}

if grep -q '^CMAKE_TOOLCHAIN_FILE.*Emscripten' "$BUILD/CMakeCache.txt"; then
    KIND=web SUFFIX=web RUN=(vantor_emscripten) TARGETS=()
else
    KIND=wine SUFFIX=win64 RUN=() TARGETS=(--target vantor winprobe)
    for needed in DISPLAY WINEPREFIX; do
        [ -n "${!needed:-}" ] || fail "$needed is set (run under the virtual display and Wine prefix of run-tests)"
    done
fi

# A tree configured before the packaging rules existed has no CPack configuration yet.
if [ ! -f "$BUILD/CPackConfig.cmake" ]; then
    "${RUN[@]}" cmake -S "$ROOT" -B "$BUILD" >"$OUT/configure.log" 2>&1 || fail "the build folder configures (see $OUT/configure.log)"
fi
# What the package holds first, on both cores; CPack would build it on one.
"${RUN[@]}" cmake --build "$BUILD" "${TARGETS[@]}" -j 2 >"$OUT/build.log" 2>&1 || fail "the build builds (see $OUT/build.log)"

VERSION=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$ROOT/res/vantor.rc" | head -n1)
ZIP=$BUILD/package/vantor-$VERSION-$SUFFIX.zip
rm -f "$ZIP"
(cd "$BUILD" && "${RUN[@]}" cpack -G ZIP) >"$OUT/cpack.log" 2>&1 || fail "cpack makes the package (see $OUT/cpack.log)"

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

"$VANTOR_PYTHON" -B "$ROOT/tests/e2e/package_checks.py" "$KIND" "$ROOT" "$BUILD" "$ZIP" "$SCRATCH" "$OUT"
