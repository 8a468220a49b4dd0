#!/usr/bin/env python3
"""A short demonstration of vantor.exe on the current (virtual) X display: a few
moves against the computer, then Computer <> Computer rounds chosen through the
Type, Level and Size dialogs, with a screenshot after each step. Prints the path
of every screenshot it saves."""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import imaging  # noqa: E402
from basics import CheckFailed  # noqa: E402
from checks import LEVEL_DIALOG, SIZE_DIALOG, TYPE_DIALOG, Harness  # noqa: E402
from game_screen import Board, occupied_cells  # noqa: E402
from wine_desktop import Desktop  # noqa: E402


class Demo:
    def __init__(self, desktop, folder):
        self.desktop = desktop
        self.folder = folder
        self.count = 0
        os.makedirs(folder, exist_ok=True)

    def save(self, name, image):
        self.count += 1
        path = os.path.join(self.folder, "%02d-%s.png" % (self.count, name))
        imaging.write_png(image, path)
        print(path, flush=True)

    def dialog(self, name, game, keys, caption, template, radio_rect):
        """Opens a dialog by keyboard, shows it, clicks a radio, confirms with Enter."""
        game.keys(*keys)
        dialog = game.wait_dialog(caption)
        game.click_screen(*dialog.screen_point(template["size"], radio_rect))
        left, top, right, bottom = (int(v) for v in game.info["outer"].split())
        self.save(name, self.desktop.screenshot().crop(left, top, right - left, bottom - top))
        game.dialog_keys("Return")
        game.wait_no_dialog(timeout=120)

    def round_over(self, harness, game, board, name):
        self.save(name, harness.finished_round(game, board)[1])

    def run(self, harness):
        game = harness.start()
        board, empty = harness.first_screen(game)
        self.save("first-screen", empty)

        for cell in ((2, 2), (3, 2), (2, 3)):
            before = len(occupied_cells(game.screen(), empty, board))
            game.click(*board.centre(*cell))
            game.wait_screen("the computer's answer",
                             lambda im: len(occupied_cells(im, empty, board)) >= before + 2)
        self.save("human-vs-computer", game.wait_still())

        self.dialog("type-dialog", game, ("alt+v", "s", "t"), "Size", TYPE_DIALOG,
                    TYPE_DIALOG["Computer <> Computer"])
        self.round_over(harness, game, board, "computer-vs-computer")

        self.dialog("level-dialog", game, ("alt+v", "s", "l"), "Dialog", LEVEL_DIALOG, LEVEL_DIALOG["Level 3"])
        self.round_over(harness, game, board, "level-3")

        self.dialog("size-dialog", game, ("alt+v", "s", "s"), "Dialog", SIZE_DIALOG, SIZE_DIALOG["10 x 10"])
        ten = Board(game.client[0], game.client[1], 10, 20)
        self.round_over(harness, game, ten, "size-10x10")

        game.keys("alt+f", "x")
        game.wait_exit()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, help="the Windows build folder (vantor.exe, BMPs)")
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    parser.add_argument("--log", required=True, help="where Wine's and the driver's output go")
    args = parser.parse_args()
    desktop = Desktop(args.build, args.log)
    harness = Harness(desktop, args.shots)
    demo = Demo(desktop, args.shots)
    try:
        demo.run(harness)
    except CheckFailed as e:
        print("the demonstration stopped: %s" % e, file=sys.stderr)
        return 1
    finally:
        harness.finish()
    return 0


if __name__ == "__main__":
    sys.exit(main())
