#!/usr/bin/python3
"""Whole games of kobaru in its real window, played with real key presses and
checked on screenshots and on the rank.txt it leaves, with the same checks for
the Linux game and for kobaru.exe under Wine.

KOBARU_GAME names the game. The Linux game gets a private X display per test;
kobaru.exe runs on the display and in the Wine prefix of the environment, as
tests/win/run-tests sets them up. With KOBARU_SCREENSHOT_DIR set, the screens
are kept there."""

import os
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from oracle import (DRILL_ZONES, ENDING_ZONES, FIRST_PICTURE, LIGHT_RED, PALETTE, SIZE, TITLE_ZONES,  # noqa: E402
                    WHITE, Ranking, compare_with_stars, default_ranking, name_field, spaced_drill_score)
from xsession import XSession, poll  # noqa: E402

GAME = os.environ.get("KOBARU_GAME", "")
WINDOWS = GAME.endswith(".exe")
SANITIZED = os.environ.get("KOBARU_SANITIZED") == "1"
ICON = os.environ.get("KOBARU_ICON_PNG")  # the icon as the build made it
DESKTOP_ENTRY = os.environ.get("KOBARU_DESKTOP_ENTRY")
SCREENSHOTS = os.environ.get("KOBARU_SCREENSHOT_DIR")
NAME_CAPTION, RANKING_CAPTION = "ランクインしたよ～！！", "これが道を極めた人たちです！！"
GREY, BLACK, MARGIN = (192, 192, 192), (0, 0, 0), 8
# The share of one core the Linux game may use while it waits on a screen.
IDLE_CPU_LIMIT = 0.03


def prepared_ranking(typed):
    """Every drill ranks and bubbles up through rows whose names leave tails
    behind shorter ones; the best player's Japanese name is on the title; the
    typed name's twin lets the ranking dialog's rows be told apart."""
    names = [("テスト太郎".encode("cp932"), b"~old tail"), (b"Banana", b""), (typed, b"twin's tail"),
             (b"Durian", b"xyz"), (b"Elderberry-with-a-long-name", b"#tail of row 5")]
    return Ranking([20, -20, -200, -2000, -100000], [name_field(*n) for n in names], 41)


def band(picture, top, bottom):
    return picture[top * SIZE * 3 : bottom * SIZE * 3]


def count_colour(picture, box, colour, unlike_stars=False):
    """Pixels of a colour inside box, leaving out those the star field has too."""
    left, top, right, bottom = box
    wanted = bytes(colour)
    return sum(picture[at : at + 3] == wanted and not (unlike_stars and FIRST_PICTURE[at : at + 3] == wanted)
               for y in range(top, bottom) for at in range(3 * (y * SIZE + left), 3 * (y * SIZE + right), 3))


def shows_title(picture):
    heading = count_colour(picture, (0, 50, SIZE, 100), LIGHT_RED)  # the credits'
    return count_colour(picture, (0, 100, SIZE, 200), WHITE) > 300 and heading < 30


def shows_drill(picture):
    return count_colour(picture, (40, 100, 100, 240), LIGHT_RED) > 300


def shows_ending(picture):
    return count_colour(picture, (0, 50, SIZE, 100), LIGHT_RED) > 200


def pixels(image, box, test):
    return sum(map(test, image.crop(box).getdata()))


class Linux:
    prefix, command, environment = "linux", [GAME], {}
    # Backspace mends a typo; é has no place in code page 932.
    typing, typed = ["Testerx", "BackSpace", "éテ"], b"Tester\x83\x65"

    def answer(self, test, started):
        # A held key answers again only every eighth drawn frame, 125 ms at
        # the pace of the Windows timer: a tap of 110 ms answers once.
        test.x.press("5", 110)
        return {1, -1}

    def end_session(self, test):
        os.kill(test.game.pid, signal.SIGHUP)
        test.assertEqual(test.wait_for_exit(), 0)


