"""The end-to-end checks, one list for both front ends: the real vantor.exe under
Wine (wine_desktop) and the page in headless Chromium (web_page), each used with
the mouse and the keyboard and judged by pixels at positions computed from the
board's rules. Each check is a function taking the Harness; CHECKS says which
front ends it runs on."""

import os
import shutil
import tempfile
import time

import imaging
from basics import CheckFailed, expect, wait_for
from game_screen import (THEMES, Board, Panel, colour_name, finished_round_theme, matches,
                         occupied_cells, rgb, text_mismatch, triangle_counts)

CAPTION = "KaRmElOn 1.0."
FIRST_BOARD = (6, 20)  # board size and cell size of the first game

# The menu bar as the resource must hold it: position path, command id or
# "popup", and text.
MENU = [
    ("0", "popup", "&File"),
    ("0.0", "105", "E&xit"),
    ("1", "popup", "&Vantor"),
    ("1.0", "32771", "&New"),
    ("1.1", "popup", "&Settings"),
    ("1.1.0", "32773", "&Size"),
    ("1.1.1", "32772", "&Level"),
    ("1.1.2", "32775", "&Type"),
    ("1.2", "32783", "Re&set"),
    ("2", "popup", "&Help"),
    ("2.0", "104", "&About ..."),
]
# The page alone has the online game's menu, after Help.
PAGE_MENU = MENU + [("3", "popup", "&Online"), ("3.0", "40001", "&Play a friend..."), ("3.1", "40002", "&Leave")]

# Dialog templates: size in dialog units and the controls the checks press.
SIZE_DIALOG = {"size": (119, 130), "OK": (50, 15, 50, 14), "10 x 10": (11, 90, 39, 10),
               "16 x 16": (59, 79, 39, 10), "20 x 20": (59, 102, 39, 10)}
LEVEL_DIALOG = {"size": (130, 135), "OK": (61, 17, 50, 14), "Level 2": (42, 81, 39, 10),
                "Level 3": (42, 92, 36, 11), "Level 4": (42, 103, 36, 11)}
TYPE_DIALOG = {"size": (127, 127), "OK": (57, 14, 50, 14),
               "Computer <> Computer": (15, 96, 88, 10), "Human <> Human": (15, 83, 73, 10)}
# The settings dialogs: the keys that open them, their caption, their template
# and the radio checked at the start.
SETTINGS_DIALOGS = [
    (("alt+v", "s", "s"), "Dialog", SIZE_DIALOG, "6 x 6"),
    (("alt+v", "s", "l"), "Dialog", LEVEL_DIALOG, "Level 1"),
    (("alt+v", "s", "t"), "Size", TYPE_DIALOG, "Human <> Computer"),
]


