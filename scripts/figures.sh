#!/usr/bin/env bash
# Prints the figures quoted in the README, each under the command that gives it
# again: the benchmarks (native), the time from starting vantor.exe under Wine
# to its first board on the screen, the size of vantor.exe, and the soak's
# memory and GDI objects before and after long play under Wine. Builds what is
# missing. Uses DISPLAY and WINEPREFIX when they are set, else starts a virtual
# display and a Wine prefix of its own. Takes two to three minutes; not a test.
#
#   scripts/figures.sh [BUILD_ROOT]   (default build: BUILD_ROOT/native, BUILD_ROOT/win)
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 2
ROOT=$PWD
BUILD=$(mkdir -p "${1:-$ROOT/build}" && cd "${1:-$ROOT/build}" && pwd)
NATIVE=$BUILD/native
WIN=$BUILD/win
LOGS=$BUILD/figures-logs
mkdir -p "$LOGS"
STARTS=5

# shellcheck source=scripts/install-deps.sh
source "$ROOT/scripts/install-deps.sh"
# shellcheck source=scripts/virtual-display.sh
source "$ROOT/scripts/virtual-display.sh"

die() {
    echo "figures: $1" >&2
    exit 1
}

vantor_install_packages "${VANTOR_TEST_PACKAGES[@]}" >"$LOGS/install.log" 2>&1 ||
    die "packages could not be installed (see $LOGS/install.log)"
{ cmake -S "$ROOT" -B "$NATIVE" && cmake --build "$NATIVE" --target vantor_bench -j 2; } >"$LOGS/native.log" 2>&1 ||
    die "the native benchmarks do not build (see $LOGS/native.log)"
{ cmake -S "$ROOT" -B "$WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw.cmake" &&
    cmake --build "$WIN" --target vantor vantor_backdrops winprobe vantor_soak -j 2; } >"$LOGS/win.log" 2>&1 ||
    die "the Windows build fails (see $LOGS/win.log)"

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    trap 'vantor_stop_wine; vantor_stop_xvfb' EXIT
    vantor_wine_env "$BUILD/wineprefix"
    vantor_start_xvfb "$LOGS/xvfb.log" || die "no virtual display (see $LOGS/xvfb.log)"
    vantor_start_wine "$LOGS/wine.log" || die "no Wine prefix (see $LOGS/wine.log)"
fi

echo "== Benchmarks"
echo "\$ build/native/bench/vantor_bench --benchmark_min_time=1 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true"
"$NATIVE/bench/vantor_bench" --benchmark_min_time=1 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true >"$LOGS/bench.txt" 2>&1 || die "the benchmarks failed (see $LOGS/bench.txt)"
# The medians of three runs; the means, deviations and the library's own notes
# are in the log.
grep -e '^Run on' -e '^Load Average' -e '^Benchmark' -e '^---' -e '_median' "$LOGS/bench.txt"
echo

echo "== Start to first screen under Wine (median of $STARTS starts)"
echo "\$ scripts/figures.sh   (polls the screen from 'wine vantor.exe' until the board's lines are drawn)"
python3 -B - "$ROOT" "$WIN" "$STARTS" "$LOGS/starts.log" <<'EOF' || die "the start time could not be measured (see $LOGS/starts.log)"
"""Times starts of vantor.exe under Wine: from the launch of `wine vantor.exe`
to the moment every grid line sample of the first board shows the grid colour,
polling the X screen through Xlib about every two milliseconds."""

import ctypes
import os
import statistics
import subprocess
import sys
import time

ROOT, WIN, STARTS, LOG = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from checks import FIRST_BOARD  # noqa: E402
from game_screen import THEMES, Board, rgb  # noqa: E402
from wine_desktop import Desktop, wait_for  # noqa: E402


class Screen:
    """Pixels of the X root window, read straight from the server."""

    def __init__(self):
        self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.c_void_p
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XGetPixel.restype = ctypes.c_ulong
        self.x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display")
        self.root = self.x11.XDefaultRootWindow(self.display)

    def pixels(self, left, top, width, height, points):
        """(r, g, b) of each screen point, all inside the given rectangle."""
        all_planes, z_pixmap = 0xFFFFFFFF, 2
        image = self.x11.XGetImage(self.display, self.root, left, top, width, height, all_planes, z_pixmap)
        if not image:
            return [None] * len(points)
        out = []
        for x, y in points:
            value = self.x11.XGetPixel(image, x - left, y - top)
            out.append(((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF))
        self.x11.XDestroyImage(image)
        return out


def main():
    desktop = Desktop(WIN, LOG)
    # A first start, not timed, finds where the client area lies on the screen.
    game = desktop.start_game()
    origin, client = game.origin, game.client
    game.stop()
    board = Board(client[0], client[1], *FIRST_BOARD)
    points = [(origin[0] + x, origin[1] + y) for x, y in board.line_samples()]
    left = min(p[0] for p in points)
    top = min(p[1] for p in points)
    width = max(p[0] for p in points) - left + 1
    height = max(p[1] for p in points) - top + 1
    teal = rgb(THEMES[1].grid)
    screen = Screen()
    times = []
    with open(LOG, "a") as log:
        for _ in range(STARTS):
            if all(p == teal for p in screen.pixels(left, top, width, height, points)):
                raise RuntimeError("the board is on the screen before the game starts")
            start = time.monotonic()
            process = subprocess.Popen(["wine", desktop.exe], cwd=WIN, stdout=log,
                                       stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            while True:
                if all(p == teal for p in screen.pixels(left, top, width, height, points)):
                    times.append(time.monotonic() - start)
                    break
                if time.monotonic() - start > 60 or process.poll() is not None:
                    raise RuntimeError("no board within a minute")
                time.sleep(0.002)
            process.kill()
            process.wait(timeout=20)
            wait_for("the game window to go away", lambda: not desktop.game_window_present(),
                     timeout=20, interval=0.1)
    print("first board after %.2f s (median; starts: %s)"
          % (statistics.median(times), ", ".join("%.2f" % t for t in times)))


main()
EOF
echo

echo "== Size of vantor.exe"
echo "\$ stat -c %s build/win/vantor.exe; the packaged one is stripped (cpack, scripts/check-package.sh)"
stripped=$(mktemp)
x86_64-w64-mingw32-strip -o "$stripped" "$WIN/vantor.exe"
printf 'as built, with its symbols and debugging information: %s bytes\n' "$(stat -c %s "$WIN/vantor.exe")"
printf 'stripped, as in the package: %s bytes\n' "$(stat -c %s "$stripped")"
rm -f "$stripped"
echo

echo "== Soak under Wine"
echo "\$ scripts/soak.sh build/win"
"$ROOT/scripts/soak.sh" "$WIN" >"$LOGS/soak.txt" 2>&1
code=$?
grep -v -e '^ok ' -e 'leak of' "$LOGS/soak.txt"
[ "$code" -eq 0 ] || die "the soak failed (see $LOGS/soak.txt)"
