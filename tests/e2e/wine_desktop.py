"""Drives vantor.exe under Wine on an X display as a person would: starts it,
finds its window, clicks, types, takes screenshots; asks winprobe.exe what X
cannot tell. Every wait polls with a time limit instead of sleeping blindly."""

import os
import re
import shutil
import subprocess
import tempfile

import imaging
from basics import CheckFailed, Dialog, Watched, wait_for

GAME_CLASS = "VESKAR"


class Desktop:
    """The X display and the Wine prefix the game runs in (from the environment)."""

    name = "wine"
    keeps_game_on_resize = False  # WM_SIZE starts a new game

    def __init__(self, build_dir, log_path):
        self.build_dir = os.path.abspath(build_dir)
        self.pictures_dir = self.build_dir
        self._masks = {}
        self._char_width = None
        self.exe = os.path.join(self.build_dir, "vantor.exe")
        self.probe_exe = os.path.join(self.build_dir, "tests", "e2e", "winprobe.exe")
        self.log_path = log_path
        self.scratch = tempfile.mkdtemp(prefix="vantor-e2e-")
        for need in (self.exe, self.probe_exe):
            if not os.path.isfile(need):
                raise FileNotFoundError(need)
        if not os.environ.get("DISPLAY"):
            raise RuntimeError("no DISPLAY")

    def log(self, text):
        with open(self.log_path, "a") as f:
            f.write(text + "\n")

    def run_quiet(self, args, timeout=30):
        """Runs a command with its output in a file (never a pipe: Wine's services
        would inherit it) and returns (exit code, output)."""
        out_path = os.path.join(self.scratch, "out.txt")
        with open(out_path, "w") as out:
            code = subprocess.call(args, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, timeout=timeout)
        with open(out_path, errors="replace") as f:
            return code, f.read()

    def probe(self, *args):
        """winprobe's "key value" lines as a list of (key, value)."""
        code, text = self.run_quiet(["wine", self.probe_exe] + list(args))
        if code != 0:
            raise CheckFailed("winprobe %s exited with %d: %s" % (" ".join(args), code, text[-300:]))
        lines = []
        for line in text.splitlines():
            key, _, value = line.partition(" ")
            lines.append((key, value))
        return lines

    def probe_dict(self, *args):
        return {k: v for k, v in self.probe(*args)}

    def xdotool(self, *args):
        code, text = self.run_quiet(["xdotool"] + [str(a) for a in args])
        if code != 0:
            raise CheckFailed("xdotool %s failed: %s" % (" ".join(map(str, args)), text.strip()))
        return text

    def close(self):
        pass

    def text_mask(self, text):
        """The text as the default device-context font draws it."""
        if text not in self._masks:
            rows = []
            for key, value in self.probe("text", text):
                if key == "row":
                    rows.append(value)
                elif key == "avecharwidth":
                    self._char_width = int(value)
            if not rows:
                raise CheckFailed("winprobe drew nothing for %r" % text)
            self._masks[text] = rows
        return self._masks[text]

    def average_char_width(self):
        if self._char_width is None:
            self.text_mask("0")
        return self._char_width

    def save_screenshot(self, path):
        imaging.write_png(self.screenshot(), path)

    def screenshot(self):
        """The whole X screen."""
        path = os.path.join(self.scratch, "screen.ppm")
        code, text = self.run_quiet(["import", "-window", "root", "-depth", "8", "ppm:" + path])
        if code != 0:
            raise CheckFailed("screenshot failed: " + text.strip())
        return imaging.read_ppm(path)

    def game_window_present(self):
        return self.probe_dict("window", GAME_CLASS).get("found") == "1"

    def start_game(self, pictures=None):
        """Starts vantor.exe; with `pictures`, a copy of it in that folder, so that
        it reads the backdrops there (Wine looks in the program's folder too)."""
        if self.game_window_present():
            raise CheckFailed("a game window from an earlier start is still open")
        if pictures is None:
            return Game(self, self.build_dir, self.exe)
        exe = os.path.join(pictures, "vantor.exe")
        shutil.copy(self.exe, exe)
        return Game(self, pictures, exe)


