"""Whole pictures from kobaru-sim: the snapshots of the title, a drill frame
and the ending over the first game's star field, and the frame trace."""

import os
import sys
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from oracle import (DRILL_ZONES, ENDING_ZONES, FIRST_PICTURE, PALETTE, SIZE, TITLE_ZONES,  # noqa: E402
                    compare_with_stars)
from simulator import START_DRILL, SimCase  # noqa: E402


class SimPictures(SimCase):
    def snapshot(self, script):
        self.sim(script + "\nsnapshot shot.png\n")
        with Image.open(os.path.join(self.dir, "shot.png")) as image:
            self.assertEqual((image.mode, image.size), ("P", (SIZE, SIZE)))
            palette = image.getpalette()
            self.assertEqual([tuple(palette[i : i + 3]) for i in range(0, len(palette), 3)], PALETTE)
            return image.tobytes(), image.convert("RGB").tobytes()

    def test_nothing_is_drawn_before_the_first_frame(self):
        self.assertEqual(self.snapshot("")[0], bytes(SIZE * SIZE))

    def test_screens_over_the_first_star_field(self):
        cases = [
            ("title", "frame", TITLE_ZONES),
            ("drill at rest", START_DRILL + "run 100 10", DRILL_ZONES),
            ("ending", START_DRILL + "run 32600 10", ENDING_ZONES),
        ]
        for screen, script, zones in cases:
            with self.subTest(screen=screen):
                _, picture = self.snapshot(script)
                counts, wrong = compare_with_stars(picture, zones)
                self.assertEqual(wrong[:10], [], f"{len(wrong)} pixels neither star nor ink")
                for (name, _, _, least), count in zip(zones, counts):
                    self.assertGreaterEqual(count, least, name)
                # The stars show through between the letters.
                kept = sum(picture[at : at + 3] == FIRST_PICTURE[at : at + 3] != b"\0\0\0"
                           for _, (left, top, right, bottom), _, _ in zones for y in range(top, bottom)
                           for at in range(3 * (y * SIZE + left), 3 * (y * SIZE + right), 3))
                self.assertGreater(kept, 100)

    def test_first_title_frame_trace(self):
        lines, _ = self.sim("frame\n", "--trace")
        self.assertEqual([(f["event"], f["scene"], f["tick"]) for f in lines], [("frame", "title", 1000)])
        ops = lines[0]["ops"]
        self.assertEqual(ops[:2], [{"op": "stars"}, {"op": "ink", "rgb": [255, 255, 255]}])
        self.assertEqual(ops[-1], {"op": "repaint"})
        self.assertEqual([(op["face"], op["height"], op["width"]) for op in ops if op["op"] == "font"],
                         [("ＭＳ 明朝", 80, 30), ("ＭＳ 明朝", 16, 8), ("ＭＳ ゴシック", 16, 8),
                          ("ＭＳ ゴシック", 50, 20), ("Times New Roman", 50, 20)])
        self.assertEqual([op["op"] for op in ops].count("release"), 5)
        texts = [op for op in ops if op["op"] == "text"]
        self.assertEqual(texts[0], {"op": "text", "x": 120, "y": 270, "text": "TopPlayer:      DEFAULT_PLAYER"})
        self.assertEqual(texts[1]["text"], "TopPoint :                   5")
        wave = texts[2:]
        self.assertEqual("".join(op["text"] for op in wave), "Press Return(Enter) Key")
        self.assertEqual([op["x"] for op in wave], list(range(30, 471, 20)))
        self.assertEqual([op["y"] for op in wave], [351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359, 356,
                                                    351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359])
        self.assertEqual([(op["rect"], op["text"]) for op in ops if op["op"] == "centred"],
                         [([0, 100, 512, 200], "Kobaru"),
                          ([0, 200, 512, 240], "～　SPI（クレベリン検査）を倒すために　～"),
                          ([0, 420, 512, 470], "Play Number : 000000")])

    def test_frames_carry_the_scene_that_drew_them(self):
        frames, _ = self.sim("press return\nrun 600 10\n", "--trace")
        scenes = [f["scene"] for f in frames]
        # The title frame that accepts Return is still a title frame; the
        # drill's first frame follows in the same pass, at the same tick.
        first_drill = scenes.index("drill")
        self.assertEqual(set(scenes[:first_drill]), {"title"})
        self.assertEqual(frames[first_drill - 1]["tick"], frames[first_drill]["tick"])
        digits = [op for op in frames[first_drill]["ops"] if op["op"] == "centred"][:20]
        self.assertEqual([op["rect"][0] for op in digits], [128 * i - 88 for i in range(20)])
        self.assertEqual(self.sim("press return\nrun 600 10\n")[0], [], "no frame lines without --trace")


if __name__ == "__main__":
    unittest.main(verbosity=2)
