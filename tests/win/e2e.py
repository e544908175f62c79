#!/usr/bin/python3
"""Plays the Windows build of Kobaru under Wine the way a player would.

Run by tests/win/run-tests inside its own X server, window manager and Wine
prefix (DISPLAY and WINEPREFIX come from the environment):

    e2e.py --exe build/windows/win/kobaru.exe --work DIR --out DIR

What it checks, each from the game's published rules computed here rather
than taken from the program:
  * the first title screen: the first game's star field everywhere outside the
    glyphs, white ink only, the light-grey margin, in the C locale and in
    ja_JP.UTF-8, and the two pictures identical apart from the waving prompt;
  * a whole game: the red pair of the drill, answers found by trying digits
    and watching the row, the name dialog for a prepared low rank.txt, a typed
    name, the ranking dialog showing the new row, the ending and its return to
    the title by itself after more than 5 s;
  * the exact bytes of rank.txt after the window is closed;
  * closing at the title (Alt+F4) leaves rank.txt as it was;
  * the end of the Windows session saves the ranking.
"""

import argparse
import ctypes
import os
import shutil
import struct
import subprocess
import sys
import time

from PIL import Image, ImageGrab

WHITE = (255, 255, 255)
LIGHT_RED = (255, 128, 128)
LIGHT_GREY = (192, 192, 192)
BLACK = (0, 0, 0)

NAME_DIALOG = "ランクインしたよ～！！"
RANKING_DIALOG = "これが道を極めた人たちです！！"
# Typed with xdotool, so only characters the keyboard map already has: Wine
# looks a typed character up when the dialog translates the key, and by then
# xdotool may have remapped its scratch key to the next character. Japanese
# names go through the same dialog code in win_tests.exe.
TYPED_NAME = "Ringo Tester 7"
TYPED_NAME_CP932 = TYPED_NAME.encode("cp932")

# Bands of the 512 x 512 image that hold the title's texts.
TITLE_TEXT_BANDS = [(100, 200), (200, 240), (270, 306), (340, 411), (420, 470)]
PROMPT_BAND = (335, 415)

# --------------------------------------------------------------------------
# The game's rules, computed independently


def make_random():
    state = [1]

    def nxt():
        state[0] = (state[0] * 214013 + 2531011) & 0xFFFFFFFF
        return (state[0] >> 16) & 0x7FFF

    return nxt


def palette_and_first_field():
    nxt = make_random()
    palette = [BLACK] * 256
    for i in range(1, 254):
        red = nxt() % 96 + 128
        green = nxt() % 96 + 128
        blue = nxt() % 128 + 128
        palette[i] = (red, green, blue)
    palette[253] = LIGHT_RED
    palette[254] = (200, 192, 224)
    palette[255] = WHITE
    field = bytearray(512 * 512)
    for k in range(512 * 512):
        if nxt() % 300 == 0:
            field[k] = nxt() % 253 + 1
    return palette, bytes(field)


PALETTE, FIRST_FIELD = palette_and_first_field()


def field_picture(field):
    """The star field as RGB pixels of the image, rows from the top."""
    out = []
    for y in range(512):
        row = field[(511 - y) * 512 : (512 - y) * 512]
        out.extend(PALETTE[b] for b in row)
    return out


FIRST_PICTURE = field_picture(FIRST_FIELD)


def new_table(points, names, play_number):
    return {
        "points": list(points),
        "names": [bytearray(n.ljust(256, b"\0")[:256]) for n in names],
        "play": play_number,
    }


def encode_table(table):
    out = b"".join(struct.pack("<i", p) for p in table["points"])
    out += b"".join(bytes(n) for n in table["names"])
    return out + struct.pack("<i", table["play"])


def copy_name(destination, source):
    """Through the NUL; the rest of the destination stays."""
    end = source.find(b"\0")
    length = 256 if end < 0 else end + 1
    destination[:length] = source[:length]


