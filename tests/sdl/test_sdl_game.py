#!/usr/bin/python3
"""Whole games of kobaru in its real window, played with real key presses on a
private X display, checked on screenshots and on the rank.txt it leaves.

KOBARU_GAME names the game's binary. With KOBARU_SCREENSHOT_DIR set, the
whole-game test also keeps a picture of every screen there."""

import os
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, poll  # noqa: E402

GAME = os.environ.get("KOBARU_GAME")
DESKTOP_ENTRY = os.environ.get("KOBARU_DESKTOP_ENTRY")
SANITIZED = os.environ.get("KOBARU_SANITIZED") == "1"
# The share of one core the game may use while it waits on a screen.
IDLE_CPU_LIMIT = 0.03
ICON = os.environ.get("KOBARU_ICON_PNG")  # the icon as the build made it
SCREENSHOTS = os.environ.get("KOBARU_SCREENSHOT_DIR")

NAME_CAPTION = "ランクインしたよ～！！"
RANKING_CAPTION = "これが道を極めた人たちです！！"

GREY = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
LIGHT_RED = (255, 128, 128)
DIALOG_FACE = (212, 208, 200)

SIZE = 512
MARGIN = 8


# -- The game's pictures and file, computed here on their own ------------------


def first_palette_and_field():
    """The palette and the first game's star field: the first draws of every
    run, from the generator's start state 1."""
    state = 1

    def draw():
        nonlocal state
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        return (state >> 16) & 0x7FFF

    palette = [BLACK] * 256
    for entry in range(1, 254):
        red = draw() % 96 + 128
        green = draw() % 96 + 128
        blue = draw() % 128 + 128
        palette[entry] = (red, green, blue)
    palette[253] = LIGHT_RED
    palette[254] = (200, 192, 224)
    palette[255] = WHITE
    field = bytearray(SIZE * SIZE)
    for k in range(SIZE * SIZE):
        if draw() % 300 == 0:
            field[k] = draw() % 253 + 1
    return palette, bytes(field)


def field_picture(palette, field):
    """RGB bytes of a star field as the window shows it, rows from the top:
    byte k of the field lies in column k % 512 of row 511 - k // 512."""
    out = bytearray(SIZE * SIZE * 3)
    for k, index in enumerate(field):
        if index:
            x, y = k % SIZE, SIZE - 1 - k // SIZE
            out[3 * (y * SIZE + x) : 3 * (y * SIZE + x) + 3] = bytes(palette[index])
    return bytes(out)


def rank_file(points, name_fields, play_number):
    assert len(points) == 5 and len(name_fields) == 5
    assert all(len(field) == 256 for field in name_fields)
    return (
        b"".join(struct.pack("<i", p) for p in points)
        + b"".join(name_fields)
        + struct.pack("<i", play_number)
    )


def name_field(name, tail=b""):
    field = name + b"\0" + tail
    return field + b"\0" * (256 - len(field))


def copy_name(field, name):
    """A name copied into a field through its NUL; the rest stays."""
    return name + b"\0" + field[len(name) + 1 :]


# -- Looking at pictures -------------------------------------------------------


class Zone:
    """A rectangle of the 512 x 512 picture where text of the given colours may
    cover the stars, with the least number of text pixels it must show."""

    def __init__(self, name, left, top, right, bottom, inks, least):
        self.name, self.inks, self.least = name, inks, least
        self.left, self.top, self.right, self.bottom = left, top, right, bottom

    def holds(self, x, y):
        return self.left <= x < self.right and self.top <= y < self.bottom


TITLE_ZONES = [
    Zone("Kobaru", 0, 100, 512, 200, {WHITE}, 300),
    Zone("tagline", 0, 200, 512, 240, {WHITE}, 100),
    Zone("TopPlayer line", 110, 266, 512, 288, {WHITE}, 50),
    Zone("TopPoint line", 110, 288, 512, 310, {WHITE}, 20),
    Zone("waving prompt", 20, 336, 505, 414, {WHITE}, 300),
    Zone("Play Number line", 0, 420, 512, 470, {WHITE}, 300),
]

