"""Self-tests of the end-to-end harness: image files read and written right, and
the screen positions it samples really lie where the checks assume (inside the
dot, inside one triangle and not the other, off the grid lines). A fault here
would make the end-to-end checks pass or fail for the wrong reason."""

import contextlib
import io
import os
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import basics  # noqa: E402
import imaging  # noqa: E402
from game_screen import (THEMES, Board, Panel, finished_round_theme, occupied_cells, rgb,  # noqa: E402
                         text_mismatch, triangle_counts, trunc_div)


def bmp_bytes(width, height, pixel, top_down=False):
    image = imaging.Image(width, height)
    for y in range(height):
        for x in range(width):
            image.set_pixel(x, y, pixel(x, y))
    return imaging.encode_bmp(image, top_down)


def inside_triangle(p, a, b, c):
    """Strictly inside: on the same side of all three edges, not on any."""
    def side(p1, p2, q):
        return (p2[0] - p1[0]) * (q[1] - p1[1]) - (p2[1] - p1[1]) * (q[0] - p1[0])
    d = (side(a, b, p), side(b, c, p), side(c, a, p))
    return all(v > 0 for v in d) or all(v < 0 for v in d)


def fill_triangle(image, a, b, c, colour):
    for y in range(image.height):
        for x in range(image.width):
            if inside_triangle((x, y), a, b, c):
                image.set_pixel(x, y, rgb(colour))


