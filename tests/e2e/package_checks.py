#!/usr/bin/env python3
"""Checks a release package made by CPack, unzipped into an empty folder and run
from there with the end-to-end harness: `wine`, the Windows package (vantor.exe
under Wine, also with broken pictures), or `web`, the browser's (served and
loaded in headless Chromium). One line per check, then "N passed, M failed";
exits non-zero on a failure.

  package_checks.py wine|web ROOT BUILD ZIP SCRATCH OUT"""

import os
import shutil
import sys
import zipfile

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from basics import Runner, expect, wait_for  # noqa: E402
from checks import Harness, broken_pictures, check_executable, first_answer  # noqa: E402
from game_screen import THEMES, occupied_cells  # noqa: E402

PICTURES = ["terre.bmp", "mars.bmp", "saturne.bmp", "jupiter.bmp"]


class Package:
    """The zip file, where it is unpacked, and what it must hold: `sources` maps
    each packed file that has a source in the project to that source; the
    `windows_texts` have Windows line ends throughout."""

    def __init__(self, root, zip_path, scratch, names, sources, windows_texts=()):
        self.root = root
        self.zip = zip_path
        self.unpacked = os.path.join(scratch, "unpacked")
        self.names = names
        self.sources = sources
        self.windows_texts = windows_texts

    def check_name(self):
        """CPack names the package after the version the About box shows."""
        expect(os.path.isfile(self.zip), "no %s after cpack" % os.path.basename(self.zip))

    def check_contents(self):
        """Exactly the expected files, with no folder around them, each packed
        file with a source the same as that source."""
        with zipfile.ZipFile(self.zip) as archive:
            names = archive.namelist()
            expect(archive.testzip() is None, "the archive is damaged")
            # Unpacked even when the list is wrong: the later checks tell what that breaks.
            os.makedirs(self.unpacked)
            archive.extractall(self.unpacked)
        expect(sorted(names) == sorted(self.names), "the package holds %s, not %s"
               % (sorted(names), sorted(self.names)))
        for name, source in self.sources.items():
            with open(os.path.join(self.unpacked, name), "rb") as packed, open(source, "rb") as f:
                expect(packed.read() == f.read(), "%s differs from %s"
                       % (name, os.path.relpath(source, self.root)))
        for name in self.windows_texts:
            with open(os.path.join(self.unpacked, name), "rb") as f:
                text = f.read()
            expect(b"\r\n" in text and b"\n" not in text.replace(b"\r\n", b""),
                   "%s does not have Windows line ends throughout" % name)

    def expect_unpacked(self):
        expect(os.path.isdir(self.unpacked), "nothing unpacked to run")


# --- The Windows package --------------------------------------------------------

def desktop_for(build, folder, log):
    """The harness's desktop, running the vantor.exe of `folder` in that folder."""
    from wine_desktop import Desktop
    desktop = Desktop(build, log)
    desktop.exe = os.path.join(folder, "vantor.exe")
    desktop.build_dir = folder  # where the game runs and the pictures are read
    desktop.pictures_dir = folder
    return desktop


def wine_checks(package, build, scratch, out, log):
    broken = os.path.join(scratch, "broken-pictures")
    harness = Harness(desktop_for(build, build, log), os.path.join(out, "shots"))

    def imports():
        """The packaged vantor.exe is a 64-bit GUI program that needs no DLL beside it."""
        package.expect_unpacked()
        harness.front = desktop_for(build, package.unpacked, log)
        check_executable(harness)

    def earth():
        """Started from the unpacked folder, the first screen shows Earth stretched
        over the client area behind the board. The game stays open for the next check."""
        package.expect_unpacked()
        board, image = harness.first_screen(harness.start())
        harness.shot("earth", image)
        harness.expect_backdrop(image, THEMES[1], board)

    def exit_code():
        """File > Exit ends the unpacked game with exit code 0."""
        game = harness.game
        expect(game is not None and game.alive(), "the game of the previous check is not running")
        game.keys("alt+f", "x")
        expect(game.wait_exit() == 0, "vantor.exe exited with code %d" % game.process.returncode)

    def broken_pictures_played():
        """With truncated, empty, non-BMP and absurdly large files named like the
        backdrops, the game shows its board, takes a move and the computer's
        answer, goes through all four levels, and exits with code 0."""
        package.expect_unpacked()
        shutil.copytree(package.unpacked, broken)
        with open(os.path.join(package.unpacked, "terre.bmp"), "rb") as f:
            earth_bmp = f.read()
        for name, blob in broken_pictures(earth_bmp).items():
            with open(os.path.join(broken, name), "wb") as f:
                f.write(blob)
        harness.front = desktop_for(build, broken, log)
        game = harness.start()
        board, baseline = harness.first_screen(game)
        harness.shot("level1", baseline)
        game.click(*board.centre(2, 3))
        image = game.wait_screen("the move and the computer's answer",
                                 lambda im: len(occupied_cells(im, baseline, board)) >= 2)
        harness.shot("move", image)
        for level in (2, 3, 4):
            game.keys("alt+v", "s", "l")
            dialog = game.wait_dialog("Dialog")
            game.click_screen(*dialog.centre("Level %d" % level))
            wait_for("Level %d to be checked" % level,
                     lambda: game.dialogs() and game.dialogs()[0].checked() == ["Level %d" % level],
                     timeout=10)
            game.click_screen(*dialog.centre("OK"))
            game.wait_no_dialog(timeout=30)
            _, image = harness.first_screen(game, THEMES[level])
            harness.shot("level%d" % level, image)
            expect(game.alive(), "the game ended at level %d" % level)
        game.keys("alt+f", "x")
        expect(game.wait_exit() == 0, "vantor.exe exited with code %d" % game.process.returncode)

    finish = harness.finish
    return harness, [
        ("package named %s" % os.path.basename(package.zip), package.check_name, finish),
        ("package holds exactly vantor.exe, the four backdrops and README.txt",
         package.check_contents, finish),
        ("packaged vantor.exe: 64-bit GUI program, system DLLs only", imports, finish),
        ("unpacked game shows Earth on its first screen", earth, None),
        ("unpacked game exits with code 0", exit_code, finish),
        ("broken pictures: the game plays on through all four levels", broken_pictures_played, finish),
    ]


