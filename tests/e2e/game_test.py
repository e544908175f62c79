#!/usr/bin/python3
"""Whole games of KOBARU_GAME in its real window, played with real key presses
and checked on screenshots (kept in KOBARU_SCREENSHOT_DIR if set) and on the
rank.txt it leaves, alike for the Linux game, on a display of its own, and for
kobaru.exe under Wine, on the display and in the prefix of tests/win/run-tests."""

import ctypes
import os
import re
import shlex
import shutil
import signal
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from oracle import (BLACK, DRILL_ZONES, ENDING_ZONES, FIRST_PICTURE, LIGHT_RED, PALETTE, SIZE,  # noqa: E402
                    TITLE_ZONES, WHITE, Ranking, compare_with_stars, default_ranking, name_field)
from xsession import XSession, poll  # noqa: E402

GAME, LINUX_GAME = os.environ.get("KOBARU_GAME", ""), os.environ.get("KOBARU_LINUX_GAME")
WINDOWS = GAME.endswith(".exe")
ICON, DESKTOP_ENTRY, SCREENSHOTS = map(os.environ.get, ("KOBARU_ICON_PNG", "KOBARU_DESKTOP_ENTRY",
                                                         "KOBARU_SCREENSHOT_DIR"))
NAME_CAPTION, RANKING_CAPTION = "ランクインしたよ～！！", "これが道を極めた人たちです！！"
GREY, MARGIN = (192, 192, 192), 8
# In the drill only an answer changes these rows: the score's.
SCORE_ROWS = (362, 450)
if WINDOWS:
    PREFIX, COMMAND, ENVIRONMENT = "windows", ["wine", GAME], {"LANG": "C", "LC_ALL": "C"}
    # Wine looks a typed character up only when the dialog translates the key, by when xdotool may have
    # remapped its scratch key: only characters of the keyboard map (win_tests.exe types Japanese names).
    TYPING, TYPED = [("type", "Ringo Testerx"), ("press", "BackSpace"), ("type", " 7")], b"Ringo Tester 7"
    JAPANESE = {"LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8"}
else:
    PREFIX, COMMAND, ENVIRONMENT = "linux", [GAME], {}
    # Backspace mends a typo; é has no place in code page 932.
    TYPING = [("type", "Testerx"), ("press", "BackSpace"), ("press", "eacute"), ("press", "U30C6")]
    TYPED, JAPANESE = b"Tester\x83\x65", {}


def prepared_ranking():
    """Every drill ranks and bubbles up past names that leave tails behind; the
    title shows a Japanese name; the typed name's twin shows in the ranking."""
    names = [("テスト太郎".encode("cp932"), b"~old tail"), (b"Banana", b""), (TYPED, b"twin's tail"),
             (b"Durian", b"xyz"), (b"Elderberry-with-a-long-name", b"#tail of row 5")]
    return Ranking([20, -20, -200, -2000, -100000], [name_field(*n) for n in names], 41)


def band(picture, top, bottom):
    return picture[top * SIZE * 3 : bottom * SIZE * 3]


def count_colour(picture, box, colour):
    (left, top, right, bottom), wanted = box, bytes(colour)
    return sum(picture[at : at + 3] == wanted
               for y in range(top, bottom) for at in range(3 * (y * SIZE + left), 3 * (y * SIZE + right), 3))


def shows(box, colour, least):
    # Ink only this screen puts in the box, among those that can come before it.
    return lambda picture: count_colour(picture, box, colour) > least


shows_title, shows_drill = shows((0, 100, SIZE, 145), WHITE, 100), shows((40, 100, 100, 240), LIGHT_RED, 300)
shows_ending = shows((0, 50, SIZE, 100), LIGHT_RED, 200)


def pixels(image, box, test):
    return sum(map(test, image.crop(box).getdata()))