class Game(Watched):
    """One run of vantor.exe."""

    def __init__(self, desktop, cwd, exe):
        self.desktop = desktop
        self.log = open(desktop.log_path, "a")
        self.process = subprocess.Popen(["wine", exe], cwd=cwd, stdout=self.log,
                                        stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        try:
            self.info = wait_for("the game window to appear", self._visible_window, timeout=30)
            self.origin = tuple(int(v) for v in self.info["origin"].split())
            self.client = tuple(int(v) for v in self.info["client"].split())
            self.x_window = wait_for("the game's X window", self._find_x_window, timeout=20)
        except BaseException:
            # Nobody else holds this process yet: end it here.
            self.process.kill()
            self.process.wait()
            self.log.close()
            raise

    def _visible_window(self):
        if self.process.poll() is not None:
            raise CheckFailed("vantor.exe ended with code %d before showing a window"
                              % self.process.returncode)
        info = self.desktop.probe_dict("window", GAME_CLASS)
        return info if info.get("found") == "1" and info.get("visible") == "1" else None

    def _find_x_window(self):
        code, text = self.desktop.run_quiet(["xdotool", "search", "--onlyvisible", "--pid",
                                             str(self.process.pid)])
        ids = text.split()
        if code != 0 or not ids:
            # Wine may not tag its windows with the process id; the caption will do.
            code, text = self.desktop.run_quiet(["xdotool", "search", "--onlyvisible", "--name",
                                                 "^" + re.escape(self.info["caption"]) + "$"])
            ids = text.split()
        return ids[0] if code == 0 and ids else None

    # --- what a person does -------------------------------------------------

    def focus(self):
        self.desktop.xdotool("windowfocus", "--sync", self.x_window)

    def keys(self, *keys):
        """Key strokes to the focused window, one after the other."""
        self.focus()
        self.desktop.xdotool("key", "--delay", "80", *keys)

    def dialog_keys(self, *keys):
        """Key strokes to whatever has the keyboard focus (an open dialog)."""
        self.desktop.xdotool("key", "--delay", "80", *keys)

    def click(self, x, y):
        """A left click at client pixel (x, y)."""
        self.click_screen(self.origin[0] + x, self.origin[1] + y)

    def click_screen(self, x, y):
        self.desktop.xdotool("mousemove", "--sync", x, y, "click", "1")

    def click_all(self, points):
        """Left clicks at client pixels, one after the other, as fast as a hand could."""
        args = []
        for x, y in points:
            args += ["mousemove", "--sync", self.origin[0] + x, self.origin[1] + y, "click", "1"]
        if args:
            self.desktop.xdotool(*args)

    def resize(self, width, height):
        """The window made larger or smaller, so that its client area is width x height."""
        outer = [int(v) for v in self.info["outer"].split()]
        frame = (outer[2] - outer[0] - self.client[0], outer[3] - outer[1] - self.client[1])
        self.desktop.probe("resize", str(width + frame[0]), str(height + frame[1]))

        def resized():
            info = self.desktop.probe_dict("window", GAME_CLASS)
            client = tuple(int(v) for v in info.get("client", "0 0").split())
            return info if client == (width, height) else None
        self.info = wait_for("the client area to become %dx%d" % (width, height), resized, timeout=30)
        self.client = (width, height)

    def menu_items(self):
        """The menu bar's items as (path, command id or "popup", text), read from
        the menu resource that the window's class names."""
        lines = self.desktop.probe("menu-resource", self.desktop.exe, "109")
        if ("found", "1") not in lines:
            raise CheckFailed("vantor.exe holds no menu 109")
        return [tuple(value.split(" ", 2)) for key, value in lines if key == "item"]

    # --- what is on the screen ----------------------------------------------

    def screen(self):
        """The client area, as the screen shows it now."""
        return self.desktop.screenshot().crop(self.origin[0], self.origin[1], *self.client)

    def dialogs(self):
        """The game's visible dialogs, as winprobe lists them."""
        found = []
        current = None
        for key, value in self.desktop.probe("dialogs", GAME_CLASS):
            if key == "dialog":
                current = Dialog(value.partition(" ")[2], None, None)
                found.append(current)
            elif current is None:
                continue
            elif key == "client":
                current.client = tuple(int(v) for v in value.split())
            elif key == "origin":
                current.origin = tuple(int(v) for v in value.split())
            elif key == "focus":
                current.focus = int(value)
            elif key == "control":
                parts = value.split(" ", 9)
                current.controls.append({
                    "id": int(parts[0]), "cls": parts[1], "style": int(parts[2], 16),
                    "checked": parts[4] == "1",
                    "rect": tuple(int(v) for v in parts[5:9]),
                    "text": parts[9] if len(parts) > 9 else "",
                })
        return found

    def alive(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=30.0):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise CheckFailed("vantor.exe still running %.0f s later" % timeout)

    def stop(self):
        """Ends the process if it still runs and waits until its window is gone."""
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=20)
        self.log.close()
        wait_for("the game window to go away", lambda: not self.desktop.game_window_present(),
                 timeout=20, interval=0.1)