class Harness:
    """What every check needs: the front end, where the screenshots go, and the
    game started by the running check."""

    def __init__(self, front, shots_dir):
        self.front = front
        self.shots_dir = shots_dir
        self.check_name = ""
        self.game = None
        self.results = {}  # what a check leaves for the comparison of the front ends
        os.makedirs(shots_dir, exist_ok=True)

    def start(self, pictures=None):
        """A fresh game; with `pictures`, a folder whose backdrops it reads instead."""
        self.game = self.front.start_game(pictures)
        return self.game

    def finish(self):
        if self.game is not None:
            game, self.game = self.game, None
            game.stop()

    def shot(self, name, image):
        path = os.path.join(self.shots_dir, "%s-%s-%s.png" % (self.front.name, self.check_name, name))
        imaging.write_png(image, path)
        return path

    def shot_screen(self, name):
        """The whole screen (the page), dialogs and menus included."""
        self.front.save_screenshot(os.path.join(self.shots_dir, "%s-%s-%s.png"
                                                % (self.front.name, self.check_name, name)))

    def text_mask(self, text):
        """The text as the front end draws the board's numbers."""
        return self.front.text_mask(text)

    def average_char_width(self):
        return self.front.average_char_width()

    # --- shared steps -------------------------------------------------------------

    def first_screen(self, game, theme=THEMES[1], board_spec=FIRST_BOARD):
        """Waits until the board is drawn in the theme's grid colour and the screen
        is still, and returns (board, image)."""
        board = Board(game.client[0], game.client[1], *board_spec)
        samples = board.line_samples()
        game.wait_screen("a %dx%d board in %s" % (board.size, board.size, colour_name(theme.grid)),
                         lambda image: all(matches(image, p, theme.grid) for p in samples),
                         timeout=30)
        return board, game.wait_still()

    def expect_number(self, image, origin, number, fmt, colour, where, width=None):
        """The number drawn at origin; with `width`, only that many columns are
        looked at for stray ink: a font whose digits outgrow the rectangle that is
        restored before a number is redrawn leaves traces beyond it."""
        text = fmt % number
        mask = self.text_mask(text)
        if width is not None:
            mask = [row[:width] for row in mask]
        missing, stray = text_mismatch(image, origin, mask, colour)
        expect(missing == 0 and stray <= 2,
               "%s does not show %r in %s (%d ink pixels missing, %d stray)"
               % (where, text, colour_name(colour), missing, stray))

    def expect_scores(self, image, theme, first, second, where=""):
        panel = Panel(image.width, image.height)
        self.expect_number(image, panel.first_triangles_at, first, "%d", theme.first,
                           "top-left score" + where, width=25)
        self.expect_number(image, panel.second_triangles_at, second, "%3d", theme.second,
                           "top-right score" + where, width=40)

    def expect_panel_at_start(self, image, theme):
        """A new game's panel: zero scores and round wins beside the corner icons in
        the players' colours, and the level caption centred at the bottom."""
        panel = Panel(image.width, image.height)
        self.expect_scores(image, theme, 0, 0)
        self.expect_number(image, panel.first_rounds_at, 0, "%d", theme.first, "bottom-left count")
        self.expect_number(image, panel.second_rounds_at, 0, "%3d", theme.second,
                           "bottom-right count")
        for corner, points in panel.icons.items():
            colour = theme.first if "left" in corner else theme.second
            for p in points:
                expect(matches(image, p, colour), "%s icon at %s is %s, not %s" % (
                    corner, p, colour_name(image.pixel(*p)), colour_name(colour)))
        caption = "Level %d" % theme.level
        origin = panel.caption_at(caption, self.average_char_width())
        missing, stray = text_mismatch(image, origin, self.text_mask(caption), theme.first)
        expect(missing == 0 and stray <= 2, "caption %r not drawn centred at %s in %s"
               " (%d ink pixels missing, %d stray)"
               % (caption, origin, colour_name(theme.first), missing, stray))

    def expect_backdrop(self, image, theme, board):
        """The picture covers the client area corner to corner: pixels away from
        the board and the score panel are the picture's at or beside their
        stretched place, and block by block the average colour follows the
        picture stretched to the client size, much more closely than the
        picture left at its own size would."""
        picture = imaging.read_bmp(os.path.join(self.front.pictures_dir, theme.picture))
        misses = []
        for x, y in ((x, y) for x in range(10, image.width, 20) for y in range(60, image.height - 50, 20)):
            if not (board.left - 3 <= x <= board.right + 3 and board.top - 3 <= y <= board.bottom + 3):
                sx, sy = x * picture.width // image.width, y * picture.height // image.height
                near = {picture.pixel(sx + dx, sy + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)}
                misses += [((x, y), image.pixel(x, y))] if image.pixel(x, y) not in near else []
        expect(len(misses) <= 3, "%d pixels away from the board are not %s's, e.g. %s at %s"
               % (len(misses), theme.picture, colour_name(misses[0][1]) if misses else "",
                  misses[0][0] if misses else ""))
        stretched = picture.scaled(image.width, image.height)
        unscaled = picture.crop(0, 0, image.width, image.height)
        grid = (24, 24)
        shown = image.block_means(*grid)

        def distance(reference):
            diffs = sorted(sum(abs(a - b) for a, b in zip(s, r)) / 3
                           for s, r in zip(shown, reference.block_means(*grid)))
            return diffs[len(diffs) // 2], diffs[len(diffs) * 9 // 10]

        median, p90 = distance(stretched)
        other_median, other_p90 = distance(unscaled)
        self.front.log("%s backdrop %s: stretched median %.1f p90 %.1f; unscaled median %.1f"
                         " p90 %.1f" % (self.check_name, theme.picture, median, p90,
                                        other_median, other_p90))
        expect(median < 6 and p90 < 16,
               "the client area does not show %s stretched over it (block difference median"
               " %.1f, 90th percentile %.1f)" % (theme.picture, median, p90))
        expect(p90 < other_p90, "the screen matches %s at its own size (%.1f) as well as"
               " stretched (%.1f)" % (theme.picture, other_p90, p90))

    def finished_round(self, game, board, timeout=180):
        """Waits for a round played to its end and returns (theme, image). A repaint
        may start another round right after one ends, so the board must be full
        on the very screenshot that shows the screen has stopped changing."""
        deadline = time.monotonic() + timeout
        while True:
            left = max(1.0, deadline - time.monotonic())
            game.wait_screen("a board filled with triangles",
                             lambda image: finished_round_theme(image, board), timeout=left)
            image = game.wait_still(timeout=max(1.0, deadline - time.monotonic()))
            theme = finished_round_theme(image, board)
            if theme is not None:
                return theme, image
            expect(time.monotonic() < deadline, "no finished round stayed on the screen")

    def open_dialog(self, game, keys, caption, must_have):
        """Opens a dialog from the menu by keyboard and waits for it."""
        game.keys(*keys)
        dialog = game.wait_dialog(caption)
        dialog.control(must_have)
        return dialog

    def choose(self, game, radio, dialog=None, wait_closed=True):
        """Clicks a radio button where its dialog units put it, checks that it is
        the only one checked, then clicks OK where the template puts it. Without
        `dialog`, first opens by keyboard the settings dialog that holds the radio."""
        keys, caption, template, _ = next(d for d in SETTINGS_DIALOGS if radio in d[2])
        dialog = dialog or self.open_dialog(game, keys, caption, radio)
        game.click_screen(*dialog.screen_point(template["size"], template[radio]))

        def checked():
            shown = game.dialogs()
            return shown and shown[0].checked() == [radio]
        wait_for("%r to be the one radio checked" % radio, checked, timeout=30)
        game.click_screen(*dialog.screen_point(template["size"], template["OK"]))
        if wait_closed:
            game.wait_no_dialog(timeout=60)


# What a statically linked vantor.exe may import: Windows' own DLLs only.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}


def check_executable(h):
    """vantor.exe is a 64-bit Windows GUI program that needs no DLL of MinGW's."""
    code, text = h.front.run_quiet(["x86_64-w64-mingw32-objdump", "-p", h.front.exe])
    expect(code == 0, "objdump could not read vantor.exe: %s" % text[-300:])
    fields = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0] in ("Magic", "Subsystem"):
            fields[parts[0]] = parts[1]
    expect(fields.get("Magic") == "020b", "not a 64-bit (PE32+) program: Magic %s"
           % fields.get("Magic"))
    expect(fields.get("Subsystem") == "00000002", "not a GUI program: Subsystem %s"
           % fields.get("Subsystem"))
    imports = {line.split(":", 1)[1].strip().lower() for line in text.splitlines()
               if "DLL Name:" in line}
    expect(imports, "no imports found")
    expect(imports <= SYSTEM_DLLS, "imports DLLs beyond the system's: %s"
           % sorted(imports - SYSTEM_DLLS))


