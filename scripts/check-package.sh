#!/usr/bin/env bash
# Checks the Windows release package: makes it with CPack in a Windows build
# folder, unzips it into an empty folder, and checks that it holds exactly
# vantor.exe, the four backdrops and README.txt, that vantor.exe needs no DLL
# beside it, and that started there under Wine it shows Earth on its first
# screen and exits with code 0. Then the same package with broken pictures in
# place of the backdrops (truncated, empty, not a BMP, absurdly large): the game
# plays on. Needs DISPLAY and the Wine environment (WINEPREFIX, ...) that
# run-tests sets up; uses the end-to-end harness in tests/e2e. Prints one line
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

python3 -B - "$ROOT" "$BUILD" "$ZIP" "$SCRATCH" "$OUT" <<'EOF'
"""The package checks, with the end-to-end harness driving vantor.exe."""

import os
import shutil
import subprocess
import sys
import time
import traceback
import zipfile

ROOT, BUILD, ZIP, SCRATCH, OUT = sys.argv[1:6]
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import imaging  # noqa: E402
from checks import Harness, broken_pictures, expect  # noqa: E402
from game_screen import THEMES, Board, colour_name, matches, occupied_cells  # noqa: E402
from wine_desktop import CheckFailed, Desktop, wait_for  # noqa: E402

EXPECTED = {"vantor.exe", "README.txt", "terre.bmp", "mars.bmp", "saturne.bmp", "jupiter.bmp"}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll",
               "shell32.dll", "comctl32.dll", "comdlg32.dll"}
UNPACKED = os.path.join(SCRATCH, "unpacked")
BROKEN = os.path.join(SCRATCH, "broken-pictures")
LOG = os.path.join(OUT, "check-detail.log")
open(LOG, "w").close()


def check_zip_name():
    """CPack names the package after the version the About box shows."""
    expect(os.path.isfile(ZIP), "no %s after cpack" % os.path.basename(ZIP))


def check_contents():
    """Exactly the game, its pictures and the README, with no folder around them."""
    with zipfile.ZipFile(ZIP) as archive:
        names = archive.namelist()
        expect(archive.testzip() is None, "the archive is damaged")
        expect(sorted(names) == sorted(EXPECTED), "the package holds %s, not %s"
               % (sorted(names), sorted(EXPECTED)))
        os.makedirs(UNPACKED)
        archive.extractall(UNPACKED)
    for name in ("terre.bmp", "mars.bmp", "saturne.bmp", "jupiter.bmp"):
        with open(os.path.join(UNPACKED, name), "rb") as packed, \
                open(os.path.join(ROOT, "assets", name), "rb") as source:
            expect(packed.read() == source.read(), "%s differs from assets/%s" % (name, name))
    with open(os.path.join(UNPACKED, "README.txt"), "rb") as f:
        readme = f.read()
    expect(b"\r\n" in readme and b"\n" not in readme.replace(b"\r\n", b""),
           "README.txt does not have Windows line ends throughout")


def check_imports():
    """The packaged vantor.exe needs no DLL beside it: it imports system DLLs only."""
    exe = os.path.join(UNPACKED, "vantor.exe")
    expect(os.path.isfile(exe), "nothing unpacked to look at")
    text = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True,
                          text=True, check=True).stdout
    dlls = {line.split(":", 1)[1].strip().lower() for line in text.splitlines()
            if "DLL Name:" in line}
    expect(dlls, "objdump lists no imported DLL")
    expect(dlls <= SYSTEM_DLLS, "vantor.exe imports %s" % sorted(dlls - SYSTEM_DLLS))


def desktop_for(folder):
    """The harness's desktop, running the vantor.exe of `folder` in that folder."""
    desktop = Desktop(BUILD, LOG)
    desktop.exe = os.path.join(folder, "vantor.exe")
    desktop.build_dir = folder  # where the game runs and the pictures are read
    desktop.pictures_dir = folder
    return desktop


def backdrop_samples(image, board, picture):
    """Pixels away from the board and the score panel, each against the picture
    stretched over the client area: (point, shown, expected colours) for those
    that match none of the picture's pixels at or around the stretched place."""
    misses = []
    for gy in range(12):
        for gx in range(12):
            x = (2 * gx + 1) * image.width // 24
            y = (2 * gy + 1) * image.height // 24
            if y < 50 or y > image.height - 50:
                continue  # the score panel's rows
            if board.left - 3 <= x <= board.right + 3 and board.top - 3 <= y <= board.bottom + 3:
                continue
            sx = x * picture.width // image.width
            sy = y * picture.height // image.height
            near = {picture.pixel(sx + dx, sy + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)}
            near.discard(None)
            shown = image.pixel(x, y)
            if shown not in near:
                misses.append(((x, y), shown))
    return misses


