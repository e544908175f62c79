#!/usr/bin/python3
"""kobaru --progress on a prepared history.csv, on the 7th of December 2026
at noon UTC: the last drills, each day's best of the last 14 days, the pace
of the last drill and of the last 7 days, the last drill's work curve; the
damaged line named on standard error and left in the file."""

import os
import shutil
import subprocess
import tempfile
import unittest

GAME = os.environ.get("KOBARU_GAME", "")
HISTORY = (
    "started,score,right,wrong,longest_run,right_0_5s,right_5_10s,right_10_15s,right_15_20s,right_20_25s,"
    "right_25_30s,first_row_tick\r\n"
    "2026-11-20T09:00:00.000Z,12,14,4,3,3,3,2,2,2,2,101\r\n"
    "2026-11-30T09:00:00.000Z,40,20,2,5,4,4,3,3,3,3,102\r\n"
    "2026-12-02T09:00:00.000Z,60,24,1,6,4,4,4,4,4,4,103\r\n"
    "\"2026-12-02T18:00:00.000Z\",50,22,2,5,4,4,4,4,3,3,104\r\n"
    "Total,,,\r\n"
    "2026-12-06T09:00:00.000Z,80,26,2,7,5,5,4,4,4,4,105\r\n"
    "2026-12-07T08:00:00.000Z,100,30,0,9,6,5,5,5,5,4,106\r\n")
# Bars of 40 blocks for the most, in eighths: 5 of 6 is 33 and 3/8, 4 of 6 26 and 5/8.
FULL, FIVE, FOUR = "█" * 40, "█" * 33 + "▍", "█" * 26 + "▋"
SUMMARY = f"""Kobaru: 6 drills in history.csv

The last drills
  2026-11-20 09:00  score     12  right  14  wrong   4  longest run   3
  2026-11-30 09:00  score     40  right  20  wrong   2  longest run   5
  2026-12-02 09:00  score     60  right  24  wrong   1  longest run   6
  2026-12-02 18:00  score     50  right  22  wrong   2  longest run   5
  2026-12-06 09:00  score     80  right  26  wrong   2  longest run   7
  2026-12-07 08:00  score    100  right  30  wrong   0  longest run   9

The best score of each day, the last 14 days
  Tue 2026-11-24      -
  Wed 2026-11-25      -
  Thu 2026-11-26      -
  Fri 2026-11-27      -
  Sat 2026-11-28      -
  Sun 2026-11-29      -
  Mon 2026-11-30     40  {"█" * 16}
  Tue 2026-12-01      -
  Wed 2026-12-02     60  {"█" * 24}
  Thu 2026-12-03      -
  Fri 2026-12-04      -
  Sat 2026-12-05      -
  Sun 2026-12-06     80  {"█" * 32}
  Mon 2026-12-07    100  {FULL}

Accuracy and pace
  the last drill   100.0 % right,  60.0 answers a minute (1 drill)
  the last 7 days   95.3 % right,  53.5 answers a minute (4 drills)

The last drill's right answers in each 5 seconds
   0- 5 s   6  {FULL}
   5-10 s   5  {FIVE}
  10-15 s   5  {FIVE}
  15-20 s   5  {FIVE}
  20-25 s   5  {FIVE}
  25-30 s   4  {FOUR}
"""


class Progress(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kobaru-progress-")
        self.addCleanup(shutil.rmtree, self.dir)

    def progress(self, **environment):
        return subprocess.run(["faketime", "2026-12-07 12:00:00", GAME, "--progress"], cwd=self.dir,
                              env=dict(os.environ, TZ="UTC", **environment), capture_output=True, text=True,
                              timeout=60, check=True)

    def test_the_summary_of_a_prepared_history(self):
        with open(os.path.join(self.dir, "history.csv"), "w", newline="") as f:
            f.write(HISTORY)
        result = self.progress()
        self.assertEqual(result.stdout, SUMMARY)
        self.assertEqual(result.stderr, "kobaru: history.csv, line 6: not a drill's record; left as it is\n")
        with open(os.path.join(self.dir, "history.csv"), newline="") as f:
            self.assertEqual(f.read(), HISTORY)

    def test_the_desktop_entrys_folder_before_the_first_drill(self):
        result = self.progress(KOBARU_RANKING="xdg", XDG_DATA_HOME=self.dir)
        self.assertEqual(result.stdout, f"No drill in {self.dir}/kobaru/history.csv yet: each finished drill "
                                        "adds its line there.\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
