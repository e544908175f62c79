#!/usr/bin/python3
"""The icon generator res/make_icon.py: its .ico and PNGs decoded here and
compared pixel by pixel with the grid in res/icon.txt, and bad grids refused."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")
# The standard 16 colours in the order of 4-bit bitmaps, with the grid's letters.
LETTERS = "KMGONPTSDRLYBFCW"
COLOURS = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
with open(os.path.join(RES, "icon.txt"), encoding="ascii") as f:
    GRID = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]


def generate(grid, *args):
    return subprocess.run([sys.executable, os.path.join(RES, "make_icon.py"), grid, *args], capture_output=True,
                          text=True, timeout=60)


def rgba(letter):
    return (0, 0, 0, 0) if letter == "." else COLOURS[LETTERS.index(letter)] + (255,)


class MakeIcon(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir = scratch.name

    def test_ico_holds_one_744_byte_16_colour_image_of_the_grid(self):
        ico = os.path.join(self.dir, "kobaru.ico")
        self.assertEqual(generate(os.path.join(RES, "icon.txt"), "--ico", ico).returncode, 0)
        with open(ico, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 22 + 744)
        self.assertEqual(struct.unpack_from("<HHHBBBBHHII", data), (0, 1, 1, 32, 32, 16, 0, 1, 4, 744, 22))
        # The height counts the XOR and the AND halves.
        self.assertEqual(struct.unpack_from("<IiiHHI", data, 22), (40, 32, 64, 1, 4, 0))
        self.assertEqual(data[62:126], b"".join(bytes((b, g, r, 0)) for r, g, b in COLOURS))
        xor, mask = data[126:638], data[638:]
        for y in range(32):
            stored = 31 - y  # bottom-up
            for x in range(32):
                index = xor[stored * 16 + x // 2] >> (0 if x % 2 else 4) & 0xF
                transparent = bool(mask[stored * 4 + x // 8] & 0x80 >> x % 8)
                self.assertEqual(transparent, GRID[y][x] == ".", (x, y))
                self.assertEqual(index, 0 if transparent else LETTERS.index(GRID[y][x]), (x, y))

    def test_pngs_are_the_grid_at_every_size(self):
        png, hicolor = os.path.join(self.dir, "kobaru.png"), os.path.join(self.dir, "hicolor")
        self.assertEqual(generate(os.path.join(RES, "icon.txt"), "--png", png, "--hicolor", hicolor).returncode, 0)
        sizes = sorted(int(d.split("x")[0]) for d in os.listdir(hicolor))
        self.assertEqual(sizes, [16, 24, 32, 48, 64, 128, 256])
        for size, path in [(32, png)] + [(n, os.path.join(hicolor, f"{n}x{n}", "apps", "kobaru.png")) for n in sizes]:
            with self.subTest(size=size), Image.open(path) as image:
                self.assertEqual((image.mode, image.size), ("RGBA", (size, size)))
                # Scaled nearest-neighbour: every pixel is the grid pixel it falls on.
                want = [rgba(GRID[y * 32 // size][x * 32 // size]) for y in range(size) for x in range(size)]
                shown = list(image.getdata())
                wrong = [(i % size, i // size) for i in range(size * size) if shown[i] != want[i]]
                self.assertEqual(wrong[:5], [], "pixels unlike the grid")

    def test_bad_grids_and_no_output_are_refused(self):
        short = GRID[:5] + [GRID[5][:-1]] + GRID[6:]
        cases = [
            (short, ["--png", os.devnull], 1, "31 characters"),
            (GRID[:3] + ["Q" + GRID[3][1:]] + GRID[4:], ["--png", os.devnull], 1, "unknown colour 'Q'"),
            (GRID[:31], ["--png", os.devnull], 1, "31 grid lines"),
            (GRID, [], 2, "nothing to write"),
        ]
        for rows, args, status, message in cases:
            with self.subTest(message=message):
                path = os.path.join(self.dir, "grid.txt")
                with open(path, "w") as f:
                    f.write("\n".join(rows) + "\n")
                result = generate(path, *args)
                self.assertEqual(result.returncode, status)
                self.assertIn(message, result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=1)
