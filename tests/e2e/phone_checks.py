"""The page as a phone player has it: Chromium's phone emulation (390 x 844 CSS
pixels, 3 device pixels to one, touch), a slow network at first, then offline.
The checks run in order in one browser session with a fresh profile: the first
start on the slow network (with menus used while it loads), the board's size
and a tap, turning the phone, a dialog on a short screen, an offline reload and
the installability."""

import base64
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

import imaging
from basics import CheckFailed, expect, wait_for
from game_screen import Board

PORTRAIT = (390, 844)
RATIO = 3
SLOW = {"offline": False, "latency": 150, "downloadThroughput": 200000, "uploadThroughput": 93750}
FAST = {"offline": False, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1}
# What may come down before the first board: what the slow network carries in
# 3 s. The time itself is printed as a figure, not judged: it depends on how
# busy the machine is.
FIRST_BOARD_BYTES = 3 * SLOW["downloadThroughput"]
# Level 1's dot colours, as the canvas shows them (RGB).
DOT_COLOURS = {(0, 0, 255), (0, 200, 200)}

PAGE_STATE = """
const c = document.getElementById('board'), r = c.getBoundingClientRect();
const s = window.vantorPage && window.vantorPage.scale();
return {width: c.width, height: c.height, left: r.left, top: r.top, cssWidth: r.width, cssHeight: r.height,
        scale: s ? s.scale : 0, ratio: devicePixelRatio,
        started: !!(window.vantorPage && window.vantorPage.started()),
        loading: !document.getElementById('loading').hidden,
        dialogs: document.querySelectorAll('dialog[open]').length};
"""


