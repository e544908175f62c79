#!/usr/bin/python3
"""Turns the game's icon grid (res/icon.txt) into the pictures the programs use.

    make_icon.py icon.txt --ico kobaru.ico         Windows icon: one 32x32 image,
                                                   16 colours, 1-bit mask
    make_icon.py icon.txt --png kobaru.png         32x32 RGBA PNG
                 [--png-size N]                    NxN instead, scaled nearest-neighbour
    make_icon.py icon.txt --hicolor DIR            DIR/NxN/apps/kobaru.png for the
                                                   sizes of the hicolor icon theme,
                                                   scaled nearest-neighbour
    make_icon.py icon.txt --rgba-header icon.h     C header with the RGBA pixels
                 [--symbol kobaru_icon]            (names kobaru_icon_rgba,
                                                   kobaru_icon_width/_height)

Several outputs may be asked for in one run. The grid is 32 lines of 32
characters; lines starting with '#' and empty lines are ignored. Each character
is one pixel: '.' is transparent, and each letter is one colour of the standard
16-colour palette, in the order 4-bit Windows bitmaps number them:

    K  0 black      (  0,   0,   0)    D  8 dark grey (128, 128, 128)
    M  1 maroon     (128,   0,   0)    R  9 red       (255,   0,   0)
    G  2 green      (  0, 128,   0)    L 10 lime      (  0, 255,   0)
    O  3 olive      (128, 128,   0)    Y 11 yellow    (255, 255,   0)
    N  4 navy       (  0,   0, 128)    B 12 blue      (  0,   0, 255)
    P  5 purple     (128,   0, 128)    F 13 fuchsia   (255,   0, 255)
    T  6 teal       (  0, 128, 128)    C 14 cyan      (  0, 255, 255)
    S  7 silver     (192, 192, 192)    W 15 white     (255, 255, 255)

Only the Python 3 standard library is used.
"""

import argparse
import os
import struct
import sys
import zlib

SIZE = 32

# (letter, (red, green, blue)) in palette order.
PALETTE = [
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
TRANSPARENT = "."
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}


class GridError(Exception):
    pass


def parse_grid(text):
    """Returns 32 rows (top first) of palette indices, None where transparent."""
    rows = []
    for number, line in enumerate(text.splitlines(), start=1):
        line = line.rstrip("\r\n")
        if not line.strip() or line.startswith("#"):
            continue
        if len(line) != SIZE:
            raise GridError(f"line {number}: {len(line)} characters, not {SIZE}")
        row = []
        for column, ch in enumerate(line):
            if ch == TRANSPARENT:
                row.append(None)
            elif ch in INDEX:
                row.append(INDEX[ch])
            else:
                raise GridError(f"line {number}, column {column + 1}: unknown colour {ch!r}")
        rows.append(row)
    if len(rows) != SIZE:
        raise GridError(f"{len(rows)} grid lines, not {SIZE}")
    return rows


def ico_image(rows):
    """The icon image: BITMAPINFOHEADER, 16 RGBQUADs, XOR bits, AND mask (744 bytes)."""
    xor_stride = SIZE // 2  # 4 bits per pixel, already a multiple of 4 bytes
    and_stride = SIZE // 8  # 1 bit per pixel, likewise
    image_bytes = SIZE * (xor_stride + and_stride)
    # The height counts the XOR and AND halves together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, image_bytes, 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        for x in range(0, SIZE, 2):
            hi = row[x] or 0
            lo = row[x + 1] or 0
            xor.append(hi << 4 | lo)
        for x in range(0, SIZE, 8):
            bits = 0
            for i in range(8):
                if row[x + i] is None:
                    bits |= 0x80 >> i
            mask.append(bits)
    return header + palette + bytes(xor) + bytes(mask)


def ico_file(rows):
    image = ico_image(rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


# The sizes desktops look for in the hicolor theme.
HICOLOR_SIZES = (16, 24, 32, 48, 64, 128, 256)


def rgba_pixels(rows, size=SIZE):
    """RGBA bytes, rows from the top; every pixel of a size x size picture
    takes the grid pixel it falls on (nearest neighbour, no blending)."""
    out = bytearray()
    for y in range(size):
        row = rows[y * SIZE // size]
        for x in range(size):
            index = row[x * SIZE // size]
            if index is None:
                out += b"\0\0\0\0"
            else:
                out += bytes(PALETTE[index][1]) + b"\xff"
    return bytes(out)


def png_file(rows, size=SIZE):
    def chunk(kind, data):
        return (
            struct.pack(">I", len(data))
            + kind
            + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
        )

    pixels = rgba_pixels(rows, size)
    raw = b"".join(b"\0" + pixels[y * size * 4 : (y + 1) * size * 4] for y in range(size))
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", ihdr)
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def rgba_header(rows, symbol):
    pixels = rgba_pixels(rows)
    lines = [
        "/* Generated by res/make_icon.py from res/icon.txt; edit the grid, not this file. */",
        "#pragma once",
        "",
        f"enum {{ {symbol}_width = {SIZE}, {symbol}_height = {SIZE} }};",
        "",
        "/* Rows from the top, 4 bytes per pixel: red, green, blue, alpha. */",
        f"static const unsigned char {symbol}_rgba[{SIZE} * {SIZE} * 4] = {{",
    ]
    for y in range(SIZE):
        row = pixels[y * SIZE * 4 : (y + 1) * SIZE * 4]
        for start in range(0, len(row), 16):
            part = row[start : start + 16]
            lines.append("    " + ", ".join(f"0x{b:02x}" for b in part) + ",")
    lines.append("};")
    return "\n".join(lines) + "\n"


def write(path, data):
    mode = "w" if isinstance(data, str) else "wb"
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, mode) as out:
        out.write(data)


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Convert the icon grid into an .ico, a PNG or a C header of RGBA pixels."
    )
    parser.add_argument("grid", help="the 32 x 32 character grid, e.g. res/icon.txt")
    parser.add_argument("--ico", metavar="PATH", help="write a Windows .ico")
    parser.add_argument("--png", metavar="PATH", help="write a 32x32 RGBA PNG")
    parser.add_argument(
        "--png-size", type=int, default=SIZE, metavar="N", help="the PNG's size (default 32)"
    )
    parser.add_argument("--rgba-header", metavar="PATH", help="write a C header of RGBA pixels")
    parser.add_argument(
        "--hicolor", metavar="DIR", help="write DIR/NxN/apps/kobaru.png for the hicolor sizes"
    )
    parser.add_argument(
        "--symbol",
        default="kobaru_icon",
        help="name prefix used in the C header (default: kobaru_icon)",
    )
    args = parser.parse_args(argv)
    if not (args.ico or args.png or args.rgba_header or args.hicolor):
        parser.error("nothing to write: give --ico, --png, --rgba-header and/or --hicolor")
    if not args.symbol.isidentifier():
        parser.error(f"--symbol {args.symbol!r} is not a C identifier")

    try:
        with open(args.grid, encoding="ascii") as f:
            rows = parse_grid(f.read())
    except (GridError, UnicodeDecodeError) as error:
        print(f"{args.grid}: {error}", file=sys.stderr)
        return 1

    if args.ico:
        write(args.ico, ico_file(rows))
    if args.png:
        write(args.png, png_file(rows, args.png_size))
    if args.rgba_header:
        write(args.rgba_header, rgba_header(rows, args.symbol))
    if args.hicolor:
        for size in HICOLOR_SIZES:
            write(os.path.join(args.hicolor, f"{size}x{size}", "apps", "kobaru.png"), png_file(rows, size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
