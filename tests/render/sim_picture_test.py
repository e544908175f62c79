"""Whole pictures from kobaru-sim: the snapshots of the title, a drill frame
and the ending over the first game's star field, and the frame trace."""

import os
import sys
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from oracle import DRILL_ZONES, ENDING_ZONES, FIRST_PICTURE, PALETTE, SIZE, TITLE_ZONES, compare_with_stars  # noqa
from simulator import START_DRILL, SimCase  # noqa: E402


class SimPictures(SimCase):
    def test_snapshots_over_the_first_star_field(self):
        cases = [
            ("before the first frame, all black", "", []),
            ("title", "frame", TITLE_ZONES),
            ("drill at rest", START_DRILL + "run 100 10", DRILL_ZONES),
            ("ending", START_DRILL + "run 32600 10", ENDING_ZONES),
        ]
        for screen, script, zones in cases:
            with self.subTest(screen=screen):
                self.sim(script + "\nsnapshot shot.png\n")
                with Image.open(os.path.join(self.dir, "shot.png")) as image:
                    self.assertEqual((image.mode, image.size), ("P", (SIZE, SIZE)))
                    palette = image.getpalette()
                    self.assertEqual([tuple(palette[i : i + 3]) for i in range(0, len(palette), 3)], PALETTE)
                    picture = image.convert("RGB").tobytes()
                # An opaque text background would hide the stars inside a zone.
                wrong, thin = compare_with_stars(picture, zones, FIRST_PICTURE if zones else bytes(len(picture)))
                self.assertEqual((len(wrong), wrong[:5], thin), (0, [], []), "pixels neither star nor ink, "
                                 "zones with too little ink")

    def test_trace_shows_each_frame_of_a_scene_with_its_operations(self):
        frames, _ = self.sim("press return\nrun 600 10\n", "--trace")
        self.assertEqual((frames[0]["event"], frames[0]["scene"], frames[0]["tick"]), ("frame", "title", 1010))
        # Which operations there are and where is the title screen's own
        # test; here each kind must show its arguments, texts in UTF-8.
        self.assertEqual(frames[0]["ops"][:10], [
            {"op": "stars"}, {"op": "ink", "rgb": [255, 255, 255]},
            {"op": "font", "face": "ＭＳ 明朝", "height": 80, "width": 30},
            {"op": "centred", "rect": [0, 100, 512, 200], "text": "Kobaru"}, {"op": "release"},
            {"op": "font", "face": "ＭＳ 明朝", "height": 16, "width": 8},
            {"op": "centred", "rect": [0, 200, 512, 240],
             "text": "～　SPI（クレベリン検査）を倒すために　～"},
            {"op": "release"}, {"op": "font", "face": "ＭＳ ゴシック", "height": 16, "width": 8},
            {"op": "text", "x": 120, "y": 270, "text": "TopPlayer:      DEFAULT_PLAYER"}])
        self.assertEqual(frames[0]["ops"][-1], {"op": "repaint"})
        # The title frame that accepts Return is still a title frame; the
        # drill's first frame follows in the same pass, at the same tick.
        scenes = [f["scene"] for f in frames]
        first_drill = scenes.index("drill")
        self.assertEqual(set(scenes[:first_drill]), {"title"})
        self.assertEqual(frames[first_drill - 1]["tick"], frames[first_drill]["tick"])
        self.assertEqual(self.sim("press return\nrun 600 10\n")[0], [], "no frame lines without --trace")


if __name__ == "__main__":
    unittest.main(verbosity=2)
