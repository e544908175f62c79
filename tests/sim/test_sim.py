"""kobaru-sim driven as a bug report or a test would drive it: whole games from
scripts, the JSON it prints, its pictures and frame traces, the rank.txt it
leaves, and its error messages."""

import fcntl
import json
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from oracle import (DRILL_ZONES, ENDING_ZONES, FIRST_PICTURE, PALETTE, SIZE, TITLE_ZONES, Ranking,  # noqa: E402
                    compare_with_stars, default_ranking, name_field)

SIM, DEMO = os.environ.get("KOBARU_SIM", ""), os.environ.get("KOBARU_DEMO", "")
START_DRILL = "press return\nrun 600 10\nrelease return\n"
# Enough for the drill to end and the ending to start.
WHOLE_DRILL = START_DRILL + "run 33000 10\n"
# A drill without answers scores 0, ranks and moves up past a name with a tail.
LOW_FIFTH = Ranking([5, 4, 3, -2, -100000], default_ranking().names[:3] + [
    name_field(b"Fourth", b"tail"), name_field(b"A-long-fifth-name", b"#fifth tail")])


class InFolder(unittest.TestCase):
    """A scratch folder for the simulator's rank.txt and history.csv."""

    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir, self.rank_path = scratch.name, os.path.join(scratch.name, "rank.txt")

    def sim(self, script, *args, status=0):
        """Runs a script; returns the JSON lines printed and standard error."""
        script = script.encode() if isinstance(script, str) else script
        result = subprocess.run([SIM, *args], input=script, cwd=self.dir, capture_output=True, timeout=300)
        self.assertEqual(result.returncode, status, result.stderr.decode(errors="replace"))
        return [json.loads(line) for line in result.stdout.splitlines()], result.stderr.decode()

    def write_rank(self, ranking):
        with open(self.rank_path, "wb") as f:
            f.write(ranking.encode())

    def read_rank(self):
        with open(self.rank_path, "rb") as f:
            return Ranking.decode(f.read())


