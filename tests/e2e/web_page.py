"""Drives the browser build of Vantor in headless Chromium through WebDriver, as
a person would: loads the page from a local web server, clicks on the board,
types menu and dialog keys, resizes the window, and reads what the board's
canvas shows. It offers the checks what wine_desktop offers for vantor.exe, so
that one list of checks runs on both front ends."""

import base64
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

import basics
import imaging
from basics import CheckFailed, wait_for

# Debian's python3-selenium, which belongs to Debian's own /usr/bin/python3.
from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

# The board area of vantor.exe's 500 x 500 window under Wine: the page's window
# is sized so that its board area is the same, and the same game looks the same.
BOARD_AREA = (492, 454)

CHROMIUM_FLAGS = ["--headless=new", "--no-sandbox", "--disable-gpu", "--force-device-scale-factor=1",
                  "--no-first-run", "--disable-background-networking", "--disable-component-update",
                  "--disable-sync", "--disable-extensions", "--mute-audio"]

# xdotool's key names, as the checks write them, in WebDriver's terms.
KEYS = {"Return": Keys.ENTER, "Escape": Keys.ESCAPE, "Down": Keys.ARROW_DOWN, "Up": Keys.ARROW_UP,
        "Left": Keys.ARROW_LEFT, "Right": Keys.ARROW_RIGHT, "Tab": Keys.TAB, "space": " ",
        "question": "?", "slash": "/"}

# What the page's script tells about the page, for the driver.
READ_DIALOGS = """
return [...document.querySelectorAll('dialog[open]')].map((d) => {
  const client = d.querySelector('.client').getBoundingClientRect();
  const close = d.querySelector('.caption .close').getBoundingClientRect();
  const focus = document.activeElement && d.contains(document.activeElement)
      ? document.activeElement.closest('[data-id]') : null;
  return {
    caption: d.querySelector('.caption .title').textContent,
    client: [Math.round(client.width), Math.round(client.height)],
    origin: [Math.round(client.left), Math.round(client.top)],
    close: [Math.round(close.left + close.width / 2), Math.round(close.top + close.height / 2)],
    focus: focus ? Number(focus.dataset.id) : null,
    controls: [...d.querySelectorAll('.client > *')].map((c) => {
      const r = c.getBoundingClientRect();
      const radio = c.querySelector('input[type=radio]');
      return {id: Number(c.dataset.id), cls: c.tagName, text: c.textContent.trim(),
              checked: radio ? radio.checked : false, overflow: c.scrollWidth > c.clientWidth,
              rect: [Math.round(r.left), Math.round(r.top), Math.round(r.right), Math.round(r.bottom)]};
    }),
  };
});
"""

READ_BOARD = """
const canvas = document.getElementById('board');
if (!canvas.width || !canvas.height || canvas.closest('[hidden]')) return null;
const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
let text = '';
for (let i = 0; i < data.length; i += 0x8000) {
  text += String.fromCharCode.apply(null, data.subarray(i, Math.min(i + 0x8000, data.length)));
}
return [canvas.width, canvas.height, btoa(text)];
"""

READ_MENU = """
const items = [];
function walk(entries, path) {
  entries.forEach((e, i) => {
    const here = path + i;
    const sub = e.querySelector(':scope > .menu');
    items.push([here, sub ? 'popup' : e.dataset.command, e.dataset.text]);
    if (sub) walk([...sub.querySelectorAll(':scope > .menu-item')], here + '.');
  });
}
walk([...document.querySelectorAll('#menubar > .menu-title')], '');
return items;
"""


# Counts the page's beeps: every oscillator started is one.
COUNT_BEEPS = """
window.vantorBeeps = 0;
const start = OscillatorNode.prototype.start;
OscillatorNode.prototype.start = function (...args) {
  window.vantorBeeps += 1;
  return start.apply(this, args);
};
window.vantorErrors = [];
const report = console.error;
console.error = function (...args) {
  window.vantorErrors.push(String(args[0]));
  return report.apply(this, args);
};
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def read_board(driver):
    """The board's canvas, as the page shows it now."""
    found = driver.execute_script(READ_BOARD)
    if found is None:
        return imaging.Image(0, 0)
    width, height, data = found
    rgba = base64.b64decode(data)
    rgb = bytearray(width * height * 3)
    rgb[0::3] = rgba[0::4]
    rgb[1::3] = rgba[1::4]
    rgb[2::3] = rgba[2::4]
    return imaging.Image(width, height, bytes(rgb))