def check_earth(h):
    """Started from the unpacked folder, the first screen shows Earth stretched
    over the client area behind the board."""
    expect(os.path.isdir(UNPACKED), "nothing unpacked to start")
    h.front = desktop_for(UNPACKED)
    game = h.start()
    theme = THEMES[1]
    board, image = h.first_screen(game)
    h.shot("earth", image)
    picture = imaging.read_bmp(os.path.join(UNPACKED, theme.picture))
    misses = backdrop_samples(image, board, picture)
    expect(len(misses) <= 3, "%d pixels away from the board are not Earth's, e.g. %s at %s"
           % (len(misses), colour_name(misses[0][1]) if misses else "", misses[0][0] if misses else ""))
    h.expect_backdrop(image, theme)


def check_exit(h):
    """File > Exit ends the unpacked game with exit code 0."""
    game = h.game
    expect(game is not None and game.alive(), "the game of the previous check is not running")
    game.keys("alt+f", "x")
    code = game.wait_exit()
    expect(code == 0, "vantor.exe exited with code %d" % code)


def click_control(game, dialog, text):
    left, top, right, bottom = dialog.control(text)["rect"]
    game.click_screen((left + right) // 2, (top + bottom) // 2)


def check_broken_pictures(h):
    """With truncated, empty, non-BMP and absurdly large files named like the
    backdrops, the game shows its board, takes a move and the computer's
    answer, goes through all four levels, and exits with code 0."""
    expect(os.path.isdir(UNPACKED), "nothing unpacked to copy")
    shutil.copytree(UNPACKED, BROKEN)
    with open(os.path.join(UNPACKED, "terre.bmp"), "rb") as f:
        earth = f.read()
    for name, blob in broken_pictures(earth).items():
        with open(os.path.join(BROKEN, name), "wb") as f:
            f.write(blob)
    h.front = desktop_for(BROKEN)
    game = h.start()
    board, baseline = h.first_screen(game)
    h.shot("level1", baseline)
    game.click(*board.centre(2, 3))
    image = game.wait_screen("the move and the computer's answer",
                             lambda im: len(occupied_cells(im, baseline, board)) >= 2)
    h.shot("move", image)
    for level in (2, 3, 4):
        game.keys("alt+v", "s", "l")
        dialog = game.wait_dialog("Dialog")
        click_control(game, dialog, "Level %d" % level)
        wait_for("Level %d to be checked" % level,
                 lambda: game.dialogs() and game.dialogs()[0].checked() == ["Level %d" % level],
                 timeout=10)
        click_control(game, dialog, "OK")
        game.wait_no_dialog(timeout=30)
        _, image = h.first_screen(game, THEMES[level])
        h.shot("level%d" % level, image)
        expect(game.alive(), "the game ended at level %d" % level)
    game.keys("alt+f", "x")
    code = game.wait_exit()
    expect(code == 0, "vantor.exe exited with code %d" % code)


def main():
    harness = Harness(desktop_for(BUILD), os.path.join(OUT, "shots"))
    checks = [
        ("package named %s" % os.path.basename(ZIP), lambda: check_zip_name()),
        ("package holds exactly vantor.exe, the four backdrops and README.txt",
         lambda: check_contents()),
        ("packaged vantor.exe imports system DLLs only", lambda: check_imports()),
        ("unpacked game shows Earth on its first screen", lambda: check_earth(harness)),
        ("unpacked game exits with code 0", lambda: check_exit(harness)),
        ("broken pictures: the game plays on through all four levels",
         lambda: check_broken_pictures(harness)),
    ]
    passed = failed = 0
    for number, (name, check) in enumerate(checks, 1):
        harness.check_name = "%02d" % number
        harness.front.log("=== %s" % name)
        started = time.monotonic()
        problem = None
        try:
            check()
        except CheckFailed as e:
            problem = str(e)
        except Exception as e:  # a broken check is a failed check, not a crashed run
            problem = "%s: %s" % (type(e).__name__, e)
            harness.front.log(traceback.format_exc())
        if problem:
            try:
                harness.shot_screen("failed")
            except Exception:
                pass
        # The game stays open from the Earth check to the Exit check only.
        if not (name.startswith("unpacked game shows") and not problem):
            try:
                harness.finish()
            except Exception as e:
                problem = problem or "could not stop the game: %s" % e
        seconds = time.monotonic() - started
        if problem:
            failed += 1
            print("FAIL  %s (%.1f s): %s" % (name, seconds, problem), flush=True)
        else:
            passed += 1
            print("ok    %s (%.1f s)" % (name, seconds), flush=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


sys.exit(main())
EOF