def insert_ranking(table, score, name):
    """Returns the row the new score ends in, or None when it does not rank."""
    if not score > table["points"][4]:
        return None
    table["points"][4] = score
    copy_name(table["names"][4], bytearray(name + b"\0"))
    row = 4
    for i in (4, 3, 2, 1):
        if table["points"][i] > table["points"][i - 1]:
            points = table["points"]
            points[i], points[i - 1] = points[i - 1], points[i]
            temporary = bytearray(256)
            copy_name(temporary, table["names"][i])
            copy_name(table["names"][i], table["names"][i - 1])
            copy_name(table["names"][i - 1], temporary)
            row = i - 1 if row == i else i if row == i - 1 else row
    return row


def default_table_bytes():
    return encode_table(new_table([5, 4, 3, 2, 1], [b"DEFAULT_PLAYER"] * 5, 0))


def drill_score(answers):
    """The score of a drill whose correct answers never come within 900 ms of
    each other, so every correct answer is worth 1 and the combo never grows."""
    ans = 0
    miss = 0
    miss_live = False
    for correct in answers:
        if correct:
            miss = 0
            miss_live = False
            ans += 1
        else:
            if miss_live:
                miss += 1
            miss_live = True
            penalty = miss * miss * 3 + 1
            ans = ans - penalty if ans - penalty > -9999 else -9999
    return ans


# --------------------------------------------------------------------------
# X and Wine


def log(message):
    print(f"[e2e {time.strftime('%H:%M:%S')}] {message}", flush=True)


def run(args, timeout=30, check=True):
    result = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    if check and result.returncode != 0:
        raise AssertionError(f"{args} failed: {result.stderr.strip()}")
    return result.stdout


def window_name(window):
    result = subprocess.run(
        ["xdotool", "getwindowname", str(window)],
        capture_output=True,
        timeout=10,
    )
    return result.stdout.decode("utf-8", "replace").rstrip("\n") if result.returncode == 0 else None


def visible_windows():
    result = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "."],
        capture_output=True,
        text=True,
        timeout=10,
    )
    return [int(w) for w in result.stdout.split()]


def find_windows(title):
    """Visible windows whose title is exactly this. xdotool's own name search
    looks at WM_NAME, where Wine leaves only '?' for Japanese, so the UTF-8
    titles are compared here."""
    return [w for w in visible_windows() if window_name(w) == title]


