#!/usr/bin/env bash
# Checks the browser release package: makes it with CPack in a web build folder
# (Emscripten), checks that it holds exactly the page, the game, the icon, the
# four backdrops and README.txt, unzips it into an empty folder, serves that
# folder from a local web server and loads it in headless Chromium: the first
# screen shows Earth behind the board, and a click gets the computer's answer.
# Needs no display and no Wine; the checks are tests/e2e/package_checks.py, run
# by Debian's Python with its Selenium. Prints one line per check and
# "N passed, M failed"; exits non-zero on a failure.
#
#   scripts/check-web-package.sh WEB_BUILD_DIR
set -u -o pipefail

if [ $# -ne 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "usage: $0 <web build dir>" >&2
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

# The page and the game first, on both cores; CPack would build them on one.
vantor_emscripten cmake --build "$BUILD" -j 2 >"$OUT/build.log" 2>&1 ||
    fail "the browser build builds (see $OUT/build.log)"

VERSION=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$ROOT/res/vantor.rc" | head -n1)
ZIP=$BUILD/package/vantor-$VERSION-web.zip
rm -f "$ZIP"
(cd "$BUILD" && vantor_emscripten cpack -G ZIP) >"$OUT/cpack.log" 2>&1 ||
    fail "cpack makes the package (see $OUT/cpack.log)"

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

"$VANTOR_PYTHON" -B "$ROOT/tests/e2e/package_checks.py" web "$ROOT" "$BUILD" "$ZIP" "$SCRATCH" "$OUT"
