"""An X display for tests of the game's windows: a private Xvfb with openbox
as the window manager (or a display set up by the caller), key presses
through XTEST, screenshots through PIL. Windows are found by their
_NET_WM_NAME through wmctrl: xdotool's name search reads WM_NAME, where
Japanese captions do not survive.

    xsession.py COMMAND...   runs COMMAND on a private display of its own"""

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


class XSession:
    def __init__(self, display=None, screen=(1024, 768)):
        self.display, self.screen, self.processes, self.xlib = display, screen, [], None

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
        self.processes = []

    def environment(self, **extra):
        env = dict(os.environ, DISPLAY=self.display, SDL_VIDEODRIVER="x11", **extra)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def spawn(self, command, **options):
        options.setdefault("env", self.environment())
        self.processes.append(subprocess.Popen(command, **options))
        return self.processes[-1]

    def run(self, command, check=True, env=None, timeout=30):
        return subprocess.run(command, env=self.environment(**(env or {})), check=check, capture_output=True,
                              text=True, timeout=timeout)

    # -- windows -------------------------------------------------------------

    def windows(self):
        """The managed windows: {title: window id}, from lines of window id,
        desktop, host and title."""
        lines = self.run(["wmctrl", "-l"], check=False).stdout.splitlines()
        return {parts[3]: int(parts[0], 16) for parts in (line.split(None, 3) for line in lines) if len(parts) == 4}

    def wait_for_window(self, title, timeout, gone=False):
        """The window's id, once it is there (or, gone, once it is not)."""
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
        self.run(["xdotool", "windowactivate", "--sync", str(window)])

    def close_window(self, window):
        """Asks the window manager to close the window, as its close box does."""
        self.run(["wmctrl", "-i", "-c", hex(window)])

    # -- input and pictures --------------------------------------------------

    def press(self, key, hold_ms=40):
        """A key pressed now and let go hold_ms later by the X server's clock, so
        a busy machine cannot stretch the press into a second answer."""
        if not self.xlib:
            x11, xtst = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
            x11.XOpenDisplay.restype = ctypes.c_void_p
            x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
            x11.XStringToKeysym.restype = ctypes.c_ulong
            x11.XFlush.argtypes = [ctypes.c_void_p]
            xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
            self.xlib = (x11, xtst, x11.XOpenDisplay(self.display.encode()))
            assert self.xlib[2], f"cannot open {self.display} for XTEST"
        x11, xtst, display = self.xlib
        code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(key.encode()))
        assert code, f"no key code for {key}"
        xtst.XTestFakeKeyEvent(display, code, 1, 0)
        xtst.XTestFakeKeyEvent(display, code, 0, hold_ms)
        x11.XFlush(display)

    def type_text(self, text):
        self.run(["xdotool", "type", "--delay", "60", text])

    def client_picture(self, window):
        x, y, width, height = self.geometry(window)
        return ImageGrab.grab(xdisplay=self.display).convert("RGB").crop((x, y, x + width, y + height))


if __name__ == "__main__":
    session = XSession().start()
    try:
        sys.exit(subprocess.run(sys.argv[1:], env=session.environment()).returncode)
    finally:
        session.stop()