# --- The browser's package --------------------------------------------------------

def web_checks(package, root, out, log):
    holder = {}  # the harness, once the browser runs

    def first_screen():
        """Served from the unpacked folder, the page's first screen shows the 6 x 6
        board on Earth (assets/terre.bmp) stretched over the board area."""
        package.expect_unpacked()
        from web_page import Browser  # Debian's Selenium, only where it is needed
        browser = Browser(package.unpacked, log)
        # The backdrop is judged against the project's own Earth, not against
        # whatever the package holds under its name.
        browser.pictures_dir = os.path.join(root, "assets")
        harness = holder["harness"] = Harness(browser, os.path.join(out, "shots"))
        game = harness.start()
        board, image = harness.first_screen(game)
        harness.shot("earth", image)
        harness.expect_backdrop(image, THEMES[1], board)
        harness.results["first"] = (board, image)

    def answer():
        """A click in a cell: the human's dot and the computer's answer where the
        Windows runtime's draws put it; the page asked for nothing the package lacks."""
        harness = holder.get("harness")
        expect(harness is not None and "first" in harness.results, "no first screen to click on")
        board, baseline = harness.results["first"]
        harness.shot("answer", first_answer(harness, harness.game, board, baseline, (2, 3)))
        with open(os.path.join(harness.front.root, "server.log")) as f:
            missing = [line.strip() for line in f if '" 404 ' in line]
        expect(not missing, "the page asked for files the package lacks: %s" % missing)

    return holder, [
        ("package named %s" % os.path.basename(package.zip), package.check_name, None),
        ("package holds exactly the page's files, the four backdrops and README.txt",
         package.check_contents, None),
        ("unpacked page shows Earth behind the board", first_screen, None),
        ("a click gets the computer's answer", answer, None),
    ]


def main():
    kind, root, build, zip_path, scratch, out = sys.argv[1:7]
    log = os.path.join(out, "check-detail.log")
    open(log, "w").close()
    runner = Runner(log)
    assets = {name: os.path.join(root, "assets", name) for name in PICTURES}
    if kind == "wine":
        package = Package(root, zip_path, scratch, {"vantor.exe", "README.txt"} | set(PICTURES), assets,
                          windows_texts=["README.txt"])
        harness, checks = wine_checks(package, build, scratch, out, log)
        holder = {"harness": harness}
    else:
        names = {"index.html", "vantor.js", "vantor.wasm", "vantor-page.js", "vantor-resources.js",
                 "vantor.css", "vantor.ico", "README.txt"} | set(PICTURES)
        sources = dict(assets, **{"README.txt": os.path.join(root, "res", "README-web.txt")})
        package = Package(root, zip_path, scratch, names, sources)
        holder, checks = web_checks(package, root, out, log)
    try:
        for number, (name, check, finish) in enumerate(checks, 1):
            harness = holder.get("harness")
            if harness is not None:
                harness.check_name = "%02d" % number
            runner.run(name, check, finish=finish,
                       shot=lambda: holder["harness"].shot_screen("failed") if "harness" in holder else None)
    finally:
        harness = holder.get("harness")
        if harness is not None:
            harness.finish()
            harness.front.close()
    return runner.summary()


if __name__ == "__main__":
    sys.exit(main())
