#!/usr/bin/python3
"""The release files in a dist folder, opened as a player, a host or a
distribution would open them: what each holds, that every third-party part
found inside comes with its licence's text, that no font is named after the
original it was cut from, and that every one says the version CMakeLists.txt
sets.

    test_archives.py DIST_FOLDER
"""

import io
import os
import re
import struct
import subprocess
import sys
import tarfile
import unittest
import zipfile

from fontTools.ttLib import TTFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "win"))
from test_resources import read_resources  # noqa: E402

DIST = None
with open(os.path.join(HERE, "..", "..", "CMakeLists.txt"), encoding="utf-8") as f:
    VERSION = re.search(r"^project\(\w+ VERSION ([0-9.]+)", f.read(), re.M)[1]
NAME = f"kobaru-{VERSION}"
DEB = f"kobaru_{VERSION}_amd64.deb"
ARCHIVES = [f"{NAME}.tar.gz", f"{NAME}-windows.zip", DEB, f"{NAME}-web.zip"]

# What marks a third-party part in a file's bytes, and what marks its
# licence's text: (part, files it may be in, the part's mark, the texts' marks).
MIT = [b"Permission is hereby granted, free of charge", b"The Kobaru developers"]
PARTS = [
    ("mingw-w64 runtime", ".exe", b"Mingw-w64 runtime failure",
     [b"License: ZPL-2.1", b"Lucent Technologies", b"winpthreads"]),
    ("GCC's libstdc++", ".exe", b"basic_string::_M_create",
     [b"GCC RUNTIME LIBRARY EXCEPTION", b"GNU GENERAL PUBLIC LICENSE", b"Version 3, 29 June 2007"]),
    ("FreeType", ".wasm", b"FREETYPE_PROPERTIES", [b"The FreeType Project LICENSE"]),
    ("zlib", ".wasm", b"incorrect header check", [b"Jean-loup Gailly and Mark Adler"]),
    ("emscripten's runtime", ".js", b"emscripten",
     [b"The Emscripten Authors", b"musl as a whole is licensed", b"LLVM Exceptions"]),
]
# A font's licence must lie beside it: the mark of its copyright, trademark or
# licence records, the licence's.
FONT_LICENCES = [
    (b"Information-technology Promotion Agency", b"IPA Font License Agreement v1.0"),
    (b"SIL Open Font License, Version 1.1", b"SIL OPEN FONT LICENSE Version 1.1"),
]
# Name records that name a face: family, unique ID, full name, PostScript
# name, typographic family and subfamily, compatible full name, WWS family.
FACE_NAMES = {1, 3, 4, 6, 16, 17, 18, 21, 22}


def members(archive):
    """{name: bytes} of every file in a release file, the .deb's data included."""
    path = os.path.join(DIST, archive)
    if archive.endswith(".zip"):
        with zipfile.ZipFile(path) as z:
            return {i.filename: z.read(i) for i in z.infolist() if not i.is_dir()}
    if archive.endswith(".deb"):
        data = subprocess.run(["dpkg-deb", "--fsys-tarfile", path], check=True, capture_output=True).stdout
        tar = tarfile.open(fileobj=io.BytesIO(data))
    else:
        tar = tarfile.open(path)
    with tar:
        return {m.name: tar.extractfile(m).read() for m in tar.getmembers() if m.isfile()}


def string_value(info, key):
    """The text of a VERSIONINFO string: after its key and the padding to 32 bits."""
    at = info.index(f"{key}\0".encode("utf-16-le")) + 2 * len(key) + 2
    at += -at % 4
    end = next(i for i in range(at, len(info), 2) if info[i : i + 2] == b"\0\0")
    return info[at:end].decode("utf-16-le")


def fonts(files):
    for name, data in files.items():
        if name.lower().endswith((".ttf", ".otf", ".ttc")):
            yield name, TTFont(io.BytesIO(data), lazy=True)


class ReleaseFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = {archive: members(archive) for archive in ARCHIVES}

    def test_each_holds_what_its_user_needs(self):
        icons = [f"./usr/share/icons/hicolor/{s}x{s}/apps/kobaru.png" for s in (16, 24, 32, 48, 64, 128, 256)]
        wanted = {
            f"{NAME}.tar.gz": [f"{NAME}/{f}" for f in ("LICENSE", "THIRD-PARTY.md", "NEWS.md", "README.md",
                                                       "CMakeLists.txt", "scripts/release")],
            f"{NAME}-windows.zip": [f"{NAME}-windows/{f}" for f in ("kobaru.exe", "README.txt", "LICENSE.txt",
                                                                    "THIRD-PARTY.txt")],
            DEB: ["./usr/games/kobaru", "./usr/share/applications/kobaru.desktop",
                  "./usr/share/metainfo/io.github.kobaru.Kobaru.metainfo.xml", "./usr/share/man/man6/kobaru.6.gz",
                  "./usr/share/doc/kobaru/copyright", "./usr/share/doc/kobaru/changelog.gz", *icons],
            f"{NAME}-web.zip": [f"{NAME}-web/{f}" for f in ("index.html", "page.js", "kobaru.js", "kobaru.wasm",
                                                            "LICENSE.txt", "THIRD-PARTY.txt", "fonts/README.txt")],
        }
        for archive, names in wanted.items():
            with self.subTest(archive):
                self.assertEqual([n for n in names if n not in self.files[archive]], [])
        # The source is git's: nothing a build or a test run leaves.
        left = [n for n in self.files[f"{NAME}.tar.gz"]
                if re.match(rf"{NAME}/(build|dist|node_modules|obj-[^/]*|debian)/", n)]
        self.assertEqual(left, [])

    def test_every_third_party_part_comes_with_its_licence(self):
        for archive, files in self.files.items():
            texts = [data for name, data in files.items() if name.endswith((".txt", "copyright", "LICENSE", ".md"))]
            with self.subTest(archive, part="Kobaru"):
                self.assertTrue(any(all(m in t for m in MIT) for t in texts), "no MIT licence")
            for part, suffix, mark, licence in PARTS:
                found = [n for n, data in files.items() if n.endswith(suffix) and mark in data]
                for mark in licence if found else []:
                    with self.subTest(archive, part=part, text=mark):
                        self.assertTrue(any(mark in t for t in texts), f"{found[0]} without its licence")
            for name, font in fonts(files):
                copyright = "\n".join(font["name"].getDebugName(i) or "" for i in (0, 7, 13, 14)).encode()
                folder = os.path.dirname(name)
                beside = [d for n, d in files.items() if os.path.dirname(n) == folder and n.endswith(".txt")]
                licences = [text for owner, text in FONT_LICENCES if owner in copyright]
                with self.subTest(archive, font=name):
                    self.assertEqual(len(licences), 1, copyright)
                    self.assertTrue(any(licences[0] in text for text in beside), "no licence beside it")
        # Parts that must be found at all, or the marks above test nothing.
        web = self.files[f"{NAME}-web.zip"]
        self.assertEqual(len(list(fonts(web))), 5)
        self.assertTrue(any(b"Mingw-w64 runtime failure" in d for d in self.files[f"{NAME}-windows.zip"].values()))
        self.assertTrue(any(b"FREETYPE_PROPERTIES" in d for d in web.values()))

    def test_no_font_is_named_after_an_ipa_font(self):
        for archive, files in self.files.items():
            for name, font in fonts(files):
                with self.subTest(archive, font=name):
                    self.assertNotIn("ipa", os.path.basename(name).lower())
                    names = [r.toUnicode() for r in font["name"].names if r.nameID in FACE_NAMES]
                    self.assertTrue(names)
                    self.assertEqual([n for n in names if "ipa" in n.lower()], [])

    def test_every_file_says_the_version(self):
        deb = self.files[DEB]
        control = subprocess.run(["dpkg-deb", "--field", os.path.join(DIST, DEB), "Version"], check=True,
                                 capture_output=True, text=True).stdout.strip()
        self.assertEqual(control, VERSION)
        metainfo = deb["./usr/share/metainfo/io.github.kobaru.Kobaru.metainfo.xml"].decode()
        self.assertRegex(metainfo, rf'<release version="{re.escape(VERSION)}" date="\d{{4}}-\d\d-\d\d"/>')
        page = self.files[f"{NAME}-web.zip"][f"{NAME}-web/index.html"].decode()
        self.assertIn(f"Kobaru {VERSION}", page)
        exe = os.path.join(DIST, "kobaru.exe")
        with open(exe, "wb") as f:
            f.write(self.files[f"{NAME}-windows.zip"][f"{NAME}-windows/kobaru.exe"])
        try:
            info = read_resources(exe)[(16, 1, 1041)]  # RT_VERSION, VS_VERSION_INFO, Japanese
        finally:
            os.remove(exe)
        fixed = info.index(struct.pack("<I", 0xFEEF04BD))
        ms, ls = struct.unpack_from("<II", info, fixed + 8)
        self.assertEqual(f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}", VERSION)
        for key in ("FileVersion", "ProductVersion"):
            self.assertEqual(string_value(info, key), VERSION)

    def test_the_package_depends_on_what_its_game_links_and_draws_with(self):
        binary = os.path.join(DIST, "kobaru.bin")
        with open(binary, "wb") as f:
            f.write(self.files[DEB]["./usr/games/kobaru"])
        try:
            dynamic = subprocess.run(["readelf", "-d", binary], check=True, capture_output=True, text=True).stdout
        finally:
            os.remove(binary)
        depends = subprocess.run(["dpkg-deb", "--field", os.path.join(DIST, DEB), "Depends"], check=True,
                                 capture_output=True, text=True).stdout
        listed = {d.strip().split()[0] for d in depends.split(",")}
        self.assertLessEqual({"fonts-liberation2", "fonts-ipafont-gothic", "fonts-ipafont-mincho"}, listed)
        libraries = re.findall(r"\(NEEDED\)\s+Shared library: \[(.+)\]", dynamic)
        self.assertIn("libSDL2-2.0.so.0", libraries)
        for library in libraries:
            owners = subprocess.run(["dpkg", "-S", f"*/{library}"], check=True, capture_output=True, text=True)
            with self.subTest(library):
                self.assertTrue({line.split(":")[0] for line in owners.stdout.splitlines()} & listed, depends)


if __name__ == "__main__":
    DIST = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
