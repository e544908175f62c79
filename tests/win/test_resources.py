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

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "..", "res")
EXE = None

RT_ICON, RT_DIALOG, RT_GROUP_ICON = 3, 5, 14
JAPANESE = 1041

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_SETFONT, DS_MODALFRAME, DS_CENTER, DS_ABSALIGN = 0x40, 0x80, 0x800, 0x01
ES_LEFT, ES_AUTOHSCROLL = 0x0, 0x80
BS_DEFPUSHBUTTON, BS_CENTER = 0x1, 0x300
SS_LEFT = 0x0
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82

DIALOG_STYLE = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT
FONT = (9, "ＭＳ Ｐゴシック")

# (style, x, y, cx, cy, id, class, text) in template order.
NAME_ENTRY = {
    "caption": "ランクインしたよ～！！",
    "rect": (0, 0, 119, 77),
    "controls": [
        (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
         13, 23, 93, 14, 1000, EDIT, ""),
        (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 35, 56, 50, 14, 1, BUTTON, "OK"),
    ],
}
STATIC_STYLE = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT
RANKING = {
    "caption": "これが道を極めた人たちです！！",
    "rect": (0, 0, 187, 155),
    "controls": [
        (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON | BS_CENTER,
         65, 125, 50, 14, 1, BUTTON, "OK"),
        (STATIC_STYLE, 10, 12, 20, 12, 0xFFFF, STATIC, "Rank"),
        (STATIC_STYLE, 90, 12, 36, 8, 0xFFFF, STATIC, "PlayerName"),
        (STATIC_STYLE, 51, 12, 16, 8, 0xFFFF, STATIC, "Point"),
    ],
}


def read_resources(path):
    """{(type, id, language): bytes} from a PE32+ image."""
    with open(path, "rb") as f:
        image = f.read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe : pe + 4] == b"PE\0\0"
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    assert struct.unpack_from("<H", image, optional)[0] == 0x20B, "not PE32+"
    resource_rva, _ = struct.unpack_from("<II", image, optional + 112 + 8 * 2)
    table = []
    for i in range(sections):
        entry = optional + optional_size + 40 * i
        vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", image, entry + 8)
        table.append((vaddr, max(vsize, rawsize), rawptr))

    def offset(rva):
        for vaddr, size, rawptr in table:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr
        raise ValueError(hex(rva))

    base = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, base + directory + 16 + 8 * i)
            yield name, target

    found = {}
    for kind, level2 in entries(0):
        for ident, level3 in entries(level2 & 0x7FFFFFFF):
            for language, leaf in entries(level3 & 0x7FFFFFFF):
                assert not leaf & 0x80000000
                rva, size = struct.unpack_from("<II", image, base + leaf)
                found[(kind, ident, language)] = image[offset(rva) : offset(rva) + size]
    return found


def utf16z(data, pos):
    end = pos
    while data[end : end + 2] != b"\0\0":
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def sz_or_ordinal(data, pos):
    if data[pos : pos + 2] == b"\xff\xff":
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    return utf16z(data, pos)


def parse_dialog(data):
    style, exstyle, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", data, 0)
    pos = 18
    menu, pos = sz_or_ordinal(data, pos)
    window_class, pos = sz_or_ordinal(data, pos)
    caption, pos = utf16z(data, pos)
    font = None
    if style & DS_SETFONT:
        size = struct.unpack_from("<H", data, pos)[0]
        face, pos = utf16z(data, pos + 2)
        font = (size, face)
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        cstyle, cexstyle, cx_, cy_, cw, ch, cid = struct.unpack_from("<IIhhhhH", data, pos)
        pos += 18
        control_class, pos = sz_or_ordinal(data, pos)
        text, pos = sz_or_ordinal(data, pos)
        extra = struct.unpack_from("<H", data, pos)[0]
        pos += 2 + extra
        controls.append(((cstyle, cx_, cy_, cw, ch, cid, control_class, text), cexstyle))
    return {
        "style": style,
        "exstyle": exstyle,
        "rect": (x, y, cx, cy),
        "menu": menu,
        "class": window_class,
        "caption": caption,
        "font": font,
        "controls": controls,
    }


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.resources = read_resources(EXE)

    def test_only_the_icon_and_the_two_dialogs_all_in_japanese(self):
        keys = set(self.resources)
        self.assertEqual({k for k in keys if k[0] == RT_DIALOG},
                         {(RT_DIALOG, 101, JAPANESE), (RT_DIALOG, 102, JAPANESE)})
        self.assertEqual({k for k in keys if k[0] == RT_GROUP_ICON},
                         {(RT_GROUP_ICON, 103, JAPANESE)})
        self.assertEqual(len([k for k in keys if k[0] == RT_ICON]), 1)
        self.assertTrue(all(k[2] == JAPANESE for k in keys), keys)

    def check_dialog(self, ident, expected):
        dialog = parse_dialog(self.resources[(RT_DIALOG, ident, JAPANESE)])
        self.assertEqual(dialog["style"], DIALOG_STYLE, hex(dialog["style"]))
        self.assertFalse(dialog["style"] & (WS_SYSMENU | WS_VISIBLE | DS_CENTER | DS_ABSALIGN))
        self.assertEqual(dialog["exstyle"], 0)
        self.assertEqual(dialog["rect"], expected["rect"])
        self.assertEqual(dialog["menu"], "")
        self.assertEqual(dialog["class"], "")
        self.assertEqual(dialog["caption"], expected["caption"])
        self.assertEqual(dialog["font"], FONT)
        self.assertEqual([c for c, _ in dialog["controls"]], expected["controls"])
        self.assertTrue(all(exstyle == 0 for _, exstyle in dialog["controls"]))

    def test_name_entry_template(self):
        self.check_dialog(101, NAME_ENTRY)

    def test_ranking_template(self):
        self.check_dialog(102, RANKING)

    def test_icon_is_the_generated_744_byte_image(self):
        group = self.resources[(RT_GROUP_ICON, 103, JAPANESE)]
        reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 1))
        width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from(
            "<BBBBHHIH", group, 6
        )
        self.assertEqual((width, height, colours, planes, bits, size), (32, 32, 16, 1, 4, 744))
        image = self.resources[(RT_ICON, icon_id, JAPANESE)]
        with tempfile.TemporaryDirectory() as scratch:
            ico = os.path.join(scratch, "icon.ico")
            subprocess.run(
                [sys.executable, os.path.join(RES, "make_icon.py"), os.path.join(RES, "icon.txt"),
                 "--ico", ico],
                check=True,
            )
            with open(ico, "rb") as f:
                self.assertEqual(image, f.read()[22:])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=1)
