#!/usr/bin/python3
"""The icon generator res/make_icon.py and the picture in res/icon.txt.

The .ico, the PNG and the RGBA header are decoded here by hand (and the PNG
also by PIL) and compared with the grid, so a fault in any writer shows up as
a wrong pixel rather than as a different file.
"""

import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "..", "res")
GENERATOR = os.path.join(RES, "make_icon.py")
GRID = os.path.join(RES, "icon.txt")

# The standard 16-colour palette in 4-bit bitmap order, with the letters the
# grid uses for it.
STANDARD = [
    ("K", (0, 0, 0)),
    ("M", (128, 0, 0)),
    ("G", (0, 128, 0)),
    ("O", (128, 128, 0)),
    ("N", (0, 0, 128)),
    ("P", (128, 0, 128)),
    ("T", (0, 128, 128)),
    ("S", (192, 192, 192)),
    ("D", (128, 128, 128)),
    ("R", (255, 0, 0)),
    ("L", (0, 255, 0)),
    ("Y", (255, 255, 0)),
    ("B", (0, 0, 255)),
    ("F", (255, 0, 255)),
    ("C", (0, 255, 255)),
    ("W", (255, 255, 255)),
]
COLOUR = dict(STANDARD)


def read_grid(path=GRID):
    with open(path, encoding="ascii") as f:
        rows = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
    return rows


def generate(*args, grid=GRID):
    return subprocess.run(
        [sys.executable, GENERATOR, grid, *args], capture_output=True, text=True, timeout=60
    )