class Simulator(InFolder):
    def test_state_after_scripts(self):
        # The rank file loaded, the script, its options, what the state shows.
        cases = [
            (None, "", [], dict(tick=1000, scene="title", ans=0, drill_last_frame_tick=1000, time_limit_s=30,
                                points=[5, 4, 3, 2, 1], names=["DEFAULT_PLAYER"] * 5, play_number=0)),
            (None, "tick 0xFFFFFFFF", [], dict(tick=4294967295)),
            (None, "tick 0xFFFFFFF0\nadvance 32", [], dict(tick=16)),
            (None, "run 100 20", [], dict(tick=1100, title_start_tick=1020, wave_phase=35)),
            (None, "press return\nframe\nrun 496 16\nprint\nrun 16 16", ["--start-tick", "0xFFFFFF00"],
             dict(scene="drill", drill_start_tick=(0xFFFFFF00 + 512) % 2**32)),
            # Names are printed from code page 932: a lead byte without its
            # trail byte, a byte no character starts with, a lead byte cut off
            # by the end of the name.
            (Ranking([5, 4, 3, 2, 1], [name_field(b"\x81 AA\xffB\x82")] + [name_field(b"x")] * 4), "", [],
             dict(names=["\ufffd AA\ufffdB\ufffd"] + ["x"] * 4)),
        ]
        for loaded, script, args, expected in cases:
            with self.subTest(script=script, expected=str(expected)[:40]):
                if loaded:
                    self.write_rank(loaded)
                state = self.sim(script + "\nprint\n", *args)[0][-1]
                self.assertEqual({k: state[k] for k in expected}, expected)
        self.assertEqual(len(self.sim("print")[0][0]["digits"]), 20)

    def test_demo_game_from_its_file(self):
        lines, _ = self.sim("", DEMO)
        prompt, ranking = [line for line in lines if "event" in line]
        self.assertEqual((prompt["event"], ranking["event"]), ("name_prompt", "ranking"))
        rows = ranking["rows"]
        self.assertGreater(rows[0]["points"], 5, "the demo tops the default table")
        expected = default_ranking().inserted(rows[0]["points"], prompt["name"].encode("cp932"), 1)
        self.assertEqual(rows, [{"points": p, "name": n.split(b"\0")[0].decode("cp932")}
                                for p, n in zip(expected.points, expected.names)])
        self.assertEqual((lines[-1]["scene"], lines[-1]["play_number"]), ("title", 1))
        self.assertEqual(self.read_rank(), expected)

    def test_snapshots_over_the_first_star_field(self):
        cases = [
            ("before the first frame, all black", "", []),
            ("title", "frame", TITLE_ZONES),
            ("drill at rest", START_DRILL + "run 100 10", DRILL_ZONES),
            ("ending", START_DRILL + "run 32600 10", ENDING_ZONES)]
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
        # Each kind of operation with its arguments, texts in UTF-8 (which, and where, is the screens' test).
        ops = frames[0]["ops"]
        self.assertEqual(ops[:7] + ops[9:10] + ops[-1:], [
            {"op": "stars"}, {"op": "ink", "rgb": [255, 255, 255]},
            {"op": "font", "face": "ＭＳ 明朝", "height": 80, "width": 30},
            {"op": "centred", "rect": [0, 100, 512, 200], "text": "Kobaru"}, {"op": "release"},
            {"op": "font", "face": "ＭＳ 明朝", "height": 16, "width": 8},
            {"op": "centred", "rect": [0, 200, 512, 240], "text": "～　SPI（クレベリン検査）を倒すために　～"},
            {"op": "text", "x": 120, "y": 270, "text": "TopPlayer:      DEFAULT_PLAYER"}, {"op": "repaint"}])
        # The title frame that takes Return is a title frame; the drill's first follows at the same tick.
        scenes = [f["scene"] for f in frames]
        first_drill = scenes.index("drill")
        self.assertEqual(set(scenes[:first_drill]), {"title"})
        self.assertEqual(frames[first_drill - 1]["tick"], frames[first_drill]["tick"])

    def test_games_arrive_line_by_line_and_memory_stays_flat(self):
        self.write_rank(LOW_FIFTH)
        game = ("name ソーク\n" + START_DRILL + "press 5\nrun 3000 10\nrelease 5\nrun 40000 10\nprint\n").encode()
        resident = []
        with subprocess.Popen([SIM], stdin=subprocess.PIPE, stdout=subprocess.PIPE, cwd=self.dir) as proc:
            # Each game's print before the next game is sent; AddressSanitizer
            # keeps its own books of freed memory, so then no more games.
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

    def test_bad_lines_and_options_are_refused(self):
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
        for args in (["--start-tick"], ["--start-tick", "x"], ["--start-tick", "-1"], ["--wall-clock", "today"],
                     ["--frobnicate"],
                     [os.path.join(self.dir, "missing.txt")], [self.dir]):  # and bad options, a message
            self.assertTrue(self.sim("", *args, status=2)[1], args)

    def test_every_drill_leaves_its_line_by_the_scripted_clock_even_when_killed(self):
        """The wall clock runs with the scripted one from --wall-clock; a
        drill without answers scores nothing; a kill at any moment leaves
        only whole lines."""
        game = START_DRILL + "advance 40000\nframe\nprint\nadvance 6000\nframe\n"
        state = self.sim(game, "--wall-clock", "2026-12-07T09:30:00Z")[0][-1]
        started = 1_800_000 - 1000 + state["drill_start_tick"]  # ms past 09:00
        self.assertEqual(read_history(self.dir)[1:], [
            f"2026-12-07T09:{started // 60000:02d}:{started // 1000 % 60:02d}.{started % 1000:03d}Z,"
            "0,0,0,0,0,0,0,0,0,0,1000"])  # the row dealt at the start tick
        for _ in range(5):
            # The whole group dies, so a wrapper's game cannot write on after it.
            with subprocess.Popen([SIM], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, cwd=self.dir,
                                  start_new_session=True) as proc:
                proc.stdin.write((game * 20).encode())
                proc.stdin.flush()
                time.sleep(random.random() / 5)
                os.killpg(proc.pid, signal.SIGKILL)
            read_history(self.dir)

    def test_output_that_cannot_be_written_is_a_failure(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        self.addCleanup(os.close, write_end)
        with open("/dev/full", "wb") as full:
            for stdout, reason in ((full, "No space left on device"), (write_end, "Broken pipe")):
                result = subprocess.run([SIM], input=b"print\nclose\n", cwd=self.dir, stdout=stdout,
                                        stderr=subprocess.PIPE, timeout=30)
                self.assertEqual(result.returncode, 3, reason)
                self.assertIn("kobaru-sim: cannot write the output: " + reason, result.stderr.decode())
                self.assertFalse(os.path.exists(self.rank_path), "it stopped at the failed print")


HISTORY_LINE = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,-?\d+(,\d+){10}")


def read_history(folder):
    """history.csv's lines, each ended by CR LF, the records held to their form."""
    with open(os.path.join(folder, "history.csv"), "rb") as f:
        text = f.read().decode()
    assert text.endswith("\r\n") and "\n" not in text.replace("\r\n", ""), "lines end in CR LF only"
    header, *lines = text[:-2].split("\r\n")
    bad = [line for line in lines if not HISTORY_LINE.fullmatch(line)]
    assert not bad, f"lines that are no record: {bad[:3]}"
    return [header] + lines


class RunningCopy:
    """A kobaru-sim that stays up, driven over pipes a part of a game at a time."""

    def __init__(self, test, folder, start_tick):
        self.proc = test.enterContext(subprocess.Popen(
            [SIM, "--start-tick", str(start_tick)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, cwd=folder))
        test.addCleanup(self.proc.kill)  # before the context's end, which closes the pipes and waits
        self.queued = []  # names queued and not yet taken by a prompt

    def send(self, script):
        """Sends lines that end with print; receive() reads what they printed."""
        self.proc.stdin.write(script.encode())
        self.proc.stdin.flush()

    def receive(self):
        """The lines up to the next state line, events first."""
        lines = []
        while not lines or "event" in lines[-1]:
            line = self.proc.stdout.readline()
            if not line:
                raise AssertionError("the simulator ended: " + self.proc.stderr.read().decode())
            lines.append(json.loads(line))
        return lines

    def start_drill(self):
        self.send("run 700 100\npress return\nrun 100 100\nrelease return\nprint\n")
        return self.receive()[-1]["digits"]

    def answer(self, digits, right, gap):
        key = (digits[1] + digits[2] + (0 if right else 1)) % 10
        self.send(f"press {key}\nrun 20 20\nrelease {key}\nrun {gap} 20\nprint\n")
        return self.receive()[-1]["digits"]

    def send_end_of_game(self, name):
        """The drill's end (the ranking read, the score placed), the credits left with Return."""
        self.queued.append(name)
        self.send(f"name {name}\nadvance 40000\nframe\nprint\nadvance 600\npress return\nframe\n"
                  "release return\nprint\n")

    def receive_end_of_game(self, test):
        """The game's score, and the name it was placed with, or None."""
        *events, ending = self.receive()
        title = self.receive()[-1]
        test.assertEqual((ending["scene"], title["scene"]), ("ending", "title"))
        prompt = next((e["name"] for e in events if e["event"] == "name_prompt"), None)
        if prompt is not None:
            test.assertEqual(prompt, self.queued.pop(0), "the oldest queued name")
        return ending["final_ans"], prompt

    def close(self, test):
        self.proc.stdin.write(b"close\n")
        self.proc.stdin.close()
        test.assertEqual(self.proc.wait(timeout=60), 0, self.proc.stderr.read().decode())


class SharedRanking(InFolder):
    """Copies of the game started in one folder: every finished game of each
    is applied to the ranking as stored, whatever the others saved meanwhile."""

    def test_two_copies_keep_both_games_in_either_order(self):
        for first, second in (("Alice", "Bob"), ("Bob", "Alice")):
            with self.subTest(first=first):
                self.write_rank(LOW_FIFTH)
                copies = {name: RunningCopy(self, self.dir, 1000 + i) for i, name in enumerate((first, second))}
                for name in (first, second):  # both have loaded the file; each scores 0, which places
                    copies[name].start_drill()
                for name in (first, second):
                    copies[name].send_end_of_game(name)
                    self.assertEqual(copies[name].receive_end_of_game(self), (0, name))
                for copy in copies.values():
                    copy.close(self)
                self.assertEqual(self.read_rank(), LOW_FIFTH.inserted(0, first.encode()).inserted(
                    0, second.encode(), 2))

    def test_two_hundred_games_of_two_copies_interleaved_at_random(self):
        seed = int.from_bytes(os.urandom(4), "little")
        rng, copies = random.Random(seed), [RunningCopy(self, self.dir, 1000 + 7 * i) for i in range(2)]
        games, placed, scores = [100, 100], 0, []
        # Every table the file may hold by now: the games that reached it at
        # once may have done so in either order.
        possible = {default_ranking().encode(): default_ranking()}
        while any(games):
            ready = [i for i in (0, 1) if games[i]]
            ending = ready if len(ready) == 2 and rng.random() < 0.5 else [rng.choice(ready)]
            for i in ending:
                digits = copies[i].start_drill()
                for _ in range(rng.randrange(9)):
                    digits = copies[i].answer(digits, rng.random() < 0.85, rng.choice((200, 200, 1000)))
                games[i] -= 1
            # The drills' ends sent together: the two copies save at once.
            for i in ending:
                copies[i].send_end_of_game(f"P{i}-{200 - sum(games)}")
            ends = [copies[i].receive_end_of_game(self) for i in ending]
            scores += [score for score, _ in ends]
            placed_now = [(score, name) for score, name in ends if name is not None]
            placed += len(placed_now)
            following = {}
            for table in possible.values():
                for order in (placed_now, placed_now[::-1]):
                    for score, name in order:
                        table = table.inserted(score, name.encode())
                    following[table.encode()] = table
            possible = following
        for copy in copies:
            copy.close(self)
        saved = self.read_rank()
        self.assertEqual(saved.play_number, 200, f"games counted (seed {seed})")
        saved.play_number = 0
        self.assertIn(saved.encode(), possible, f"{saved} is none of {list(possible.values())[:4]} (seed {seed})")
        self.assertGreater(placed, 5, "enough games placed to mean something")
        # Every drill of both has its whole line in history.csv.
        header, *lines = read_history(self.dir)
        self.assertTrue(header.startswith("started,score,"), header)
        self.assertEqual(sorted(int(line.split(",")[1]) for line in lines), sorted(scores), f"seed {seed}")

    def test_a_turn_held_elsewhere_is_waited_for_only_so_long(self):
        self.write_rank(LOW_FIFTH)
        folder = os.open(self.dir, os.O_RDONLY)
        self.addCleanup(os.close, folder)
        fcntl.flock(folder, fcntl.LOCK_EX)
        said = self.sim("name Stuck\n" + START_DRILL + "advance 40000\nframe\n")[1]
        self.assertEqual(said.count("kobaru-sim: another copy of the game has held rank.txt for 2000 ms; "
                                    "going on without waiting for it\n"), 2, said)
        self.assertEqual(self.read_rank(), LOW_FIFTH.inserted(0, b"Stuck"), "the placed game, saved all the same")


if __name__ == "__main__":
    unittest.main(verbosity=2)