class Windows:
    prefix, command, environment = "windows", ["wine", GAME], {"LANG": "C", "LC_ALL": "C"}
    # Wine looks a typed character up only when the dialog translates the key,
    # by when xdotool may have mapped its scratch key to the next one: only
    # characters of the keyboard map. win_tests.exe types Japanese names.
    typing, typed = ["Ringo Testerx", "BackSpace", " 7"], b"Ringo Tester 7"
    # Above the time line only an answer changes the picture; the time line
    # changes by itself every second; the score and the miss count do not.
    ANSWER_ROWS, ROW_ROWS, SCORE_ROWS, MISS_ROWS = (0, 300), (100, 240), (360, 450), (30, 90)

    def end_session(self, test):
        test.x.run(["wine", "wineboot", "--end-session"], timeout=60)
        test.wait_for_exit()

    @staticmethod
    def cell_ink(picture, cell):
        """Which pixels of a digit cell differ from the star field, and their colours."""
        mask, colours = [], set()
        for y in range(100, 240):
            for at in range(3 * (y * SIZE + 40 + 128 * cell), 3 * (y * SIZE + 100 + 128 * cell), 3):
                mask.append(picture[at : at + 3] != FIRST_PICTURE[at : at + 3])
                colours |= {tuple(picture[at : at + 3])} if mask[-1] else set()
        return mask, colours

    def verdict(self, before, after):
        """'wrong' when the row is back in place and the score (or at the floor
        the miss count) moved; 'correct' when every digit has moved one cell
        left, the pair red on the new first two; None while it moves."""
        if band(after, *self.ROW_ROWS) == band(before, *self.ROW_ROWS):
            moved = any(band(after, *rows) != band(before, *rows) for rows in (self.SCORE_ROWS, self.MISS_ROWS))
            return "wrong" if moved else None
        old, new = [self.cell_ink(before, i) for i in range(4)], [self.cell_ink(after, i) for i in range(4)]
        moved_left = all(new[i][0] == old[i + 1][0] for i in range(3))
        return "correct" if moved_left and [n[1] for n in new[:3]] == [{LIGHT_RED}, {LIGHT_RED}, {WHITE}] else None

    def judge(self, test, digit, before):
        """Presses the digit and returns the verdict, once two looks a little
        apart agree, and the picture; None when the press was not seen."""
        test.x.press(digit)
        pressed, reacted = time.monotonic(), False
        # A picture can lag behind the game on a busy machine: a press counts
        # as unseen only after a long quiet spell, as a second would answer twice.
        while time.monotonic() < pressed + 8:
            picture = test.picture()
            reacted = reacted or band(picture, *self.ANSWER_ROWS) != band(before, *self.ANSWER_ROWS)
            found = self.verdict(before, picture)
            if found:
                time.sleep(0.15)
                again = test.picture()
                still = band(again, *self.ROW_ROWS) == band(picture, *self.ROW_ROWS)
                if still and self.verdict(before, again) == found:
                    return found, again
            elif not reacted and time.monotonic() > pressed + 4:
                return None, picture
            time.sleep(0.02)
        test.fail(f"no verdict on the key {digit}")

    def answer(self, test, started):
        """Tries digits until the end of the drill is near, learning each
        verdict from the row's picture."""
        answers, tried, unseen, before = [], [], 0, test.picture()
        while time.monotonic() - started < 24:
            digit = next(str(d) for d in range(10) if str(d) not in tried)
            found, after = self.judge(test, digit, before)
            unseen += found is None
            test.assertLess(unseen, 10, "the drill did not see the digit keys")
            if found:
                answers.append(found == "correct")
                tried = [] if answers[-1] else tried + [digit]
                before = after
            if found == "correct":
                time.sleep(1.2)  # past the 900 ms of a combo
                before = test.picture()
        print(f"\n{answers.count(True)} right and {answers.count(False)} wrong answers", file=sys.stderr)
        return {spaced_drill_score(answers)}


PLATFORM = Windows() if WINDOWS else Linux()
linux_only = unittest.skipIf(WINDOWS, "a check of the Linux game")


