#!/usr/bin/env bash
# Prints the figures quoted in the README, each under the command that gives it
# again, the two front ends side by side where both have the figure: vantor.exe
# under Wine and the page in headless Chromium.
#   - the benchmarks (native);
#   - start to the first board on the screen: `wine vantor.exe`, and a load of
#     the page;
#   - a click's answer in Human <> Computer, from the click to the computer's
#     dot on the screen, and the thinking pause inside it;
#   - a 20 x 20 Computer <> Computer round, and its share that is not pausing;
#   - the download: the page's files without and with the pictures, the
#     release packages and the stripped vantor.exe;
#   - the soak's memory and GDI objects before and after long play under Wine;
# then each figure against its goal. Builds what is missing. Uses DISPLAY and
# WINEPREFIX when they are set, else starts a virtual display and a Wine prefix
# of its own. Takes about three minutes once everything is built; not a test.
#
#   scripts/figures.sh [BUILD_ROOT]   (builds: BUILD_ROOT/native, BUILD_ROOT/win, BUILD_ROOT/web)
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 2
ROOT=$PWD
BUILD=$(mkdir -p "${1:-$ROOT/build}" && cd "${1:-$ROOT/build}" && pwd)
NATIVE=$BUILD/native
WIN=$BUILD/win
WEB=$BUILD/web
LOGS=$BUILD/figures-logs
mkdir -p "$LOGS"
STARTS=5  # starts of vantor.exe, loads of the page
ANSWER_GAMES=2
ANSWER_CLICKS=6  # clicks per game
ROUNDS=3  # 20 x 20 Computer <> Computer rounds
# What each measuring step found, as "key value" lines, for the goals at the end.
VALUES=$LOGS/values.txt
: >"$VALUES"

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
# All of the Windows tree: CPack builds everything before it packs, on one core.
{ cmake -S "$ROOT" -B "$WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw.cmake" &&
    cmake --build "$WIN" -j 2; } >"$LOGS/win.log" 2>&1 ||
    die "the Windows build fails (see $LOGS/win.log)"
grep -q 'vantor_round_time' "$WIN/CMakeFiles/TargetDirectories.txt" ||
    die "the Windows build has no vantor_round_time: CMakeLists.txt must add bench/win32 for WIN32"
cmake --build "$WIN" --target vantor_soak vantor_round_time -j 2 >>"$LOGS/win.log" 2>&1 ||
    die "the Windows timing programs do not build (see $LOGS/win.log)"
{ vantor_emscripten emcmake cmake -S "$ROOT" -B "$WEB" -DCMAKE_BUILD_TYPE=Release &&
    vantor_emscripten cmake --build "$WEB" -j 2; } >"$LOGS/web.log" 2>&1 ||
    die "the browser build fails (see $LOGS/web.log)"
SITE=$WEB/site

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    trap 'vantor_stop_wine; vantor_stop_xvfb' EXIT
    vantor_wine_env "$BUILD/wineprefix"
    vantor_start_xvfb "$LOGS/xvfb.log" || die "no virtual display (see $LOGS/xvfb.log)"
    vantor_start_wine "$LOGS/wine.log" || die "no Wine prefix (see $LOGS/wine.log)"
fi

# --- The measuring programs -----------------------------------------------------

# vantor.exe under Wine, watched on the X screen through Xlib.
cat >"$LOGS/measure_wine.py" <<'EOF'
"""Times vantor.exe under Wine on the X screen, polled through Xlib every few
milliseconds: `starts`, from the launch of `wine vantor.exe` to every grid line
sample of the first board in the grid colour; `answers`, from a click on an
empty cell (sent through XTest, as xdotool sends it) to the dots of the click
and of the computer's answer on the screen."""

import ctypes
import os
import statistics
import subprocess
import sys
import time