# The row at rest: positions 1 and 2, the pair, in red; 3 and 4 in white.
DRILL_ZONES = [
    Zone("digit 1 (red)", 40, 100, 100, 240, {LIGHT_RED}, 300),
    Zone("digit 2 (red)", 168, 100, 228, 240, {LIGHT_RED}, 300),
    Zone("digit 3", 296, 100, 356, 240, {WHITE}, 300),
    Zone("digit 4", 424, 100, 484, 240, {WHITE}, 300),
    Zone("time line", 40, 296, 512, 366, {WHITE}, 200),
    Zone("score", 0, 350, 512, 450, {WHITE}, 300),
]

ENDING_ZONES = [
    Zone("[Kobaru] heading", 0, 50, 512, 100, {LIGHT_RED}, 200),
    Zone("thank-you line", 60, 145, 512, 205, {WHITE}, 200),
    Zone("first credit", 20, 245, 512, 305, {WHITE}, 200),
    Zone("second credit", 40, 315, 512, 365, {WHITE}, 200),
    Zone("third credit", 40, 365, 512, 425, {WHITE}, 200),
    Zone("prompt", 65, 435, 512, 495, {WHITE}, 200),
]

SCORE_BAND = (0, 362, 512, 450)  # below the time line, around "Ans:..."


def margin_colours(client):
    return {
        client.getpixel((px, py))
        for py in range(528)
        for px in range(528)
        if not (MARGIN <= px < MARGIN + SIZE and MARGIN <= py < MARGIN + SIZE)
    }


def image_part(client):
    """The 512 x 512 picture inside the window's client area, as RGB bytes."""
    return client.crop((MARGIN, MARGIN, MARGIN + SIZE, MARGIN + SIZE)).tobytes()


def compare_with_stars(picture, stars, zones):
    """Every pixel must be its star-field pixel, or inside a zone one of that
    zone's text colours. Returns the text pixels counted per zone and the
    pixels that broke the rule."""
    counts = [0] * len(zones)
    wrong = []
    row_bytes = SIZE * 3
    for y in range(SIZE):
        row = picture[y * row_bytes : (y + 1) * row_bytes]
        want_row = stars[y * row_bytes : (y + 1) * row_bytes]
        if row == want_row:
            continue
        for x in range(SIZE):
            got = tuple(row[3 * x : 3 * x + 3])
            want = tuple(want_row[3 * x : 3 * x + 3])
            if got == want:
                continue
            for i, zone in enumerate(zones):
                if zone.holds(x, y):
                    if got in zone.inks:
                        counts[i] += 1
                    else:
                        wrong.append((x, y, got, want, zone.name))
                    break
            else:
                wrong.append((x, y, got, want, "no text here"))
    return counts, wrong


def count_colour(picture, box, colour, stars=None):
    """Pixels of a colour inside box (left, top, right, bottom) that are not
    that colour in the star field too."""
    left, top, right, bottom = box
    wanted = bytes(colour)
    count = 0
    for y in range(top, bottom):
        for x in range(left, right):
            at = 3 * (y * SIZE + x)
            if picture[at : at + 3] == wanted and (stars is None or stars[at : at + 3] != wanted):
                count += 1
    return count


def band(picture, box):
    left, top, right, bottom = box
    return b"".join(picture[3 * (y * SIZE + left) : 3 * (y * SIZE + right)] for y in range(top, bottom))


def black_pixels(image, box):
    """Black is the dialogs' text and caret; their shadows are greys."""
    return sum(1 for pixel in image.crop(box).getdata() if pixel == BLACK)


PALETTE, FIRST_FIELD = first_palette_and_field()
FIRST_STARS = field_picture(PALETTE, FIRST_FIELD)


