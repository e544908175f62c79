"""A private X display for tests of the game's window: Xvfb on a free display,
openbox as the window manager, real key presses through XTEST (xdotool), and
screenshots of the screen (PIL)."""

import os
import re
import select
import subprocess
import time

from PIL import ImageGrab

SCREEN = (1024, 768)


class Timeout(AssertionError):
    pass


def poll(what, probe, timeout, interval=0.05):
    """Calls probe until it returns something true and returns that; fails
    with a message naming what was awaited when timeout seconds pass."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class XSession:
    def __init__(self, screen=SCREEN):
        self.processes = []
        self.display = None
        self.screen = screen

    # -- start and stop ------------------------------------------------------

    def start(self):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(
            [
                "Xvfb",
                "-displayfd",
                str(write_end),
                "-screen",
                "0",
                f"{self.screen[0]}x{self.screen[1]}x24",
                "-nolisten",
                "tcp",
                "-noreset",
            ],
            pass_fds=(write_end,),
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        self.processes.append(xvfb)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(remaining, 0))
            if not ready:
                raise Timeout("Xvfb did not report its display")
            chunk = os.read(read_end, 16)
            if not chunk:
                raise AssertionError("Xvfb exited before it reported its display")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()

        # openbox stays quiet about a missing session manager and config.
        self.spawn(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        poll("openbox", lambda: self.run(["wmctrl", "-m"], check=False).returncode == 0, 30)
        self.wait_until_new_windows_are_managed()

    def wait_until_new_windows_are_managed(self):
        """openbox announces itself before it takes new windows in hand; a
        window mapped in between would stay unmanaged. A throw-away window
        shows when it is ready."""
        for _ in range(10):
            probe = subprocess.Popen(
                ["display", "-title", "kobaru-probe", "-size", "16x16", "xc:white"],
                env=self.environment(),
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            try:
                poll("the probe window", lambda: "kobaru-probe" in self.managed_titles(), 5)
                return
            except Timeout:
                continue
            finally:
                probe.terminate()
                probe.wait(timeout=10)
        raise Timeout("openbox does not manage new windows")

    def managed_titles(self):
        listing = self.run(["wmctrl", "-l"], check=False).stdout
        # Window id, desktop, host, title.
        return {parts[3] for parts in (line.split(None, 3) for line in listing.splitlines()) if len(parts) == 4}

    def stop(self):
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
        env = dict(os.environ)
        env.pop("WAYLAND_DISPLAY", None)
        env["DISPLAY"] = self.display
        env["SDL_VIDEODRIVER"] = "x11"
        env.update(extra)
        return env

    def spawn(self, command, **options):
        options.setdefault("env", self.environment())
        process = subprocess.Popen(command, **options)
        self.processes.append(process)
        return process

    def run(self, command, check=True, env=None):
        return subprocess.run(
            command,
            env=self.environment(**(env or {})),
            check=check,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            text=True,
            timeout=30,
        )

    # -- windows -------------------------------------------------------------

    def windows(self, pid):
        """The managed windows of a process: {title: window id}."""
        listing = self.run(["wmctrl", "-l", "-p"], check=False).stdout
        found = {}
        for line in listing.splitlines():
            parts = line.split(None, 4)
            if len(parts) >= 4 and parts[2] == str(pid):
                # Window id, desktop, process, host, title.
                found[parts[4] if len(parts) == 5 else ""] = int(parts[0], 16)
        return found

    def wait_for_window(self, pid, title, timeout):
        try:
            return poll(f"the window {title!r}", lambda: self.windows(pid).get(title), timeout)
        except Timeout as timeout_error:
            raise Timeout(f"{timeout_error}\n{self.describe()}") from None

    def describe(self):
        """The state of the display, for a failure message."""
        managed = self.run(["wmctrl", "-l", "-p"], check=False)
        tree = self.run(["xwininfo", "-root", "-tree"], check=False)
        alive = ", ".join(f"{p.args[0]} {'running' if p.poll() is None else p.returncode}" for p in self.processes)
        return (
            f"processes: {alive}\nwmctrl -l -p ({managed.returncode}):\n{managed.stdout}{managed.stderr}"
            f"windows:\n{tree.stdout[-3000:]}"
        )

    def wait_for_no_window(self, pid, title, timeout):
        poll(f"the window {title!r} to close", lambda: title not in self.windows(pid), timeout)

    def geometry(self, window):
        """(x, y, width, height) of a window's client area on the screen."""
        info = self.run(["xwininfo", "-id", str(window)]).stdout

        def field(name):
            return int(re.search(rf"{name}:\s+(-?\d+)", info).group(1))

        return (
            field("Absolute upper-left X"),
            field("Absolute upper-left Y"),
            field("Width"),
            field("Height"),
        )

    def focused_window(self):
        result = self.run(["xdotool", "getwindowfocus"], check=False)
        return int(result.stdout.strip()) if result.returncode == 0 else None

    def wait_for_focus(self, window, timeout=15):
        def focused():
            if self.focused_window() == window:
                return True
            self.run(["xdotool", "windowactivate", str(window)], check=False)
            return False

        poll("the keyboard focus", focused, timeout, interval=0.2)

    def close_window(self, window):
        """Asks the window manager to close the window, as its close box does."""
        self.run(["wmctrl", "-i", "-c", hex(window)])

    # -- input ---------------------------------------------------------------

    def key_down(self, key):
        self.run(["xdotool", "keydown", key])

    def key_up(self, key):
        self.run(["xdotool", "keyup", key])

    def tap(self, key, hold=0.08):
        self.key_down(key)
        time.sleep(hold)
        self.key_up(key)

    def type_text(self, text):
        self.run(["xdotool", "type", "--delay", "60", text])

    # -- pictures ------------------------------------------------------------

    def screenshot(self):
        return ImageGrab.grab(xdisplay=self.display)

    def client_picture(self, window):
        x, y, width, height = self.geometry(window)
        return self.screenshot().crop((x, y, x + width, y + height))