class Browser:
    """Headless Chromium and a local web server serving the page: the built site,
    and beside it copies of the site with other pictures, made on request."""

    name = "web"
    keeps_game_on_resize = True  # a page is not a window

    def __init__(self, site_dir, log_path):
        self.site_dir = os.path.abspath(site_dir)
        # The site holds the backdrops packed; the game reads the project's BMPs.
        self.pictures_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets")
        self.log_path = log_path
        for need in ("index.html", "vantor.js", "vantor.wasm"):
            if not os.path.isfile(os.path.join(self.site_dir, need)):
                raise FileNotFoundError(os.path.join(self.site_dir, need))
        self.root = tempfile.mkdtemp(prefix="vantor-web-")
        os.symlink(self.site_dir, os.path.join(self.root, "site"))
        self.port = free_port()
        self.server_log = open(os.path.join(self.root, "server.log"), "w")
        self.server = subprocess.Popen(
            [sys.executable, "-m", "http.server", str(self.port), "--bind", "127.0.0.1"],
            cwd=self.root, stdout=self.server_log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        try:
            wait_for("the web server", self._serving, timeout=20)
            options = webdriver.ChromeOptions()
            options.binary_location = "/usr/bin/chromium"
            for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + os.path.join(self.root, "profile")]:
                options.add_argument(flag)
            self.chrome_options(options)
            self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
            self.driver.set_script_timeout(60)
            self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": COUNT_BEEPS})
        except BaseException:
            self.close()
            raise
        self.chrome_height = None
        self._masks = {}

    def chrome_options(self, options):
        """More options for the browser: none for a desktop's."""

    def _serving(self):
        try:
            with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                return True
        except OSError:
            return False

    def log(self, text):
        with open(self.log_path, "a") as f:
            f.write(text + "\n")

    def close(self):
        driver = getattr(self, "driver", None)
        if driver is not None:
            try:
                driver.quit()
            except WebDriverException:
                pass
            self.driver = None
        if self.server.poll() is None:
            self.server.terminate()
            self.server.wait(timeout=20)
        self.server_log.close()
        shutil.rmtree(self.root, ignore_errors=True)

    def site_with_pictures(self, folder):
        """A copy of the site served with the pictures of `folder` instead of its
        own (a picture that folder lacks is missing); returns its URL path."""
        name = "pictures-%d" % len(os.listdir(self.root))
        copy = os.path.join(self.root, name)
        os.mkdir(copy)
        backdrops = {"terre.png", "mars.png", "saturne.png", "jupiter.png"}
        for entry in os.listdir(self.site_dir):
            if not entry.endswith(".bmp") and entry not in backdrops:
                os.symlink(os.path.join(self.site_dir, entry), os.path.join(copy, entry))
        for entry in os.listdir(folder):
            if entry.endswith(".bmp"):
                shutil.copy(os.path.join(folder, entry), copy)
        return name

    def start_game(self, cwd=None):
        path = self.site_with_pictures(cwd) if cwd else "site"
        return Page(self, "http://127.0.0.1:%d/%s/" % (self.port, path))

    def save_screenshot(self, path):
        """The whole page, as a PNG file."""
        self.driver.save_screenshot(path)

    def text_mask(self, text):
        """The text as the page draws the board's numbers and captions."""
        if text not in self._masks:
            mask = self.driver.execute_script(
                "const m = window.vantorPage.textMask(arguments[0]);"
                "return [m.width, m.height, Array.from(m.ink)];", text)
            width, height, ink = mask
            rows = ["".join("#" if ink[y * width + x] else "." for x in range(width)) for y in range(height)]
            while rows and "#" not in rows[-1]:
                rows.pop()
            self._masks[text] = rows
        return self._masks[text]

    def average_char_width(self):
        return self.driver.execute_script("return window.vantorPage.averageCharWidth();")


