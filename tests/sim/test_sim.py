"""kobaru-sim driven as a bug report or a test would drive it: whole games from
scripts, the JSON it prints, the rank.txt it leaves, and its error messages."""

import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from oracle import Ranking, default_ranking, name_field  # noqa: E402
from simulator import SIM, START_DRILL, WHOLE_DRILL, SimCase  # noqa: E402

DEMO = os.environ.get("KOBARU_DEMO", "")
FUZZ_REGRESSIONS = os.path.join(HERE, "..", "fuzz", "script_regressions")
# A drill without answers scores 0, ranks and moves up a row, through names
# that leave tails behind shorter ones.
LOW_FIFTH = Ranking([5, 4, 3, -2, -100000], default_ranking().names[:3] + [
    name_field(b"Fourth", b"tail"), name_field(b"A-long-fifth-name", b"#fifth tail")])


class Simulator(SimCase):
    def test_state_after_scripts(self):
        zero = ("ans combo miss combo_live miss_live combo_tick slide_x drop_y drill_start_tick drill_elapsed_ms "
                "final_ans wave_phase title_start_tick ending_start_tick title_last_frame_tick ending_last_frame_tick")
        # The rank file loaded, the script, its options, what the state shows.
        cases = [
            (None, "", [], dict(tick=1000, scene="title", drill_last_frame_tick=1000, time_limit_s=30,
                                points=[5, 4, 3, 2, 1], names=["DEFAULT_PLAYER"] * 5, play_number=0,
                                **dict.fromkeys(zero.split(), 0))),
            (None, "tick 0xFFFFFFFF", [], dict(tick=4294967295)),
            (None, "tick 0xFFFFFFF0\nadvance 32", [], dict(tick=16)),
            (None, "run 100 20", [], dict(tick=1100, title_start_tick=1020, wave_phase=35)),
            (None, "press return\nframe\nrun 496 16\nprint\nrun 16 16", ["--start-tick", "0xFFFFFF00"],
             dict(scene="drill", drill_start_tick=(0xFFFFFF00 + 512) % 2**32)),
            # Names are printed from code page 932: a lead byte without its
            # trail byte, a byte no character starts with, a lead byte cut off
            # by the end of the name; fields without a NUL stay in bounds.
            (Ranking([5, 4, 3, 2, 1], [name_field(b"\x81 AA\xffB\x82")] + [name_field(b"x")] * 4), "", [],
             dict(names=["\ufffd AA\ufffdB\ufffd"] + ["x"] * 4)),
            (b"\0" * 20 + b"Z" * 1280 + b"\0" * 4, "", [], dict(names=["Z" * 256] * 5)),
        ]
        for loaded, script, args, expected in cases:
            with self.subTest(script=script, expected=str(expected)[:40]):
                if loaded:
                    self.write_rank(loaded)
                state = self.state(script, *args)
                self.assertEqual({k: state[k] for k in expected}, expected)
        self.assertEqual(len(self.state("")["digits"]), 20)

    def test_digits_follow_the_start_tick(self):
        dealt = [self.state("", "--start-tick", tick)["digits"] for tick in ("5000", "0x1388", "5001")]
        self.assertEqual(dealt[0], dealt[1])
        self.assertNotEqual(dealt[0], dealt[2])

    def test_script_from_a_file_and_every_kind_of_blank(self):
        path = os.path.join(self.dir, "s.txt")
        with open(path, "wb") as f:
            f.write(b"# a comment\n\n   \r\n \t\v\f\r\n\vtick\f42\v\r\n\r\r\n\x0bprint\x0c\r\n")
        self.assertEqual([line["tick"] for line in self.sim("", path)[0]], [42])

    def test_demo_game(self):
        with open(DEMO, "rb") as f:
            lines, _ = self.sim(f.read())
        prompt, ranking = [line for line in lines if "event" in line]
        self.assertEqual((prompt["event"], ranking["event"]), ("name_prompt", "ranking"))
        rows = ranking["rows"]
        self.assertGreater(rows[0]["points"], 5, "the demo tops the default table")
        expected = default_ranking().inserted(rows[0]["points"], prompt["name"].encode("cp932"), 1)
        self.assertEqual(rows, [{"points": p, "name": n.split(b"\0")[0].decode("cp932")}
                                for p, n in zip(expected.points, expected.names)])
        self.assertEqual((lines[-1]["scene"], lines[-1]["play_number"]), ("title", 1))
        self.assertEqual(self.read_rank(), expected)

    def test_games_arrive_line_by_line_and_memory_stays_flat(self):
        """Each game's print comes before the next game is sent, and 40 more
        games grow the memory by at most 64 KiB (not measured under the
        sanitizers: AddressSanitizer keeps its own books of freed memory)."""
        self.write_rank(LOW_FIFTH)
        game = ("name ソーク\n" + START_DRILL + "press 5\nrun 3000 10\nrelease 5\nrun 40000 10\nprint\n").encode()
        resident = []
        with self.popen() as proc:
            for games in (2, 0 if os.environ.get("KOBARU_SANITIZED") == "1" else 40):
                for _ in range(games):
                    proc.stdin.write(game)
                    proc.stdin.flush()
                    while b'"tick"' not in proc.stdout.readline():
                        pass
                with open(f"/proc/{proc.pid}/status") as status:
                    resident.append(next(int(line.split()[1]) for line in status if line.startswith("VmRSS:")))
            proc.stdin.close()
        self.assertEqual(proc.returncode, 0)
        self.assertLessEqual(resident[1] - resident[0], 64, "KiB grown over 40 more games")

    def test_the_prompt_stores_the_name_in_code_page_932(self):
        cases = [
            (["name 山田　太郎"], "山田　太郎".encode("cp932")),
            (["name " + "a" * 300], b"a" * 255),
            # Cut to 255 bytes without splitting a double-byte character.
            (["name " + "あ" * 200], "あ".encode("cp932") * 127),
            (["name café😀"], b"caf??"),
            # The oldest queued name answers; blanks are kept.
            (["name   two  spaces ", "name second"], b"  two  spaces "),
            ([], b""),
            # The text starts after exactly one blank of any kind, and ends at a NUL.
            ([b"\fname\v x\r"], b" x"),
            ([b"name\fy"], b"y"),
            ([b"name \tz "], b"\tz "),
            ([b"name ab\0cd"], b"ab"),
            ([b"name \xff"], b"?"),
        ]
        for names, stored in cases:
            with self.subTest(names=names):
                self.write_rank(LOW_FIFTH)
                script = b"".join((n if isinstance(n, bytes) else n.encode()) + b"\n" for n in names)
                lines, _ = self.sim(script + WHOLE_DRILL.encode() + b"close\n")
                prompts = [line["name"] for line in lines if line.get("event") == "name_prompt"]
                self.assertEqual(prompts, [stored.decode("cp932")])
                # Closed during the credits: the play is not counted yet.
                self.assertEqual(self.read_rank(), LOW_FIFTH.inserted(0, stored))

    def test_bad_lines_name_their_number_and_show_every_byte(self):
        cases = [
            (b"frame\n# comment\njump 5", 3, "unknown command 'jump': jump 5"),
            (b"print\nbogus", 2, "unknown command 'bogus': bogus"),
            (b"tick 4294967296", 1, "tick 4294967296"),
            (b"advance -1", 1, "bad number '-1': advance -1"),
            (b"press num10", 1, "unknown key 'num10': press num10"),
            (b"\r\n\vrelease enter", 2, "release enter"),
            (b"run 100 16", 1, "not a multiple of the step 16: run 100 16"),
            (b"run 100 0", 1, "run 100 0"),
            (b"run 4294967295", 1, "too many passes: 4294967295 (at most 10000000): run 4294967295"),
            (b"frame 10000001", 1, "frame 10000001"),
            (b"pri\0nt", 1, "a NUL byte in the line: pri\\x00nt"),
            (b"print \xff\xfe", 1, "not valid UTF-8: print \\xff\\xfe"),
            (b"# \xc0\x80 overlong", 1, "# \\xc0\\x80 overlong"),
            (b"press\x01 5\x7f", 1, "press\\x01 5\\x7f"),
            (b"jump \\ \xe3\x81\x82", 1, "jump \\\\ \u3042"),
            (b"snapshot", 1, "snapshot"),
            (b"frame\n\nsnapshot no/such/dir/x.png\nprint", 3, "snapshot no/such/dir/x.png"),
        ]
        loaded = Ranking([5, 4, 3, 2, 1], default_ranking().names, 3)
        for script, number, shown in cases:
            with self.subTest(script=script):
                self.write_rank(loaded)
                lines, err = self.sim(script + b"\nclose\n", status=2)
                self.assertIn("kobaru-sim: line %d: " % number, err)
                self.assertTrue(err.rstrip("\n").endswith(shown), err)
                self.assertEqual(len(lines), script.split(b"\n")[: number - 1].count(b"print"), "output before it")
                self.assertEqual(self.read_rank(), loaded, "nothing is saved")

    def test_bad_options(self):
        for args in (["--start-tick"], ["--start-tick", "x"], ["--start-tick", "-1"], ["--frobnicate"],
                     [os.path.join(self.dir, "missing.txt")], [self.dir]):
            with self.subTest(args=args):
                self.assertTrue(self.sim("", *args, status=2)[1])

    def test_output_that_cannot_be_written_is_a_failure(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        self.addCleanup(os.close, write_end)
        with open("/dev/full", "wb") as full:
            for options, reason in [(dict(stdout=full), "No space left on device"),
                                    (dict(preexec_fn=lambda: os.close(1)), "cannot write the output"),
                                    (dict(stdout=write_end), "Broken pipe")]:
                result = subprocess.run([SIM], input=b"print\nclose\n", cwd=self.dir, stderr=subprocess.PIPE,
                                        timeout=30, **options)
                self.assertEqual(result.returncode, 3, reason)
                self.assertIn("kobaru-sim: cannot write the output: ", result.stderr.decode())
                self.assertIn(reason, result.stderr.decode())
                self.assertFalse(os.path.exists(self.rank_path), "it stopped at the failed print")

    def test_fuzzer_findings_neither_crash_nor_hang(self):
        for name in sorted(os.listdir(FUZZ_REGRESSIONS)):
            with self.subTest(finding=name), open(os.path.join(FUZZ_REGRESSIONS, name), "rb") as f:
                result = subprocess.run([SIM], input=f.read(), cwd=self.dir, capture_output=True, timeout=120)
                self.assertIn(result.returncode, (0, 2), result.stderr[-2000:])


if __name__ == "__main__":
    unittest.main(verbosity=2)