def check_window_identity(h):
    """The window's caption and class, its 500 x 500 outer size at (0, 0), its menu."""
    game = h.start()
    info = game.info
    expect(info["caption"] == CAPTION, "caption is %r" % info["caption"])
    expect(info["class"] == "VESKAR", "class is %r" % info["class"])
    expect(info["outer"] == "0 0 500 500", "outer rectangle is %s" % info["outer"])
    expect(info["menu"] == "1", "the window has no menu bar")
    width, height = game.client
    expect(0 < width < 500 and 0 < height < 500, "client area %dx%d" % game.client)
    h.shot_screen("window")


def check_menu_bar(h):
    """The menu bar's popups, items, texts (with their mnemonics) and command ids,
    in their order."""
    game = h.start()
    items = game.menu_items()
    menu = PAGE_MENU if h.front.name == "web" else MENU
    for want, have in zip(menu, items):
        expect(want == have, "menu item %s is %r, expected %r" % (want[0], have, want))
    expect(len(items) == len(menu), "menu has %d items, expected %d" % (len(items), len(menu)))


def check_first_screen(h):
    """Earth stretched over the client area, a centred 6 x 6 board of 20-pixel
    cells in teal lines, and the start of the score panel."""
    game = h.start()
    theme = THEMES[1]
    board, image = h.first_screen(game)
    h.shot("start", image)
    # Just outside the board the grid colour must not continue the lines.
    outside = [(board.left - 1, board.top + 5), (board.right, board.top + 5),
               (board.left + 5, board.top - 1), (board.left + 5, board.bottom)]
    teal_outside = [p for p in outside if matches(image, p, theme.grid)]
    expect(len(teal_outside) < len(outside), "grid colour all around the board: it is not"
           " where the centring puts it")
    h.expect_backdrop(image, theme, board)
    h.expect_panel_at_start(image, theme)


def first_answer(h, game, board, baseline, clicked):
    """Clicks a cell of a fresh game and returns the screen with the human's dot
    and the computer's answer, checking that the answer is where the C runtime's
    unseeded rand puts it: 41 and 18467 are column 5 and row 5 on 6 x 6."""
    game.click(*board.centre(*clicked))
    game.wait_screen("two dots on the board",
                     lambda im: len(occupied_cells(im, baseline, board)) >= 2)
    image = game.wait_still()
    cells = occupied_cells(image, baseline, board)
    expect(cells == {clicked, (5, 5)}, "after a click at %s the dots are at %s, not at %s and"
           " (5, 5)" % (clicked, sorted(cells), clicked))
    return image


