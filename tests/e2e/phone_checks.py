"""The page in Chromium's phone emulation (390 x 844 CSS px, 3 device pixels to one, touch);
the checks run in order in one session with a fresh profile, the first with nothing cached."""

import hashlib
import os

from basics import expect, wait_for
from game_screen import Board
from web_page import Browser, Page, read_board

PORTRAIT = (390, 844)
SLOW = {"offline": False, "latency": 150, "downloadThroughput": 200000, "uploadThroughput": 93750}
FAST = {"offline": False, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1}
DOT_COLOURS = {(0, 0, 255), (0, 200, 200)}  # level 1's players, as the canvas shows them
STATE = """const c = document.getElementById('board'), r = c.getBoundingClientRect();
return {width: c.width, height: c.height, left: r.left, top: r.top, css: r.width / c.width, dialogs: document.querySelectorAll('dialog[open]').length,
        scale: window.vantorPage ? window.vantorPage.scale().scale : 0, loading: !document.getElementById('loading').hidden,
        started: !!(window.vantorPage && window.vantorPage.started()), text: document.getElementById('board-text')};"""
TAP_TARGET = """const e = [...document.querySelectorAll(arguments[0])].find((e) => e.getClientRects().length
    && (e.textContent.trim() === arguments[1] || e.dataset.text === arguments[1]));
if (!e) return null; e.scrollIntoView({block: 'nearest'}); const r = e.getBoundingClientRect();
return [r.left + r.width / 2, r.top + r.height / 2];"""


class Phone(Browser):
    """The page's browser as a phone, looked at while it loads."""

    name = "phone"

    def chrome_options(self, options):
        options.arguments.remove("--force-device-scale-factor=1")
        options.add_experimental_option("mobileEmulation", {"deviceMetrics": {
            "width": PORTRAIT[0], "height": PORTRAIT[1], "pixelRatio": 3, "touch": True},
            "userAgent": "Mozilla/5.0 (Linux; Android 13) AppleWebKit/537.36 Chrome/120.0 Mobile Safari/537.36"})
        options.page_load_strategy = "none"

    def cdp(self, command, params=None):
        return self.driver.execute_cdp_cmd(command, params or {})

    def network(self, conditions):
        self.cdp("Network.enable")
        self.cdp("Network.emulateNetworkConditions", conditions)

    def state(self):
        return self.driver.execute_script(STATE)

    def idle(self):
        wait_for("the game to start", lambda: self.state()["started"], timeout=20, interval=0.02)
        self.driver.execute_async_script("window.vantorPage.idle().then(arguments[0]);")

    def tap(self, x, y):
        self.cdp("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
        self.cdp("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def tap_on(self, selector, text):
        point = self.driver.execute_script(TAP_TARGET, selector, text)
        expect(point is not None, "nothing to tap: %s %r" % (selector, text))
        self.tap(*point)

    def tap_cell(self, board, column, row):
        s, (x, y) = self.state(), board.centre(column, row)
        self.tap(s["left"] + (x + 0.5) * s["css"], s["top"] + (y + 0.5) * s["css"])

    def menu(self, *path):
        for selector, text in zip((".menu-title", ".menu-item", ".menu-item"), ("&Vantor", "&Settings") + path):
            self.tap_on(selector, text)

    def board(self, size=6, cell=20):
        s = self.state()
        return Board(s["width"], s["height"], size, cell)

    def dots(self):
        board, image = self.board(), read_board(self.driver)
        return {c for c in board.cells() if image.pixel(*board.dot_centre(*c)) in DOT_COLOURS}

    def turn(self, width, height):
        self.cdp("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 3, "mobile": True, "screenOrientation": {
                "type": "landscapePrimary" if width > height else "portraitPrimary", "angle": 90 if width > height else 0}})
        wait_for("the new size", lambda: abs(self.state()["css"] * self.state()["width"] - width) < 3, timeout=20)
        self.idle()


def check_slow_first_start(h):
    """Slow network: "Loading", menus dead; before the first board only what 3 s carry; then menus work."""
    phone = h.front
    phone.network(SLOW)
    try:
        phone.driver.get("http://127.0.0.1:%d/site/" % phone.port)
        wait_for("the menu bar", lambda: phone.driver.execute_script(
            "return !!window.vantorPage && !window.vantorPage.started()"), timeout=10, interval=0.02)
        expect(phone.state()["loading"], "nothing says the page is loading")
        h.shot_screen("loading")
        Page.keys(phone, "alt+v", "s", "s")  # Vantor > Settings > Size by its keys
        state = phone.state()
        expect(state["dialogs"] == 0 or state["started"], "the keys opened a dialog before the game had started")
        phone.menu("&Size")
        phone.idle()
        expect(phone.state()["dialogs"] == 0, "a dialog opened before the game had started")
        errors = phone.driver.execute_script("return window.vantorErrors;")
        expect(not errors, "the menus failed while the page was loading: %s" % errors)
        shown, before = phone.driver.execute_script(
            "const t = window.vantorPage.timings().firstShown; return [t, performance.getEntries()"
            ".filter((e) => e.startTime <= t && e.transferSize).map((e) => [e.name.split('/').pop(), e.transferSize])];")
    finally:
        phone.network(FAST)
    total = sum(size for _, size in before)
    print("    first board on the slow network: %.2f s, %d bytes" % (shown / 1000, total))
    expect(total <= 3 * SLOW["downloadThroughput"], "%d bytes came down before the first board" % total)
    expect(not {"mars.png", "saturne.png", "jupiter.png"} & {n for n, _ in before}, "a later backdrop came first")
    phone.menu("&Size")
    wait_for("the Size dialog", lambda: phone.state()["dialogs"] == 1, timeout=5)
    phone.tap_on(".client button", "Cancel")


