"""Whole pictures from kobaru-sim: the snapshots of the title, a drill frame
and the ending over the first game's star field, and the frame trace."""

import json
import os
import subprocess
import tempfile
import unittest

from PIL import Image

SIM = os.environ["KOBARU_SIM"]
SIZE = 512


def first_star_field():
    """The first game's background, from the generator's definition: the 759
    palette draws come first, then one or two draws per byte."""
    state = 1

    def draw():
        nonlocal state
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        return (state >> 16) & 0x7FFF

    for _ in range(759):
        draw()
    field = bytearray(SIZE * SIZE)
    for k in range(SIZE * SIZE):
        if draw() % 300 == 0:
            field[k] = draw() % 253 + 1
    # Byte k lands on column k % 512, row 511 - k // 512: as a picture, top
    # row first.
    picture = bytearray(SIZE * SIZE)
    for row in range(SIZE):
        start = (SIZE - 1 - row) * SIZE
        picture[row * SIZE:(row + 1) * SIZE] = field[start:start + SIZE]
    return bytes(picture)


STARS = first_star_field()


class Picture:
    def __init__(self, path):
        with Image.open(path) as image:
            self.mode = image.mode
            self.size = image.size
            palette = image.getpalette()
            self.palette = [tuple(palette[3 * i:3 * i + 3]) for i in range(len(palette) // 3)]
            self.pixels = image.tobytes()

    def changed(self):
        """(x, y, index) of every pixel that is not the star field."""
        return [(k % SIZE, k // SIZE, p) for k, (p, s) in
                enumerate(zip(self.pixels, STARS)) if p != s]


def inside(x, y, boxes):
    return any(left <= x < right and top <= y < bottom for left, top, right, bottom in boxes)


class SimPictures(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def run_sim(self, script, *args, expect_status=0):
        result = subprocess.run([SIM, *args], input=script.encode(), cwd=self.dir,
                                capture_output=True, timeout=300)
        self.assertEqual(result.returncode, expect_status, result.stderr.decode())
        return result.stdout.decode(), result.stderr.decode()

    def snapshot(self, script):
        self.run_sim(script + "\nsnapshot shot.png\n")
        return Picture(os.path.join(self.dir, "shot.png"))

    def check_picture(self, picture, boxes, inks, least):
        """Outside the text boxes the picture is the star field; inside, every
        changed pixel is one of the inks."""
        self.assertEqual(picture.mode, "P")
        self.assertEqual(picture.size, (SIZE, SIZE))
        changed = picture.changed()
        self.assertGreater(len(changed), least)
        stray = [(x, y, p) for x, y, p in changed if not inside(x, y, boxes)]
        self.assertEqual(stray[:10], [])
        self.assertEqual(sorted({p for _, _, p in changed} - set(inks)), [])
        return changed

    def test_palette_of_the_picture(self):
        picture = self.snapshot("")
        self.assertEqual(len(picture.palette), 256)
        self.assertEqual(picture.palette[0], (0, 0, 0))
        self.assertEqual(picture.palette[1], (169, 163, 190))
        self.assertEqual(picture.palette[2], (132, 193, 236))
        self.assertEqual(picture.palette[253:], [(255, 128, 128), (200, 192, 224),
                                                 (255, 255, 255)])
        self.assertEqual(picture.pixels, bytes(SIZE * SIZE), "black before the first frame")

    def test_title(self):
        picture = self.snapshot("frame")
        boxes = [(0, 100, 512, 200), (0, 200, 512, 240), (120, 270, 512, 306),
                 (30, 340, 512, 410), (0, 420, 512, 470)]
        changed = self.check_picture(picture, boxes, {255}, 5000)
        # Something in every group of texts.
        for box in boxes:
            self.assertTrue(any(inside(x, y, [box]) for x, y, _ in changed), box)
        # The stars show through between the letters.
        kept = sum(1 for k, (p, s) in enumerate(zip(picture.pixels, STARS))
                   if s and p == s and 100 <= k // SIZE < 470)
        self.assertGreater(kept, 200)

    def test_drill_at_rest_shows_the_red_pair(self):
        picture = self.snapshot("press return\nrun 600 10\nrelease return\nrun 100 10")
        boxes = [(0, 100, 512, 240), (50, 300, 512, 360), (0, 360, 512, 440)]
        changed = self.check_picture(picture, boxes, {253, 255}, 5000)
        red = [(x, y) for x, y, p in changed if p == 253]
        self.assertGreater(len(red), 1000)
        # Positions 1 and 2 of the row, at rest: 40 to 100 and 168 to 228.
        for x, y in red:
            self.assertTrue(40 <= x < 100 or 168 <= x < 228, (x, y))
            self.assertTrue(100 <= y < 240, (x, y))
        white_digits = [x for x, y, p in changed if p == 255 and y < 240]
        self.assertTrue(all(296 <= x < 356 or 424 <= x < 484 for x in white_digits))
        self.assertTrue(any(x >= 424 for x in white_digits), "the fourth digit shows")

    def test_ending(self):
        picture = self.snapshot("press return\nrun 600 10\nrelease return\nrun 32600 10")
        boxes = [(0, 50, 512, 100), (70, 150, 512, 200), (30, 250, 512, 300),
                 (50, 320, 512, 420), (75, 440, 512, 490)]
        changed = self.check_picture(picture, boxes, {253, 255}, 5000)
        red = [(x, y) for x, y, p in changed if p == 253]
        self.assertGreater(len(red), 300)
        self.assertTrue(all(50 <= y < 100 for _, y in red), "only the heading is red")
        for box in boxes[2:4]:
            self.assertGreater(sum(1 for x, y, p in changed if inside(x, y, [box])), 1000)

    def test_first_title_frame_trace(self):
        out, _ = self.run_sim("frame\n", "--trace")
        lines = [json.loads(line) for line in out.splitlines()]
        self.assertEqual(len(lines), 1)
        frame = lines[0]
        self.assertEqual((frame["event"], frame["scene"], frame["tick"]), ("frame", "title", 1000))
        ops = frame["ops"]
        self.assertEqual(ops[0], {"op": "stars"})
        self.assertEqual(ops[1], {"op": "ink", "rgb": [255, 255, 255]})
        self.assertEqual(ops[-1], {"op": "repaint"})
        fonts = [(op["face"], op["height"], op["width"]) for op in ops if op["op"] == "font"]
        self.assertEqual(fonts, [("ＭＳ 明朝", 80, 30), ("ＭＳ 明朝", 16, 8), ("ＭＳ ゴシック", 16, 8),
                                 ("ＭＳ ゴシック", 50, 20), ("Times New Roman", 50, 20)])
        self.assertEqual(sum(1 for op in ops if op["op"] == "release"), 5)
        texts = [op for op in ops if op["op"] == "text"]
        self.assertEqual(texts[0], {"op": "text", "x": 120, "y": 270,
                                    "text": "TopPlayer:      DEFAULT_PLAYER"})
        self.assertEqual(texts[1]["text"], "TopPoint :                   5")
        wave = texts[2:]
        self.assertEqual("".join(op["text"] for op in wave), "Press Return(Enter) Key")
        self.assertEqual([op["x"] for op in wave], list(range(30, 471, 20)))
        self.assertEqual([op["y"] for op in wave],
                         [351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359, 356,
                          351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359])
        centred = [(op["rect"], op["text"]) for op in ops if op["op"] == "centred"]
        self.assertEqual(centred, [([0, 100, 512, 200], "Kobaru"),
                                   ([0, 200, 512, 240], "～　SPI（クレベリン検査）を倒すために　～"),
                                   ([0, 420, 512, 470], "Play Number : 000000")])

    def test_frames_carry_the_scene_that_drew_them(self):
        out, _ = self.run_sim("press return\nrun 600 10\n", "--trace")
        frames = [json.loads(line) for line in out.splitlines()]
        scenes = [f["scene"] for f in frames]
        # The title frame that accepts Return is still a title frame; the
        # drill's first frame follows in the same pass, at the same tick.
        first_drill = scenes.index("drill")
        self.assertEqual(set(scenes[:first_drill]), {"title"})
        self.assertEqual(frames[first_drill - 1]["tick"], frames[first_drill]["tick"])
        digits = [op for op in frames[first_drill]["ops"] if op["op"] == "centred"][:20]
        self.assertEqual([op["rect"][0] for op in digits], [128 * i - 88 for i in range(20)])
        self.assertNotIn("frame", self.run_sim("press return\nrun 600 10\n")[0],
                         "no frame lines without --trace")

    def test_unwritable_snapshot(self):
        _, err = self.run_sim("frame\n\nsnapshot %s/no/such/dir/x.png\nprint\n" % self.dir,
                              expect_status=2)
        self.assertIn("line 3", err)
        self.assertIn("snapshot", err)
        _, err = self.run_sim("snapshot\n", expect_status=2)
        self.assertIn("line 1", err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
