#!/usr/bin/python3
"""The Linux game's pace, measured, not asserted: its share of one core and
its loop's passes and frame calls a second on the title and in the drill,
in its real window on a private Xvfb. Run: bench/loop_pace.py build/dev/sdl/kobaru
(see docs/PERFORMANCE.md)."""

import os
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from xsession import XSession  # noqa: E402

SECONDS = 10


def busy(pid):
    """Seconds of processor time, user and system, of a process."""
    with open(f"/proc/{pid}/stat") as f:
        return sum(map(int, f.read().rsplit(")", 1)[1].split()[11:13])) / os.sysconf("SC_CLK_TCK")


def measure(game, screen, keys):
    with tempfile.TemporaryDirectory() as folder:
        x = XSession().start()
        try:
            said = os.path.join(folder, "said.txt")
            with open(said, "wb") as stderr:
                process = x.spawn([os.path.abspath(game)], cwd=folder, stderr=stderr, env=x.environment(KOBARU_LOOP_COUNTS="1"))
            window = x.wait_for_window("Kobaru", 60)
            time.sleep(2)
            x.wait_for_focus(window)
            for key in keys:  # as far as the screen to measure
                x.press(key, 300)
                time.sleep(1)
            before, start = busy(process.pid), time.monotonic()
            time.sleep(SECONDS)
            share = (busy(process.pid) - before) / (time.monotonic() - start)
            os.kill(process.pid, signal.SIGTERM)
            process.wait(timeout=30)
        finally:
            x.stop()
        with open(said, encoding="utf-8") as f:
            steps, passes, calls, _ = map(int, re.search(r"(\d+) tick steps, (\d+) passes, (\d+) frame calls, "
                                                          r"(\d+) events", f.read()).groups())
    seconds = steps / 64
    print(f"{screen}: {100 * share:.1f} % of one core over {SECONDS} s; since the first game: "
          f"{calls / seconds:.1f} frame calls and {passes / seconds:.1f} loop passes a second "
          f"({passes / steps:.2f} a tick step)")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: bench/loop_pace.py <the Linux game, build/dev/sdl/kobaru>")
    measure(sys.argv[1], "title", [])
    measure(sys.argv[1], "drill", ["Return"])