class Phone:
    """Headless Chromium as a phone, on the page served from a local web server."""

    name = "phone"

    def __init__(self, site_dir, log_path):
        # Debian's Selenium, loaded only where the phone is checked.
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from web_page import CHROMIUM_FLAGS, READ_BOARD, free_port
        self.read_board = READ_BOARD
        self.site_dir = os.path.abspath(site_dir)
        self.log_path = log_path
        self.root = tempfile.mkdtemp(prefix="vantor-phone-")
        self.port = free_port()
        self.server = subprocess.Popen(
            [sys.executable, "-m", "http.server", str(self.port), "--bind", "127.0.0.1"],
            cwd=self.site_dir, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.url = "http://127.0.0.1:%d/" % self.port
        self.driver = None
        try:
            options = webdriver.ChromeOptions()
            options.binary_location = "/usr/bin/chromium"
            for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + os.path.join(self.root, "profile")]:
                if not flag.startswith("--force-device-scale-factor"):
                    options.add_argument(flag)
            options.add_experimental_option("mobileEmulation", {
                "deviceMetrics": {"width": PORTRAIT[0], "height": PORTRAIT[1], "pixelRatio": RATIO, "touch": True},
                "userAgent": "Mozilla/5.0 (Linux; Android 13; Pixel 7) AppleWebKit/537.36 (KHTML, like Gecko) "
                             "Chrome/120.0 Mobile Safari/537.36"})
            options.page_load_strategy = "none"  # the checks look at the page while it loads
            self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
            self.driver.set_script_timeout(60)
            self.cdp("Network.enable", {})
        except BaseException:
            self.close()
            raise

    def cdp(self, command, params=None):
        return self.driver.execute_cdp_cmd(command, params or {})

    def log(self, text):
        with open(self.log_path, "a") as f:
            f.write(text + "\n")

    def close(self):
        if self.driver is not None:
            self.driver.quit()
            self.driver = None
        if self.server.poll() is None:
            self.server.terminate()
            self.server.wait(timeout=20)
        shutil.rmtree(self.root, ignore_errors=True)

    def save_screenshot(self, path):
        self.driver.save_screenshot(path)

    # --- the page ----------------------------------------------------------------

    def state(self):
        return self.driver.execute_script(PAGE_STATE)

    def wait_started(self, timeout=30):
        wait_for("the game to start", lambda: self.state()["started"], timeout=timeout, interval=0.02)
        self.driver.execute_async_script("window.vantorPage.idle().then(arguments[0]);")

    def screen(self):
        width, height, data = self.driver.execute_script(self.read_board)
        rgba = base64.b64decode(data)
        rgb = bytearray(width * height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = rgba[0::4], rgba[1::4], rgba[2::4]
        return imaging.Image(width, height, bytes(rgb))

    def tap(self, x, y):
        """A finger put down and lifted at CSS pixel (x, y)."""
        self.cdp("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
        self.cdp("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def tap_element(self, selector, text=None):
        """Taps the middle of the first visible element matching selector (and text)."""
        rect = self.driver.execute_script("""
            const found = [...document.querySelectorAll(arguments[0])].find((e) =>
                e.getClientRects().length && (arguments[1] === null || e.textContent.trim() === arguments[1]
                                              || e.dataset.text === arguments[1]));
            if (!found) return null;
            found.scrollIntoView({block: 'nearest'});
            const r = found.getBoundingClientRect();
            return [r.left, r.top, r.width, r.height];""", selector, text)
        expect(rect is not None, "nothing to tap: %s %r" % (selector, text))
        self.tap(rect[0] + rect[2] / 2, rect[1] + rect[3] / 2)
        return rect

    def tap_cell(self, board, column, row):
        s = self.state()
        x, y = board.centre(column, row)
        self.tap(s["left"] + (x + 0.5) * s["cssWidth"] / s["width"], s["top"] + (y + 0.5) * s["cssHeight"] / s["height"])

    def open_dialog(self, item):
        for selector, text in ((".menu-title", "&Vantor"), (".menu-item", "&Settings"), (".menu-item", item)):
            self.tap_element(selector, text)
            time.sleep(0.1)

    def turn(self, width, height):
        landscape = width > height
        self.cdp("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": RATIO, "mobile": True,
            "screenOrientation": {"type": "landscapePrimary" if landscape else "portraitPrimary",
                                  "angle": 90 if landscape else 0}})
        wait_for("the board area to take the new size",
                 lambda: abs(self.state()["cssWidth"] - width) < RATIO, timeout=20)
        self.driver.execute_async_script("window.vantorPage.idle().then(arguments[0]);")


def board_of(phone, size, cell):
    s = phone.state()
    return Board(s["width"], s["height"], size, cell)


def dotted_cells(image, board):
    """The cells whose dot's middle shows a player's colour."""
    return {(c, r) for r in range(board.size) for c in range(board.size)
            if image.pixel(*board.dot_centre(c, r)) in DOT_COLOURS}


def css_cell(phone, cell):
    s = phone.state()
    return cell * s["cssWidth"] / s["width"]


def check_slow_first_start(h):
    """On the slow network with nothing cached, the page says it is loading and
    its menus do nothing; the first board is on the screen within 3 s; then the
    menus and dialogs work."""
    phone = h.front
    phone.cdp("Network.emulateNetworkConditions", SLOW)
    try:
        phone.driver.get(phone.url)
        wait_for("the menu bar", lambda: phone.driver.execute_script(
            "return document.querySelectorAll('#menubar .menu-title').length > 0 && "
            "!!window.vantorPage && !window.vantorPage.started()"), timeout=10, interval=0.02)
        expect(phone.state()["loading"], "nothing says the page is loading")
        h.shot_screen("loading")
        phone.open_dialog("&Size")  # used while the page loads
        phone.wait_started(timeout=20)
        expect(phone.state()["dialogs"] == 0, "a dialog opened before the game had started")
        shown, before = phone.driver.execute_script(
            "const t = window.vantorPage.timings();"
            "const all = performance.getEntriesByType('resource').concat(performance.getEntriesByType('navigation'));"
            "return [t.firstShown, all.filter((e) => e.startTime <= t.firstShown)"
            "  .map((e) => [e.name.split('/').pop(), e.transferSize])];")
        total = sum(size for _, size in before)
        print("    first board on the slow network: %.2f s, %d bytes" % (shown / 1000, total))
        phone.log("phone: first board at %.0f ms after %s" % (shown, before))
        expect(total <= FIRST_BOARD_BYTES, "%d bytes came down before the first board" % total)
        later = [name for name, _ in before if name in ("mars.png", "saturne.png", "jupiter.png")]
        expect(not later, "the first board waited for %s" % later)
    finally:
        phone.cdp("Network.emulateNetworkConditions", FAST)
    phone.open_dialog("&Size")
    wait_for("the Size dialog", lambda: phone.state()["dialogs"] == 1, timeout=5)
    phone.tap_element(".client button", "Cancel")
    wait_for("the dialog to close", lambda: phone.state()["dialogs"] == 0, timeout=5)


def check_board_and_tap(h):
    """A 6 x 6 board's cells are at least 40 CSS px, each game pixel a whole
    square of device pixels; a tap plays the tapped cell at once; the Backdrop
    the game reads is today's terre.bmp, byte for byte."""
    phone = h.front
    phone.wait_started()
    s = phone.state()
    expect(s["scale"] >= 1 and abs(s["cssWidth"] * RATIO - s["width"] * s["scale"]) < 0.01,
           "a game pixel is not a whole square of device pixels: %s" % s)
    print("    6x6 cells on the phone: %.1f CSS px" % css_cell(phone, 20))
    expect(css_cell(phone, 20) >= 40, "a 6x6 board's cells are %.1f CSS px" % css_cell(phone, 20))
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "terre.bmp"), "rb") as f:
        want = hashlib.sha256(f.read()).hexdigest()
    got = phone.driver.execute_async_script(
        "window.vantorPage.pictureDigest('terre.bmp').then(arguments[0]);")
    expect(got == want, "the page's terre.bmp is not assets/terre.bmp")
    board = board_of(phone, 6, 20)
    before = phone.screen()
    phone.tap_cell(board, 2, 3)
    image = wait_for("the tapped dot and the answer",
                     lambda: (lambda im: im if len(dotted_cells(im, board)) == 2 else None)(phone.screen()),
                     timeout=10)
    expect((2, 3) in dotted_cells(image, board), "the tap did not play cell (2, 3)")
    expect(not dotted_cells(before, board), "dots before the tap")
    h.shot_screen("portrait")
    h.results["portrait"] = image


