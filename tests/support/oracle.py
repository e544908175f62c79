"""The game's rules computed on their own, for every Python test: the random
source, the palette, the first game's star field, rank.txt and the insertion
of a score. Nothing here comes from the program under test."""

import struct
from dataclasses import dataclass

SIZE = 512
BLACK, WHITE, LIGHT_RED = (0, 0, 0), (255, 255, 255), (255, 128, 128)


def random_draws(state=1):
    while True:
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        yield (state >> 16) & 0x7FFF


# The known first draws, so that a slip here cannot pass for the game's rule.
assert [draw for draw, _ in zip(random_draws(), range(3))] == [41, 18467, 6334]


def _first_draws():
    """Every run starts from state 1: 759 draws for the palette, then the
    first game's star field, one byte per draw, two where a star falls."""
    draw = random_draws().__next__
    palette = [BLACK] * 256
    for entry in range(1, 254):
        palette[entry] = (draw() % 96 + 128, draw() % 96 + 128, draw() % 128 + 128)
    palette[253:] = [LIGHT_RED, (200, 192, 224), WHITE]
    return palette, bytes(draw() % 253 + 1 if draw() % 300 == 0 else 0 for _ in range(SIZE * SIZE))


PALETTE, FIRST_FIELD = _first_draws()
# The first star field as the window shows it, RGB bytes, top row first: byte
# k of a field is column k % 512 of row 511 - k // 512 from the top.
FIRST_PICTURE = b"".join(bytes(PALETTE[index]) for y in range(SIZE)
                         for index in FIRST_FIELD[(SIZE - 1 - y) * SIZE : (SIZE - y) * SIZE])


def name_field(name, tail=b""):
    """A 256-byte name field: the name, its NUL, whatever an earlier name left."""
    return (name + b"\0" + tail).ljust(256, b"\0")


def copy_name(destination, source):
    """The game copies a name through its NUL only; the rest of the field stays."""
    length = source.find(b"\0") + 1 or 256
    return source[:length] + destination[length:]


@dataclass
class Ranking:
    points: list
    names: list  # 256-byte fields
    play_number: int = 0

    def __repr__(self):
        return "Ranking(%s, %s, %d)" % (self.points, [name.rstrip(b"\0") for name in self.names], self.play_number)

    def encode(self):
        return struct.pack("<5i", *self.points) + b"".join(self.names) + struct.pack("<i", self.play_number)

    @staticmethod
    def decode(image):
        assert len(image) == 5 * 4 + 5 * 256 + 4, f"rank.txt of {len(image)} bytes"
        names = [image[20 + 256 * i : 276 + 256 * i] for i in range(5)]
        return Ranking(list(struct.unpack_from("<5i", image)), names, struct.unpack_from("<i", image, 1300)[0])

    def inserted(self, score, name, played=0):
        """The table after a drill of this score by this player, and played
        more games counted."""
        points, names = list(self.points), list(self.names)
        if score > points[4]:
            points[4], names[4] = score, copy_name(names[4], name + b"\0")
            for i in (4, 3, 2, 1):
                if points[i] > points[i - 1]:
                    points[i], points[i - 1] = points[i - 1], points[i]
                    temporary = copy_name(bytes(256), names[i])
                    names[i] = copy_name(names[i], names[i - 1])
                    names[i - 1] = copy_name(names[i - 1], temporary)
        return Ranking(points, names, self.play_number + played)


def default_ranking():
    return Ranking([5, 4, 3, 2, 1], [name_field(b"DEFAULT_PLAYER")] * 5, 0)


# Where each screen puts its texts on the 512 x 512 picture, in which inks, and
# the least number of ink pixels each must show: (name, box, inks, least).
TITLE_ZONES = [
    ("Kobaru", (0, 100, 512, 200), {WHITE}, 300),
    ("tagline", (0, 200, 512, 240), {WHITE}, 100),
    ("TopPlayer line", (110, 266, 512, 288), {WHITE}, 50),
    ("TopPoint line", (110, 288, 512, 310), {WHITE}, 20),
    ("waving prompt", (20, 336, 505, 414), {WHITE}, 300),
    ("Play Number line", (0, 420, 512, 470), {WHITE}, 300)]
# The row at rest: positions 1 and 2, the pair, in red; 3 and 4 in white.
DRILL_ZONES = [
    ("digit 1 (red)", (40, 100, 100, 240), {LIGHT_RED}, 300),
    ("digit 2 (red)", (168, 100, 228, 240), {LIGHT_RED}, 300),
    ("digit 3", (296, 100, 356, 240), {WHITE}, 300),
    ("digit 4", (424, 100, 484, 240), {WHITE}, 300),
    ("time line", (40, 296, 512, 366), {WHITE}, 200),
    ("score", (0, 350, 512, 450), {WHITE}, 300)]
ENDING_ZONES = [
    ("[Kobaru] heading", (0, 50, 512, 100), {LIGHT_RED}, 200),
    ("thank-you line", (60, 145, 512, 205), {WHITE}, 200),
    ("first credit", (20, 245, 512, 305), {WHITE}, 200),
    ("second credit", (40, 315, 512, 365), {WHITE}, 200),
    ("third credit", (40, 365, 512, 425), {WHITE}, 200),
    ("prompt", (65, 435, 512, 495), {WHITE}, 200)]


def compare_with_stars(picture, zones, stars=FIRST_PICTURE):
    """Every pixel of an RGB picture must be its star-field pixel or, inside a
    zone, one of its inks, and every zone must show enough ink. Returns the
    pixels that break this as (x, y, shown, zone name), and the thin zones."""
    counts, wrong, row_bytes = [0] * len(zones), [], SIZE * 3
    for y in range(SIZE):
        row, star_row = picture[y * row_bytes : (y + 1) * row_bytes], stars[y * row_bytes : (y + 1) * row_bytes]
        for x in range(SIZE) if row != star_row else ():
            shown = tuple(row[3 * x : 3 * x + 3])
            if shown == tuple(star_row[3 * x : 3 * x + 3]):
                continue
            zone = next((i for i, (_, (left, top, right, bottom), _, _) in enumerate(zones)
                         if left <= x < right and top <= y < bottom), None)
            if zone is not None and shown in zones[zone][2]:
                counts[zone] += 1
            else:
                wrong.append((x, y, shown, "no text here" if zone is None else zones[zone][0]))
    return wrong, [name for (name, _, _, least), count in zip(zones, counts) if count < least]