def check_human_vs_computer(h):
    """A click in a cell: the human's dot in the first colour, the computer's answer
    in the second, at (5, 5) after any first click; the top numbers follow the
    triangles each has filled."""
    game = h.start()
    board, baseline = h.first_screen(game)
    first_answer(h, game, board, baseline, (0, 4))
    h.finish()
    game = h.start()
    theme = THEMES[1]
    board, baseline = h.first_screen(game)
    clicked = (2, 3)
    image = first_answer(h, game, board, baseline, clicked)
    h.shot("first-move", image)
    cells = occupied_cells(image, baseline, board)
    answer = (5, 5)
    for cell, colour, who in ((clicked, theme.first, "human"), (answer, theme.second, "computer")):
        wrong = [p for p in board.dot_core(*cell) if not matches(image, p, colour)]
        expect(not wrong, "the %s's dot at %s is not %s (e.g. %s at %s)" % (
            who, cell, colour_name(colour), colour_name(image.pixel(*wrong[0])) if wrong else "",
            wrong[0] if wrong else ""))
    h.expect_scores(image, theme, 0, 0, " after the first move")

    # Go on, cell by cell, until the computer has closed a triangle.
    for _ in range(board.size * board.size // 2 - 1):
        empty = [c for c in board.cells() if c not in cells]
        if not empty:
            break
        before = len(cells)
        game.click(*board.centre(*empty[0]))
        game.wait_screen("the computer's answer",
                         lambda im: len(occupied_cells(im, baseline, board)) >= before + 2)
        image = game.wait_still()
        cells = occupied_cells(image, baseline, board)
        expect(len(cells) == before + 2, "one click added %d dots" % (len(cells) - before))
        first, second = triangle_counts(image, baseline, board, theme)
        h.expect_scores(image, theme, first, second, " with %d and %d triangles on the board"
                        % (first, second))
        if second > 0:
            h.shot("computer-triangle", image)
            return
    raise CheckFailed("the computer closed no triangle in a whole round")


def check_size_dialog(h):
    """Vantor > Settings > Size by keyboard, "16 x 16", OK: a centred 16 x 16
    board of 18-pixel cells replaces the 6 x 6 one."""
    game = h.start()
    theme = THEMES[1]
    old_board, _ = h.first_screen(game)
    dialog = h.open_dialog(game, ("alt+v", "s", "s"), "Dialog", "16 x 16")
    h.shot_screen("dialog")
    expect(dialog.checked() == ["6 x 6"], "the Size dialog opens with %s checked" % dialog.checked())
    expect(dialog.focus == 1, "the keyboard focus is on control %s, not OK" % dialog.focus)
    h.choose(game, "16 x 16", dialog)
    board, image = h.first_screen(game, theme, (16, 18))
    h.shot("16x16", image)
    new_x = {board.left + k * board.cell for k in range(board.size + 1)}
    new_y = {board.top + k * board.cell for k in range(board.size + 1)}
    stale = [p for p in old_board.line_samples() if p[0] not in new_x and p[1] not in new_y]
    left_over = [p for p in stale if matches(image, p, theme.grid)]
    expect(len(left_over) * 10 <= len(stale), "%d of %d points of the old 6 x 6 grid are still"
           " drawn" % (len(left_over), len(stale)))


def check_level_dialog(h):
    """Vantor > Settings > Level, by keyboard only: Tab past OK and Cancel to the
    checked radio, Down to "Level 2", Enter for OK: Mars stretched, a white grid,
    the panel in green and white."""
    game = h.start()
    h.first_screen(game)
    dialog = h.open_dialog(game, ("alt+v", "s", "l"), "Dialog", "Level 2")
    expect(dialog.checked() == ["Level 1"], "the Level dialog opens with %s checked"
           % dialog.checked())
    game.dialog_keys("Tab", "Tab", "Down")
    wait_for("Level 2 to be the one radio checked",
             lambda: game.dialogs() and game.dialogs()[0].checked() == ["Level 2"], timeout=30)
    game.dialog_keys("Return")
    game.wait_no_dialog(timeout=60)
    theme = THEMES[2]
    board, image = h.first_screen(game, theme)
    h.shot("level2", image)
    h.expect_backdrop(image, theme, board)
    h.expect_panel_at_start(image, theme)


def check_computer_vs_computer(h):
    """Size "20 x 20", then Type "Computer <> Computer": the dialog is gone before
    the round plays, the dots are seen arriving one after another, and the board
    fills with triangles; the winner marker takes the winner's colour."""
    game = h.start()
    h.first_screen(game)
    h.choose(game, "20 x 20")
    board, baseline = h.first_screen(game, THEMES[1], (20, 16))
    dialog = h.open_dialog(game, ("alt+v", "s", "t"), "Size", "Computer <> Computer")
    expect(dialog.checked() == ["Human <> Computer"], "the Type dialog opens with %s checked"
           % dialog.checked())
    h.choose(game, "Computer <> Computer", dialog, wait_closed=False)
    # While the round plays: the number of dots seen, and whether a dialog was.
    full = board.size * board.size
    counts = []
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        count = len(occupied_cells(game.screen(), baseline, board))
        if 0 < count < full and not any(0 < c < full for c in counts):
            expect(not game.dialogs(), "the Type dialog is still shown while the computer plays")
        counts.append(count)
        if count == full:
            break
    between = [c for c in counts if 0 < c < full]
    h.front.log("dots seen while the round played: %s" % counts)
    expect(count == full, "the board never filled: dots seen %s" % counts[-20:])
    expect(len(set(between)) >= 2 and any(a < b for a, b in zip(between, between[1:])),
           "the dots did not arrive one after another: seen %s" % counts)
    theme, image = h.finished_round(game, board)
    h.shot("round", image)
    first, second = triangle_counts(image, None, board, theme)
    # Every cell of the outer ring shows the part of its dot that no triangle covers.
    n = board.size - 1
    ring = [(board.dot_side(c, 0, 0, -1), (c, 0)) for c in range(board.size)]
    ring += [(board.dot_side(c, n, 0, 1), (c, n)) for c in range(board.size)]
    ring += [(board.dot_side(0, r, -1, 0), (0, r)) for r in range(board.size)]
    ring += [(board.dot_side(n, r, 1, 0), (n, r)) for r in range(board.size)]
    for p, cell in ring:
        expect(image.pixel(*p) in (rgb(theme.first), rgb(theme.second)),
               "cell %s shows no dot (%s at %s)" % (cell, colour_name(image.pixel(*p)), p))
    panel = Panel(image.width, image.height)
    if first > second:
        want = (theme.first, theme.first)
    elif second > first:
        want = (theme.second, theme.second)
    else:
        want = (theme.second, theme.first)
    for point, colour, half in ((panel.marker_upper_right, want[0], "upper-right"),
                                (panel.marker_lower_left, want[1], "lower-left")):
        expect(matches(image, point, colour), "after %d to %d the marker's %s half is %s, not %s"
               % (first, second, half, colour_name(image.pixel(*point)), colour_name(colour)))
    h.expect_scores(image, theme, first, second, " at the end of the round")


def check_human_vs_human(h):
    """Type "Human <> Human": clicks alternate the colours, a block's third dot
    fills its triangle, an occupied cell changes nothing and keeps the turn. The
    round played to its end is the first player's: New goes to level 2 with the
    won round counted; a second win and Reset go to level 3 with every number 0."""
    game = h.start()
    theme = THEMES[1]
    board, _ = h.first_screen(game)
    h.choose(game, "Human <> Human")
    board, baseline = h.first_screen(game)

    def play(cell, count):
        game.click(*board.centre(*cell))
        game.wait_screen("%d dots on the board" % count,
                         lambda im: len(occupied_cells(im, baseline, board)) >= count)
        return game.wait_still()

    image = play((0, 0), 1)
    expect(all(matches(image, p, theme.first) for p in board.dot_core(0, 0)),
           "the first dot is not %s" % colour_name(theme.first))
    image = play((1, 0), 2)
    expect(all(matches(image, p, theme.second) for p in board.dot_core(1, 0)),
           "the second dot is not %s" % colour_name(theme.second))
    image = play((0, 1), 3)
    h.shot("third-dot", image)
    expect(triangle_counts(image, baseline, board, theme) == (1, 0),
           "the third dot of the block filled %s triangles (first, second), not (1, 0)"
           % (triangle_counts(image, baseline, board, theme),))
    for cell, side, colour in (((0, 0), (-1, -1), theme.first), ((1, 0), (1, -1), theme.second),
                               ((0, 1), (-1, 1), theme.first)):
        p = board.dot_side(cell[0], cell[1], *side)
        expect(matches(image, p, colour), "dot %s shows %s beside its triangle, not %s"
               % (cell, colour_name(image.pixel(*p)), colour_name(colour)))
    # A click on an occupied cell is no move: the next dot is still the second player's.
    game.click(*board.centre(0, 0))
    image = play((1, 1), 4)
    h.shot("fourth-dot", image)
    expect(matches(image, board.dot_side(1, 1, 1, 1), theme.second),
           "the dot after a click on an occupied cell is not the second player's")
    expect(matches(image, board.dot_side(0, 0, -1, -1), theme.first),
           "a click on an occupied cell repainted its dot")
    expect(triangle_counts(image, baseline, board, theme) == (1, 1),
           "the block holds %s triangles (first, second), not (1, 1)"
           % (triangle_counts(image, baseline, board, theme),))
    # Human dots do not redraw the panel: the top numbers stay at zero.
    h.expect_scores(image, theme, 0, 0, " during a Human <> Human round")

    # The rest of the round, row pair by row pair, each column top then bottom:
    # the first player closes 35 triangles to 15.
    order = [(c, r + dr) for r in range(0, board.size, 2) for c in range(board.size) for dr in (0, 1)]
    game.click_all([board.centre(*cell) for cell in order if cell not in ((0, 0), (1, 0), (0, 1), (1, 1))])
    theme, image = h.finished_round(game, board, timeout=60)
    expect(theme is THEMES[1] and triangle_counts(image, None, board, theme) == (35, 15),
           "the round ended %s to %s, not 35 to 15" % triangle_counts(image, None, board, theme))
    h.expect_scores(image, theme, 35, 15, " at the end of the round")
    game.keys("alt+v", "n")
    board, image = h.first_screen(game, THEMES[2])
    h.shot("new-level2", image)
    panel = Panel(image.width, image.height)
    h.expect_number(image, panel.first_rounds_at, 1, "%d", THEMES[2].first, "bottom-left count")
    h.expect_number(image, panel.second_rounds_at, 0, "%3d", THEMES[2].second, "bottom-right count")
    game.click_all([board.centre(*cell) for cell in order])
    h.finished_round(game, board, timeout=60)
    game.keys("alt+v", "Up", "Return")  # Re&set shares its mnemonic with &Settings
    board, image = h.first_screen(game, THEMES[3])
    h.shot("reset-level3", image)
    h.expect_panel_at_start(image, THEMES[3])


def check_page_clicks(h):
    """A click beside the board, and a click on the board that closes an open
    menu, play nothing and make no sound; a click in a cell beeps once before
    its dot, and a click on an occupied cell beeps without playing."""
    game = h.start()
    board, baseline = h.first_screen(game)
    game.click(board.left // 2, game.client[1] // 2)
    game.keys("alt+v")
    wait_for("the Vantor menu to open", game.menus_open, timeout=10)
    game.click(*board.centre(4, 4))
    image = game.wait_still()
    expect(not game.menus_open(), "a click on the board left the menu open")
    expect(not occupied_cells(image, baseline, board) and game.beeps() == 0,
           "clicks beside the board and on an open menu put dots at %s and beeped %d times"
           % (sorted(occupied_cells(image, baseline, board)), game.beeps()))
    first_answer(h, game, board, baseline, (4, 4))
    expect(game.beeps() == 1, "a click in a cell beeped %d times, not once" % game.beeps())
    game.click(*board.centre(4, 4))
    image = game.wait_still()
    expect(game.beeps() == 2 and len(occupied_cells(image, baseline, board)) == 2,
           "a click on an occupied cell beeped %d times in all and left %d dots, not 2 and 2"
           % (game.beeps(), len(occupied_cells(image, baseline, board))))


def check_dialog_cancel(h):
    """Cancel, Esc and the close box of each settings dialog change nothing: the
    round in progress stays on the board pixel for pixel, each dialog opens again
    with its first radio checked, and an OK then makes a 6 x 6 game on Earth."""
    game = h.start()
    board, baseline = h.first_screen(game)
    before = first_answer(h, game, board, baseline, (0, 0))
    for keys, caption, template, stored in SETTINGS_DIALOGS:
        for way in ("Cancel", "Escape", "the close box"):
            dialog = h.open_dialog(game, keys, caption, stored)
            expect(dialog.checked() == [stored], "the dialog with %r opens with %s checked"
                   % (stored, dialog.checked()))
            overflowing = [c["text"] for c in dialog.controls if c.get("overflow")]
            expect(not overflowing, "texts run past their controls: %s" % overflowing)
            if template is SIZE_DIALOG:  # a Size radio clicked changes nothing until OK
                game.click_screen(*dialog.centre("16 x 16"))
                wait_for("16 x 16 to be checked",
                         lambda: game.dialogs() and game.dialogs()[0].checked() == ["16 x 16"])
            if way == "Escape":
                game.dialog_keys("Escape")
            else:
                game.click_screen(*(dialog.close_box if way == "the close box" else dialog.centre(way)))
            game.wait_no_dialog()
            game.idle()  # whatever the dialog left to do is done: the page repaints nothing itself
            expect(game.screen().data == before.data, "%s in the dialog with %r changed the board"
                   % (way, stored))
    h.open_dialog(game, ("alt+v", "s", "t"), "Size", "Human <> Computer")
    game.dialog_keys("Return")
    game.wait_no_dialog()
    _, image = h.first_screen(game)
    expect(not occupied_cells(image, baseline, board), "OK in the Type dialog left the dots on the board")


def check_about_accelerators(h):
    """Alt+? and Alt+/ open one About box each; Enter closes it, no other follows,
    and the game goes on."""
    game = h.start()
    h.first_screen(game)
    for key in ("alt+question", "alt+slash"):
        game.keys(key)
        dialog = game.wait_dialog("About")
        h.shot_screen(key.replace("+", "-"))
        texts = [c["text"] for c in dialog.controls]
        expect("Vantor Version 2.0" in texts and "OK" in texts, "About box shows %s" % texts)
        expect(len(game.dialogs()) == 1, "%s opened %d dialogs" % (key, len(game.dialogs())))
        game.dialog_keys("Return")
        game.wait_no_dialog()
        time.sleep(1.0)
        expect(not game.dialogs(), "another dialog opened after the About box of %s closed" % key)
        expect(game.alive(), "the game ended when the About box closed")
    # The window takes clicks again: the first one is answered.
    board, baseline = h.first_screen(game)
    first_answer(h, game, board, baseline, (1, 1))


def check_exit(h):
    """File > Exit by keyboard ends the game: vantor.exe with exit code 0, the page
    with its game over notice."""
    game = h.start()
    h.first_screen(game)
    game.keys("alt+f", "x")
    code = game.wait_exit()
    expect(code == 0, "vantor.exe exited with code %d" % code)
    h.shot_screen("ended")


def check_close_box(h):
    """Closing the window as its close box does (Alt+F4) ends the process with code 0."""
    game = h.start()
    h.first_screen(game)
    game.keys("alt+F4")
    code = game.wait_exit()
    expect(code == 0, "vantor.exe exited with code %d" % code)


def broken_pictures(real_earth):
    """Files named like the backdrops that a picture loader must refuse without harm."""
    return {
        "terre.bmp": b"",                                 # empty
        "mars.bmp": real_earth[:len(real_earth) // 3],    # cut short in its pixels
        "saturne.bmp": b"Saturn has rings, not pixels.\r\n" * 40,  # not a BMP
        "jupiter.bmp": imaging.bmp_file(200000, 200000, 32, data=bytes(64)),  # in 118 bytes
    }


def check_broken_pictures(h):
    """With truncated, empty, non-BMP and absurdly large files in place of the
    backdrops, the board stands on black at every level, the game plays, and
    File > Exit ends it with code 0."""
    folder = tempfile.mkdtemp(prefix="vantor-broken-")
    try:
        with open(os.path.join(h.front.pictures_dir, "terre.bmp"), "rb") as f:
            earth = f.read()
        for name, blob in broken_pictures(earth).items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(blob)
        game = h.start(folder)
        board, image = h.first_screen(game)
        first_answer(h, game, board, image, (0, 0))
        for level in (1, 2, 3, 4):
            if level > 1:
                h.choose(game, "Level %d" % level)
                _, image = h.first_screen(game, THEMES[level])
            h.shot("level%d" % level, image)
            for p in ((5, 5), (game.client[0] // 2, 5), (5, game.client[1] // 2)):
                expect(image.pixel(*p) == (0, 0, 0), "at level %d the board does not stand on black:"
                       " %s at %s" % (level, colour_name(image.pixel(*p)), p))
        game.keys("alt+f", "x")
        expect(game.wait_exit() == 0, "the game ended with code %d" % game.wait_exit())
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def check_resize(h):
    """A resize: vantor.exe starts a new game on the new board area, as WM_SIZE
    does (level 1 against the computer, whatever the Type dialog chose); the page
    keeps its Human <> Human round with its dot. Either way the board is centred
    in the new area with the panel at its corners."""
    kept = h.front.keeps_game_on_resize
    game = h.start()
    h.first_screen(game)
    h.choose(game, "Human <> Human")
    board, _ = h.first_screen(game)
    has_dot = lambda im, cell, colour: all(matches(im, p, colour) for p in board.dot_core(*cell))  # noqa: E731
    if kept:
        game.click(*board.centre(0, 0))
        game.wait_screen("the first player's dot", lambda im: has_dot(im, (0, 0), THEMES[1].first))
    for size in ((400, 300), (640, 470)):
        game.resize(*size)
        board, image = h.first_screen(game)
        h.shot("%dx%d" % size, image)
        expect(image.width == size[0] and image.height == size[1], "the board area is %dx%d, not %dx%d"
               % (image.width, image.height, size[0], size[1]))
        h.expect_panel_at_start(image, THEMES[1])
        expect(has_dot(image, (0, 0), THEMES[1].first) == kept, "the resize %s the round's dot" % ("lost" if kept else "kept"))
    if not kept:
        first_answer(h, game, board, image, (3, 3))
    else:  # the second player's turn, as before the resize
        game.click(*board.centre(3, 3))
        game.wait_screen("the second player's dot", lambda im: has_dot(im, (3, 3), THEMES[1].second))


def plain_pictures(folder):
    """Backdrops of one colour each, which every way of stretching shows alike."""
    colours = {"terre.bmp": (20, 40, 70), "mars.bmp": (70, 30, 20), "saturne.bmp": (60, 55, 30),
               "jupiter.bmp": (50, 40, 35)}
    for name, (r, g, b) in colours.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(imaging.bmp_file(2, 2, 24, [bytes((b, g, r)) * 2] * 2))


def check_same_state(h):
    """A round against the computer, on plain backdrops, played to its end by
    clicking the first empty cell each time: the screen is kept for the
    comparison of the front ends."""
    folder = tempfile.mkdtemp(prefix="vantor-plain-")
    try:
        plain_pictures(folder)
        game = h.start(folder)
        board, baseline = h.first_screen(game)
        play_to_the_end(h, game, board, baseline)
    finally:
        h.finish()
        shutil.rmtree(folder, ignore_errors=True)


def play_to_the_end(h, game, board, baseline):
    """Clicks the first empty cell, waits for the answer, and so on to the end of
    the round; keeps the finished board for the comparison."""
    expect(game.client == (492, 454), "the board area is %dx%d, not 492x454" % game.client)
    for _ in range(board.size * board.size // 2):
        cells = occupied_cells(game.screen(), baseline, board)
        empty = [c for c in board.cells() if c not in cells]
        if not empty:
            break
        game.click(*board.centre(*empty[0]))
        game.wait_screen("the computer's answer",
                         lambda im: len(occupied_cells(im, baseline, board)) >= len(cells) + 2)
    theme, image = h.finished_round(game, board, timeout=60)
    h.shot("finished", image)
    h.results["same-state"] = image


# The score panel's texts differ between the front ends' fonts; everything else
# must be the same pixel for pixel. Rectangles as (left, top, right, bottom).
def text_areas(width, height):
    return [(20, 20, 45, 35), (width - 40, 20, width, 35), (20, height - 40, 45, height - 25),
            (width - 40, height - 40, width - 5, height - 25), (45, height - 25, width - 40, height)]


def compare_front_ends(results):
    """The same game state shows the same pixels on both front ends, the texts
    left out: the backdrop, the board, the dots, the triangles, the corner icons
    and the winner marker."""
    wine, web = (results.get(front, {}).get("same-state") for front in ("wine", "web"))
    expect(wine is not None and web is not None, "a front end did not reach the state to compare")
    expect((wine.width, wine.height) == (web.width, web.height), "the board areas differ: %dx%d and %dx%d"
           % (wine.width, wine.height, web.width, web.height))
    skip = text_areas(wine.width, wine.height)
    differ = []
    for y in range(wine.height):
        for x in range(wine.width):
            if any(l <= x < r and t <= y < b for l, t, r, b in skip):
                continue
            if wine.pixel(x, y) != web.pixel(x, y):
                differ.append((x, y))
    expect(not differ, "%d pixels differ, e.g. at %s: %s under Wine, %s in the browser"
           % (len(differ), differ[0] if differ else "", colour_name(wine.pixel(*differ[0])) if differ else "",
              colour_name(web.pixel(*differ[0])) if differ else ""))


# Each check with the front ends it runs on.
BOTH = ("wine", "web")
CHECKS = [
    ("vantor.exe: 64-bit GUI program, system DLLs only", check_executable, ("wine",)),
    ("window caption, class and size", check_window_identity, ("wine",)),
    ("menu bar items and ids", check_menu_bar, BOTH),
    ("first screen: Earth, centred 6x6 board, score panel", check_first_screen, BOTH),
    ("Human <> Computer: first answer at (5, 5), dots, colours, scores", check_human_vs_computer, BOTH),
    ("Size dialog by keyboard: 16x16 board of 18-px cells", check_size_dialog, BOTH),
    ("Level dialog: level 2 theme", check_level_dialog, BOTH),
    ("Computer <> Computer: dots arrive one by one, winner marker", check_computer_vs_computer, BOTH),
    ("Human <> Human: a won round, New to level 2, Reset", check_human_vs_human, BOTH),
    ("a board click beeps once; beside the board or on an open menu nothing plays",
     check_page_clicks, ("web",)),
    ("Cancel, Esc and the close box of each settings dialog change nothing", check_dialog_cancel,
     ("web",)),
    ("About box by Alt+? and Alt+/, closed by Enter", check_about_accelerators, BOTH),
    # Under Wine this one runs on the unzipped release package (package_checks.py).
    ("broken pictures: the board on black at every level, the game plays", check_broken_pictures, ("web",)),
    ("a resize: a new game in vantor.exe, the same round on the page", check_resize, BOTH),
    ("a finished round against the computer, kept for comparison", check_same_state, BOTH),
    ("Exit ends the game (exit code 0)", check_exit, BOTH),
    ("the close box ends the process with code 0", check_close_box, ("wine",)),
]

# Checks of both front ends together, after each has run its checks.
COMPARISONS = [
    ("same pixels on both front ends, texts left out", compare_front_ends),
]