def check_board_and_tap(h):
    """6 x 6 cells of 40 CSS px, whole device pixels, sharp texts, terre.bmp as is; a tap plays."""
    phone = h.front
    phone.idle()
    s = phone.state()
    print("    6x6 cells on the phone: %.1f CSS px" % (20 * s["css"]))
    expect(abs(s["css"] * 3 - s["scale"]) < 1e-6 and 20 * s["css"] >= 40, "cells of %.1f CSS px" % (20 * s["css"]))
    expect(phone.driver.execute_script("const o = arguments[0]; return o.width === arguments[1] && o.getContext('2d')"
                                       ".getImageData(0, 0, o.width, o.height).data.some((v) => v);",
                                       s["text"], s["width"] * s["scale"]), "no texts drawn at the device's resolution")
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "terre.bmp"), "rb") as f:
        expect(phone.driver.execute_async_script("window.vantorPage.pictureDigest('terre.bmp').then(arguments[0]);")
               == hashlib.sha256(f.read()).hexdigest(), "the page's terre.bmp is not assets/terre.bmp")
    expect(not phone.dots(), "dots before the tap")
    phone.tap_cell(phone.board(), 2, 3)
    wait_for("the tapped dot and the answer", lambda: len(phone.dots()) == 2 and (2, 3) in phone.dots(), timeout=10)
    h.shot_screen("portrait")


def check_turning(h):
    """Turning the phone and back keeps the round, pixel for pixel; 20 x 20 cells of 16 CSS px."""
    phone = h.front
    dots, portrait = phone.dots(), read_board(phone.driver)
    phone.turn(PORTRAIT[1], PORTRAIT[0])
    h.shot_screen("landscape")
    expect(phone.dots() == dots and len(dots) == 2, "turning the phone lost dots: %s" % phone.dots())
    phone.turn(*PORTRAIT)
    expect(read_board(phone.driver).data == portrait.data, "back in portrait the board is not as it was")
    phone.menu("&Size")
    phone.tap_on("dialog[open] label", "20 x 20")
    phone.tap_on("dialog[open] button", "OK")
    wait_for("a 20x20 board", lambda: phone.state()["width"] > portrait.width, timeout=10)
    phone.idle()
    print("    20x20 cells on the phone: %.1f CSS px" % (16 * phone.state()["css"]))
    expect(16 * phone.state()["css"] >= 16, "20x20 cells of %.1f CSS px" % (16 * phone.state()["css"]))


def check_short_dialog(h):
    """On 844 x 320 the Type dialog is centred, its rows 44 CSS px, and scrolls to its last choice."""
    phone = h.front
    phone.turn(844, 320)
    try:
        phone.menu("&Type")
        wait_for("the Type dialog", lambda: phone.state()["dialogs"] == 1, timeout=5)
        rows, box = phone.driver.execute_script(
            "const d = document.querySelector('dialog[open]'), r = d.getBoundingClientRect();"
            "return [[...d.querySelectorAll('label, button')].map((e) => e.getBoundingClientRect().height),"
            "        [r.left, r.top, innerWidth - r.right, innerHeight - r.bottom]];")
        expect(min(rows) >= 44 and min(box) >= 0 and abs(box[0] - box[2]) <= 2, "rows %s in %s" % (rows, box))
        phone.tap_on("dialog[open] label", "Computer <> Computer")
        h.shot_screen("dialog")
        wait_for("the last choice checked", lambda: phone.driver.execute_script(
            "return document.querySelector('dialog[open] input[value=\"%d\"]').checked;" % 1001), timeout=5)
        phone.tap_on("dialog[open] button", "Cancel")
    finally:
        phone.turn(*PORTRAIT)


def check_offline(h):
    """Once visited, the page reloads and plays with no network; it is installable."""
    phone = h.front
    phone.driver.execute_async_script("navigator.serviceWorker.ready.then(() => arguments[0]());")
    phone.network(dict(FAST, offline=True))
    try:
        phone.driver.get("http://127.0.0.1:%d/site/" % phone.port)
        phone.idle()
        phone.tap_cell(phone.board(), 0, 0)
        wait_for("a dot offline", lambda: (0, 0) in phone.dots(), timeout=10)
        h.shot_screen("offline")
    finally:
        phone.network(FAST)
    errors = phone.cdp("Page.getInstallabilityErrors").get("installabilityErrors", [])
    expect(not errors, "not installable: %s" % [e.get("errorId") for e in errors])


PHONE = ("phone",)
CHECKS = [  # in this order: the first needs nothing cached
    ("the phone's first start on a slow network, menus dead while loading", check_slow_first_start, PHONE),
    ("6x6 cells of 40 CSS px on the phone, crisp; a tap plays its cell", check_board_and_tap, PHONE),
    ("turning the phone and back keeps every dot; 20x20 cells of 16 CSS px", check_turning, PHONE),
    ("a dialog on a short landscape phone screen reaches its last choice", check_short_dialog, PHONE),
    ("the phone reloads offline and plays; installable", check_offline, PHONE),
]
