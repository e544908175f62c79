"""kobaru-sim driven as a bug report or a test would drive it: whole games from
scripts, the JSON it prints, the rank.txt it leaves, and its error messages."""

import json
import os
import struct
import subprocess
import tempfile
import unittest

SIM = os.environ["KOBARU_SIM"]
DEMO = os.environ["KOBARU_DEMO"]
HERE = os.path.dirname(os.path.abspath(__file__))
FUZZ_REGRESSIONS = os.path.join(HERE, "..", "fuzz", "script_regressions")


def default_table(points=(5, 4, 3, 2, 1), names=None, play_number=0):
    names = names or [b"DEFAULT_PLAYER"] * 5
    image = b"".join(struct.pack("<i", p) for p in points)
    for name in names:
        image += name + b"\0" * (256 - len(name))
    return image + struct.pack("<i", play_number)


class SimCase(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def run_sim(self, script, *args, expect_status=0):
        if isinstance(script, str):
            script = script.encode()
        result = subprocess.run([SIM, *args], input=script, cwd=self.dir,
                                capture_output=True, timeout=120)
        self.assertEqual(result.returncode, expect_status, result.stderr.decode())
        lines = [json.loads(line) for line in result.stdout.decode().splitlines()]
        return lines, result.stderr.decode()

    def rank_path(self):
        return os.path.join(self.dir, "rank.txt")

    def write_rank(self, image):
        with open(self.rank_path(), "wb") as f:
            f.write(image)

    def read_rank(self):
        with open(self.rank_path(), "rb") as f:
            return f.read()

    def state(self, script, *args):
        lines, _ = self.run_sim(script + "\nprint\n", *args)
        return [line for line in lines if "tick" in line][-1]


class StartUp(SimCase):
    def test_start_state_and_every_field(self):
        s = self.state("")
        self.assertEqual(s["tick"], 1000)
        self.assertEqual(s["scene"], "title")
        self.assertEqual(s["drill_last_frame_tick"], 1000)
        self.assertEqual(s["time_limit_s"], 30)
        self.assertEqual(s["title_last_frame_tick"], 0)
        self.assertEqual(s["points"], [5, 4, 3, 2, 1])
        self.assertEqual(s["names"], ["DEFAULT_PLAYER"] * 5)
        self.assertEqual(s["play_number"], 0)
        self.assertEqual(len(s["digits"]), 20)
        for field in ("ans", "combo", "miss", "combo_live", "miss_live", "combo_tick",
                      "slide_x", "drop_y", "drill_start_tick", "drill_elapsed_ms",
                      "final_ans", "wave_phase", "title_start_tick", "ending_start_tick",
                      "ending_last_frame_tick"):
            self.assertEqual(s[field], 0, field)

    def test_digits_follow_the_start_tick(self):
        a = self.state("", "--start-tick", "5000")["digits"]
        b = self.state("", "--start-tick", "0x1388")["digits"]
        c = self.state("", "--start-tick", "5001")["digits"]
        self.assertEqual(a, b)
        self.assertNotEqual(a, c)

    def test_script_from_a_file(self):
        path = os.path.join(self.dir, "s.txt")
        with open(path, "w") as f:
            f.write("# a comment\n\n   \ntick 42\nprint\n")
        lines, _ = self.run_sim("", path)
        self.assertEqual(lines[0]["tick"], 42)


class Clock(SimCase):
    def test_tick_advance_and_wrap(self):
        self.assertEqual(self.state("tick 0xFFFFFFFF")["tick"], 4294967295)
        self.assertEqual(self.state("tick 0xFFFFFFF0\nadvance 32")["tick"], 16)

    def test_frame_gate_edges(self):
        s = self.state("frame\nadvance 10\nframe")
        self.assertEqual(s["wave_phase"], 7, "10 ms later draws nothing")
        s = self.state("frame\nadvance 11\nframe")
        self.assertEqual(s["wave_phase"], 14)

    def test_run_advances_then_runs(self):
        s = self.state("run 100 20")
        self.assertEqual(s["tick"], 1100)
        self.assertEqual(s["title_start_tick"], 1020)
        self.assertEqual(s["wave_phase"], 35)

    def test_title_start_across_the_wrap(self):
        s = self.state("press return\nframe\nrun 496 16\nprint\nrun 16 16",
                       "--start-tick", "0xFFFFFF00")
        self.assertEqual(s["scene"], "drill")
        self.assertEqual(s["drill_start_tick"], (0xFFFFFF00 + 512) % 2**32)


class WholeGames(SimCase):
    def test_demo_game(self):
        with open(DEMO) as f:
            lines, _ = self.run_sim(f.read())
        events = [line.get("event") for line in lines if "event" in line]
        self.assertEqual(events, ["name_prompt", "ranking"])
        prompt = next(line for line in lines if line.get("event") == "name_prompt")
        ranking = next(line for line in lines if line.get("event") == "ranking")
        self.assertEqual(ranking["rows"][0]["name"], prompt["name"])
        self.assertGreater(ranking["rows"][0]["points"], 5)
        final = [line for line in lines if "tick" in line][-1]
        self.assertEqual(final["scene"], "title")
        self.assertEqual(final["play_number"], 1)
        image = self.read_rank()
        self.assertEqual(len(image), 1304)
        name = prompt["name"].encode("cp932")
        self.assertEqual(image[20:20 + len(name) + 1], name + b"\0")
        self.assertEqual(struct.unpack("<i", image[1300:])[0], 1)
        self.assertEqual(struct.unpack("<i", image[:4])[0], ranking["rows"][0]["points"])

    def test_no_answers_gives_zero_and_no_prompt(self):
        lines, _ = self.run_sim("press return\nrun 600 10\nrelease return\nrun 40000 10\n"
                                "print\nclose\n")
        events = [line["event"] for line in lines if "event" in line]
        self.assertEqual(events, ["ranking"])
        final = lines[-1]
        self.assertEqual(final["final_ans"], 0)
        self.assertEqual(final["play_number"], 1)
        self.assertEqual(self.read_rank(), default_table(play_number=1))

    def test_killed_game_keeps_every_finished_game(self):
        # A low fifth score, so the drill's 0 ranks; SIGKILL once the ending
        # has handed back to the title.
        self.write_rank(default_table(points=(5, 4, 3, 2, -100), play_number=7))
        proc = subprocess.Popen([SIM], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                cwd=self.dir, text=True)
        try:
            proc.stdin.write("name killed\npress return\nrun 600 10\nrelease return\n"
                             "run 40000 10\nprint\n")
            proc.stdin.flush()
            states = [json.loads(proc.stdout.readline()) for _ in range(3)]
            self.assertEqual(states[-1]["scene"], "title")
            proc.kill()
        finally:
            proc.wait(timeout=30)
        # The new name is copied over the old one through its NUL only.
        names = [b"DEFAULT_PLAYER"] * 4 + [b"killed\0_PLAYER"]
        self.assertEqual(self.read_rank(),
                         default_table(points=(5, 4, 3, 2, 0), names=names, play_number=8))

    def test_close_mid_drill_keeps_the_old_ranking(self):
        self.write_rank(default_table(points=(9, 8, 7, 6, -100)))
        s = self.state("press return\nrun 2000 10")
        self.assertEqual(s["scene"], "drill")
        self.run_sim("press return\nrun 2000 10\nclose\n")
        self.assertEqual(self.read_rank(), default_table(points=(9, 8, 7, 6, -100)))

    def test_ranking_survives_a_restart(self):
        self.write_rank(default_table(points=(5, 4, 3, 2, -50)))
        # Holding 5 answers every eighth frame, right or wrong as the pairs
        # come; whatever the score, the ranking shown is the ranking saved.
        script = "name 一回目\npress return\nrun 600 10\nrelease return\n"
        script += "press 5\nrun 3000 10\nrelease 5\nrun 40000 10\nclose\n"
        lines, _ = self.run_sim(script)
        ranking = next(line for line in lines if line.get("event") == "ranking")
        lines2, _ = self.run_sim("print\n")
        self.assertEqual([r["points"] for r in ranking["rows"]], lines2[0]["points"])
        self.assertEqual([r["name"] for r in ranking["rows"]], lines2[0]["names"])
        self.assertEqual(lines2[0]["play_number"], 1)


class Names(SimCase):
    def prompted(self, *names, low_fifth=True):
        if low_fifth:
            self.write_rank(default_table(points=(5, 4, 3, 2, -100000)))
        script = "".join("name %s\n" % n for n in names)
        script += "press return\nrun 600 10\nrelease return\nrun 33000 10\nclose\n"
        lines, _ = self.run_sim(script)
        prompt = [line for line in lines if line.get("event") == "name_prompt"]
        self.assertEqual(len(prompt), 1)
        return prompt[0]["name"], self.read_rank()[1044:1300]

    def test_japanese_name_is_stored_in_cp932(self):
        name, field = self.prompted("山田　太郎")
        self.assertEqual(name, "山田　太郎")
        self.assertEqual(field[:11], "山田　太郎".encode("cp932") + b"\0")

    def test_long_names_are_cut_without_splitting_a_character(self):
        name, field = self.prompted("a" * 300)
        self.assertEqual(name, "a" * 255)
        self.assertEqual(field[:256], b"a" * 255 + b"\0")
        name, field = self.prompted("あ" * 200)
        self.assertEqual(name, "あ" * 127)
        self.assertEqual(field[254], 0)

    def test_unencodable_characters_become_question_marks(self):
        name, _ = self.prompted("café😀")
        self.assertEqual(name, "caf??")

    def test_spaces_are_kept_and_names_are_queued(self):
        name, _ = self.prompted("  two  spaces ", "second")
        self.assertEqual(name, "  two  spaces ")

    def test_no_name_queued_gives_the_empty_name(self):
        name, field = self.prompted()
        self.assertEqual(name, "")
        self.assertEqual(field[0], 0)

    def test_undecodable_bytes_print_as_replacement(self):
        # A lead byte without a valid trail byte, a byte no character starts
        # with, and a lead byte cut off by the end of the name.
        self.write_rank(default_table(names=[b"\x81 AA\xffB\x82"] + [b"x"] * 4))
        s = self.state("")
        self.assertEqual(s["names"][0], "\ufffd AA\ufffdB\ufffd")

    def test_nul_less_name_fields_stay_in_bounds(self):
        self.write_rank(b"\0" * 20 + b"Z" * 1280 + b"\0" * 4)
        s = self.state("")
        self.assertEqual(s["names"], ["Z" * 256] * 5)


class Errors(SimCase):
    def check_error(self, script, line_number, shown):
        self.write_rank(default_table(play_number=3))
        lines, err = self.run_sim(script + b"\nclose\n", expect_status=2)
        self.assertIn("line %d: " % line_number, err)
        self.assertTrue(err.rstrip("\n").endswith(shown), err)
        self.assertEqual(self.read_rank(), default_table(play_number=3), "nothing is saved")

    def test_bad_lines_name_their_number_and_show_every_byte(self):
        cases = [
            (b"frame\n# comment\njump 5", 3, "unknown command 'jump': jump 5"),
            (b"tick 12x", 1, "bad number '12x': tick 12x"),
            (b"tick 4294967296", 1, "tick 4294967296"),
            (b"frame 99999999999999999999999", 1, "frame 99999999999999999999999"),
            (b"advance -1", 1, "bad number '-1': advance -1"),
            (b"run +5", 1, "run +5"),
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
        ]
        for script, line_number, shown in cases:
            with self.subTest(script=script):
                self.check_error(script, line_number, shown)

    def test_every_kind_of_blank_separates_and_ends_lines(self):
        script = b"\r\n \t\v\f\r\n\vtick\f42\v\r\n\r\r\n\x0bprint\x0c\r\n"
        lines, _ = self.run_sim(script)
        self.assertEqual([line["tick"] for line in lines], [42])

    def test_name_takes_its_text_after_exactly_one_separator(self):
        for separator, text, stored in ((b"\v", b" x", b" x"), (b"\f", b"y", b"y"),
                                        (b" ", b"\tz ", b"\tz "), (b" ", b"ab\0cd", b"ab"),
                                        (b" ", b"\xff", b"?")):
            with self.subTest(separator=separator, text=text):
                self.write_rank(default_table(points=(5, 4, 3, 2, -100)))
                script = (b"\fname" + separator + text + b"\r\npress return\nrun 600 10\n"
                          b"release return\nrun 33000 10\nprint\n")
                lines, _ = self.run_sim(script)
                self.assertEqual(lines[-1]["names"][4], stored.decode())

    def test_output_before_the_error_is_kept(self):
        lines, err = self.run_sim("print\nbogus\n", expect_status=2)
        self.assertEqual(len(lines), 1)

    def test_bad_options(self):
        for args in (["--start-tick"], ["--start-tick", "x"], ["--start-tick", "-1"],
                     ["--frobnicate"], [os.path.join(self.dir, "missing.txt")], [self.dir]):
            result = subprocess.run([SIM, *args], input=b"", cwd=self.dir,
                                    capture_output=True, timeout=30)
            self.assertEqual(result.returncode, 2, args)
            self.assertTrue(result.stderr, args)

    def test_output_that_cannot_be_written_is_a_failure(self):
        def run(stdout, **options):
            return subprocess.run([SIM], input=b"print\nclose\n", cwd=self.dir, stdout=stdout,
                                  stderr=subprocess.PIPE, timeout=30, **options)

        with open("/dev/full", "wb") as full:
            result = run(full)
        self.assertEqual(result.returncode, 3)
        self.assertIn(b"cannot write the output: No space left on device", result.stderr)
        result = run(None, preexec_fn=lambda: os.close(1))
        self.assertEqual(result.returncode, 3, result.stderr)
        self.assertFalse(os.path.exists(self.rank_path()), "it stopped at the failed print")
        read_end, write_end = os.pipe()
        os.close(read_end)
        result = run(write_end)
        os.close(write_end)
        self.assertEqual(result.returncode, 3)
        self.assertIn(b"Broken pipe", result.stderr)

    def test_fuzzer_findings_neither_crash_nor_hang(self):
        for name in sorted(os.listdir(FUZZ_REGRESSIONS)):
            with self.subTest(finding=name), open(os.path.join(FUZZ_REGRESSIONS, name), "rb") as f:
                result = subprocess.run([SIM], input=f.read(), cwd=self.dir,
                                        capture_output=True, timeout=120)
                self.assertIn(result.returncode, (0, 2), result.stderr[-2000:])


class Soak(SimCase):
    @unittest.skipIf(os.environ.get("KOBARU_SANITIZED") == "1",
                     "AddressSanitizer keeps its own books of freed memory; "
                     "LeakSanitizer looks for leaks in that build")
    def test_memory_stays_flat_over_whole_games(self):
        self.write_rank(default_table(points=(5, 4, 3, 2, -100)))
        proc = subprocess.Popen([SIM], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                cwd=self.dir)

        def resident_after_games(count):
            game = (b"name \xe3\x82\xbd\xe3\x83\xbc\xe3\x82\xaf\npress return\nrun 600 10\n"
                    b"release return\npress 5\nrun 3000 10\nrelease 5\nrun 40000 10\nprint\n")
            for _ in range(count):
                proc.stdin.write(game)
                proc.stdin.flush()
                while b'"tick"' not in proc.stdout.readline():
                    pass
            with open("/proc/%d/status" % proc.pid) as status:
                return next(int(l.split()[1]) for l in status if l.startswith("VmRSS:"))

        try:
            after_first = resident_after_games(2)
            after_many = resident_after_games(40)
        finally:
            proc.stdin.close()
            proc.wait(timeout=60)
            proc.stdout.close()
        self.assertLessEqual(after_many - after_first, 64, "KiB grown over 40 more games")


class Pipes(SimCase):
    def test_answers_arrive_line_by_line(self):
        proc = subprocess.Popen([SIM], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                cwd=self.dir, text=True)
        try:
            proc.stdin.write("print\n")
            proc.stdin.flush()
            first = json.loads(proc.stdout.readline())
            # Answer the pair the first print showed, before sending more.
            proc.stdin.write("press return\nrun 600 10\nrelease return\nprint\n")
            proc.stdin.flush()
            s = json.loads(proc.stdout.readline())
            self.assertEqual(s["scene"], "drill")
            key = (first["digits"][1] + first["digits"][2]) % 10
            proc.stdin.write("press num%d\nrun 10 10\nprint\n" % key)
            proc.stdin.flush()
            s = json.loads(proc.stdout.readline())
            self.assertEqual(s["ans"], 1)
            self.assertEqual(s["slide_x"], 7)
        finally:
            proc.stdin.close()
            proc.wait(timeout=30)
        self.assertEqual(proc.returncode, 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