def wait_window(title, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = find_windows(title)
        if found:
            return found[0]
        time.sleep(0.2)
    raise AssertionError(f"no window {title!r} within {timeout} s")


def wait_window_gone(window, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if window not in visible_windows():
            return
        time.sleep(0.2)
    raise AssertionError(f"window {window} still open after {timeout} s")


def client_rect(window):
    """Position and size of the window's client area on the screen. Wine lets
    the window manager draw the frame, so the X window is the client area."""
    values = {}
    for line in run(["xwininfo", "-id", str(window)]).splitlines():
        name, _, value = line.strip().partition(":")
        values[name] = value.strip()
    return tuple(
        int(values[name])
        for name in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")
    )


def grab():
    return ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).convert("RGB")


def activate(window):
    run(["xdotool", "windowactivate", "--sync", str(window)], check=False)
    run(["xdotool", "windowfocus", "--sync", str(window)], check=False)


def key(*names):
    run(["xdotool", "key", "--delay", "80"] + list(names))


# Key presses for the game go straight through XTEST: the game polls the key
# state, and a digit still down when the row comes to rest would be judged a
# second time, so each press is let go the moment the game reacts, far faster
# than a new xdotool process could.
_X11 = ctypes.cdll.LoadLibrary("libX11.so.6")
_XTST = ctypes.cdll.LoadLibrary("libXtst.so.6")
_X11.XOpenDisplay.restype = ctypes.c_void_p
_X11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_X11.XStringToKeysym.restype = ctypes.c_ulong
_X11.XStringToKeysym.argtypes = [ctypes.c_char_p]
_X11.XKeysymToKeycode.restype = ctypes.c_ubyte
_X11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_X11.XFlush.argtypes = [ctypes.c_void_p]
_XTST.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
_display = None


def open_display():
    global _display
    if _display is None:
        _display = _X11.XOpenDisplay(os.environ["DISPLAY"].encode())
        assert _display, "cannot open the X display for XTEST"
    return _display


def set_key(name, down):
    display = open_display()
    code = _X11.XKeysymToKeycode(display, _X11.XStringToKeysym(name.encode()))
    assert code, f"no key code for {name}"
    _XTST.XTestFakeKeyEvent(display, code, 1 if down else 0, 0)
    _X11.XFlush(display)


def start_game(exe, work, locale):
    env = dict(os.environ, LANG=locale, LC_ALL=locale)
    log(f"starting the game in {work} ({locale})")
    process = subprocess.Popen(
        ["wine", exe], cwd=work, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL
    )
    window = wait_window("Kobaru", 90)
    activate(window)
    return process, window


def wait_exit(process, timeout=30):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        raise AssertionError("the game did not exit")


# --------------------------------------------------------------------------
# Pictures


class Screen:
    """Where the game's image is on the screen, and reading it."""

    def __init__(self, window):
        x, y, width, height = client_rect(window)
        assert width >= 520 and height >= 520, f"client area {width}x{height} too small"
        self.client = (x, y, width, height)
        self.left = x + 8
        self.top = y + 8

    def image(self, shot=None):
        shot = shot or grab()
        return shot.crop((self.left, self.top, self.left + 512, self.top + 512))

    def margins_are_grey(self, shot):
        x, y, _, _ = self.client
        pixels = shot.load()
        left = all(pixels[x + i, y + j] == LIGHT_GREY for i in range(8) for j in range(0, 520, 7))
        top = all(pixels[x + i, y + j] == LIGHT_GREY for i in range(0, 520, 7) for j in range(8))
        return left and top


def sort_pixels(image, picture):
    """Counts of pixels that show the star field, white ink, light red ink, or
    anything else, with a per-row count of ink."""
    counts = {"star": 0, "white": 0, "red": 0, "other": 0}
    ink_rows = [0] * 512
    red_at = []
    for i, (shown, star) in enumerate(zip(image.getdata(), picture)):
        if shown == star:
            counts["star"] += 1
        elif shown == WHITE:
            counts["white"] += 1
            ink_rows[i // 512] += 1
        elif shown == LIGHT_RED:
            counts["red"] += 1
            ink_rows[i // 512] += 1
            red_at.append((i % 512, i // 512))
        else:
            counts["other"] += 1
    return counts, ink_rows, red_at


def looks_like_title(image, picture):
    counts, rows, red = sort_pixels(image, picture)
    return counts["other"] == 0 and not red and all(
        sum(rows[a:b]) > 50 for a, b in TITLE_TEXT_BANDS
    )


def check_title(image, picture, label):
    counts, rows, red = sort_pixels(image, picture)
    assert counts["other"] == 0, f"{label}: {counts['other']} pixels neither star nor ink"
    assert not red, f"{label}: red ink on the title at {red[:5]}"
    for a, b in TITLE_TEXT_BANDS:
        assert sum(rows[a:b]) > 50, f"{label}: no text in rows {a}..{b}"
    outside = [y for y in range(512) if rows[y] and not any(a <= y < b for a, b in TITLE_TEXT_BANDS)]
    assert not outside, f"{label}: ink outside the text bands in rows {outside[:10]}"
    log(f"{label}: {counts['star']} star-field pixels, {counts['white']} white ink, nothing else")


def wait_for(predicate, timeout, what, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        shot = grab()
        if predicate(shot):
            return shot
        time.sleep(interval)
    raise AssertionError(f"timed out waiting for {what}")


def settled(screen, regions, timeout=8.0):
    """Waits until the image holds still in the given bands (rows), and returns it."""
    deadline = time.monotonic() + timeout
    previous = None
    while time.monotonic() < deadline:
        image = screen.image()
        parts = b"".join(image.crop((0, a, 512, b)).tobytes() for a, b in regions)
        if parts == previous:
            return image
        previous = parts
        time.sleep(0.12)
    raise AssertionError("the picture never came to rest")


def band(image, top, bottom):
    return image.crop((0, top, 512, bottom)).tobytes()


# --------------------------------------------------------------------------
# The scenes


def wait_title(screen, picture, label, timeout=30):
    shot = wait_for(
        lambda s: looks_like_title(screen.image(s), picture), timeout, f"the title ({label})"
    )
    assert screen.margins_are_grey(shot), f"{label}: the margins are not light grey"
    return shot


RED_CELLS = [(40, 100), (168, 228)]
WHITE_CELLS = [(296, 356), (424, 484)]


def is_drill(image):
    pixels = image.load()
    return all(
        sum(pixels[x, y] == LIGHT_RED for x in range(a, b) for y in range(100, 240, 2)) > 60
        for a, b in RED_CELLS
    )


def check_first_drill_frame(image):
    counts, _, red = sort_pixels(image, FIRST_PICTURE)
    assert counts["other"] == 0, f"drill: {counts['other']} pixels neither star nor ink"
    assert red, "drill: no red pair"
    stray = [p for p in red if not (any(a <= p[0] < b for a, b in RED_CELLS) and 100 <= p[1] < 240)]
    assert not stray, f"drill: light red outside the pair's cells at {stray[:5]}"
    pixels = image.load()
    for a, b in RED_CELLS:
        count = sum(pixels[x, y] == LIGHT_RED for x in range(a, b) for y in range(100, 240))
        assert count > 200, f"drill: only {count} red pixels in the cell at x {a}..{b}"
    for a, b in WHITE_CELLS:
        count = sum(pixels[x, y] == WHITE for x in range(a, b) for y in range(100, 240))
        assert count > 200, f"drill: only {count} white pixels in the cell at x {a}..{b}"
    log(f"drill: red pair in the second and third cells ({len(red)} light red pixels)")


# The drill's bands: everything above the time line (digits, streak lines)
# changes only when an answer is judged; the time line changes by itself
# every second; the score sits below it.
ANSWER_BAND = (0, 300)
ROW_BAND = (100, 240)
SCORE_BAND = (360, 450)
MISS_BAND = (30, 90)
DIGIT_KEYS = [str(d) for d in range(10)]
# The four visible digit cells at rest, positions 1 to 4.
CELL_LEFTS = [40, 168, 296, 424]


def press(digit):
    """One short press. The release is timed by the X server (XTEST's delay),
    not by this process, so a busy machine cannot stretch it into a second
    answer once the row has come to rest."""
    display = open_display()
    code = _X11.XKeysymToKeycode(display, _X11.XStringToKeysym(digit.encode()))
    _XTST.XTestFakeKeyEvent(display, code, 1, 0)
    _XTST.XTestFakeKeyEvent(display, code, 0, 40)
    _X11.XFlush(display)


def cell_ink(image, cell):
    """The ink of a digit cell: which pixels differ from the first game's star
    field, and in which colours."""
    left = CELL_LEFTS[cell]
    mask = []
    colours = set()
    pixels = image.load()
    for y in range(100, 240):
        for x in range(left, left + 60):
            shown = pixels[x, y]
            ink = shown != FIRST_PICTURE[y * 512 + x]
            mask.append(ink)
            if ink:
                colours.add(shown)
    return mask, colours


def verdict(before, after):
    """'wrong' when the row is back where it was, 'correct' when every digit
    has moved one cell to the left with the red pair on the new first two
    cells, None while the row is still moving (or nothing happened)."""
    if band(after, *ROW_BAND) == band(before, *ROW_BAND):
        # A wrong answer moves the score, or at the floor the miss count.
        moved = band(after, *SCORE_BAND) != band(before, *SCORE_BAND) or band(
            after, *MISS_BAND
        ) != band(before, *MISS_BAND)
        return "wrong" if moved else None
    old = [cell_ink(before, i) for i in range(4)]
    new = [cell_ink(after, i) for i in range(4)]
    for i in range(3):
        if new[i][0] != old[i + 1][0]:
            return None
    if new[0][1] != {LIGHT_RED} or new[1][1] != {LIGHT_RED} or new[2][1] != {WHITE}:
        return None
    return "correct"


def answer(screen, digit, before):
    """Presses the digit and waits for the game's verdict, which must show
    the same in two looks a little apart. None if the press was not seen."""
    press(digit)
    # A picture can lag behind the game on a busy machine, so a press counts
    # as unseen only after a long quiet spell; pressing again too early
    # would answer twice.
    pressed = time.monotonic()
    reacted = False
    while time.monotonic() < pressed + 8.0:
        image = screen.image()
        reacted = reacted or band(image, *ANSWER_BAND) != band(before, *ANSWER_BAND)
        found = verdict(before, image)
        if found:
            time.sleep(0.15)
            again = screen.image()
            if verdict(before, again) == found and band(again, *ROW_BAND) == band(
                image, *ROW_BAND
            ):
                return found, again
        elif not reacted and time.monotonic() > pressed + 4.0:
            return None, image
        time.sleep(0.02)
    raise AssertionError(f"no verdict on the key {digit}")


def play_drill(screen, started):
    """Tries digits until the end of the answering period is near, watching
    the row to learn each verdict; returns the verdicts, True for correct."""
    answers = []
    tried = []
    unseen = 0
    before = screen.image()
    while time.monotonic() - started < 24.0:
        digit = next(d for d in DIGIT_KEYS if d not in tried)
        found, after = answer(screen, digit, before)
        if found is None:
            unseen += 1
            assert unseen < 10, "the drill did not see the digit keys"
            continue
        answers.append(found == "correct")
        if found == "correct":
            tried = []
            # Let the 900 ms combo window run out before the next answer.
            time.sleep(1.2)
            after = screen.image()
        else:
            tried.append(digit)
        before = after
    log(
        f"drill: {answers.count(True)} correct and {answers.count(False)} wrong answers"
        f" ({unseen} presses not seen, repeated)"
    )
    return answers


def check_ranking_rows(window, table, new_row, keep):
    """The name cells of the rows that hold the typed name look alike, and
    unlike those of every other name; the new row is one of them. The dialog
    may still be placed and painted when it first shows, so the check is
    repeated for a while before it counts as failed."""
    names = [bytes(n).split(b"\0")[0] for n in table["names"]]
    same = [i for i in range(5) if names[i] == TYPED_NAME_CP932]
    assert new_row in same
    problem = "no picture"
    deadline = time.monotonic() + 6.0
    while time.monotonic() < deadline:
        x, y, width, height = client_rect(window)
        shot = grab()
        background = shot.getpixel((x + 2, y + 46))

        def cell(left, i, right):
            top = y + 50 + 22 * i
            return shot.crop((x + left, top, x + right, top + 18))

        numbers = [cell(14, i, 140) for i in range(5)]
        if not all(any(p != background for p in n.getdata()) for n in numbers):
            problem = "the rows are not painted"
        else:
            cells = [cell(150, i, width).tobytes() for i in range(5)]
            wrong = [
                (i, j)
                for i in range(5)
                for j in range(i + 1, 5)
                if (cells[i] == cells[j]) != (names[i] == names[j])
            ]
            if not wrong:
                keep(shot)
                log(f"ranking: the new row {new_row + 1} shows the typed name like rows {same}")
                return
            problem = f"name cells of rows {wrong} do not match their names"
        time.sleep(0.2)
    keep(shot)
    raise AssertionError(f"ranking: {problem}")


def save_window(shot, rect, path, margin=0):
    x, y, width, height = rect
    shot.crop((x - margin, y - margin, x + width + margin, y + height + margin)).save(path)


# --------------------------------------------------------------------------


def whole_game(exe, work, out):
    os.makedirs(work)
    table = new_table(
        [20, -20, -200, -2000, -100000],
        # The best player's Japanese name is on the title in both locales;
        # the typed name's twin lets the ranking dialog's rows be compared.
        ["テスト太郎".encode("cp932"), b"Banana", TYPED_NAME_CP932, b"Durian",
         b"Elderberry-with-a-long-tail"],
        41,
    )
    prepared = encode_table(table)
    with open(os.path.join(work, "rank.txt"), "wb") as f:
        f.write(prepared)

    process, window = start_game(exe, work, "C")
    screen = Screen(window)
    shot = wait_title(screen, FIRST_PICTURE, "title (C)")
    title = screen.image(shot)
    check_title(title, FIRST_PICTURE, "title (C)")
    title.save(os.path.join(out, "title-C.png"))
    # The window as the player sees it, frame included.
    run(["import", "-frame", "-window", str(window), os.path.join(out, "title-window.png")])

    # Return starts the drill once the title has been up for 500 ms.
    activate(window)
    # The answering period can only start after this moment.
    started = time.monotonic()
    set_key("Return", True)
    try:
        wait_for(lambda s: is_drill(screen.image(s)), 15, "the drill")
    finally:
        set_key("Return", False)
    first = settled(screen, [(0, 300), (360, 512)])
    check_first_drill_frame(first)
    first.save(os.path.join(out, "drill.png"))

    answers = play_drill(screen, started)
    score = drill_score(answers)
    log(f"drill: expected score {score}")

    dialog = wait_window(NAME_DIALOG, 40)
    time.sleep(0.3)
    shot = grab()
    save_window(shot, screen.client, os.path.join(out, "name-dialog.png"))
    finish = screen.image(shot)
    # The drill's last frame stays under the dialog: its bottom half shows the
    # finish notice and the score on the first game's star field.
    lower = finish.crop((0, 300, 512, 512))
    counts, _, _ = sort_pixels(lower, FIRST_PICTURE[300 * 512 :])
    assert counts["other"] == 0 and counts["white"] > 500, f"under the name dialog: {counts}"

    activate(dialog)
    run(["xdotool", "type", "--delay", "60", TYPED_NAME])
    time.sleep(0.3)
    save_window(grab(), screen.client, os.path.join(out, "name-typed.png"))
    key("Return")
    wait_window_gone(dialog, 10)

    expected = new_table(table["points"], [bytes(n) for n in table["names"]], table["play"])
    new_row = insert_ranking(expected, score, TYPED_NAME_CP932)
    assert new_row is not None

    ranking = wait_window(RANKING_DIALOG, 10)
    check_ranking_rows(
        ranking,
        expected,
        new_row,
        lambda shot: save_window(shot, screen.client, os.path.join(out, "ranking-dialog.png")),
    )
    activate(ranking)
    closed = time.monotonic()
    key("Return")
    wait_window_gone(ranking, 10)

    def is_ending(s):
        image = screen.image(s)
        pixels = image.load()
        heading = sum(pixels[x, y] == LIGHT_RED for x in range(0, 512, 2) for y in range(50, 100))
        return heading > 100

    shot = wait_for(is_ending, 10, "the ending")
    ending = screen.image(shot)
    counts, rows, red = sort_pixels(ending, FIRST_PICTURE)
    assert counts["other"] == 0, f"ending: {counts['other']} pixels neither star nor ink"
    assert all(50 <= y < 100 for _, y in red), "ending: red ink outside the heading"
    for a, b in [(150, 200), (250, 300), (320, 420), (440, 490)]:
        assert sum(rows[a:b]) > 50, f"ending: no text in rows {a}..{b}"
    ending.save(os.path.join(out, "ending.png"))
    log("ending: red heading, white credits on the first game's star field")

    # No key: the ending hands back to the title by itself after 5 s, over
    # the next game's star field.
    def is_next_title(s):
        image = screen.image(s)
        pixels = image.load()
        heading = sum(pixels[x, y] == LIGHT_RED for x in range(0, 512, 2) for y in range(50, 100))
        title_ink = sum(pixels[x, y] == WHITE for x in range(0, 512, 2) for y in range(110, 190))
        # A star of the new field may have the light red entry; the heading
        # is hundreds of pixels.
        return heading < 20 and title_ink > 300

    shot = wait_for(is_next_title, 20, "the title of the second game")
    waited = time.monotonic() - closed
    assert 5.0 < waited < 15.0, f"the ending lasted {waited:.1f} s"
    second = screen.image(shot)
    second.save(os.path.join(out, "title-second-game.png"))
    same_stars = sum(
        a == b for a, b, in zip(second.crop((0, 0, 512, 95)).getdata(), FIRST_PICTURE[: 95 * 512])
    )
    assert same_stars < 95 * 512, "the second game kept the first game's star field"
    log(f"ending: back to the title {waited:.1f} s after the ranking closed, new star field")

    # The user closes the window; the ranking reaches the disk only now.
    run(["wmctrl", "-c", "Kobaru"])
    code = wait_exit(process)
    assert code == 0, f"exit code {code}"
    with open(os.path.join(work, "rank.txt"), "rb") as f:
        saved = f.read()
    expected["play"] += 1
    wanted = encode_table(expected)
    if saved != wanted:
        differing = [i for i in range(min(len(saved), len(wanted))) if saved[i] != wanted[i]]
        names = [saved[20 + 256 * i : 20 + 256 * i + 256].split(b"\0")[0] for i in range(5)]
        raise AssertionError(
            f"rank.txt: {len(saved)} bytes, expected {len(wanted)}; "
            f"first differences at {differing[:10]}; points "
            f"{list(struct.unpack_from('<5i', saved))}, expected {expected['points']}; "
            f"names {names}; answers {answers}"
        )
    log(f"rank.txt: exactly as expected (score {score} in row {new_row + 1}, play number 42)")
    return title, prepared


def japanese_title(exe, work, out, prepared, c_title):
    os.makedirs(work)
    with open(os.path.join(work, "rank.txt"), "wb") as f:
        f.write(prepared)
    process, window = start_game(exe, work, "ja_JP.UTF-8")
    screen = Screen(window)
    shot = wait_title(screen, FIRST_PICTURE, "title (ja_JP.UTF-8)")
    title = screen.image(shot)
    check_title(title, FIRST_PICTURE, "title (ja_JP.UTF-8)")
    title.save(os.path.join(out, "title-ja_JP.png"))

    # The prompt waves by drawn frames, so only its band may differ.
    a, b = PROMPT_BAND
    for top, bottom in [(0, a), (b, 512)]:
        assert band(title, top, bottom) == band(c_title, top, bottom), (
            f"the titles in C and ja_JP.UTF-8 differ in rows {top}..{bottom}"
        )
    log("title: identical in the C and ja_JP.UTF-8 locales outside the waving prompt")

    activate(window)
    key("alt+F4")
    code = wait_exit(process)
    assert code == 0, f"exit code {code}"
    with open(os.path.join(work, "rank.txt"), "rb") as f:
        assert f.read() == prepared, "closing at the title changed rank.txt"
    log("closed with Alt+F4 at the title: exit code 0, rank.txt unchanged")


def end_of_session(exe, work):
    os.makedirs(work)
    process, window = start_game(exe, work, "C")
    screen = Screen(window)
    wait_title(screen, FIRST_PICTURE, "title before the end of the session")
    run(["wine", "wineboot", "--end-session"], timeout=60)
    wait_exit(process)
    path = os.path.join(work, "rank.txt")
    assert os.path.exists(path), "the end of the session lost the ranking"
    with open(path, "rb") as f:
        assert f.read() == default_table_bytes(), "rank.txt after the end of the session"
    log("end of the session: the default ranking was saved")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--work", required=True, help="an empty scratch directory")
    parser.add_argument("--out", required=True, help="where the screenshots go")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    exe = os.path.abspath(args.exe)

    c_title, prepared = whole_game(exe, os.path.join(args.work, "game"), args.out)
    japanese_title(exe, os.path.join(args.work, "ja"), args.out, prepared, c_title)
    end_of_session(exe, os.path.join(args.work, "session"))
    log("all end-to-end checks passed")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except AssertionError as error:
        log(f"FAILED: {error}")
        sys.exit(1)
