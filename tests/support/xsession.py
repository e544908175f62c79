"""An X display for tests of the game's windows: a private Xvfb with openbox
as the window manager (or a display set up by the caller), key presses
through XTEST, screenshots through PIL. Windows are found by their
_NET_WM_NAME through wmctrl: xdotool's name search reads WM_NAME, where
Japanese captions do not survive."""

import ctypes
import os
import re
import subprocess
import time

from PIL import ImageGrab


class Timeout(AssertionError):
    pass


def poll(what, probe, timeout, interval=0.05):
    """Calls probe until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class XSession:
    def __init__(self, display=None, screen=(1024, 768)):
        self.display, self.screen, self.processes, self.xlib = display, screen, [], None

    def start(self):
        read_end, write_end = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % self.screen,
                    "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,), env=os.environ,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        # Xvfb writes its display's number once it takes connections.
        with os.fdopen(read_end) as reader:
            self.display = ":" + reader.readline().strip()
        if self.display == ":":
            raise AssertionError("Xvfb exited before it reported its display")
        self.spawn(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        poll("openbox", lambda: self.run(["wmctrl", "-m"], check=False).returncode == 0, 30)
        # openbox answers before it takes new windows in hand, and a window
        # mapped in between stays unmanaged: a throw-away window shows when.
        for _ in range(10):
            probe = subprocess.Popen(["display", "-title", "kobaru-probe", "-size", "16x16", "xc:white"],
                                     env=self.environment(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                poll("the probe window", lambda: "kobaru-probe" in self.windows(), 5)
                return self
            except Timeout:
                continue
            finally:
                probe.terminate()
                probe.wait(timeout=10)
        raise Timeout("openbox does not manage new windows")

    def stop(self):
        if self.xlib:
            self.xlib[0].XCloseDisplay(self.xlib[2])
            self.xlib = None
        for process in reversed(self.processes):
            if process.poll() is None:
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
        """The managed windows: {title: window id}."""
        listing = self.run(["wmctrl", "-l"], check=False).stdout
        # Window id, desktop, host, title.
        return {parts[3]: int(parts[0], 16) for parts in map(lambda line: line.split(None, 3), listing.splitlines())
                if len(parts) == 4}

    def wait_for_window(self, title, timeout):
        try:
            return poll(f"the window {title!r}", lambda: self.windows().get(title), timeout, interval=0.1)
        except Timeout as error:
            raise Timeout(f"{error}; the windows are {self.windows()}") from None

    def wait_for_no_window(self, title, timeout):
        poll(f"the window {title!r} to close", lambda: title not in self.windows(), timeout, interval=0.1)

    def geometry(self, window):
        """(x, y, width, height) of a window's client area on the screen."""
        info = self.run(["xwininfo", "-id", str(window)]).stdout
        return tuple(int(re.search(rf"{name}:\s+(-?\d+)", info).group(1))
                     for name in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def wait_for_focus(self, window, timeout=15):
        def focused():
            result = self.run(["xdotool", "getwindowfocus"], check=False)
            if result.returncode == 0 and int(result.stdout) == window:
                return True
            self.run(["xdotool", "windowactivate", str(window)], check=False)

        poll("the keyboard focus", focused, timeout, interval=0.2)

    def close_window(self, window):
        """Asks the window manager to close the window, as its close box does."""
        self.run(["wmctrl", "-i", "-c", hex(window)])

    # -- input ---------------------------------------------------------------

    def press(self, key, hold_ms=40):
        """A key pressed now and let go hold_ms later by the X server's clock, so
        a busy machine cannot stretch the press into a second answer."""
        if not self.xlib:
            x11, xtst = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
            x11.XOpenDisplay.restype = ctypes.c_void_p
            x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
            x11.XStringToKeysym.restype = ctypes.c_ulong
            x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
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

    # -- pictures ------------------------------------------------------------

    def client_picture(self, window):
        x, y, width, height = self.geometry(window)
        return ImageGrab.grab(xdisplay=self.display).convert("RGB").crop((x, y, x + width, y + height))
