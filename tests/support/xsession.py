"""An X display for tests of the game's windows, a private Xvfb with openbox
(xsession.py COMMAND... runs a command on one) or the caller's: key presses
through XTEST (xdotool), screenshots through PIL, windows found by their
_NET_WM_NAME through wmctrl, as Japanese captions do not survive in WM_NAME."""

import ctypes
import os
import re
import subprocess
import sys
import time

from PIL import ImageGrab


def poll(what, probe, timeout, interval=0.05):
    """Calls probe until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while not (result := probe()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)
    return result


_IGNORE_X_ERRORS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda display, error: 0)


class XSession:
    def __init__(self, display=None, screen=(1024, 768)):
        self.display, self.screen, self.processes = display, screen, []

    def start(self):
        read_end, write_end = os.pipe()
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % self.screen, "-nolisten",
                    "tcp", "-noreset"], pass_fds=(write_end,), env=os.environ, **quiet)
        os.close(write_end)
        # Xvfb writes its display's number once it takes connections.
        with os.fdopen(read_end) as reader:
            self.display = ":" + reader.readline().strip()
        assert self.display != ":", "Xvfb exited before it reported its display"
        self.spawn(["openbox", "--sm-disable"], **quiet)
        poll("openbox", lambda: self.run(["wmctrl", "-m"], check=False).returncode == 0, 30)
        # openbox answers before it takes new windows in hand, and a window
        # mapped in between stays unmanaged: a throw-away window shows when.
        def managed():
            with subprocess.Popen(["display", "-title", "kobaru-probe", "-size", "16x16", "xc:white"],
                                  env=self.environment(), **quiet) as probe:
                try:
                    return self.wait_for_window("kobaru-probe", 5)
                except AssertionError:
                    return None
                finally:
                    probe.terminate()

        poll("openbox to manage new windows", managed, 50)
        return self

    def stop(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def environment(self, **extra):
        return dict(os.environ, DISPLAY=self.display, SDL_VIDEODRIVER="x11", **extra)

    def spawn(self, command, **options):
        options.setdefault("env", self.environment())
        self.processes.append(subprocess.Popen(command, **options))
        return self.processes[-1]

    def run(self, command, check=True, env=None, timeout=30):
        return subprocess.run(command, env=self.environment(**(env or {})), check=check, capture_output=True,
                              text=True, timeout=timeout)

    # -- windows -------------------------------------------------------------

    def listing(self):
        """The managed windows, [(id, title)], from lines of id, desktop, host, title."""
        lines = self.run(["wmctrl", "-l"], check=False).stdout.splitlines()
        return [(int(parts[0], 16), parts[3]) for parts in (line.split(None, 3) for line in lines) if len(parts) == 4]

    def windows(self):
        return {title: window for window, title in self.listing()}

    def windows_titled(self, title):
        """Every managed window with this title, in the window manager's order."""
        return [window for window, named in self.listing() if named == title]

    def wait_for_window(self, title, timeout, gone=False):
        def probe():
            windows = self.windows()
            return (title not in windows) if gone else windows.get(title)

        try:
            return poll(f"the window {title!r}" + " to close" * gone, probe, timeout, interval=0.1)
        except AssertionError as error:
            raise AssertionError(f"{error}; the windows are {self.windows()}") from None

    def geometry(self, window):
        """(x, y, width, height) of a window's client area on the screen."""
        info = self.run(["xwininfo", "-id", str(window)]).stdout
        return tuple(int(re.search(rf"{name}:\s+(-?\d+)", info).group(1))
                     for name in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def wait_for_focus(self, window):
        """The window active, and its program past the focus message."""
        self.run(["xdotool", "windowactivate", "--sync", str(window)])
        self.settle(window)

    def settle(self, *windows, timeout=60):
        """Waits until the programs behind these windows have handled every X
        event sent to them so far, as they answer a _NET_WM_PING only after
        the events before it. A Wine game on a busy machine may otherwise
        handle an earlier focus message after the test has activated another
        window, and take the keyboard back to its own."""
        xlib = ctypes.CDLL("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XSetErrorHandler(_IGNORE_X_ERRORS)  # a window closed meanwhile just never answers
        display = ctypes.c_void_p(xlib.XOpenDisplay(self.display.encode()))
        protocols, ping = (xlib.XInternAtom(display, name, False) for name in (b"WM_PROTOCOLS", b"_NET_WM_PING"))
        # The answers come to the root window, as SubstructureNotify events.
        xlib.XSelectInput(display, ctypes.c_ulong(xlib.XDefaultRootWindow(display)), ctypes.c_long(1 << 19))
        # An XClientMessageEvent in 64-bit words: type, serial, send_event,
        # display, window, message_type, format, then the data.
        for window in windows:
            question = (ctypes.c_long * 24)(33, 0, 0, 0, window, protocols, 32, ping, 0, window)
            xlib.XSendEvent(display, ctypes.c_ulong(window), False, ctypes.c_long(0), question)
        xlib.XFlush(display)
        waiting, event = set(windows), (ctypes.c_long * 24)()

        def answered():
            while xlib.XPending(display):
                xlib.XNextEvent(display, event)
                if event[0] & 0xFFFFFFFF == 33 and event[5] == protocols and event[7] == ping:
                    waiting.discard(event[9])
            return not waiting

        try:
            poll(f"the windows {[hex(w) for w in windows]} to answer a ping", answered, timeout, interval=0.02)
        finally:
            xlib.XCloseDisplay(display)

    def close_window(self, window):  # as its close box does
        self.run(["wmctrl", "-i", "-c", hex(window)])

    # -- input and pictures --------------------------------------------------

    def press(self, key, hold_ms=40):
        self.run(["xdotool", "keydown", key, "sleep", str(hold_ms / 1000), "keyup", key])

    def type_text(self, text):
        self.run(["xdotool", "type", "--delay", "60", text])

    def give_keys(self, keysyms):
        """Free keys of the keyboard map for keysyms it lacks, to press by name
        (press("U30C6")). Done before the game starts: xdotool would lend a
        spare key for each press and take it back at once, and a game slowed
        by a busy machine, reading the press after that, loses the character."""
        xlib = ctypes.CDLL("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
        xlib.XStringToKeysym.restype = ctypes.c_ulong
        display = ctypes.c_void_p(xlib.XOpenDisplay(self.display.encode()))
        low, high, width = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        xlib.XDisplayKeycodes(display, ctypes.byref(low), ctypes.byref(high))
        count = high.value - low.value + 1
        table = xlib.XGetKeyboardMapping(display, ctypes.c_ubyte(low.value), count, ctypes.byref(width))
        free = [low.value + i for i in range(count) if not any(table[i * width.value:(i + 1) * width.value])]
        xlib.XFree(table)
        assert len(free) >= len(keysyms), "no free keys in the keyboard map"
        for keycode, name in zip(reversed(free), keysyms):
            keysym = ctypes.c_ulong(xlib.XStringToKeysym(name.encode()))
            xlib.XChangeKeyboardMapping(display, keycode, 1, ctypes.byref(keysym), 1)
        xlib.XCloseDisplay(display)

    def client_picture(self, window):
        x, y, width, height = self.geometry(window)
        return ImageGrab.grab(xdisplay=self.display).convert("RGB").crop((x, y, x + width, y + height))


if __name__ == "__main__":
    session = XSession().start()
    try:
        sys.exit(subprocess.run(sys.argv[1:], env=session.environment()).returncode)
    finally:
        session.stop()
