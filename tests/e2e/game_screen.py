"""Where the game draws what on its client area, computed from the board's rules
(centred grid, dots, triangles, score panel), and readers of a screenshot that
use those positions: which cells hold dots, which triangles are filled and in
whose colour, and whether a number is drawn as the default font draws it."""


def rgb(colour):
    """The (r, g, b) of a 0x00BBGGRR colour (the layout the game uses)."""
    return (colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)


def colour_name(value):
    """A readable name for an (r, g, b) or 0x00BBGGRR value in messages."""
    if isinstance(value, int):
        value = rgb(value)
    if value is None:
        return "off-screen"
    return "rgb(%d,%d,%d)" % value


class Theme:
    def __init__(self, level, picture, grid, first, second):
        self.level = level
        self.picture = picture
        self.grid = grid
        self.first = first
        self.second = second


THEMES = {
    1: Theme(1, "terre.bmp", 0xC8C800, 0xFF0000, 0xC8C800),
    2: Theme(2, "mars.bmp", 0xFFFFFF, 0x00FF00, 0xFFFFFF),
    3: Theme(3, "saturne.bmp", 0x00FF00, 0xC8C800, 0x00C8C8),
    4: Theme(4, "jupiter.bmp", 0x00FF00, 0xC8C800, 0x00FF00),
}


def trunc_div(a, b):
    """Integer division truncating toward zero, as C++ divides."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


class Board:
    """The board of `size` x `size` cells of `cell` pixels centred on a canvas."""

    def __init__(self, canvas_width, canvas_height, size, cell):
        self.size = size
        self.cell = cell
        self.width = size * cell + 1
        self.height = size * cell + 1
        self.left = trunc_div(canvas_width - self.width, 2)
        self.top = trunc_div(canvas_height - self.height, 2)
        self.right = self.left + self.width
        self.bottom = self.top + self.height

    def centre(self, column, row):
        """The cell's triangle corner, where a click surely lands in the cell."""
        return (self.left + column * self.cell + self.cell // 2 + 1,
                self.top + row * self.cell + self.cell // 2 + 1)

    def dot_centre(self, column, row):
        """The centre the dot's disc is drawn around (one pixel left of centre())."""
        x, y = self.centre(column, row)
        return (x - 1, y)

    def dot_core(self, column, row):
        """Pixels well inside the cell's dot, clear of its black outline."""
        cx, cy = self.dot_centre(column, row)
        return [(cx + dx, cy + dy) for dy in range(-2, 2) for dx in range(-2, 2)]

    def dot_side(self, column, row, dx, dy):
        """A pixel inside the dot, three pixels from its centre toward (dx, dy):
        the part of the dot that triangles toward the other side leave visible."""
        cx, cy = self.dot_centre(column, row)
        return (cx + 3 * dx - (1 if dx > 0 else 0), cy + 3 * dy - (1 if dy > 0 else 0))

    def line_samples(self):
        """One pixel in the middle of every grid line segment between crossings:
        the vertical lines first, then the horizontal ones."""
        points = []
        for k in range(self.size + 1):
            for j in range(self.size):
                points.append((self.left + k * self.cell, self.top + j * self.cell + self.cell // 2))
        for k in range(self.size + 1):
            for j in range(self.size):
                points.append((self.left + j * self.cell + self.cell // 2, self.top + k * self.cell))
        return points

    def cells(self):
        return [(c, r) for r in range(self.size) for c in range(self.size)]

    def blocks(self):
        """The 2 x 2 blocks, each named by its top-left cell."""
        return [(c, r) for r in range(self.size - 1) for c in range(self.size - 1)]

    def block_halves(self, column, row):
        """Two pixels of a block's square (between its four cell centres), one in
        its top quarter and one in its bottom quarter. Whichever diagonal splits
        the block into its two triangles, these two points lie in different ones."""
        x0, y0 = self.centre(column, row)
        x = x0 + self.cell // 2 + 1
        return [(x, y0 + self.cell // 5), (x, y0 + self.cell - self.cell // 5)]


class Panel:
    """The score panel's positions on a canvas of width x height."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        w, h = width, height
        # Text origins of the four numbers and a pixel inside each corner icon.
        self.first_triangles_at = (20, 20)
        self.second_triangles_at = (w - 40, 20)
        self.first_rounds_at = (20, h - 40)
        self.second_rounds_at = (w - 40, h - 40)
        self.icons = {
            "top-left": [(12, 12), (13, 14)],
            "top-right": [(w - 13, 12), (w - 14, 14)],
            "bottom-left": [(12, h - 18), (13, h - 20)],
            "bottom-right": [(w - 13, h - 18), (w - 14, h - 20)],
        }
        x0 = w // 2 - 10
        # A pixel inside each half of the winner marker, clear of the diagonal.
        self.marker_upper_right = (x0 + 15, 30)
        self.marker_lower_left = (x0 + 5, 40)

    def caption_at(self, text, average_char_width):
        """Where the level caption's text begins: centred with integer halves."""
        return (self.width // 2 - (len(text) * average_char_width) // 2, self.height - 25)


def matches(image, point, colour):
    return image.pixel(*point) == rgb(colour)


def text_mismatch(image, origin, mask, colour, baseline=None):
    """How far the pixels at `origin` are from `mask` (rows of '#' ink and '.'
    paper) drawn in `colour`: (ink pixels not in the colour, paper pixels in the
    colour). A paper pixel that already had the colour in `baseline` is not counted."""
    x0, y0 = origin
    want = rgb(colour)
    missing = stray = 0
    for dy, row in enumerate(mask):
        for dx, mark in enumerate(row):
            p = (x0 + dx, y0 + dy)
            have = image.pixel(*p)
            if mark == "#":
                missing += have != want
            elif have == want and not (baseline is not None and baseline.pixel(*p) == want):
                stray += 1
    return missing, stray


def occupied_cells(image, baseline, board):
    """The cells whose dot area differs from the empty board in `baseline`. Nothing
    but a dot ever covers that area: a triangle stays at least half a cell's
    diagonal away from any cell that holds no dot."""
    found = set()
    for cell in board.cells():
        core = board.dot_core(*cell)
        changed = sum(image.pixel(*p) != baseline.pixel(*p) for p in core)
        if changed * 2 > len(core):
            found.add(cell)
    return found


def triangle_counts(image, baseline, board, theme):
    """(first player's, second player's) filled triangles: each block's top and
    bottom quarter pixel, where it changed from the empty board to a player's colour."""
    first = second = 0
    for block in board.blocks():
        for p in board.block_halves(*block):
            have = image.pixel(*p)
            if baseline is not None and have == baseline.pixel(*p):
                continue
            if have == rgb(theme.first):
                first += 1
            elif have == rgb(theme.second):
                second += 1
    return first, second


def theme_of_grid(image, board):
    """The themes whose grid colour the board's outermost line segments show (the
    left and top lines lie outside every triangle)."""
    outer = [(board.left, board.top + j * board.cell + board.cell // 2) for j in range(board.size)]
    outer += [(board.left + j * board.cell + board.cell // 2, board.top) for j in range(board.size)]
    return [t for t in THEMES.values() if all(matches(image, p, t.grid) for p in outer)]


def finished_round_theme(image, board):
    """The theme of a round played to its end on the screen: every block filled
    with its two triangles in that theme's players' colours. None while the board
    is not full. (A round won by the first player raises the level of the next
    one, so the theme is read off the screen, not assumed.)"""
    total = 2 * (board.size - 1) ** 2
    for theme in theme_of_grid(image, board):
        if sum(triangle_counts(image, None, board, theme)) == total:
            return theme
    return None