class Page(basics.Watched):
    """One load of the page: a fresh game, as a fresh start of vantor.exe is."""

    poll = 0.05
    still_poll = 0.1

    def __init__(self, browser, url):
        self.browser = browser
        self.driver = browser.driver
        self.resize_window(*BOARD_AREA)
        self.driver.get(url)
        wait_for("the page's game to start", self._started, timeout=30)
        self.client = self._board_size()
        self.origin = (0, 0)

    def _started(self):
        return self.driver.execute_script("return !!(window.vantorPage && window.vantorPage.started());")

    def _board_size(self):
        return tuple(self.driver.execute_script(
            "const a = document.getElementById('board-area'); return [a.clientWidth, a.clientHeight];"))

    def resize_window(self, width, height):
        """Sizes the browser window so that the board area is width x height."""
        driver = self.driver
        for _ in range(3):
            inner = driver.execute_script(
                "const a = document.getElementById('board-area');"
                "return a ? [a.clientWidth, a.clientHeight] : [innerWidth, innerHeight - 21];")
            outer = driver.get_window_size()
            want = (outer["width"] + width - inner[0], outer["height"] + height - inner[1])
            if (outer["width"], outer["height"]) == want:
                return
            driver.set_window_size(*want)

    # --- what a person does -------------------------------------------------

    def keys(self, *keys):
        """Key strokes to the page, one after the other, named as xdotool names them."""
        for key in keys:
            actions = ActionChains(self.driver, duration=0)
            *modifiers, name = key.split("+")
            held = [Keys.ALT if m == "alt" else Keys.SHIFT if m == "shift" else Keys.CONTROL
                    for m in modifiers]
            for m in held:
                actions.key_down(m)
            actions.send_keys(KEYS.get(name, name))
            for m in reversed(held):
                actions.key_up(m)
            actions.perform()
            time.sleep(0.05)

    dialog_keys = keys

    def click(self, x, y):
        """A left click at board pixel (x, y)."""
        self.click_all([(x, y)])

    def click_all(self, points):
        """Left clicks at board pixels, one after the other."""
        board = self.driver.find_element(By.ID, "board")
        width, height = self.driver.execute_script("return [arguments[0].width, arguments[0].height];", board)
        actions = ActionChains(self.driver, duration=0)
        for x, y in points:
            actions.move_to_element_with_offset(board, x - width // 2, y - height // 2).click()
        actions.perform()

    def click_screen(self, x, y):
        """A left click at page pixel (x, y)."""
        actions = ActionBuilder(self.driver, duration=0)
        actions.pointer_action.move_to_location(x, y)
        actions.pointer_action.click()
        actions.perform()

    def resize(self, width, height):
        """The window made larger or smaller, so that the board area is width x height."""
        self.resize_window(width, height)
        wait_for("the board to take the new size", lambda: self.screen_size() == (width, height), timeout=30)
        self.client = (width, height)

    # --- what is on the screen ----------------------------------------------

    def screen_size(self):
        return tuple(self.driver.execute_script(
            "const c = document.getElementById('board'); return [c.width, c.height];"))

    def screen(self):
        return read_board(self.driver)

    def idle(self):
        """Waits until the page has no call into the game under way."""
        return self.driver.execute_async_script(
            "const done = arguments[0]; window.vantorPage.idle().then(() => done(true));")

    def dialogs(self):
        return [Dialog(d) for d in self.driver.execute_script(READ_DIALOGS)]

    def beeps(self):
        """How many beeps the page has played since it was loaded."""
        return self.driver.execute_script("return window.vantorBeeps;")

    def menus_open(self):
        return self.driver.execute_script("return document.querySelectorAll('#menubar .menu:not([hidden])').length;")

    def menu_items(self):
        return [tuple(item) for item in self.driver.execute_script(READ_MENU)]

    def alive(self):
        return self.driver.execute_script("return document.getElementById('game-over').hidden;")

    def wait_exit(self, timeout=30.0):
        """The page's game over notice, once the game has ended: 0, as vantor.exe's exit code."""
        wait_for("the game over notice", lambda: not self.alive(), timeout=timeout)
        shown = self.driver.execute_script(
            "return [document.getElementById('board-area').hidden, document.getElementById('menubar').hidden];")
        if shown != [True, True]:
            raise CheckFailed("the board or the menu bar is still shown after Exit")
        return 0

    def stop(self):
        self.driver.get("about:blank")


class Dialog(basics.Dialog):
    """A dialog on the page, described as wine_desktop describes a window's."""

    def __init__(self, found):
        super().__init__(found["caption"], tuple(found["client"]), tuple(found["origin"]))
        self.focus = found["focus"]
        self.close_box = tuple(found["close"])
        self.controls = found["controls"]
