#!/usr/bin/env python3
"""The layer check on a scratch tree: includes down the layers and within a
folder pass; one that runs upward, one between two folders of one layer that
is not listed, and a file outside the layered folders fail, each named in one
line. And the tree itself passes."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "scripts/check_layers.py"


def check(root):
    return subprocess.run([sys.executable, str(SCRIPT), "--root", str(root)], capture_output=True, text=True)


class Layers(unittest.TestCase):
    def test_the_tree_stacks_one_way(self):
        r = check(ROOT)
        self.assertEqual((r.returncode, r.stdout), (0, ""))

    def test_each_include_that_breaks_the_order_is_named(self):
        down = {"track/a.cpp": '#include "track/a.h"\n#include "input/b.h"\n#include "platform/c.h"\n'}
        # (files, exit status, words of the line)
        cases = [
            (down, 0, None),
            ({"input/b.cpp": '#include "track/a.h"\n'}, 1, "track lies above input"),
            ({"platform/c.cpp": '#  include "model/d.h"\n'}, 1, "model lies above platform"),
            ({"wind/e.cpp": '#include "track/a.h"\n'}, 1, "wind and track are one layer"),
            ({"f.cpp": "int f();\n"}, 1, "outside the layered folders"),
            ({"run/g.cpp": '#include "h.h"\n'}, 1, "in no layered folder"),
        ]
        for files, status, words in cases:
            with self.subTest(files=files), tempfile.TemporaryDirectory() as d:
                for name, text in {**down, **files}.items():
                    path = Path(d) / "src" / name
                    path.parent.mkdir(parents=True, exist_ok=True)
                    path.write_text(text)
                r = check(d)
                self.assertEqual(r.returncode, status, r.stdout)
                if words:
                    self.assertEqual(len(r.stdout.splitlines()), 1, r.stdout)
                    self.assertIn(words, r.stdout)


if __name__ == "__main__":
    unittest.main()
