"""The dialogs' templates are written twice, for the dialogs every build draws
(dialogs/templates.h) and for kobaru.exe's own (res/kobaru.rc); they agree in
every box, caption, font and control. kobaru.exe's compiled templates are
held to the header in tests/win/test_resources.py."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import templates  # noqa: E402


class Templates(unittest.TestCase):
    def test_the_resource_script_agrees_with_the_header(self):
        header = templates.from_header()
        self.assertEqual([len(d["controls"]) for d in header.values()], [2, 4], "the header read whole")
        self.assertEqual(templates.from_resources(), header)


if __name__ == "__main__":
    unittest.main(verbosity=2)