class GameInWindow(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.path.isfile(GAME), "KOBARU_GAME must name the game")
        self.directory = tempfile.mkdtemp(prefix="kobaru-e2e-")
        self.addCleanup(shutil.rmtree, self.directory, ignore_errors=True)
        # Twice the window needs twice the screen.
        screen = (1600, 1200) if self._testMethodName == "test_DoubleScale" else (1024, 768)
        self.x = XSession(os.environ["DISPLAY"]) if WINDOWS else XSession(screen=screen).start()
        self.addCleanup(self.x.stop)

    # -- driving the game ----------------------------------------------------

    def start_game(self, ranking=None, command=None, **environment):
        if ranking:
            with open(os.path.join(self.directory, "rank.txt"), "wb") as f:
                f.write(ranking.encode())
        # What the game prints (a sanitizer's report) goes with the test's output.
        self.game = self.x.spawn(command or PLATFORM.command, cwd=self.directory, stdout=sys.stderr,
                                 env=self.x.environment(**{**PLATFORM.environment, **environment}))
        self.main = self.x.wait_for_window("Kobaru", 90)
        return self.main

    def wait_for_exit(self, timeout=30):
        try:
            return self.game.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("the game did not end")

    def rank_file(self, *folders):
        with open(os.path.join(self.directory, *folders, "rank.txt"), "rb") as f:
            return f.read()

    def client(self, window=None):
        return self.x.client_picture(window or self.main)

    def picture(self, client=None):
        """The 512 x 512 picture inside the main window, as RGB bytes."""
        return (client or self.client()).crop((MARGIN, MARGIN, MARGIN + SIZE, MARGIN + SIZE)).tobytes()

    def wait_for_picture(self, what, test, timeout=30):
        def probe():
            picture = self.picture()
            return test(picture) and picture

        return poll(what, probe, timeout, interval=0.1)

    def keep(self, image, name):
        if SCREENSHOTS:
            os.makedirs(SCREENSHOTS, exist_ok=True)
            image.save(os.path.join(SCREENSHOTS, f"{PLATFORM.prefix}-{name}.png"))

    def press_until(self, key, what, test, hold_ms, attempts=5):
        """Presses key until the picture passes test: a press a loaded machine
        lets slip between two frames is tried again."""
        for _ in range(attempts):
            self.x.press(key, hold_ms)
            try:
                return self.wait_for_picture(what, test, 3)
            except AssertionError:
                continue
        self.fail(f"{what}: not seen after {attempts} presses of {key}")

    def start_drill(self):
        self.x.wait_for_focus(self.main)
        return self.press_until("Return", "the drill", shows_drill, 300)

    def assert_margins(self, client):
        # The Windows program sizes its frame, not its client area.
        self.assertTrue(client.width >= 2 * MARGIN + SIZE <= client.height, f"a client area of {client.size}")
        grey = Image.new("RGB", client.size, GREY)
        grey.paste(client.crop((MARGIN, MARGIN, MARGIN + SIZE, MARGIN + SIZE)), (MARGIN, MARGIN))
        self.assertEqual(client.tobytes(), grey.tobytes(), "light grey margins around the picture")

    def assert_screen(self, picture, zones, what):
        counts, wrong = compare_with_stars(picture, zones)
        self.assertEqual(wrong[:10], [], f"{what}: {len(wrong)} pixels neither star nor ink")
        for (name, _, _, least), count in zip(zones, counts):
            self.assertGreaterEqual(count, least, f"{what}: too little ink in {name}")

    def shown_screen(self, what, test, zones, timeout=30):
        picture, client = self.wait_for_picture(what, test, timeout), self.client()
        self.keep(client, what)
        self.assert_margins(client)
        self.assert_screen(picture, zones, what)
        return picture

    def assert_rows(self, window, names):
        """Every row shows a score, and two rows' name cells look alike exactly
        when their names are the same. The dialog may still be placing and
        painting itself when it first shows, so this is retried for a while."""
        def rows_match():
            rows = self.x.client_picture(window)
            background, tops = rows.getpixel((2, 46)), [50 + 22 * i for i in range(5)]
            cells = [rows.crop((150, top, rows.width, top + 18)).tobytes() for top in tops]
            return all(pixels(rows, (14, top, 140, top + 18), lambda p: p != background) > 10 for top in tops) and \
                all((cells[i] == cells[j]) == (names[i] == names[j]) for i in range(5) for j in range(i))

        poll("the ranking's rows", rows_match, 6, interval=0.2)

    # -- on both platforms ---------------------------------------------------

    def test_WholeGame(self):
        loaded = prepared_ranking(PLATFORM.typed)
        main = self.start_game(loaded, KOBARU_HOLD_FIRST_FRAME_MS="6000")
        x, y = self.x.geometry(main)[:2]
        if not WINDOWS:
            self.check_linux_start_up(main)
        self.shown_screen("title", shows_title, TITLE_ZONES)
        started = time.monotonic()
        self.start_drill()
        self.shown_screen("drill", shows_drill, DRILL_ZONES, 5)
        scores = PLATFORM.answer(self, started)

        # The name dialog, at the client area's top-left, over the drill's
        # last frame: the pair and [Finish!!] on the first game's stars.
        dialog = self.x.wait_for_window(NAME_CAPTION, 72)
        if not WINDOWS:
            self.check_linux_dialog_hints(dialog, NAME_CAPTION)
        dx, dy, dwidth, dheight = self.x.geometry(dialog)
        self.assertTrue(0 <= dx - x <= 10 and 0 <= dy - y <= 40, "the name dialog at the client area's top-left")
        self.x.wait_for_focus(dialog)

        def owner():
            client = self.client()
            client.paste(BLACK, (0, 0, dx - x + dwidth + 4, dy - y + dheight + 4))
            return client

        behind = owner()
        picture = self.picture(behind)
        self.assertGreater(count_colour(picture, (40, 160, 228, 240), LIGHT_RED, unlike_stars=True), 100, "the pair")
        self.assertGreater(count_colour(picture, (40, 296, SIZE, 366), WHITE), 200, "[Finish!!]")
        self.assert_screen(FIRST_PICTURE[: 296 * SIZE * 3] + band(picture, 296, SIZE),
                           [("[Finish!!] and the score", (0, 296, SIZE, SIZE), {WHITE}, 500)], "under the dialog")

        # It cannot be dismissed: Escape, its own close request and the main
        # window's are all ignored, and no frame runs meanwhile.
        self.x.press("Escape")
        self.x.close_window(dialog)
        self.x.close_window(main)
        time.sleep(1.0)
        self.assertIsNone(self.game.poll(), "the game ended on a close request")
        self.assertIn(NAME_CAPTION, self.x.windows())
        self.assertEqual(owner().tobytes(), behind.tobytes(), "the main window changed under the dialog")

        # Black is the field's text and caret; the dialog's shadows are greys.
        self.x.wait_for_focus(dialog)
        upper_half, black = (0, 0, dwidth, dheight // 2), (lambda p: p == BLACK)
        empty = pixels(self.x.client_picture(dialog), upper_half, black)  # at most the caret
        for keys in PLATFORM.typing:
            (self.x.press if keys == "BackSpace" else self.x.type_text)(keys)
        time.sleep(0.3)
        self.assertGreater(pixels(self.x.client_picture(dialog), upper_half, black), empty + 40, "the typed text")
        self.keep(self.client(), "name-dialog")
        self.x.press("Return")

        ranking = self.x.wait_for_window(RANKING_CAPTION, 20)
        if not WINDOWS:
            self.check_linux_dialog_hints(ranking, RANKING_CAPTION)
        self.x.wait_for_no_window(NAME_CAPTION, 20)
        self.x.wait_for_focus(ranking)
        # Both scores a Linux tap may give land in the same row.
        self.assert_rows(ranking, [n.split(b"\0")[0] for n in loaded.inserted(min(scores), PLATFORM.typed)[0].names])
        self.keep(self.client(), "ranking-dialog")
        closed_at = time.monotonic()
        self.x.press("Return")
        self.x.wait_for_no_window(RANKING_CAPTION, 20)
        self.shown_screen("ending", shows_ending, ENDING_ZONES, 20)
        if not WINDOWS:
            self.assert_idle("the credits", 3)

        # Left alone, the credits give way to the title a little over five
        # seconds later, over a new star field of the palette's colours.
        title = self.wait_for_picture("the title after the ending", shows_title)
        self.assertTrue(5.0 < time.monotonic() - closed_at < 25.0, "the credits' length")
        wrong = compare_with_stars(title, TITLE_ZONES)[1]
        self.assertGreater(len(wrong), 200, "the second game's stars differ from the first's")
        off_palette = [w for w in wrong if w[4] == "no text here" and w[2] not in PALETTE[:254]]
        self.assertEqual(off_palette[:10], [], "star pixels not of the palette")

        # The finished game is on the disk already; closing saves it again.
        expected = [loaded.inserted(score, PLATFORM.typed)[0] for score in scores]
        for table in expected:
            table.play_number += 1
        saved = self.rank_file()
        self.assertTrue(saved in [table.encode() for table in expected], f"{Ranking.decode(saved)}, not {expected}")
        os.remove(os.path.join(self.directory, "rank.txt"))
        self.x.close_window(main)
        self.assertEqual(self.wait_for_exit(), 0)
        self.assertEqual(self.rank_file(), saved, "rank.txt after the window closed")

    def test_SessionEndOnTitle(self):
        self.start_game()
        self.wait_for_picture("the title screen", shows_title)
        PLATFORM.end_session(self)
        self.assertEqual(self.rank_file(), default_ranking().encode(), "the default table, saved")

    # -- the Windows program -------------------------------------------------

    @unittest.skipUnless(WINDOWS, "a check of the Windows program")
    def test_LocalesAndAltF4(self):
        loaded, titles = prepared_ranking(PLATFORM.typed), []
        for locale in ("C", "ja_JP.UTF-8"):
            main = self.start_game(loaded, LANG=locale, LC_ALL=locale)
            titles.append(self.shown_screen(f"title-{locale}", shows_title, TITLE_ZONES))
            self.x.wait_for_focus(main)
            self.x.run(["xdotool", "key", "alt+F4"])
            self.assertEqual(self.wait_for_exit(), 0)
            self.assertEqual(self.rank_file(), loaded.encode(), "closing at the title changed rank.txt")
        # The prompt waves by drawn frames, so only its rows may differ.
        for top, bottom in ((0, 335), (415, SIZE)):
            self.assertEqual(band(titles[0], top, bottom), band(titles[1], top, bottom), f"rows {top}..{bottom}")

    # -- the Linux game ------------------------------------------------------

    def check_linux_start_up(self, main):
        """Held before the first frame: the black square on light grey, in a
        window of one size only, with the game's icon."""
        def start_up():
            client = self.client()
            return client.getpixel((0, 0)) == client.getpixel((527, 527)) == GREY and client

        client = poll("the start-up picture", start_up, 10)
        self.assertEqual(client.size, (528, 528), "the client area")
        self.assertEqual(self.picture(client), bytes(SIZE * SIZE * 3), "all black (held long enough?)")
        self.assert_margins(client)
        hints = self.x.run(["xprop", "-id", str(main), "WM_NORMAL_HINTS"]).stdout
        self.assertIn("minimum size: 528 by 528", hints)
        self.assertIn("maximum size: 528 by 528", hints)
        if ICON:
            listing = self.x.run(["xprop", "-id", str(main), "-f", "_NET_WM_ICON", "32c", " = $0+", "_NET_WM_ICON"])
            values = [int(v) for v in listing.stdout.split("=", 1)[1].split(",")]
            with Image.open(ICON) as image:
                icon = image.convert("RGBA").getdata()
            # ARGB words; a colour counts only where the pixel shows.
            wanted = [32, 32] + [a << 24 | (r << 16 | g << 8 | b if a else 0) for r, g, b, a in icon]
            shown = values[:2] + [v if v >> 24 else 0 for v in values[2 : len(wanted)]]
            self.assertEqual(shown, wanted, "the window icon")

    def check_linux_dialog_hints(self, dialog, caption):
        """A dialog of the main window, as window managers are told: no
        maximise, and its caption readable by every tool."""
        listing = self.x.run(["xprop", "-id", str(dialog), "WM_TRANSIENT_FOR", "_NET_WM_WINDOW_TYPE", "WM_NAME",
                              "_NET_WM_ALLOWED_ACTIONS"], env={"LANG": "C.UTF-8"}).stdout
        self.assertIn(f"WM_TRANSIENT_FOR(WINDOW): window id # {hex(self.main)}", listing)
        self.assertIn("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG", listing)
        self.assertIn(f'WM_NAME(COMPOUND_TEXT) = "{caption}"', listing)
        self.assertNotIn("MAXIMIZE", listing)

    def assert_idle(self, what, seconds):
        if SANITIZED:
            return  # the sanitizers' own work is no measure of the game's

        def used():
            with open(f"/proc/{self.game.pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

        before, start = used(), time.monotonic()
        time.sleep(seconds)
        share = (used() - before) / (time.monotonic() - start)
        print(f"\n{what}: {100 * share:.1f} % of one core over {seconds} s", file=sys.stderr)
        self.assertLess(share, IDLE_CPU_LIMIT, f"{what} keeps the processor busy")

    @linux_only
    @unittest.skipIf(SANITIZED, "the sanitizers' own work is no measure of the game's")
    def test_IdleTitle(self):
        self.start_game()
        self.wait_for_picture("the title screen", shows_title)
        self.assert_idle("the title", 10)

    @linux_only
    def test_SignalDuringDrill(self):
        loaded = prepared_ranking(PLATFORM.typed)
        self.start_game(loaded)
        self.wait_for_picture("the title screen", shows_title)
        self.start_drill()
        # A keypad digit and a main-row digit both answer: each moves the
        # score, right or wrong.
        for key in ("KP_5", "7"):
            before = band(self.picture(), 362, 450)
            self.press_until(key, f"an answer with {key}", lambda p: band(p, 362, 450) != before, 40)
            time.sleep(0.3)
        os.kill(self.game.pid, signal.SIGTERM)
        self.assertEqual(self.wait_for_exit(), 0)
        self.assertEqual(self.rank_file(), loaded.encode(), "the ranking as it was before the drill")

    @linux_only
    def test_DoubleScale(self):
        main = self.start_game(GDK_SCALE="2")
        self.assertEqual(self.x.geometry(main)[2:], (1056, 1056), "the client area")

        def title():
            client = self.client()
            halved = client.resize((528, 528), Image.NEAREST)
            in_blocks = halved.resize((1056, 1056), Image.NEAREST).tobytes() == client.tobytes()
            return in_blocks and shows_title(self.picture(halved)) and halved

        halved = poll("a title in 2 x 2 blocks", title, 30, interval=0.2)
        self.assert_margins(halved)
        self.assert_screen(self.picture(halved), TITLE_ZONES, "the title at double size")

    @linux_only
    def test_DesktopEntryKeepsTheRankingInTheDataFolder(self):
        with open(DESKTOP_ENTRY, encoding="utf-8") as f:
            argv = shlex.split(next(line.split("=", 1)[1] for line in f if line.startswith("Exec=")))
        self.assertEqual(argv[-1], "kobaru")
        self.start_game(command=argv[:-1] + [GAME], XDG_DATA_HOME=os.path.join(self.directory, "data"))
        self.wait_for_picture("the title screen", shows_title)
        PLATFORM.end_session(self)
        self.assertEqual(self.rank_file("data", "kobaru"), default_ranking().encode())
        self.assertEqual(os.stat(os.path.join(self.directory, "data", "kobaru")).st_mode & 0o777, 0o700)
        self.assertFalse(os.path.exists(os.path.join(self.directory, "rank.txt")))


if __name__ == "__main__":
    unittest.main()