class GameInWindow(unittest.TestCase):
    def setUp(self):
        if not GAME or not os.access(GAME, os.X_OK):
            self.fail("KOBARU_GAME must name the kobaru binary")
        for tool in ("Xvfb", "openbox", "xdotool", "wmctrl", "xwininfo", "xprop"):
            if not shutil.which(tool):
                self.fail(f"{tool} is needed for this test")
        self.directory = tempfile.mkdtemp(prefix="kobaru-sdl-")
        self.x = XSession()
        self.addCleanup(shutil.rmtree, self.directory, ignore_errors=True)
        self.addCleanup(self.x.stop)
        self.x.start()
        self.game = None

    # -- driving the game ----------------------------------------------------

    def start_game(self, command=None, **environment):
        self.log = open(os.path.join(self.directory, "game.log"), "w+")
        self.addCleanup(self.log.close)
        self.addCleanup(self.report_game)
        self.game = self.x.spawn(
            command or [GAME],
            cwd=self.directory,
            env=self.x.environment(**environment),
            stdout=self.log,
            stderr=subprocess.STDOUT,
        )
        self.main = self.x.wait_for_window(self.game.pid, "Kobaru", 30)
        return self.main

    def report_game(self):
        """Whatever the game printed, and how it ended, for a failed run."""
        output = self.game_output()
        status = self.game.poll()
        if output or status not in (None, 0):
            print(f"\n-- the game (exit status {status}) printed:\n{output}", file=sys.stderr)

    def game_output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()

    def wait_for_exit(self, timeout=20):
        try:
            return self.game.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("the game did not end; its output:\n" + self.game_output())

    def client(self, window=None):
        return self.x.client_picture(window or self.main)

    def picture(self):
        return image_part(self.client())

    def wait_for_picture(self, what, test, timeout):
        """Polls the main window until test(picture) holds; returns the picture."""

        def probe():
            picture = self.picture()
            return picture if test(picture) else None

        return poll(what, probe, timeout, interval=0.1)

    def keep(self, image, name):
        if SCREENSHOTS:
            os.makedirs(SCREENSHOTS, exist_ok=True)
            image.save(os.path.join(SCREENSHOTS, f"linux-{name}.png"))

    def press_until(self, key, what, test, hold, attempts=5, timeout=3):
        """Presses key until the main window's picture passes test: a press
        that a loaded machine lets slip between two frames is tried again."""
        for _ in range(attempts):
            self.x.tap(key, hold)
            try:
                return self.wait_for_picture(what, test, timeout)
            except AssertionError:
                continue
        self.fail(f"{what}: not seen after {attempts} presses of {key}")

    @staticmethod
    def shows_title(picture):
        return (
            count_colour(picture, (0, 100, SIZE, 200), WHITE) > 300
            and count_colour(picture, (0, 50, SIZE, 100), LIGHT_RED) < 30
        )

    @staticmethod
    def shows_drill(picture):
        return count_colour(picture, (40, 100, 100, 240), LIGHT_RED) > 300

    @staticmethod
    def shows_ending(picture):
        return count_colour(picture, (0, 50, SIZE, 100), LIGHT_RED) > 200

    def assert_screen(self, picture, stars, zones, what):
        counts, wrong = compare_with_stars(picture, stars, zones)
        self.assertEqual(wrong[:10], [], f"{what}: {len(wrong)} pixels neither star nor text")
        for zone, count in zip(zones, counts):
            self.assertGreaterEqual(count, zone.least, f"{what}: too little text in {zone.name}")

    def assert_dialog_hints(self, dialog, caption):
        """A dialog of the main window, as window managers are told: no
        minimise or maximise, and its caption readable by every tool."""
        listing = self.x.run(["xprop", "-id", str(dialog), "WM_TRANSIENT_FOR", "_NET_WM_WINDOW_TYPE",
                              "WM_NAME", "_NET_WM_ALLOWED_ACTIONS"], env={"LANG": "C.UTF-8"}).stdout
        self.assertIn(f"WM_TRANSIENT_FOR(WINDOW): window id # {hex(self.main)}", listing)
        self.assertIn("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG", listing)
        self.assertIn(f'WM_NAME(COMPOUND_TEXT) = "{caption}"', listing)
        self.assertNotIn("MAXIMIZE", listing)

    def assert_window_icon(self, window, png):
        listing = self.x.run(
            ["xprop", "-id", str(window), "-f", "_NET_WM_ICON", "32c", " = $0+", "_NET_WM_ICON"]
        ).stdout
        values = [int(v) for v in listing.split("=", 1)[1].split(",")]
        self.assertEqual(values[:2], [32, 32], "a 32 x 32 window icon")
        with Image.open(png) as image:
            wanted = list(image.convert("RGBA").getdata())
        shown = values[2 : 2 + 32 * 32]
        for i, (argb, (red, green, blue, alpha)) in enumerate(zip(shown, wanted)):
            got_alpha = argb >> 24
            self.assertEqual(got_alpha, alpha, f"icon pixel {i}")
            if alpha:
                self.assertEqual(argb & 0xFFFFFF, red << 16 | green << 8 | blue, f"icon pixel {i}")

    def cpu_share(self, seconds):
        """The share of one core the game used over the next seconds."""

        def used():
            fields = open(f"/proc/{self.game.pid}/stat").read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

        before, start = used(), time.monotonic()
        time.sleep(seconds)
        return (used() - before) / (time.monotonic() - start)

    def assert_idle(self, what, seconds):
        if SANITIZED:
            return  # the sanitizers' own work is no measure of the game's
        share = self.cpu_share(seconds)
        print(f"\n{what}: {100 * share:.1f} % of one core over {seconds} s", file=sys.stderr)
        self.assertLess(share, IDLE_CPU_LIMIT, f"{what} keeps the processor busy")

    def start_drill(self):
        self.x.wait_for_focus(self.main)
        self.press_until("Return", "the drill", self.shows_drill, hold=0.3)

    # -- the tests -----------------------------------------------------------

    def test_WholeGame(self):
        old_fifth = name_field(b"OldFifthPlayerName", b"#tail of row 4")
        names = [
            name_field(b"Alice", b"~old tail"),
            name_field(b"Bob"),
            name_field(b"Carol"),
            name_field(b"Dave", b"xyz"),
            old_fifth,
        ]
        # A fifth score below the drill's floor: whatever the drill gives ranks.
        points = [500, 400, 300, 200, -10000]
        loaded = rank_file(points, names, 41)
        with open(os.path.join(self.directory, "rank.txt"), "wb") as f:
            f.write(loaded)

        main = self.start_game(KOBARU_HOLD_FIRST_FRAME_MS="6000")
        x, y, width, height = self.x.geometry(main)
        self.assertEqual((width, height), (528, 528), "the client area")

        # Before the first frame: the black square on light grey.
        start_up = poll(
            "the start-up picture",
            lambda: (lambda c: c if {c.getpixel((0, 0)), c.getpixel((527, 527))} == {GREY} else None)(
                self.client()
            ),
            10,
        )
        image = image_part(start_up)
        self.assertEqual(
            image, bytes(BLACK) * SIZE * SIZE, "the start-up picture is all black (held long enough?)"
        )
        self.assertEqual(margin_colours(start_up), {GREY}, "the margins")
        # Not resizable: the window manager is told one size only.
        hints = self.x.run(["xprop", "-id", str(main), "WM_NORMAL_HINTS"]).stdout
        self.assertIn("minimum size: 528 by 528", hints)
        self.assertIn("maximum size: 528 by 528", hints)
        if ICON:
            self.assert_window_icon(main, ICON)

        # The title, over the star field every first game has.
        title = self.wait_for_picture("the title screen", self.shows_title, 30)
        shown = self.client()
        self.keep(shown, "title")
        self.assertEqual(margin_colours(shown), {GREY}, "frames leave the margins alone")
        self.assert_screen(title, FIRST_STARS, TITLE_ZONES, "title")

        # The drill: the pair in light red, the row's next two digits in white.
        self.start_drill()
        shown = self.client()
        drill = image_part(shown)
        self.keep(shown, "drill")
        self.assertEqual(margin_colours(shown), {GREY}, "frames leave the margins alone")
        self.assert_screen(drill, FIRST_STARS, DRILL_ZONES, "drill")

        # A tap of 110 ms answers once: a held key answers again only every
        # eighth drawn frame, 125 ms at the pace of the Windows timer.
        self.x.run(["xdotool", "keydown", "5", "sleep", "0.11", "keyup", "5"])

        # 32 seconds later the name dialog, over the drill's last frame.
        dialog = self.x.wait_for_window(self.game.pid, NAME_CAPTION, 32 + 40)
        self.assert_dialog_hints(dialog, NAME_CAPTION)
        dx, dy, dwidth, dheight = self.x.geometry(dialog)
        self.assertTrue(0 <= dx - x <= 10 and 0 <= dy - y <= 40, "at the client area's top-left")
        self.x.wait_for_focus(dialog)

        behind = (dx - x + dwidth + 4, dy - y + dheight + 4)

        def owner_picture():
            client = self.client()
            return client, [
                client.getpixel((px, py))
                for py in range(0, 528, 2)
                for px in range(0, 528, 2)
                if px >= behind[0] or py >= behind[1]
            ]

        client, first = owner_picture()
        frozen = image_part(client)
        self.assertGreater(count_colour(frozen, (40, 160, 228, 240), LIGHT_RED, FIRST_STARS), 100)
        self.assertGreater(count_colour(frozen, (40, 296, 512, 366), WHITE), 200, "[Finish!!]")

        # It cannot be dismissed: Escape, its own close request and the main
        # window's are all ignored, and no frame runs meanwhile.
        self.x.tap("Escape")
        self.x.close_window(dialog)
        self.x.close_window(self.main)
        time.sleep(1.0)
        self.assertIsNone(self.game.poll(), "the game ended on a close request")
        self.assertIn(NAME_CAPTION, self.x.windows(self.game.pid))
        self.assertEqual(owner_picture()[1], first, "the main window changed under the dialog")

        # A name: Backspace mends a typo, é has no place in code page 932.
        self.x.wait_for_focus(dialog)
        upper_half = (0, 0, dwidth, dheight // 2)
        empty = black_pixels(self.x.client_picture(dialog), upper_half)  # at most the caret
        self.x.type_text("Testerx")
        self.x.tap("BackSpace")
        self.x.type_text("éテ")
        typed = black_pixels(self.x.client_picture(dialog), upper_half)
        self.assertGreater(typed, empty + 40, "the typed text shows in the field")
        self.keep(self.client(), "name-dialog")
        self.x.tap("Return")

        # The ranking, with the new name in the last row.
        ranking = self.x.wait_for_window(self.game.pid, RANKING_CAPTION, 20)
        self.assert_dialog_hints(ranking, RANKING_CAPTION)
        self.x.wait_for_no_window(self.game.pid, NAME_CAPTION, 20)
        self.x.wait_for_focus(ranking)
        time.sleep(0.3)
        rows = self.x.client_picture(ranking)
        for i in range(5):
            top = 50 + 22 * i
            self.assertGreater(black_pixels(rows, (14, top, 150, top + 16)), 30, f"row {i + 1} score")
            self.assertGreater(black_pixels(rows, (150, top, rows.width, top + 16)), 10, f"row {i + 1} name")
        self.keep(self.client(), "ranking-dialog")
        closed_at = time.monotonic()
        self.x.tap("Return")
        self.x.wait_for_no_window(self.game.pid, RANKING_CAPTION, 20)

        # The credits, still over the first game's stars.
        ending = self.wait_for_picture("the ending screen", self.shows_ending, 20)
        self.keep(self.client(), "ending")
        self.assert_screen(ending, FIRST_STARS, ENDING_ZONES, "ending")
        self.assert_idle("the credits", 3)

        # Left alone, the credits give way to the title a little over five
        # seconds later, over a new star field.
        title = self.wait_for_picture("the title after the ending", self.shows_title, 30)
        waited = time.monotonic() - closed_at
        self.assertGreater(waited, 5.0)
        self.assertLess(waited, 25.0)
        counts, wrong = compare_with_stars(title, FIRST_STARS, TITLE_ZONES)
        self.assertGreater(len(wrong), 200, "the second game's stars differ from the first's")
        colours = set(PALETTE[:254])
        off_palette = [w for w in wrong if w[4] == "no text here" and w[2] not in colours]
        self.assertEqual(off_palette[:10], [], "star pixels not of the palette")

        # The finished game is on the disk already: a kill now loses nothing.
        typed = b"Tester\x83\x65"  # テ in code page 932
        names[4] = copy_name(old_fifth, typed)
        with open(os.path.join(self.directory, "rank.txt"), "rb") as f:
            saved = f.read()
        score = struct.unpack("<i", saved[16:20])[0]
        self.assertIn(score, (1, -1), "the 110 ms tap answered exactly once")
        expected = rank_file([500, 400, 300, 200, score], names, 42)
        self.assertEqual(saved[1044:1300], names[4], "row 5's name field")
        self.assertEqual(saved, expected, "saved after the game, before the window closed")

        # Closing the window saves again, the same table.
        os.remove(os.path.join(self.directory, "rank.txt"))
        self.x.close_window(self.main)
        self.assertEqual(self.wait_for_exit(), 0, self.game_output())
        with open(os.path.join(self.directory, "rank.txt"), "rb") as f:
            self.assertEqual(f.read(), expected)

    def test_SignalDuringDrill(self):
        names = [name_field(b"P%d" % i, b"tail%d" % i) for i in range(5)]
        loaded = rank_file([90, 70, 50, 30, 10], names, 9)
        with open(os.path.join(self.directory, "rank.txt"), "wb") as f:
            f.write(loaded)
        self.start_game()
        self.wait_for_picture("the title screen", self.shows_title, 30)
        self.start_drill()

        # A keypad digit and a main-row digit are both answers: each changes
        # the score, right or wrong.
        for key in ("KP_5", "7"):
            before = band(self.picture(), SCORE_BAND)
            self.press_until(
                key,
                f"an answer with {key}",
                lambda picture: band(picture, SCORE_BAND) != before,
                hold=0.04,
            )
            time.sleep(0.3)

        os.kill(self.game.pid, signal.SIGTERM)
        self.assertEqual(self.wait_for_exit(), 0, self.game_output())
        with open(os.path.join(self.directory, "rank.txt"), "rb") as f:
            self.assertEqual(f.read(), loaded, "the ranking as it was before the drill")

    def test_IdleTitle(self):
        self.start_game()
        self.wait_for_picture("the title screen", self.shows_title, 30)
        self.assert_idle("the title", 10)

    def test_DoubleScale(self):
        # Room on the screen for a window of twice the size.
        self.x.stop()
        self.x = XSession(screen=(1600, 1200))
        self.addCleanup(self.x.stop)
        self.x.start()
        main = self.start_game(GDK_SCALE="2")
        self.assertEqual(self.x.geometry(main)[2:], (1056, 1056), "the client area")

        def title():
            client = self.client()
            game_pixels = client.resize((528, 528), Image.NEAREST)
            if game_pixels.resize((1056, 1056), Image.NEAREST).tobytes() != client.tobytes():
                return None  # not all in 2 x 2 blocks
            picture = image_part(game_pixels)
            return (game_pixels, picture) if self.shows_title(picture) else None

        game_pixels, picture = poll("a title in 2 x 2 blocks", title, 30, interval=0.2)
        self.assertEqual(margin_colours(game_pixels), {GREY})
        self.assert_screen(picture, FIRST_STARS, TITLE_ZONES, "the title at double size")

    def test_DesktopEntryKeepsTheRankingInTheDataFolder(self):
        with open(DESKTOP_ENTRY, encoding="utf-8") as f:
            command = next(line.split("=", 1)[1] for line in f if line.startswith("Exec="))
        argv = shlex.split(command)
        self.assertEqual(argv[-1], "kobaru")
        data = os.path.join(self.directory, "data")
        self.start_game(argv[:-1] + [GAME], XDG_DATA_HOME=data)
        self.wait_for_picture("the title screen", self.shows_title, 30)
        os.kill(self.game.pid, signal.SIGHUP)
        self.assertEqual(self.wait_for_exit(), 0, self.game_output())
        default = rank_file([5, 4, 3, 2, 1], [name_field(b"DEFAULT_PLAYER")] * 5, 0)
        with open(os.path.join(data, "kobaru", "rank.txt"), "rb") as f:
            self.assertEqual(f.read(), default)
        self.assertEqual(os.stat(os.path.join(data, "kobaru")).st_mode & 0o777, 0o700)
        self.assertFalse(os.path.exists(os.path.join(self.directory, "rank.txt")))

    def test_HangupOnTitle(self):
        self.start_game()
        self.wait_for_picture("the title screen", self.shows_title, 30)
        os.kill(self.game.pid, signal.SIGHUP)
        self.assertEqual(self.wait_for_exit(), 0, self.game_output())
        default = rank_file([5, 4, 3, 2, 1], [name_field(b"DEFAULT_PLAYER")] * 5, 0)
        with open(os.path.join(self.directory, "rank.txt"), "rb") as f:
            self.assertEqual(f.read(), default, "the default table, saved")


if __name__ == "__main__":
    unittest.main()