def fill_disc(image, board, cell, colour):
    cx, cy = board.dot_centre(*cell)
    r = (board.cell - board.cell * 50 // 100) // 2
    for y in range(cy - r, cy + r):
        for x in range(cx - r, cx + r):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 < r * r:
                image.set_pixel(x, y, rgb(colour))


class ImageFiles(unittest.TestCase):
    def test_ppm_8_and_16_bit_with_comments(self):
        eight = imaging.parse_ppm(b"P6\n# made by hand\n2 1\n255\n" + bytes([1, 2, 3, 250, 251, 252]))
        self.assertEqual((eight.width, eight.height), (2, 1))
        self.assertEqual(eight.pixel(1, 0), (250, 251, 252))
        sixteen = imaging.parse_ppm(b"P6 1 1 65535\n" + struct.pack(">3H", 0xFFFF, 0x8080, 0x0000))
        self.assertEqual(sixteen.pixel(0, 0), (255, 128, 0))
        # A binary sample that looks like whitespace right after the header is data.
        spaced = imaging.parse_ppm(b"P6\n1 1\n255\n" + b" \n\t")
        self.assertEqual(spaced.pixel(0, 0), (32, 10, 9))

    def test_ppm_refuses_bad_files(self):
        for blob in (b"", b"P3\n1 1\n255\n000", b"P6\n2 2\n255\n" + bytes(11),
                     b"P6\n0 1\n255\n", b"P6\n1 x\n255\n000", b"P6\n1 1"):
            with self.subTest(blob=blob[:12]):
                with self.assertRaises(imaging.ImageError):
                    imaging.parse_ppm(blob)

    def test_bmp_rows_padding_and_orientation(self):
        def pixel(x, y):
            return (x * 40, y * 60, 7)
        for top_down in (False, True):
            with self.subTest(top_down=top_down):
                blob = bmp_bytes(3, 2, pixel, top_down)
                self.assertEqual(len(blob), 54 + 2 * 12)  # 9 bytes a row, padded to 12
                self.assertEqual(blob[54:57], bytes(reversed(pixel(0, 0 if top_down else 1))))
                image = imaging.parse_bmp(blob)
                self.assertEqual((image.width, image.height), (3, 2))
                for y in range(2):
                    for x in range(3):
                        self.assertEqual(image.pixel(x, y), pixel(x, y))

    def test_bmp_refuses_other_kinds_and_short_files(self):
        good = bmp_bytes(4, 4, lambda x, y: (0, 0, 0))
        eight_bit = good[:28] + struct.pack("<H", 8) + good[30:]
        for blob in (good[:60], eight_bit, b"XX" + good[2:], good[:20]):
            with self.assertRaises(imaging.ImageError):
                imaging.parse_bmp(blob)

    def test_png_holds_the_pixels(self):
        image = imaging.Image(3, 2)
        image.set_pixel(2, 1, (9, 8, 7))
        blob = imaging.encode_png(image)
        self.assertEqual(blob[:8], b"\x89PNG\r\n\x1a\n")
        chunks, i = {}, 8
        while i < len(blob):
            length, kind = struct.unpack_from(">I4s", blob, i)
            payload = blob[i + 8:i + 8 + length]
            crc = struct.unpack_from(">I", blob, i + 8 + length)[0]
            self.assertEqual(crc, zlib.crc32(kind + payload) & 0xFFFFFFFF, kind)
            chunks[kind] = payload
            i += 12 + length
        self.assertEqual(struct.unpack(">II", chunks[b"IHDR"][:8]), (3, 2))
        raw = zlib.decompress(chunks[b"IDAT"])
        self.assertEqual(raw[10:], b"\0" + bytes(6) + bytes([9, 8, 7]))

    def test_crop_and_scale(self):
        image = imaging.Image(4, 2)
        image.set_pixel(3, 1, (1, 2, 3))
        self.assertEqual(image.crop(2, 0, 4, 3).pixel(1, 1), (1, 2, 3))
        self.assertEqual(image.crop(2, 0, 4, 3).pixel(3, 2), (0, 0, 0))
        wide = image.scaled(8, 4)
        self.assertEqual([wide.pixel(x, y) for x, y in ((6, 2), (7, 3), (5, 3))],
                         [(1, 2, 3), (1, 2, 3), (0, 0, 0)])


class Geometry(unittest.TestCase):
    def test_board_centring_truncates_toward_zero(self):
        board = Board(500, 400, 6, 25)
        self.assertEqual((board.left, board.top, board.right, board.bottom), (174, 124, 325, 275))
        self.assertEqual(Board(200, 200, 20, 16).left, -60)
        self.assertEqual(trunc_div(-121, 2), -60)
        self.assertEqual(board.centre(0, 0)[0], 187)
        self.assertEqual(board.dot_centre(0, 0)[0], 186)

    def test_block_points_fall_in_different_triangles_whatever_the_diagonal(self):
        for cell in (16, 18, 20, 25):
            board = Board(492, 454, 6, cell)
            x0, y0 = board.centre(2, 3)
            tl, tr, bl, br = (x0, y0), (x0 + cell, y0), (x0, y0 + cell), (x0 + cell, y0 + cell)
            splits = [((tl, tr, br), (tl, bl, br)), ((tl, tr, bl), (tr, bl, br))]
            top, bottom = board.block_halves(2, 3)
            for one, other in splits:
                with self.subTest(cell=cell, split=one):
                    self.assertNotEqual(inside_triangle(top, *one), inside_triangle(bottom, *one))
                    self.assertNotEqual(inside_triangle(top, *other),
                                        inside_triangle(bottom, *other))
                    # Away from the outlines: a pixel to either side is still inside.
                    for p in (top, bottom):
                        tri = one if inside_triangle(p, *one) else other
                        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                            self.assertTrue(inside_triangle((p[0] + dx, p[1] + dy), *tri))
            lines_x = {board.left + k * cell for k in range(7)}
            lines_y = {board.top + k * cell for k in range(7)}
            for p in (top, bottom):
                self.assertNotIn(p[0], lines_x)
                self.assertNotIn(p[1], lines_y)

    def test_dot_pixels_lie_inside_the_disc(self):
        board = Board(492, 454, 6, 20)
        image = imaging.Image(492, 454)
        fill_disc(image, board, (1, 1), 0xFF0000)
        inside = [board.dot_side(1, 1, dx, dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
        for p in board.dot_core(1, 1) + inside:
            self.assertEqual(image.pixel(*p), rgb(0xFF0000), p)

    def test_line_samples_sit_on_the_lines_between_crossings(self):
        board = Board(492, 454, 6, 20)
        samples = board.line_samples()
        self.assertEqual(len(samples), 2 * 7 * 6)
        for x, y in samples[:42]:
            self.assertEqual((x - board.left) % 20, 0)
            self.assertNotEqual((y - board.top) % 20, 0)
        for x, y in samples[42:]:
            self.assertEqual((y - board.top) % 20, 0)
            self.assertNotEqual((x - board.left) % 20, 0)

    def test_panel_positions(self):
        panel = Panel(483, 454)
        self.assertEqual(panel.marker_upper_right[0] - 15, 231)
        self.assertEqual(panel.caption_at("Level 1", 7), (483 // 2 - 24, 429))


class ScreenReading(unittest.TestCase):
    def setUp(self):
        self.theme = THEMES[1]
        self.board = Board(200, 200, 6, 20)
        self.empty = imaging.Image(200, 200)

    def test_dots_and_triangles_are_counted_by_owner(self):
        board, theme = self.board, self.theme
        image = imaging.Image(200, 200, self.empty.data)
        for cell, colour in (((0, 0), theme.first), ((1, 0), theme.second),
                             ((0, 1), theme.first), ((4, 4), theme.second)):
            fill_disc(image, board, cell, colour)
        self.assertEqual(occupied_cells(image, self.empty, board), {(0, 0), (1, 0), (0, 1), (4, 4)})
        self.assertEqual(triangle_counts(image, self.empty, board, theme), (0, 0))
        fill_triangle(image, board.centre(0, 0), board.centre(1, 0), board.centre(0, 1), theme.first)
        self.assertEqual(triangle_counts(image, self.empty, board, theme), (1, 0))
        fill_disc(image, board, (1, 1), theme.second)
        fill_triangle(image, board.centre(1, 1), board.centre(1, 0), board.centre(0, 1), theme.second)
        self.assertEqual(triangle_counts(image, self.empty, board, theme), (1, 1))
        self.assertEqual(len(occupied_cells(image, self.empty, board)), 5)

    def test_a_finished_round_is_recognised_only_when_full(self):
        board, theme = self.board, self.theme
        image = imaging.Image(200, 200)
        for k in range(7):
            for t in range(121):
                image.set_pixel(board.left + k * 20, board.top + t, rgb(theme.grid))
                image.set_pixel(board.left + t, board.top + k * 20, rgb(theme.grid))
        blocks = board.blocks()
        for i, (c, r) in enumerate(blocks):
            colour = theme.first if i % 3 else theme.second
            fill_triangle(image, board.centre(c, r), board.centre(c + 1, r), board.centre(c, r + 1),
                          colour)
            if i < len(blocks) - 1:
                fill_triangle(image, board.centre(c + 1, r + 1), board.centre(c + 1, r),
                              board.centre(c, r + 1), colour)
        self.assertIsNone(finished_round_theme(image, board))
        c, r = blocks[-1]
        fill_triangle(image, board.centre(c + 1, r + 1), board.centre(c + 1, r),
                      board.centre(c, r + 1), theme.second)
        self.assertIs(finished_round_theme(image, board), theme)

    def test_text_compare_tells_numbers_apart(self):
        zero = [".##.", "#..#", ".##."]
        one = ["..#.", "..#.", "..#."]
        image = imaging.Image(10, 10)
        for y, row in enumerate(zero):
            for x, mark in enumerate(row):
                if mark == "#":
                    image.set_pixel(3 + x, 2 + y, rgb(0xC8C800))
        self.assertEqual(text_mismatch(image, (3, 2), zero, 0xC8C800), (0, 0))
        self.assertNotEqual(text_mismatch(image, (3, 2), one, 0xC8C800), (0, 0))
        self.assertNotEqual(text_mismatch(image, (4, 2), zero, 0xC8C800), (0, 0))
        self.assertEqual(text_mismatch(image, (3, 2), zero, 0xFF0000)[0], 6)


class CheckRunner(unittest.TestCase):
    def test_every_failure_counts_on_one_line_whatever_its_message(self):
        def fail(error):
            raise error
        runner, out = basics.Runner(os.devnull), io.StringIO()
        with contextlib.redirect_stdout(out):
            for error in (basics.CheckFailed(" \n"), RuntimeError("first\nsecond")):
                runner.run("broken", lambda: fail(error))
            runner.run("fine", lambda: None)
            self.assertEqual(runner.summary(), 1)
        self.assertEqual([line.split(" (")[0] for line in out.getvalue().splitlines()],
                         ["FAIL  broken", "FAIL  broken", "ok    fine", "1 passed, 2 failed"])


if __name__ == "__main__":
    unittest.main()
