#!/usr/bin/env python3
"""Checks a release package made by CPack, unzipped into an empty folder and run
from there with the end-to-end harness: `wine`, the Windows package (vantor.exe
under Wine, also with broken pictures), or `web`, the browser's (served and
loaded in headless Chromium). One line per check, then "N passed, M failed";
exits non-zero on a failure.

  package_checks.py wine|web ROOT BUILD ZIP SCRATCH OUT"""

import os
import sys
import zipfile

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from basics import Runner, expect  # noqa: E402
from checks import (Harness, check_broken_pictures, check_executable, check_exit,  # noqa: E402
                    check_first_screen, first_answer)

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


def open_desktop(build, folder, log):
    """The harness's desktop, running the vantor.exe of `folder` in that folder."""
    from wine_desktop import Desktop
    desktop = Desktop(build, log)
    desktop.exe = os.path.join(folder, "vantor.exe")
    desktop.build_dir = desktop.pictures_dir = folder  # where the game runs and reads its pictures
    return desktop


def open_browser(root, folder, log):
    """The browser, serving `folder`; backdrops are judged against the project's
    own, not against whatever the package holds under their names."""
    from web_page import Browser  # Debian's Selenium, only where it is needed
    browser = Browser(folder, log)
    browser.pictures_dir = os.path.join(root, "assets")
    return browser


def check_answer(h):
    """A click in a cell: the human's dot and the computer's answer where the
    Windows runtime's draws put it; the page asked for nothing the package lacks."""
    game = h.start()
    board, baseline = h.first_screen(game)
    h.shot("answer", first_answer(h, game, board, baseline, (2, 3)))
    with open(os.path.join(h.front.root, "server.log")) as f:
        missing = [line.strip() for line in f if '" 404 ' in line]
    expect(not missing, "the page asked for files the package lacks: %s" % missing)


def main():
    kind, root, build, zip_path, scratch, out = sys.argv[1:7]
    log = os.path.join(out, "check-detail.log")
    open(log, "w").close()
    assets = {name: os.path.join(root, "assets", name) for name in PICTURES}
    if kind == "wine":
        package = Package(root, zip_path, scratch, {"vantor.exe", "README.txt"} | set(PICTURES), assets,
                          windows_texts=["README.txt"])
        what = "vantor.exe, the four backdrops and README.txt"
        played = [("packaged vantor.exe: 64-bit GUI program, system DLLs only", check_executable),
                  ("unpacked game shows Earth on its first screen", check_first_screen),
                  ("unpacked game exits with code 0", check_exit),
                  ("broken pictures: the game plays on through all four levels", check_broken_pictures)]
        opener = lambda: open_desktop(build, package.unpacked, log)  # noqa: E731
    else:
        # The backdrops travel as PNG files; the app's icons and its manifest and
        # service worker come with the page.
        icons = ["vantor-192.png", "vantor-512.png"]
        names = {"index.html", "vantor.js", "vantor.wasm", "vantor-page.js", "vantor-online.js", "vantor-resources.js",
                 "vantor.css", "vantor.ico", "vantor.webmanifest", "vantor-sw.js", "README.txt"} | set(icons) \
            | {name.replace(".bmp", ".png") for name in PICTURES}
        sources = {name: os.path.join(root, "res", name) for name in icons}
        sources["README.txt"] = os.path.join(root, "res", "README-web.txt")
        package = Package(root, zip_path, scratch, names, sources)
        what = "the page's files, the four backdrops, the app's icons and README.txt"
        played = [("unpacked page shows Earth behind the board", check_first_screen),
                  ("a click gets the computer's answer", check_answer)]
        opener = lambda: open_browser(root, package.unpacked, log)  # noqa: E731
    runner = Runner(log)
    runner.run("package named %s" % os.path.basename(zip_path), package.check_name)
    runner.run("package holds exactly %s" % what, package.check_contents)
    harness = None
    try:
        for number, (name, check) in enumerate(played, 3):
            def run():
                nonlocal harness
                package.expect_unpacked()
                harness = harness or Harness(opener(), os.path.join(out, "shots"))
                harness.check_name = "%02d" % number
                check(harness)
            runner.run(name, run, finish=lambda: harness and harness.finish(),
                       shot=lambda: harness and harness.shot_screen("failed"))
    finally:
        if harness is not None:
            harness.front.close()
    return runner.summary()


if __name__ == "__main__":
    sys.exit(main())
