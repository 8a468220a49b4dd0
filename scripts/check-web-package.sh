#!/usr/bin/env bash
# Checks the browser release package: makes it with CPack in a web build folder
# (Emscripten), checks that it holds exactly the page, the game, the icon, the
# four backdrops and README.txt, unzips it into an empty folder, serves that
# folder from a local web server and loads it in headless Chromium: the first
# screen shows Earth behind the board, and a click gets the computer's answer.
# Needs no display and no Wine; uses the end-to-end harness in tests/e2e and
# Debian's Python with its Selenium. Prints one line per check and
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

"$VANTOR_PYTHON" -B - "$ROOT" "$ZIP" "$SCRATCH" "$OUT" <<'EOF'
"""The package checks, with the end-to-end harness driving the page."""

import os
import sys
import time
import traceback
import zipfile

ROOT, ZIP, SCRATCH, OUT = sys.argv[1:5]
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from checks import Harness, expect, first_answer  # noqa: E402
from game_screen import THEMES  # noqa: E402
from wine_desktop import CheckFailed  # noqa: E402

PICTURES = ["terre.bmp", "mars.bmp", "saturne.bmp", "jupiter.bmp"]
EXPECTED = {"index.html", "vantor.js", "vantor.wasm", "vantor-page.js", "vantor-resources.js",
            "vantor.css", "vantor.ico", "README.txt"} | set(PICTURES)
UNPACKED = os.path.join(SCRATCH, "unpacked")
LOG = os.path.join(OUT, "check-detail.log")
open(LOG, "w").close()


def check_zip_name():
    """CPack names the package after the version the About box shows."""
    expect(os.path.isfile(ZIP), "no %s after cpack" % os.path.basename(ZIP))


def check_contents():
    """Exactly the page's files, the pictures and the README, with no folder around them."""
    with zipfile.ZipFile(ZIP) as archive:
        names = archive.namelist()
        expect(archive.testzip() is None, "the archive is damaged")
        # Unpacked even when the list is wrong: the page checks tell what that breaks.
        os.makedirs(UNPACKED)
        archive.extractall(UNPACKED)
    expect(sorted(names) == sorted(EXPECTED), "the package holds %s, not %s"
           % (sorted(names), sorted(EXPECTED)))
    sources = [(name, os.path.join(ROOT, "assets", name)) for name in PICTURES]
    sources.append(("README.txt", os.path.join(ROOT, "res", "README-web.txt")))
    for name, source in sources:
        with open(os.path.join(UNPACKED, name), "rb") as packed, open(source, "rb") as f:
            expect(packed.read() == f.read(), "%s differs from %s" % (name, os.path.relpath(source, ROOT)))


def check_first_screen(h):
    """Served from the unpacked folder, the page's first screen shows the 6 x 6
    board on Earth (assets/terre.bmp) stretched over the board area."""
    expect(os.path.isdir(UNPACKED), "nothing unpacked to serve")
    game = h.start()
    board, image = h.first_screen(game)
    h.shot("earth", image)
    h.expect_backdrop(image, THEMES[1])
    h.results["first"] = (board, image)


def check_answer(h):
    """A click in a cell: the human's dot and the computer's answer where the
    Windows runtime's draws put it; the page asked for nothing the package lacks."""
    expect(h is not None and h.game is not None and "first" in h.results, "no first screen to click on")
    board, baseline = h.results["first"]
    image = first_answer(h, h.game, board, baseline, (2, 3))
    h.shot("answer", image)
    with open(os.path.join(h.front.root, "server.log")) as f:
        missing = [line.strip() for line in f if '" 404 ' in line]
    expect(not missing, "the page asked for files the package lacks: %s" % missing)


def main():
    harness = None
    checks = [
        ("package named %s" % os.path.basename(ZIP), lambda: check_zip_name()),
        ("package holds exactly the page's files, the four backdrops and README.txt",
         lambda: check_contents()),
        ("unpacked page shows Earth behind the board", lambda: check_first_screen(harness)),
        ("a click gets the computer's answer", lambda: check_answer(harness)),
    ]
    passed = failed = 0
    browser = None
    try:
        for number, (name, check) in enumerate(checks, 1):
            started = time.monotonic()
            problem = None
            try:
                if number == 3:
                    expect(os.path.isdir(UNPACKED), "nothing unpacked to serve")
                    from web_page import Browser  # Debian's Selenium, only where it is needed
                    browser = Browser(UNPACKED, LOG)
                    # The backdrop is judged against the project's own Earth, not
                    # against whatever the package holds under its name.
                    browser.pictures_dir = os.path.join(ROOT, "assets")
                    harness = Harness(browser, os.path.join(OUT, "shots"))
                if harness is not None:
                    harness.check_name = "%02d" % number
                    browser.log("=== %s" % name)
                check()
            except CheckFailed as e:
                problem = str(e)
            except Exception as e:  # a broken check is a failed check, not a crashed run
                problem = "%s: %s" % (type(e).__name__, e)
                with open(LOG, "a") as log:
                    log.write(traceback.format_exc())
            if problem and harness is not None:
                try:
                    harness.shot_screen("failed")
                except Exception:
                    pass
            seconds = time.monotonic() - started
            if problem:
                failed += 1
                print("FAIL  %s (%.1f s): %s" % (name, seconds, problem), flush=True)
            else:
                passed += 1
                print("ok    %s (%.1f s)" % (name, seconds), flush=True)
    finally:
        if harness is not None:
            harness.finish()
        if browser is not None:
            browser.close()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


sys.exit(main())
EOF