ROOT, WIN, MODE, COUNT, PER_GAME, LOG, VALUES = sys.argv[1:8]
COUNT, PER_GAME = int(COUNT), int(PER_GAME)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from checks import FIRST_BOARD, Harness  # noqa: E402
from game_screen import THEMES, Board, rgb  # noqa: E402
from wine_desktop import Desktop, wait_for  # noqa: E402


class Screen:
    """Pixels of the X root window, read straight from the server, and the
    pointer driven through the XTest extension."""

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
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xtest = ctypes.cdll.LoadLibrary("libXtst.so.6")
        self.xtest.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                    ctypes.c_int, ctypes.c_ulong]
        self.xtest.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                    ctypes.c_ulong]
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

    def move_pointer(self, x, y):
        self.xtest.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.x11.XSync(self.display, 0)

    def click(self):
        """A left click where the pointer is; returns once it is sent to the server."""
        self.xtest.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.xtest.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XFlush(self.display)


def bounds(points):
    left = min(p[0] for p in points)
    top = min(p[1] for p in points)
    return left, top, max(p[0] for p in points) - left + 1, max(p[1] for p in points) - top + 1


def starts(desktop, screen):
    # A first start, not timed, finds where the client area lies on the screen.
    game = desktop.start_game()
    origin, client = game.origin, game.client
    game.stop()
    board = Board(client[0], client[1], *FIRST_BOARD)
    points = [(origin[0] + x, origin[1] + y) for x, y in board.line_samples()]
    rect = bounds(points)
    teal = rgb(THEMES[1].grid)
    times = []
    with open(LOG, "a") as log:
        for _ in range(COUNT):
            if all(p == teal for p in screen.pixels(*rect, points)):
                raise RuntimeError("the board is on the screen before the game starts")
            start = time.monotonic()
            process = subprocess.Popen(["wine", desktop.exe], cwd=WIN, stdout=log,
                                       stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            while True:
                if all(p == teal for p in screen.pixels(*rect, points)):
                    times.append(time.monotonic() - start)
                    break
                if time.monotonic() - start > 60 or process.poll() is not None:
                    raise RuntimeError("no board within a minute")
                time.sleep(0.002)
            process.kill()
            process.wait(timeout=20)
            wait_for("the game window to go away", lambda: not desktop.game_window_present(),
                     timeout=20, interval=0.1)
    median = statistics.median(times)
    print("vantor.exe under Wine: first board after %.2f s (median of %d; starts: %s)"
          % (median, len(times), ", ".join("%.2f" % t for t in times)))
    return {"wine_start_s": median}


def answers(desktop, screen):
    harness = Harness(desktop, os.path.join(os.path.dirname(LOG), "shots"))
    times = []
    for _ in range(COUNT):
        game = harness.start()
        board, baseline = harness.first_screen(game)
        ox, oy = game.origin
        cores = {cell: [(ox + x, oy + y) for x, y in board.dot_core(*cell)] for cell in board.cells()}
        empty = {cell: [baseline.pixel(x - ox, y - oy) for x, y in points] for cell, points in cores.items()}
        every = [p for points in cores.values() for p in points]
        rect = bounds(every)

        def occupied():
            shown = dict(zip(every, screen.pixels(*rect, every)))
            found = set()
            for cell, points in cores.items():
                changed = sum(shown[p] != e for p, e in zip(points, empty[cell]))
                if changed * 2 > len(points):
                    found.add(cell)
            return found

        taken = set()
        for k in range(PER_GAME):
            free = [c for c in board.cells() if c not in taken]
            cell = free[(7 * k + 3) % len(free)]
            x, y = board.centre(*cell)
            screen.move_pointer(ox + x, oy + y)
            time.sleep(0.1)  # the pointer's move handled before the clock starts
            start = time.monotonic()
            screen.click()
            while True:
                now = occupied()
                if len(now) >= len(taken) + 2:
                    times.append((time.monotonic() - start) * 1000)
                    break
                if time.monotonic() - start > 10:
                    raise RuntimeError("no answer to a click at %s within 10 s" % (cell,))
                time.sleep(0.0005)
            if cell not in now:
                raise RuntimeError("the click at %s put no dot there" % (cell,))
            time.sleep(0.2)  # the answer's triangles and numbers drawn too
            taken = occupied()
        harness.finish()
    median = statistics.median(times)
    print("vantor.exe under Wine: the computer's dot %.1f ms after the click (median of %d clicks"
          " in %d games: %s)" % (median, len(times), COUNT, ", ".join("%.1f" % t for t in times)))
    return {"wine_answer_ms": median}


def main():
    desktop = Desktop(WIN, LOG)
    found = (starts if MODE == "starts" else answers)(desktop, Screen())
    with open(VALUES, "a") as f:
        for key, value in found.items():
            f.write("%s %r\n" % (key, value))


main()
EOF

# The page in headless Chromium, through the end-to-end harness's Browser.
cat >"$LOGS/measure_web.py" <<'EOF'
"""Reads the page's own timings (window.vantorPage.timings()) in headless
Chromium: `starts`, the first board shown, in ms from the navigation's start,
over several loads; `answers`, clicks on empty cells in Human <> Computer, from
the mousedown event to the computer's answer presented, with the pause inside;
`rounds`, a 20 x 20 Computer <> Computer round chosen through the Size and Type
dialogs, its length and the time in its pauses."""

import os
import statistics
import sys

ROOT, SITE, MODE, COUNT, PER_GAME, LOG, VALUES = sys.argv[1:8]
COUNT, PER_GAME = int(COUNT), int(PER_GAME)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from checks import SIZE_DIALOG, TYPE_DIALOG, Harness  # noqa: E402
from game_screen import THEMES, finished_round_theme, occupied_cells  # noqa: E402
from web_page import Browser  # noqa: E402
from wine_desktop import wait_for  # noqa: E402


def timings(game):
    """The page's timings once it has no call into the game under way."""
    return game.driver.execute_async_script(
        "const done = arguments[0];"
        "window.vantorPage.idle().then(() => done(window.vantorPage.timings()));")


def listed(values, digits=1):
    return ", ".join("%.*f" % (digits, v) for v in values)


def starts(harness):
    shown = []
    for _ in range(COUNT):
        game = harness.start()
        found = wait_for("the first board shown", lambda: timings(game)["firstShown"], timeout=30)
        shown.append(found / 1000)
        harness.finish()
    median = statistics.median(shown)
    print("the page in headless Chromium: first board shown %.2f s after the navigation's start"
          " (median of %d loads, the first one cold: %s)" % (median, len(shown), listed(shown, 2)))
    return {"web_start_s": median}


def answers(harness):
    answered, called, paused, beside = [], [], [], []
    for _ in range(COUNT):
        game = harness.start()
        board, baseline = harness.first_screen(game)
        taken = set()
        for k in range(PER_GAME):
            free = [c for c in board.cells() if c not in taken]
            cell = free[(7 * k + 3) % len(free)]
            game.click(*board.centre(*cell))
            t = timings(game)
            now = occupied_cells(game.screen(), baseline, board)
            if cell not in now or len(now) != len(taken) + 2:
                raise RuntimeError("a click at %s left the dots at %s" % (cell, sorted(now)))
            if t["lastCall"]["name"] != "vantorPlaceDot" or t["lastAnswer"] is None:
                raise RuntimeError("the page's last call was %s" % t["lastCall"])
            answered.append(t["lastAnswer"])
            called.append(t["lastCall"]["milliseconds"])
            paused.append(t["lastCall"]["paused"])
            beside.append(t["lastAnswer"] - t["lastCall"]["paused"])
            taken = now
        harness.finish()
    print("the page in headless Chromium: the computer's dot presented %.1f ms after the mousedown"
          " (median of %d clicks in %d loads: %s)" % (statistics.median(answered), len(answered), COUNT,
                                                     listed(answered)))
    print("  of which in the call into the game that places the dots: %.1f ms (median: %s)"
          % (statistics.median(called), listed(called)))
    print("  of which in the thinking pause: %.2f ms (median: %s)"
          % (statistics.median(paused), listed(paused, 2)))
    print("  on top of the pause: %.1f ms (median: %s)" % (statistics.median(beside), listed(beside)))
    return {"web_answer_ms": statistics.median(answered), "web_pause_ms": statistics.median(paused),
            "web_answer_beside_ms": statistics.median(beside)}


def rounds(harness):
    total, paused = [], []
    for _ in range(COUNT):
        game = harness.start()
        harness.first_screen(game)
        dialog = harness.open_dialog(game, ("alt+v", "s", "s"), "Dialog", "20 x 20")
        harness.choose(game, dialog, SIZE_DIALOG, "20 x 20")
        board, _ = harness.first_screen(game, THEMES[1], (20, 16))
        dialog = harness.open_dialog(game, ("alt+v", "s", "t"), "Size", "Computer <> Computer")
        harness.choose(game, dialog, TYPE_DIALOG, "Computer <> Computer")
        # Nothing reads the canvas while the round plays: a reading takes the
        # page's main thread, and would be counted in the round's time.
        call = timings(game)["lastCall"]
        if call["name"] != "vantorDialogOk" or call["paused"] <= 0:
            raise RuntimeError("the page's last call was %s, not the Type dialog's round" % call)
        if finished_round_theme(game.screen(), board) is None:
            raise RuntimeError("the board is not full after the round")
        total.append(call["milliseconds"])
        paused.append(call["paused"])
        harness.finish()
    beside = [t - p for t, p in zip(total, paused)]
    median_total = statistics.median(total)
    median_beside = statistics.median(beside)
    print("the page in headless Chromium: the round in %.1f ms, from the Type dialog's OK to its last"
          " dot presented (median of %d: %s)" % (median_total, len(total), listed(total)))
    print("  of which in its pauses: %.1f ms (median: %s)" % (statistics.median(paused), listed(paused)))
    print("  everything but the pauses: %.1f ms, %.1f %% of the round"
          % (median_beside, 100 * median_beside / median_total))
    return {"web_round_ms": median_total, "web_round_beside_pct": 100 * median_beside / median_total}


def main():
    browser = Browser(SITE, LOG)
    harness = Harness(browser, os.path.join(os.path.dirname(LOG), "shots"))
    try:
        found = {"starts": starts, "answers": answers, "rounds": rounds}[MODE](harness)
    finally:
        harness.finish()
        browser.close()
    with open(VALUES, "a") as f:
        for key, value in found.items():
            f.write("%s %r\n" % (key, value))


main()
EOF

# measure FRONT MODE COUNT [PER_GAME]: runs a measuring program, its lines to the console.
measure() {
    local front=$1 mode=$2 count=$3 per_game=${4:-0} folder
    folder=$([ "$front" = wine ] && echo "$WIN" || echo "$SITE")
    "$VANTOR_PYTHON" -B "$LOGS/measure_$front.py" "$ROOT" "$folder" "$mode" "$count" "$per_game" \
        "$LOGS/$front-$mode.log" "$VALUES" || die "the $front $mode could not be measured (see $LOGS/$front-$mode.log)"
}

# value KEY [DIGITS]: a value a measuring step found, rounded to DIGITS
# decimals if given; nothing when none was found.
value() {
    local found
    found=$(sed -n "s/^$1 //p" "$VALUES" | tail -n1)
    if [ -n "$found" ] && [ -n "${2:-}" ]; then
        printf "%.${2}f" "$found"
    else
        printf '%s' "$found"
    fi
}

# --- The figures ------------------------------------------------------------------

echo "== Benchmarks"
echo "\$ build/native/bench/vantor_bench --benchmark_min_time=1 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true"
"$NATIVE/bench/vantor_bench" --benchmark_min_time=1 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true >"$LOGS/bench.txt" 2>&1 || die "the benchmarks failed (see $LOGS/bench.txt)"
# The medians of three runs; the means, deviations and the library's own notes
# are in the log.
grep -e '^Run on' -e '^Load Average' -e '^Benchmark' -e '^---' -e '_median' "$LOGS/bench.txt"
echo

echo "== Start to the first board on the screen"
echo "\$ scripts/figures.sh   (vantor.exe: the screen polled from 'wine vantor.exe' in build/win until the board's lines are drawn, Wine's server already running)"
measure wine starts "$STARTS"
echo "\$ scripts/figures.sh   (the page: window.vantorPage.timings().firstShown, loads of build/web/site from a local server)"
measure web starts "$STARTS"
echo

# The pause and the round on the real window under Wine, from one run of the
# timing program; its figures are shown in the two sections below.
(cd "$WIN" && wine bench/win32/vantor_round_time.exe --rounds "$ROUNDS" >"$LOGS/round-time.txt" 2>&1 </dev/null) ||
    die "vantor_round_time failed (see $LOGS/round-time.txt)"
sed -i 's/\r$//' "$LOGS/round-time.txt"  # the program writes Windows line ends
grep -v -i -E 'fixme|wine32|multiarch|dpkg --add|apt-get install' "$LOGS/round-time.txt" >"$LOGS/round-time-figures.txt"
wine_pause=$(sed -n 's/^thinking pause of 100: \([0-9.]*\) ms.*/\1/p' "$LOGS/round-time-figures.txt")
wine_round=$(sed -n 's/^20 x 20 Computer <> Computer round with the pauses: \([0-9.]*\) ms.*/\1/p' "$LOGS/round-time-figures.txt")
wine_beside=$(sed -n 's/^  everything but the pauses: .* ms, \([0-9.]*\) % of the round/\1/p' "$LOGS/round-time-figures.txt")
if [ -z "$wine_pause" ] || [ -z "$wine_round" ] || [ -z "$wine_beside" ]; then
    die "vantor_round_time printed no figures (see $LOGS/round-time.txt)"
fi
{
    echo "wine_pause_ms $wine_pause"
    echo "wine_round_ms $wine_round"
    echo "wine_round_beside_pct $wine_beside"
} >>"$VALUES"

echo "== A click's answer in Human <> Computer, 6 x 6 (the computer pauses once)"
echo "\$ scripts/figures.sh   (vantor.exe: a click sent through XTest, the screen polled every 0.5 ms until the computer's dot shows)"
measure wine answers "$ANSWER_GAMES" "$ANSWER_CLICKS"
echo "\$ (cd build/win && wine bench/win32/vantor_round_time.exe)   (the pause alone, on the same Wine)"
grep '^thinking pause' "$LOGS/round-time-figures.txt"
wine_answer=$(value wine_answer_ms)
wine_answer_beside=$(awk -v a="$wine_answer" -v p="$wine_pause" 'BEGIN { printf "%.1f", a - p }')
echo "wine_answer_beside_ms $wine_answer_beside" >>"$VALUES"
echo "  vantor.exe's answer on top of the pause (the median answer less the median pause): $wine_answer_beside ms"
echo "\$ scripts/figures.sh   (the page: window.vantorPage.timings().lastAnswer and lastCall.paused after each click)"
measure web answers "$ANSWER_GAMES" "$ANSWER_CLICKS"
echo

echo "== A 20 x 20 Computer <> Computer round, level 1, with its 400 pauses"
echo "\$ (cd build/win && wine bench/win32/vantor_round_time.exe)   (vantor.exe's main window and GDI device under Wine)"
grep -v -e '^thinking pause' -e '^client area' "$LOGS/round-time-figures.txt"
echo "\$ scripts/figures.sh   (the page: Size \"20 x 20\" and Type \"Computer <> Computer\" through the dialogs, then window.vantorPage.timings().lastCall)"
measure web rounds "$ROUNDS"
echo

echo "== Download"
echo "\$ stat -c %s build/web/site/*; (cd build/web && cpack -G ZIP); (cd build/win && cpack -G ZIP)"
VERSION=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$ROOT/res/vantor.rc" | head -n1)
(cd "$WEB" && vantor_emscripten cpack -G ZIP) >"$LOGS/web-cpack.log" 2>&1 || die "cpack failed in $WEB (see $LOGS/web-cpack.log)"
(cd "$WIN" && cpack -G ZIP) >"$LOGS/win-cpack.log" 2>&1 || die "cpack failed in $WIN (see $LOGS/win-cpack.log)"
page_files=(index.html vantor.js vantor.wasm vantor-page.js vantor-resources.js vantor.css vantor.ico)
pictures=(terre.bmp mars.bmp saturne.bmp jupiter.bmp)
page_bytes=0
echo "the page's files, pictures excluded:"
for name in "${page_files[@]}"; do
    size=$(stat -c %s "$SITE/$name") || die "$SITE/$name is missing"
    printf '  %-22s %9s bytes\n' "$name" "$size"
    page_bytes=$((page_bytes + size))
done
picture_bytes=0
for name in "${pictures[@]}"; do
    size=$(stat -c %s "$SITE/$name") || die "$SITE/$name is missing"
    picture_bytes=$((picture_bytes + size))
done
echo "page_bytes $page_bytes" >>"$VALUES"
stripped=$(mktemp)
x86_64-w64-mingw32-strip -o "$stripped" "$WIN/vantor.exe"
printf 'the page, pictures excluded:            %9s bytes\n' "$page_bytes"
printf 'the page with its four pictures:        %9s bytes\n' "$((page_bytes + picture_bytes))"
printf 'vantor-%s-web.zip:                    %9s bytes\n' "$VERSION" "$(stat -c %s "$WEB/package/vantor-$VERSION-web.zip")"
printf 'vantor-%s-win64.zip:                  %9s bytes\n' "$VERSION" "$(stat -c %s "$WIN/package/vantor-$VERSION-win64.zip")"
printf 'vantor.exe stripped, as in the package: %9s bytes\n' "$(stat -c %s "$stripped")"
printf 'vantor.exe as built (symbols, debugging information): %s bytes\n' "$(stat -c %s "$WIN/vantor.exe")"
rm -f "$stripped"
echo

echo "== Soak under Wine"
echo "\$ scripts/soak.sh build/win"
"$ROOT/scripts/soak.sh" "$WIN" >"$LOGS/soak.txt" 2>&1
code=$?
grep -v -e '^ok ' -e 'leak of' "$LOGS/soak.txt"
[ "$code" -eq 0 ] || die "the soak failed (see $LOGS/soak.txt)"
echo

echo "== Against the goals"
# goal TEXT LIMIT UNIT NAME FIGURE [NAME FIGURE]: "met" when every figure is
# below the limit; a figure that is missing is not met.
goal() {
    local text=$1 limit=$2 unit=$3 verdict=met shown=
    shift 3
    while [ $# -ge 2 ]; do
        awk -v f="$2" -v l="$limit" 'BEGIN { exit !(f != "" && f + 0 < l + 0) }' || verdict="NOT met"
        shown+="${shown:+, }$1 ${2:-?}$unit"
        shift 2
    done
    printf '%-52s %-8s %s\n' "$text:" "$verdict" "$shown"
}
goal "start under 1 s" 1 " s" vantor.exe "$(value wine_start_s 2)" page "$(value web_start_s 2)"
goal "an answer under 20 ms on top of the pause" 20 " ms" vantor.exe "$(value wine_answer_beside_ms 1)" \
    page "$(value web_answer_beside_ms 1)"
goal "all but the pauses under 25 % of a 20 x 20 round" 25 " %" vantor.exe "$(value wine_round_beside_pct 1)" \
    page "$(value web_round_beside_pct 1)"
goal "the page under 1 MB (10^6 bytes), pictures excluded" 1000000 " bytes" page "$(value page_bytes)"