def check_turning(h):
    """Turning the phone and back keeps the round: the same dots in landscape,
    and back in portrait the very same pixels."""
    phone = h.front
    portrait = h.results.get("portrait")
    expect(portrait is not None, "no round in portrait to turn")
    board = board_of(phone, 6, 20)
    dots = dotted_cells(portrait, board)
    phone.turn(PORTRAIT[1], PORTRAIT[0])
    h.shot_screen("landscape")
    turned = phone.screen()
    expect(dotted_cells(turned, board_of(phone, 6, 20)) == dots, "turning the phone lost dots")
    phone.turn(*PORTRAIT)
    expect(phone.screen().data == portrait.data, "back in portrait the board is not as it was")
    # The largest board, chosen in the Size dialog, still has cells of 16 CSS px.
    phone.open_dialog("&Size")
    phone.tap_element("dialog[open] label", "20 x 20")
    phone.tap_element("dialog[open] button", "OK")
    wait_for("a 20x20 board", lambda: phone.state()["width"] > portrait.width, timeout=10)
    phone.driver.execute_async_script("window.vantorPage.idle().then(arguments[0]);")
    print("    20x20 cells on the phone: %.1f CSS px" % css_cell(phone, 16))
    expect(css_cell(phone, 16) >= 16, "a 20x20 board's cells are %.1f CSS px" % css_cell(phone, 16))


def check_short_dialog(h):
    """On a short landscape screen (844 x 320) the Type dialog is centred,
    scrolls, and its last choice can be tapped; its rows are 44 CSS px tall."""
    phone = h.front
    phone.turn(844, 320)
    try:
        phone.open_dialog("&Type")
        wait_for("the Type dialog", lambda: phone.state()["dialogs"] == 1, timeout=5)
        rows = phone.driver.execute_script(
            "return [...document.querySelectorAll('dialog[open] label, dialog[open] button')]"
            ".map((e) => e.getBoundingClientRect().height);")
        expect(min(rows) >= 44, "dialog rows of %s CSS px" % rows)
        box = phone.driver.execute_script(
            "const r = document.querySelector('dialog[open]').getBoundingClientRect();"
            "return [r.left, r.top, r.right, r.bottom, innerWidth, innerHeight];")
        expect(box[0] >= 0 and box[1] >= 0 and box[2] <= box[4] and box[3] <= box[5],
               "the dialog runs off the screen: %s" % box)
        expect(abs(box[0] + box[2] - box[4]) <= 2, "the dialog is not centred: %s" % box)
        phone.tap_element("dialog[open] label", "Computer <> Computer")
        h.shot_screen("dialog")
        wait_for("the last choice checked", lambda: phone.driver.execute_script(
            "return [...document.querySelectorAll('dialog[open] label')]"
            ".find((e) => e.textContent === 'Computer <> Computer').querySelector('input').checked;"), timeout=5)
        phone.tap_element("dialog[open] button", "Cancel")
        wait_for("the dialog to close", lambda: phone.state()["dialogs"] == 0, timeout=5)
    finally:
        phone.turn(*PORTRAIT)


def check_offline(h):
    """Once visited, the page reloads and plays with no network; Chromium finds
    it installable."""
    phone = h.front
    phone.driver.execute_async_script(
        "navigator.serviceWorker.ready.then(() => arguments[0]());")
    phone.cdp("Network.emulateNetworkConditions", dict(FAST, offline=True))
    try:
        phone.driver.get(phone.url)
        phone.wait_started()
        board = board_of(phone, 6, 20)
        phone.tap_cell(board, 0, 0)
        wait_for("a dot offline", lambda: (0, 0) in dotted_cells(phone.screen(), board), timeout=10)
        h.shot_screen("offline")
    finally:
        phone.cdp("Network.emulateNetworkConditions", FAST)
    errors = phone.cdp("Page.getInstallabilityErrors").get("installabilityErrors", [])
    expect(not errors, "not installable: %s" % [e.get("errorId") for e in errors])


# The checks in the order they must run: the first needs nothing cached.
PHONE = ("phone",)
CHECKS = [
    ("the phone's first start on a slow network, menus dead while loading", check_slow_first_start, PHONE),
    ("6x6 cells of 40 CSS px on the phone, crisp; a tap plays its cell", check_board_and_tap, PHONE),
    ("turning the phone and back keeps every dot; 20x20 cells of 16 CSS px", check_turning, PHONE),
    ("a dialog on a short landscape phone screen reaches its last choice", check_short_dialog, PHONE),
    ("the phone reloads offline and plays; installable", check_offline, PHONE),
]