class GameInWindow(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="kobaru-e2e-")
        self.addCleanup(shutil.rmtree, self.directory, ignore_errors=True)
        # Twice the window needs twice the screen.
        screen = (1600, 1200) if self._testMethodName == "test_DoubleScale" else (1024, 768)
        self.x = XSession(os.environ["DISPLAY"]) if WINDOWS else XSession(screen=screen).start()
        self.addCleanup(self.x.stop)

    def start_game(self, ranking=None, command=None, stderr=None, **environment):
        if ranking:
            with open(os.path.join(self.directory, "rank.txt"), "wb") as f:
                f.write(ranking.encode())
        # What the game prints (a sanitizer's report) goes with the test's output.
        self.game = self.x.spawn(command or COMMAND, cwd=self.directory, stdout=sys.stderr, stderr=stderr,
                                 env=self.x.environment(**{**ENVIRONMENT, **environment}))
        self.main = self.x.wait_for_window("Kobaru", 90)
        return self.main

    def rank_file(self, *folders):
        with open(os.path.join(self.directory, *folders, "rank.txt"), "rb") as f:
            return f.read()

    def client(self):
        return self.x.client_picture(self.main)

    def picture(self, client=None):
        """The 512 x 512 picture inside the main window, as RGB bytes."""
        return (client or self.client()).crop((MARGIN, MARGIN, MARGIN + SIZE, MARGIN + SIZE)).tobytes()

    def wait_for_picture(self, what, test, timeout=30):
        return poll(what, lambda: test(picture := self.picture()) and picture, timeout, interval=0.1)

    def keep(self, image, name):
        if SCREENSHOTS:
            image.save(os.path.join(SCREENSHOTS, f"{PREFIX}-{name}.png"))

    def press_until(self, key, what, test, hold_ms):
        """Presses key until the picture passes test, again only after a long
        quiet spell if a loaded machine let the press slip or the picture lag."""
        for _ in range(5):
            self.x.press(key, hold_ms)
            try:
                return self.wait_for_picture(what, test, 4)
            except AssertionError:
                continue
        self.fail(f"{what}: not seen after 5 presses of {key}")

    def start_drill(self):
        self.wait_for_picture("the title screen", shows_title)
        self.x.wait_for_focus(self.main)
        self.press_until("Return", "the drill", shows_drill, 300)

    def close_game(self, window, game):
        """As a player closes it, with Alt+F4: the game ends with status 0."""
        self.x.wait_for_focus(window)
        self.x.run(["xdotool", "key", "alt+F4"])
        self.assertEqual(game.wait(timeout=30), 0, "the game's exit status")

    def answer(self, key):
        """One answer, right or wrong: a tap within the 88 ms or more of a held key's repeat."""
        before = band(self.picture(), *SCORE_ROWS)
        self.press_until(key, f"an answer with {key}", lambda p: band(p, *SCORE_ROWS) != before, 40)
        time.sleep(0.3)  # past the answer's animation, during which no key counts

    def open_dialog(self, caption, timeout):
        """The dialog's window, focused; on Linux shown to window managers as a
        dialog of the main window, with no maximise and a caption all can read."""
        dialog = self.x.wait_for_window(caption, timeout)
        if not WINDOWS:
            listing = self.x.run(["xprop", "-id", str(dialog), "WM_TRANSIENT_FOR", "_NET_WM_WINDOW_TYPE", "WM_NAME",
                                  "_NET_WM_ALLOWED_ACTIONS"], env={"LANG": "C.UTF-8"}).stdout
            self.assertIn(f"WM_TRANSIENT_FOR(WINDOW): window id # {hex(self.main)}", listing)
            self.assertIn("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG", listing)
            self.assertIn(f'WM_NAME(COMPOUND_TEXT) = "{caption}"', listing)
            self.assertNotIn("MAXIMIZE", listing)
        self.x.wait_for_focus(dialog)
        return dialog

    def assert_margins(self, client):
        # The Windows program sizes its frame, not its client area.
        self.assertTrue(client.width >= 2 * MARGIN + SIZE <= client.height, f"a client area of {client.size}")
        grey = Image.new("RGB", client.size, GREY)
        grey.paste(client.crop((MARGIN, MARGIN, MARGIN + SIZE, MARGIN + SIZE)), (MARGIN, MARGIN))
        self.assertEqual(client.tobytes(), grey.tobytes(), "light grey margins around the picture")

    def assert_screen(self, picture, zones, what):
        wrong, thin = compare_with_stars(picture, zones)
        self.assertEqual((len(wrong), wrong[:5], thin), (0, [], []),
                         f"{what}: pixels neither star nor ink, zones with too little ink")

    def shown_screen(self, what, test, zones, timeout=30):
        picture, client = self.wait_for_picture(what, test, timeout), self.client()
        self.keep(client, what)
        self.assert_margins(client)
        self.assert_screen(picture, zones, what)
        return picture

    def assert_rows(self, window, names):
        """Every row shows a score, and two rows' name cells look alike exactly
        when their names do; retried while the dialog may still be painting."""
        seen = []

        def rows_match():
            rows = self.x.client_picture(window)
            seen[:] = [rows]
            background, tops = rows.getpixel((2, 46)), [50 + 22 * i for i in range(5)]
            cells = [rows.crop((150, top, rows.width, top + 18)).tobytes() for top in tops]
            return all(pixels(rows, (14, top, 140, top + 18), lambda p: p != background) > 10 for top in tops) and \
                all((cells[i] == cells[j]) == (names[i] == names[j]) for i in range(5) for j in range(i))

        try:
            poll("the ranking's rows", rows_match, 30, interval=0.2)
        except AssertionError:
            seen[0].save(path := os.path.join(tempfile.gettempdir(), f"kobaru-{PREFIX}-ranking-rows.png"))
            raise AssertionError(f"the ranking's rows, as last seen in {path}, for the names {names}") from None

    def test_WholeGame(self):
        loaded = prepared_ranking()
        # kobaru.exe plays in a Japanese locale here, and shows its title in
        # the C locale in the next test.
        if not WINDOWS:
            self.x.give_keys([keys for how, keys in TYPING if how == "press"])
        main = self.start_game(loaded, KOBARU_HOLD_FIRST_FRAME_MS="6000", **JAPANESE)
        x, y = self.x.geometry(main)[:2]
        if not WINDOWS:
            self.check_linux_start_up(main)
        self.shown_screen("title", shows_title, TITLE_ZONES)
        self.start_drill()
        self.shown_screen("drill", shows_drill, DRILL_ZONES, 5)
        self.answer("5")
        # Either verdict lands in the same row.
        expected = [loaded.inserted(score, TYPED, 1) for score in (1, -1)]

        # The name dialog, at the client area's top-left, over the drill's
        # last frame: the pair, [Finish!!] and the score on the first game's stars.
        dialog = self.open_dialog(NAME_CAPTION, 72)
        dx, dy, dwidth, dheight = self.x.geometry(dialog)
        if WINDOWS:
            self.assertTrue(0 <= dx - x <= 10 and 0 <= dy - y <= 40, "the name dialog at the client area's top-left")
        else:  # where the window manager honours it, as Windows places it
            self.assertEqual((dx, dy), (x, y), "the name dialog's client area at the main one's")

        def owner():
            client = self.client()
            client.paste(BLACK, (0, 0, dx - x + dwidth + 4, dy - y + dheight + 4))
            return client

        behind = owner()
        picture = self.picture(behind)
        self.assertGreater(count_colour(picture, (40, 160, 228, 240), LIGHT_RED), 100, "the pair")
        self.assert_screen(FIRST_PICTURE[: 296 * SIZE * 3] + band(picture, 296, SIZE), [
            ("[Finish!!]", (40, 296, SIZE, 366), {WHITE}, 200), ("score", (0, 366, SIZE, SIZE), {WHITE}, 200)],
            "under the dialog")

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
        for how, keys in TYPING:
            (self.x.press if how == "press" else self.x.type_text)(keys)
        poll("the typed text", lambda: pixels(self.x.client_picture(dialog), upper_half, black) > empty + 40, 30)
        self.keep(self.client(), "name-dialog")
        self.x.press("Return")

        self.x.wait_for_window(NAME_CAPTION, 20, gone=True)
        ranking = self.open_dialog(RANKING_CAPTION, 20)
        self.assert_rows(ranking, [name.split(b"\0")[0] for name in expected[0].names])
        self.keep(self.client(), "ranking-dialog")
        self.x.press("Return")
        self.x.wait_for_window(RANKING_CAPTION, 20, gone=True)
        self.shown_screen("ending", shows_ending, ENDING_ZONES, 20)

        # Left alone, the credits give way to the title, over a new star
        # field of the palette's colours.
        title = self.wait_for_picture("the title after the ending", shows_title)
        wrong = compare_with_stars(title, TITLE_ZONES)[0]
        self.assertGreater(len(wrong), 200, "the second game's stars differ from the first's")
        self.assertEqual([w for w in wrong if w[2] not in PALETTE[:254]][:5], [], "star pixels not of the palette")

        # The finished game is on the disk already; closing (Alt+F4 for
        # kobaru.exe) saves it again.
        saved = self.rank_file()
        self.assertIn(saved, [table.encode() for table in expected], f"{Ranking.decode(saved)}, not {expected}")
        # And its record, beside it: the header and a line with the same score.
        with open(os.path.join(self.directory, "history.csv"), "rb") as f:
            header, line, end = f.read().split(b"\r\n")
        self.assertEqual((header[:14], end), (b"started,score,", b""))
        self.assertEqual(int(line.split(b",")[1]), next(s for s, t in zip((1, -1), expected) if t.encode() == saved))
        os.remove(os.path.join(self.directory, "rank.txt"))
        self.close_game(main, self.game)
        self.assertEqual(self.rank_file(), saved, "rank.txt after the window closed")

    def test_SessionEndOnTitle(self):
        """Ended by the session, the game saves the table it loaded: here the
        default. The Linux game starts as its desktop entry starts it, so the
        table goes to its data folder, and must idle on the title."""
        folder, said = (), os.path.join(self.directory, "said.txt")
        if WINDOWS:
            self.start_game()
        else:
            with open(DESKTOP_ENTRY, encoding="utf-8") as f:
                argv = shlex.split(next(line[5:] for line in f if line.startswith("Exec=")))
            self.assertEqual(argv[-1], "kobaru")
            folder = ("data", "kobaru")
            with open(said, "wb") as stderr:
                self.start_game(command=argv[:-1] + [GAME], stderr=stderr, KOBARU_LOOP_COUNTS="1",
                                XDG_DATA_HOME=os.path.join(self.directory, "data"))
        self.shown_screen("title-session-end", shows_title, TITLE_ZONES)
        if WINDOWS:
            self.x.run(["wine", "wineboot", "--end-session"], timeout=60)
        else:
            time.sleep(3)  # a few hundred tick steps on the title
            os.kill(self.game.pid, signal.SIGHUP)
        self.assertEqual(self.game.wait(timeout=30), 0, "the game's exit status")
        if not WINDOWS:
            # The loop's own count: it passes about twice a tick step (a frame
            # call, then a wait) and once an event, where a spinning loop would
            # pass thousands of times a step.
            with open(said, encoding="utf-8") as f:
                text = f.read()
            sys.stderr.write(text)
            steps, passes, calls, events = map(int, re.search(
                r"kobaru: (\d+) tick steps, (\d+) passes, (\d+) frame calls, (\d+) events", text).groups())
            self.assertGreater(steps, 100, text)
            self.assertLessEqual(passes, 3 * steps + 2 * events + 20, "the loop passes more than it waits")
            self.assertLessEqual(calls, steps + events + 10, "frame calls at an unchanged tick")
        self.assertEqual(self.rank_file(*folder), default_ranking().encode(), "the default table, saved")
        if folder:
            self.assertEqual(os.stat(os.path.join(self.directory, *folder)).st_mode & 0o777, 0o700)
            self.assertFalse(os.path.exists(os.path.join(self.directory, "rank.txt")))

    def test_TwoCopies(self):
        """Two copies of the game in one folder, each loaded the file before
        the other saved: both placed games reach rank.txt, in the order the
        names were given, and both counts."""
        loaded, names = prepared_ranking(), ("Alpha", "Bravo")
        self.start_game(loaded)
        first, first_game = self.main, self.game
        self.game = self.x.spawn(COMMAND, cwd=self.directory, stdout=sys.stderr, env=self.x.environment(**ENVIRONMENT))
        second = poll("the second window", lambda: [w for w in self.x.windows_titled("Kobaru") if w != first], 90)[0]
        copies = [(first, first_game), (second, self.game)]
        # No answer: 0 places in both. kobaru.exe reads the keyboard as a
        # whole (GetAsyncKeyState), so one Return may start both drills.
        for window, _ in copies:
            self.main = window
            self.x.wait_for_focus(window)  # on top, so that its picture is its own
            poll("the window's picture", lambda: shows_drill(p := self.picture()) or shows_title(p), 30)
            if not shows_drill(self.picture()):
                self.start_drill()
        # Both prompts open before any is answered: none can take the
        # keyboard from another half-way through a name.
        prompts = poll("both name prompts", lambda: len(ids := self.x.windows_titled(NAME_CAPTION)) == 2 and ids, 60)
        for prompt, name in zip(prompts, names):
            # Both games first handle any focus given to them earlier (a slow
            # Wine game handling it late would take the keyboard, and the
            # name, to its own prompt), then this prompt handles its own.
            self.x.settle(first, second, *self.x.windows_titled(NAME_CAPTION))
            self.x.wait_for_focus(prompt)
            self.x.type_text(name)
            self.x.press("Return")
            poll("the prompt to close", lambda: prompt not in self.x.windows_titled(NAME_CAPTION), 20)
            ranking = self.x.wait_for_window(RANKING_CAPTION, 20)
            self.x.wait_for_focus(ranking)
            self.x.press("Return")
            self.x.wait_for_window(RANKING_CAPTION, 20, gone=True)
        expected = loaded.inserted(0, names[0].encode()).inserted(0, names[1].encode(), 2)
        poll("both games counted", lambda: self.rank_file() == expected.encode(), 30, interval=0.2)
        self.x.settle(first, second)
        for window, game in copies:
            self.close_game(window, game)
        self.assertEqual(Ranking.decode(self.rank_file()), expected, "rank.txt after both windows closed")

    @unittest.skipUnless(WINDOWS and LINUX_GAME, "needs the Linux game beside kobaru.exe")
    def test_SameTextAsTheLinuxGame(self):
        """The still texts of the title in a Japanese face (the name, the tagline, TopPlayer,
        TopPoint) carry as much ink and are as wide in both builds, bold included."""
        still = TITLE_ZONES[:4]  # the name, the tagline, TopPlayer and TopPoint
        measured = []
        for command in ([LINUX_GAME], COMMAND):
            self.start_game(command=command, LANG="C.UTF-8", LC_ALL="C.UTF-8")
            picture = self.wait_for_picture("the title", shows_title)
            self.close_game(self.main, self.game)
            for name, (left, top, right, bottom), _, _ in still:
                xs = [x for y in range(top, bottom) for x in range(left, right)
                      if picture[3 * (y * SIZE + x) : 3 * (y * SIZE + x) + 3] == bytes(WHITE)]
                measured.append((name, len(xs), max(xs) - min(xs) + 1))
        print(f"\nname, ink, width on Linux, then Windows: {measured}", file=sys.stderr)
        for (name, ink, width), (_, wanted_ink, wanted_width) in zip(measured, measured[len(still):]):
            self.assertLessEqual(abs(ink - wanted_ink), 0.10 * wanted_ink, f"{name}: ink")
            self.assertLessEqual(abs(width - wanted_width), 0.03 * wanted_width, f"{name}: width")

    def check_linux_start_up(self, main):
        """Before the first frame: black on light grey, one size only, the icon."""
        client = poll("the start-up picture", lambda: (c := self.client()).getpixel((0, 0)) ==
                      c.getpixel((527, 527)) == GREY and c, 10)
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

    @unittest.skipIf(WINDOWS, "a check of the Linux game")
    def test_SignalDuringDrill(self):
        """A signal in the drill saves the ranking as it was before it, with
        exit status 0 even when X11 errors reach the game as it shuts down:
        requests about a window the server has destroyed already, as SDL's
        wake-up message can be when another client keeps the server busy."""
        loaded = prepared_ranking()
        self.start_game(loaded)
        self.start_drill()
        # A keypad digit and a main-row digit both answer.
        for key in ("KP_5", "7"):
            self.answer(key)
        xlib = ctypes.CDLL("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        display = ctypes.c_void_p(xlib.XOpenDisplay(self.x.display.encode()))
        xlib.XDestroyWindow(display, ctypes.c_ulong(self.main))
        xlib.XCloseDisplay(display)
        poll("the window to go", lambda: self.main not in self.x.windows().values(), 30)
        os.kill(self.game.pid, signal.SIGTERM)
        self.assertEqual(self.game.wait(timeout=30), 0, "the game's exit status")
        self.assertEqual(self.rank_file(), loaded.encode(), "the ranking as it was before the drill")

    @unittest.skipIf(WINDOWS, "a check of the Linux game")
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


if __name__ == "__main__":
    unittest.main()
