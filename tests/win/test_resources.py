#!/usr/bin/python3
"""The resources inside the built kobaru.exe, read from its PE resource
section: the icon 103 and the dialog templates 101 and 102, every field.

    test_resources.py build/windows/win/kobaru.exe
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")
EXE = None
RT_ICON, RT_DIALOG, RT_GROUP_ICON, JAPANESE = 3, 5, 14, 1041
CHILD = 0x40000000 | 0x10000000  # WS_CHILD | WS_VISIBLE
TABSTOP, BORDER, GROUP, DEFPUSHBUTTON = 0x00010000, 0x00800000, 0x00020000, 0x1
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82
# WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT: no system menu, so no
# close box; not visible, not centred.
DIALOG = (0x80000000 | 0x00C00000 | 0x80 | 0x40, 0, "", "", (9, "ＭＳ Ｐゴシック"))
# (id, (x, y, cx, cy), caption, controls as (style, x, y, cx, cy, id, class, text, extended style)).
TEMPLATES = [
    (101, (0, 0, 119, 77), "ランクインしたよ～！！", [
        (CHILD | BORDER | TABSTOP | 0x80, 13, 23, 93, 14, 1000, EDIT, "", 0),  # ES_AUTOHSCROLL
        (CHILD | TABSTOP | DEFPUSHBUTTON, 35, 56, 50, 14, 1, BUTTON, "OK", 0)]),
    (102, (0, 0, 187, 155), "これが道を極めた人たちです！！", [
        (CHILD | TABSTOP | DEFPUSHBUTTON | 0x300, 65, 125, 50, 14, 1, BUTTON, "OK", 0),  # BS_CENTER
        (CHILD | GROUP, 10, 12, 20, 12, 0xFFFF, STATIC, "Rank", 0),
        (CHILD | GROUP, 90, 12, 36, 8, 0xFFFF, STATIC, "PlayerName", 0),
        (CHILD | GROUP, 51, 12, 16, 8, 0xFFFF, STATIC, "Point", 0)]),
]


def read_resources(path):
    """{(type, id, language): bytes} from a PE32+ image."""
    with open(path, "rb") as f:
        image = f.read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe : pe + 4] == b"PE\0\0"
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


def parse_dialog(data):
    """(style, extended style, menu, class, font), rectangle, caption, controls."""
    def text(pos):
        if data[pos : pos + 2] == b"\xff\xff":
            return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
        end = next(i for i in range(pos, len(data), 2) if data[i : i + 2] == b"\0\0")
        return data[pos:end].decode("utf-16-le"), end + 2

    style, exstyle, count, *rect = struct.unpack_from("<IIHhhhh", data)
    menu, pos = text(18)
    window_class, pos = text(pos)
    caption, pos = text(pos)
    point_size = struct.unpack_from("<H", data, pos)[0]
    face, pos = text(pos + 2)
    font = (point_size, face)
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        cstyle, cexstyle, *geometry, cid = struct.unpack_from("<IIhhhhH", data, pos)
        control_class, pos = text(pos + 18)
        caption_text, pos = text(pos)
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
        controls.append((cstyle, *geometry, cid, control_class, caption_text, cexstyle))
    return (style, exstyle, menu, window_class, font), tuple(rect), caption, controls


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.resources = read_resources(EXE)

    def test_only_the_icon_and_the_two_dialogs_all_in_japanese(self):
        kinds = sorted((kind, ident, language) for kind, ident, language in self.resources if kind != RT_ICON)
        self.assertEqual(kinds, [(RT_DIALOG, 101, JAPANESE), (RT_DIALOG, 102, JAPANESE),
                                 (RT_GROUP_ICON, 103, JAPANESE)])
        self.assertEqual([k[2] for k in self.resources if k[0] == RT_ICON], [JAPANESE])

    def test_dialog_templates(self):
        for ident, rect, caption, controls in TEMPLATES:
            with self.subTest(dialog=ident):
                self.assertEqual(parse_dialog(self.resources[(RT_DIALOG, ident, JAPANESE)]),
                                 (DIALOG, rect, caption, controls))

    def test_icon_is_the_generated_744_byte_image(self):
        group = self.resources[(RT_GROUP_ICON, 103, JAPANESE)]
        *entry, icon_id = struct.unpack_from("<HHHBBBBHHIH", group)
        self.assertEqual(entry, [0, 1, 1, 32, 32, 16, 0, 1, 4, 744])
        with tempfile.TemporaryDirectory() as scratch:
            ico = os.path.join(scratch, "icon.ico")
            subprocess.run([sys.executable, os.path.join(RES, "make_icon.py"), os.path.join(RES, "icon.txt"),
                            "--ico", ico], check=True)
            with open(ico, "rb") as f:
                self.assertEqual(self.resources[(RT_ICON, icon_id, JAPANESE)], f.read()[22:])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=1)