class Outputs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="kobaru-icon-")
        cls.ico = os.path.join(cls.dir, "kobaru.ico")
        cls.png = os.path.join(cls.dir, "kobaru.png")
        cls.header = os.path.join(cls.dir, "kobaru_icon.h")
        result = generate("--ico", cls.ico, "--png", cls.png, "--rgba-header", cls.header)
        assert result.returncode == 0, result.stderr
        cls.grid = read_grid()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def expected_rgba(self, x, y):
        letter = self.grid[y][x]
        return (0, 0, 0, 0) if letter == "." else COLOUR[letter] + (255,)

    def test_ico_holds_one_32x32_16_colour_image_of_744_bytes(self):
        with open(self.ico, "rb") as f:
            data = f.read()
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 1))
        width, height, colours, _, planes, bits, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6
        )
        self.assertEqual((width, height, colours, planes, bits), (32, 32, 16, 1, 4))
        self.assertEqual(size, 744)
        self.assertEqual(offset, 22)
        self.assertEqual(len(data), 22 + 744)
        header = struct.unpack_from("<IiiHHI", data, offset)
        self.assertEqual(header, (40, 32, 64, 1, 4, 0), "height counts XOR and AND halves")

    def test_ico_palette_is_the_standard_16_colours(self):
        with open(self.ico, "rb") as f:
            data = f.read()
        for i, (_, (r, g, b)) in enumerate(STANDARD):
            self.assertEqual(data[22 + 40 + 4 * i : 22 + 44 + 4 * i], bytes((b, g, r, 0)), i)

    def test_ico_pixels_and_mask_are_the_grid(self):
        with open(self.ico, "rb") as f:
            data = f.read()
        xor = data[22 + 40 + 64 : 22 + 40 + 64 + 512]
        mask = data[22 + 40 + 64 + 512 :]
        self.assertEqual(len(mask), 128)
        letters = [letter for letter, _ in STANDARD]
        for y in range(32):
            stored = 31 - y  # bottom-up
            for x in range(32):
                byte = xor[stored * 16 + x // 2]
                index = byte >> 4 if x % 2 == 0 else byte & 0xF
                transparent = bool(mask[stored * 4 + x // 8] & (0x80 >> (x % 8)))
                letter = self.grid[y][x]
                self.assertEqual(transparent, letter == ".", (x, y))
                if letter == ".":
                    self.assertEqual(index, 0, (x, y))
                else:
                    self.assertEqual(letters[index], letter, (x, y))

    def test_png_is_the_grid_in_rgba(self):
        image = Image.open(self.png)
        self.assertEqual(image.size, (32, 32))
        self.assertEqual(image.mode, "RGBA")
        for y in range(32):
            for x in range(32):
                self.assertEqual(image.getpixel((x, y)), self.expected_rgba(x, y), (x, y))

    def test_header_holds_the_same_pixels_and_compiles_as_c_and_cpp(self):
        with open(self.header) as f:
            text = f.read()
        self.assertIn("kobaru_icon_width = 32", text)
        self.assertIn("kobaru_icon_height = 32", text)
        body = text[text.index("kobaru_icon_rgba[") :]
        body = body[body.index("{") + 1 : body.index("}")]
        values = [int(v, 16) for v in body.replace(",", " ").split()]
        self.assertEqual(len(values), 32 * 32 * 4)
        for y in range(32):
            for x in range(32):
                i = 4 * (32 * y + x)
                self.assertEqual(tuple(values[i : i + 4]), self.expected_rgba(x, y), (x, y))
        for compiler, language in (("gcc", "c"), ("g++", "c++")):
            if shutil.which(compiler) is None:
                continue
            source = os.path.join(self.dir, "use." + ("c" if language == "c" else "cpp"))
            with open(source, "w") as f:
                f.write('#include "kobaru_icon.h"\n')
                f.write("int main(void) { return kobaru_icon_rgba[4 * 33 + 3] - 255 + ")
                f.write("kobaru_icon_width - 32; }\n")
            result = subprocess.run(
                [compiler, "-x", language, "-Wall", "-Wextra", "-Werror", "-fsyntax-only", source],
                capture_output=True,
                text=True,
            )
            self.assertEqual(result.returncode, 0, result.stderr)

    def test_symbol_prefix_can_be_chosen(self):
        path = os.path.join(self.dir, "other.h")
        self.assertEqual(generate("--rgba-header", path, "--symbol", "window_icon").returncode, 0)
        with open(path) as f:
            text = f.read()
        self.assertIn("window_icon_rgba[32 * 32 * 4]", text)
        self.assertNotIn("kobaru_icon", text)


class Picture(unittest.TestCase):
    """What the icon shows, read from the grid."""

    def setUp(self):
        self.grid = read_grid()

    def test_grid_is_32_by_32_in_the_documented_letters(self):
        self.assertEqual(len(self.grid), 32)
        for row in self.grid:
            self.assertEqual(len(row), 32)
            self.assertTrue(set(row) <= set(COLOUR) | {"."}, row)

    def neighbours(self, x, y):
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                if (dx or dy) and 0 <= x + dx < 32 and 0 <= y + dy < 32:
                    yield self.grid[y + dy][x + dx]

    def test_white_rounded_square_with_a_black_outline(self):
        for corner in [(0, 0), (31, 0), (0, 31), (31, 31), (1, 1), (30, 30)]:
            self.assertEqual(self.grid[corner[1]][corner[0]], ".", corner)
        for y in range(32):
            for x in range(32):
                if self.grid[y][x] == "W":
                    # White never meets the transparent outside across an edge.
                    sides = [self.grid[y + dy][x + dx] for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
                    self.assertNotIn(".", sides, (x, y))
        self.assertEqual(self.grid[16][1], "K")
        self.assertEqual(self.grid[16][30], "K")
        self.assertEqual(self.grid[1][16], "K")
        self.assertEqual(self.grid[30][16], "K")

    def test_red_sum_outlined_in_navy_above_and_red_mark_outlined_in_black_below(self):
        upper = [(x, y) for y in range(16) for x in range(32) if self.grid[y][x] == "R"]
        lower = [(x, y) for y in range(16, 32) for x in range(32) if self.grid[y][x] == "R"]
        self.assertGreater(len(upper), 60)
        self.assertGreater(len(lower), 20)
        for x, y in upper:
            self.assertTrue(set(self.neighbours(x, y)) <= {"R", "N"}, (x, y))
        for x, y in lower:
            self.assertTrue(set(self.neighbours(x, y)) <= {"R", "K"}, (x, y))
        # Three separate red shapes above: 1, + and 2.
        columns = sorted({x for x, _ in upper})
        runs = 1 + sum(1 for a, b in zip(columns, columns[1:]) if b != a + 1)
        self.assertEqual(runs, 3)


class Errors(unittest.TestCase):
    def write(self, text):
        handle, path = tempfile.mkstemp(suffix=".txt")
        with os.fdopen(handle, "w") as f:
            f.write(text)
        self.addCleanup(os.remove, path)
        return path

    def test_a_short_line_or_an_unknown_letter_is_refused(self):
        rows = read_grid()
        short = self.write("\n".join(rows[:5] + [rows[5][:-1]] + rows[6:]) + "\n")
        result = generate("--png", os.devnull, grid=short)
        self.assertEqual(result.returncode, 1)
        self.assertIn("31 characters", result.stderr)
        unknown = self.write("\n".join(rows[:3] + ["Q" + rows[3][1:]] + rows[4:]) + "\n")
        result = generate("--png", os.devnull, grid=unknown)
        self.assertEqual(result.returncode, 1)
        self.assertIn("unknown colour 'Q'", result.stderr)
        missing = self.write("\n".join(rows[:31]) + "\n")
        self.assertEqual(generate("--png", os.devnull, grid=missing).returncode, 1)

    def test_nothing_to_write_is_a_usage_error(self):
        result = generate()
        self.assertEqual(result.returncode, 2)
        self.assertIn("nothing to write", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=1)
