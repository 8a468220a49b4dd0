#!/usr/bin/env python3
"""The figures of both front ends, as scripts/figures.sh prints them.

vantor.exe under Wine is timed on the X screen, polled through Xlib every few
milliseconds: `starts`, from the launch of `wine vantor.exe` to every grid line
sample of the first board in the grid colour; `answers`, from a click on an
empty cell (sent through XTest, as xdotool sends it) to the dots of the click
and of the computer's answer on the screen.

The page in headless Chromium reports its own timings
(window.vantorPage.timings()): `starts`, the first board shown, in ms from the
navigation's start, over several loads; `answers`, clicks on empty cells in
Human <> Computer, from the mousedown event to the computer's answer presented,
with the pause inside; `rounds`, a 20 x 20 Computer <> Computer round chosen
through the Size and Type dialogs, its length and the time in its pauses.

Each prints its figures and appends "key value" lines to the values file.

  measure.py wine|web FOLDER MODE COUNT PER_GAME LOG VALUES"""

import ctypes
import os
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from basics import wait_for  # noqa: E402
from checks import FIRST_BOARD, Harness  # noqa: E402
from game_screen import THEMES, Board, finished_round_theme, occupied_cells, rgb  # noqa: E402

# Set from the command line.
FOLDER = LOG = None
COUNT = PER_GAME = 0


# --- vantor.exe under Wine -------------------------------------------------------------

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


def wine_starts(desktop, screen):
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
            process = subprocess.Popen(["wine", desktop.exe], cwd=FOLDER, stdout=log,
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


def wine_answers(desktop, screen):
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


# --- The page in headless Chromium --------------------------------------------------------

def timings(game):
    """The page's timings once it has no call into the game under way."""
    return game.driver.execute_async_script(
        "const done = arguments[0];"
        "window.vantorPage.idle().then(() => done(window.vantorPage.timings()));")


def listed(values, digits=1):
    return ", ".join("%.*f" % (digits, v) for v in values)


def web_starts(harness):
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


def web_answers(harness):
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


def web_rounds(harness):
    total, paused = [], []
    for _ in range(COUNT):
        game = harness.start()
        harness.first_screen(game)
        harness.choose(game, "20 x 20")
        board, _ = harness.first_screen(game, THEMES[1], (20, 16))
        harness.choose(game, "Computer <> Computer")
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
    global FOLDER, COUNT, PER_GAME, LOG
    front, FOLDER, mode, COUNT, PER_GAME, LOG, values = sys.argv[1:8]
    COUNT, PER_GAME = int(COUNT), int(PER_GAME)
    if front == "wine":
        from wine_desktop import Desktop
        found = {"starts": wine_starts, "answers": wine_answers}[mode](Desktop(FOLDER, LOG), Screen())
    else:
        from web_page import Browser  # Debian's Selenium, only where the page is measured
        browser = Browser(FOLDER, LOG)
        harness = Harness(browser, os.path.join(os.path.dirname(LOG), "shots"))
        try:
            found = {"starts": web_starts, "answers": web_answers, "rounds": web_rounds}[mode](harness)
        finally:
            harness.finish()
            browser.close()
    with open(values, "a") as f:
        for key, value in found.items():
            f.write("%s %r\n" % (key, value))


if __name__ == "__main__":
    main()
