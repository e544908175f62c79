"""The game's rules computed on their own, for every Python test: the random
source, the palette, the first game's star field, rank.txt and the insertion
of a score. Nothing here comes from the program under test."""

import itertools
import struct
from dataclasses import dataclass

SIZE = 512
BLACK, WHITE, LIGHT_RED = (0, 0, 0), (255, 255, 255), (255, 128, 128)
RANK_FILE_SIZE = 5 * 4 + 5 * 256 + 4


def random_draws(state=1):
    while True:
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        yield (state >> 16) & 0x7FFF


# The known first draws, so that a slip here cannot pass for the game's rule.
assert list(itertools.islice(random_draws(), 3)) == [41, 18467, 6334]


def _first_draws():
    """Every run starts from state 1: 759 draws for the palette, then the
    first game's star field, one byte per draw, two where a star falls."""
    draw = random_draws().__next__
    palette = [BLACK] * 256
    for entry in range(1, 254):
        red, green, blue = draw() % 96 + 128, draw() % 96 + 128, draw() % 128 + 128
        palette[entry] = (red, green, blue)
    palette[253:] = [LIGHT_RED, (200, 192, 224), WHITE]
    stars = bytearray(SIZE * SIZE)
    for k in range(SIZE * SIZE):
        if draw() % 300 == 0:
            stars[k] = draw() % 253 + 1
    return palette, bytes(stars)


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
    end = source.find(b"\0")
    length = 256 if end < 0 else end + 1
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
        assert len(image) == RANK_FILE_SIZE, f"rank.txt of {len(image)} bytes"
        names = [image[20 + 256 * i : 276 + 256 * i] for i in range(5)]
        return Ranking(list(struct.unpack_from("<5i", image)), names, struct.unpack_from("<i", image, 1300)[0])

    def inserted(self, score, name):
        """The table after a drill of this score by this player, and the row
        it landed in (None when it does not rank)."""
        points, names = list(self.points), list(self.names)
        if not score > points[4]:
            return Ranking(points, names, self.play_number), None
        points[4] = score
        names[4] = copy_name(names[4], name + b"\0")
        row = 4
        for i in (4, 3, 2, 1):
            if points[i] > points[i - 1]:
                points[i], points[i - 1] = points[i - 1], points[i]
                temporary = copy_name(bytes(256), names[i])
                names[i] = copy_name(names[i], names[i - 1])
                names[i - 1] = copy_name(names[i - 1], temporary)
                row = i - 1 if row == i else i if row == i - 1 else row
        return Ranking(points, names, self.play_number), row


def default_ranking():
    return Ranking([5, 4, 3, 2, 1], [name_field(b"DEFAULT_PLAYER")] * 5, 0)


def spaced_drill_score(answers):
    """The score of a drill whose right answers (True) never come within 900 ms
    of each other, so each is worth 1 and ends a run of wrong ones; the n-th
    wrong answer in a run costs 3 (n-1)^2 + 1, down to the floor of -9999."""
    score, run = 0, 0
    for right in answers:
        if right:
            score, run = score + 1, 0
        else:
            score, run = max(score - 3 * run * run - 1, -9999), run + 1
    return score


# Where each screen puts its texts on the 512 x 512 picture, in which inks, and
# the least number of ink pixels each must show: (name, box, inks, least).
TITLE_ZONES = [
    ("Kobaru", (0, 100, 512, 200), {WHITE}, 300),
    ("tagline", (0, 200, 512, 240), {WHITE}, 100),
    ("TopPlayer line", (110, 266, 512, 288), {WHITE}, 50),
    ("TopPoint line", (110, 288, 512, 310), {WHITE}, 20),
    ("waving prompt", (20, 336, 505, 414), {WHITE}, 300),
    ("Play Number line", (0, 420, 512, 470), {WHITE}, 300),
]
# The row at rest: positions 1 and 2, the pair, in red; 3 and 4 in white.
DRILL_ZONES = [
    ("digit 1 (red)", (40, 100, 100, 240), {LIGHT_RED}, 300),
    ("digit 2 (red)", (168, 100, 228, 240), {LIGHT_RED}, 300),
    ("digit 3", (296, 100, 356, 240), {WHITE}, 300),
    ("digit 4", (424, 100, 484, 240), {WHITE}, 300),
    ("time line", (40, 296, 512, 366), {WHITE}, 200),
    ("score", (0, 350, 512, 450), {WHITE}, 300),
]
ENDING_ZONES = [
    ("[Kobaru] heading", (0, 50, 512, 100), {LIGHT_RED}, 200),
    ("thank-you line", (60, 145, 512, 205), {WHITE}, 200),
    ("first credit", (20, 245, 512, 305), {WHITE}, 200),
    ("second credit", (40, 315, 512, 365), {WHITE}, 200),
    ("third credit", (40, 365, 512, 425), {WHITE}, 200),
    ("prompt", (65, 435, 512, 495), {WHITE}, 200),
]


def compare_with_stars(picture, zones, stars=FIRST_PICTURE):
    """Every pixel of an RGB picture must be its star-field pixel or, inside a
    zone, one of that zone's inks. Returns the ink pixels counted per zone and
    the pixels that broke the rule as (x, y, shown, star, zone name)."""
    counts, wrong, row_bytes = [0] * len(zones), [], SIZE * 3
    for y in range(SIZE):
        row, star_row = picture[y * row_bytes : (y + 1) * row_bytes], stars[y * row_bytes : (y + 1) * row_bytes]
        if row == star_row:
            continue
        for x in range(SIZE):
            shown, star = tuple(row[3 * x : 3 * x + 3]), tuple(star_row[3 * x : 3 * x + 3])
            if shown == star:
                continue
            for i, (name, (left, top, right, bottom), inks, _) in enumerate(zones):
                if left <= x < right and top <= y < bottom:
                    if shown in inks:
                        counts[i] += 1
                    else:
                        wrong.append((x, y, shown, star, name))
                    break
            else:
                wrong.append((x, y, shown, star, "no text here"))
    return counts, wrong
