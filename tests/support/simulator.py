"""Running kobaru-sim (KOBARU_SIM) from a test, each in a scratch folder of its own."""

import json
import os
import subprocess
import tempfile
import unittest

from oracle import Ranking

SIM = os.environ.get("KOBARU_SIM", "")
START_DRILL = "press return\nrun 600 10\nrelease return\n"
# Enough for the drill to end and the ending to start.
WHOLE_DRILL = START_DRILL + "run 33000 10\n"


class SimCase(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir = scratch.name
        self.rank_path = os.path.join(self.dir, "rank.txt")

    def sim(self, script, *args, status=0):
        """Runs a script; returns the JSON lines printed and standard error."""
        script = script.encode() if isinstance(script, str) else script
        result = subprocess.run([SIM, *args], input=script, cwd=self.dir, capture_output=True, timeout=300)
        self.assertEqual(result.returncode, status, result.stderr.decode(errors="replace"))
        return [json.loads(line) for line in result.stdout.splitlines()], result.stderr.decode()

    def state(self, script, *args):
        """The state printed at the end of the script."""
        return self.sim(script + "\nprint\n", *args)[0][-1]

    def popen(self, **options):
        return subprocess.Popen([SIM], stdin=subprocess.PIPE, stdout=subprocess.PIPE, cwd=self.dir, **options)

    def write_rank(self, ranking):
        with open(self.rank_path, "wb") as f:
            f.write(ranking if isinstance(ranking, bytes) else ranking.encode())

    def read_rank(self):
        with open(self.rank_path, "rb") as f:
            return Ranking.decode(f.read())
