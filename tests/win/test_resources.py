#!/usr/bin/python3
"""The resources inside the built kobaru.exe, read from its PE resource
section: the icon 103, decoded and compared with the grid in res/icon.txt,
and the dialog templates 101 and 102, every field; and the PNGs the icon
generator res/make_icon.py makes of the same grid, pixel by pixel.

    test_resources.py build/windows/win/kobaru.exe
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import templates  # noqa: E402

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")
EXE = None
RT_ICON, RT_DIALOG, RT_GROUP_ICON, JAPANESE = 3, 5, 14, 1041
CHILD = 0x40000000 | 0x10000000  # WS_CHILD | WS_VISIBLE
TABSTOP, BORDER, GROUP, DEFPUSHBUTTON = 0x00010000, 0x00800000, 0x00020000, 0x1
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82
# WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT: no system menu, so no
# close box; not visible, not centred.
DIALOG_STYLE = 0x80000000 | 0x00C00000 | 0x80 | 0x40
# The controls' styles and classes, which only the resource script holds; the
# boxes, captions and texts come from dialogs/templates.h, which the other
# builds' dialogs are drawn from.
CONTROLS = {"edit": (CHILD | BORDER | TABSTOP | 0x80, 1000, EDIT),  # ES_AUTOHSCROLL
            "ok": (CHILD | TABSTOP | DEFPUSHBUTTON, 1, BUTTON),
            "text": (CHILD | GROUP, 0xFFFF, STATIC)}
BS_CENTER = 0x300
# The standard 16 colours in the order of 4-bit bitmaps, with the grid's letters.
LETTERS = "KMGONPTSDRLYBFCW"
COLOURS = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
with open(os.path.join(RES, "icon.txt"), encoding="ascii") as f:
    GRID = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]


def read_resources(path):
    """{(type, id, language): bytes} from a PE32+ image."""
    with open(path, "rb") as f:
        image = f.read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    assert struct.unpack_from("<H", image, pe + 24)[0] == 0x20B, "not PE32+"
    resource_rva = struct.unpack_from("<I", image, pe + 24 + 112 + 16)[0]
    table = [struct.unpack_from("<IIII", image, pe + 24 + optional_size + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        return next(raw + rva - virtual for vsize, virtual, rsize, raw in table
                    if virtual <= rva < virtual + max(vsize, rsize))

    base = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, base + (directory & 0x7FFFFFFF) + 12)
        return [struct.unpack_from("<II", image, base + (directory & 0x7FFFFFFF) + 16 + 8 * i)
                for i in range(named + numbered)]

    found = {}
    for kind, types in entries(0):
        for ident, languages in entries(types):
            for language, leaf in entries(languages):
                rva, size = struct.unpack_from("<II", image, base + leaf)
                found[(kind, ident, language)] = image[offset(rva) : offset(rva) + size]
    return found


def dialog_template(dialog, centred_ok):
    """The DLGTEMPLATE of a dialog of templates.py in its 9-point face, without menu or class."""
    def text(string):
        return string.encode("utf-16-le") + b"\0\0"

    data = struct.pack("<IIH4h", DIALOG_STYLE, 0, len(dialog["controls"]), *dialog["box"]) + text("") + text("") + \
        text(dialog["caption"]) + struct.pack("<H", 9) + text(dialog["font"])
    for kind, label, box in dialog["controls"]:
        style, ident, window_class = CONTROLS[kind]
        style |= BS_CENTER if centred_ok and kind == "ok" else 0
        data += bytes(-len(data) % 4) + struct.pack("<II4hHHH", style, 0, *box, ident, 0xFFFF, window_class)
        data += text(label) + b"\0\0"  # no creation data
    return data


def icon_rows(image):
    """The grid a 32 x 32, 16-colour icon image shows, top row first: '.'
    where its mask lets the background through, '?' where the colour under a
    clear pixel is not black."""
    colours, mask = image[104:616], image[616:]
    rows = []
    for y in range(31, -1, -1):  # stored bottom-up
        indices = [colours[y * 16 + x // 2] >> (0 if x % 2 else 4) & 0xF for x in range(32)]
        clear = [mask[y * 4 + x // 8] & 0x80 >> x % 8 for x in range(32)]
        rows.append("".join(("?" if i else ".") if c else LETTERS[i] for i, c in zip(indices, clear)))
    return rows


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.resources = read_resources(EXE)

    def test_dialog_templates(self):
        header = templates.from_header()
        for ident, name, centred_ok in ((101, "name", False), (102, "ranking", True)):
            with self.subTest(dialog=ident):
                self.assertEqual(self.resources[(RT_DIALOG, ident, JAPANESE)],
                                 dialog_template(header[name], centred_ok))

    def test_icon_is_one_744_byte_16_colour_image_of_the_grid(self):
        *entry, icon_id = struct.unpack_from("<HHHBBBBHHIH", self.resources[(RT_GROUP_ICON, 103, JAPANESE)])
        self.assertEqual(entry, [0, 1, 1, 32, 32, 16, 0, 1, 4, 744])
        image = self.resources[(RT_ICON, icon_id, JAPANESE)]
        self.assertEqual(len(image), 744)
        # The height counts the colour and the mask halves.
        self.assertEqual(struct.unpack_from("<IiiHHI", image), (40, 32, 64, 1, 4, 0))
        self.assertEqual(image[40:104], b"".join(bytes((b, g, r, 0)) for r, g, b in COLOURS))
        self.assertEqual(icon_rows(image), GRID)

    def test_icon_generators_pngs_are_the_grid_at_every_size(self):
        scratch = self.enterContext(tempfile.TemporaryDirectory())
        png, hicolor = os.path.join(scratch, "kobaru.png"), os.path.join(scratch, "hicolor")
        subprocess.run([sys.executable, os.path.join(RES, "make_icon.py"), os.path.join(RES, "icon.txt"), "--png", png,
                        "--hicolor", hicolor], check=True, timeout=60)
        sizes = sorted(int(d.split("x")[0]) for d in os.listdir(hicolor))
        self.assertEqual(sizes, [16, 24, 32, 48, 64, 128, 256])
        for size, path in [(32, png)] + [(n, os.path.join(hicolor, f"{n}x{n}", "apps", "kobaru.png")) for n in sizes]:
            with self.subTest(size=size), Image.open(path) as image:
                self.assertEqual((image.mode, image.size), ("RGBA", (size, size)))
                # Scaled nearest-neighbour: every pixel is the grid pixel it falls on.
                letters = [GRID[y * 32 // size][x * 32 // size] for y in range(size) for x in range(size)]
                want = [(0, 0, 0, 0) if c == "." else COLOURS[LETTERS.index(c)] + (255,) for c in letters]
                shown = list(image.getdata())
                wrong = [(i % size, i // size) for i in range(size * size) if shown[i] != want[i]]
                self.assertEqual(wrong[:5], [], "pixels unlike the grid")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=1)
