#!/usr/bin/env python3
"""The text generator in a scratch copy of the tree: it writes the header only
when run plainly, `--check` and `--help` leave it as it is, and a row added to
its table is all it takes to add a text."""

import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "scripts/gbk_texts.py"
HEADER = ROOT / "src/platform/texts.h"
STALE = b"// an old header\n"


class Generator(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.root = Path(tmp.name)
        (self.root / "scripts").mkdir()
        (self.root / "src/platform").mkdir(parents=True)
        self.script = self.root / "scripts/gbk_texts.py"
        self.header = self.root / "src/platform/texts.h"
        shutil.copy(SCRIPT, self.script)

    def run_script(self, *args):
        return subprocess.run([sys.executable, str(self.script), *args], capture_output=True, text=True)

    def test_only_a_plain_run_writes(self):
        fresh = HEADER.read_bytes()
        # (header before, arguments, exit status, header after, a word of its message)
        cases = [
            (fresh, [], 0, fresh, None),
            (STALE, [], 0, fresh, None),
            (None, [], 0, fresh, None),
            (fresh, ["--check"], 0, fresh, None),
            (STALE, ["--check"], 1, STALE, "python3 scripts/gbk_texts.py"),
            (None, ["--check"], 1, None, "python3 scripts/gbk_texts.py"),
            (STALE, ["--help"], 0, STALE, None),
            (STALE, ["--check", "--help"], 0, STALE, None),
            (STALE, ["--write"], 2, STALE, "--write"),
        ]
        for before, args, status, after, word in cases:
            with self.subTest(args=args, before=before[:20] if before else None):
                self.header.unlink(missing_ok=True)
                if before is not None:
                    self.header.write_bytes(before)
                r = self.run_script(*args)
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertEqual(self.header.read_bytes() if self.header.exists() else None, after)
                if word is None:
                    self.assertEqual(r.stderr, "")
                else:
                    self.assertIn(word, r.stderr)
                if status == 1:
                    self.assertEqual(r.stderr.count("\n"), 1, r.stderr)

    def test_a_row_adds_a_text(self):
        table = self.script.read_text(encoding="utf-8")
        last = '    ("control_point_coordinate_error", "控制点坐标错误"),\n'
        self.assertIn(last, table)
        # 乗 is 0x81 0x5C in GBK: its second byte is a backslash, and the 'A'
        # after 表 would run on into a hex escape if it were not split off.
        row = '    ("new_text", " 乗表A\\"！"),\n'
        self.script.write_text(table.replace(last, last + row), encoding="utf-8")
        self.assertEqual(self.run_script().returncode, 0)
        lines = self.header.read_text(encoding="utf-8").splitlines()
        i = lines.index('// " 乗表A"！"')
        self.assertEqual(lines[i + 1],
                         'inline constexpr std::string_view new_text = " \\x81\\\\\\xB1\\xED" "A\\"\\xA3\\xA1";')
        self.assertEqual(lines[i + 2:], ["", "}  // namespace tb::text"])
        self.assertEqual(self.run_script("--check").returncode, 0)

    def test_a_bad_row_is_named_and_nothing_is_written(self):
        table = self.script.read_text(encoding="utf-8")
        last = '    ("control_point_coordinate_error", "控制点坐标错误"),\n'
        # (row, a word of the message)
        cases = [
            ('    ("error_prefix", "重复"),\n', "error_prefix"),
            ('    ("not a name", "文"),\n', "not a name"),
            ('    ("line_end", "文\\n"),\n', "line_end"),
            ('    ("not_gbk", "文€"),\n', "not_gbk"),
        ]
        for row, word in cases:
            with self.subTest(word=word):
                self.script.write_text(table.replace(last, last + row), encoding="utf-8")
                self.header.write_bytes(STALE)
                for args in ([], ["--check"]):
                    r = self.run_script(*args)
                    self.assertEqual(r.returncode, 1)
                    self.assertIn(word, r.stderr)
                    self.assertEqual(r.stderr.count("\n"), 1, r.stderr)
                    self.assertEqual(self.header.read_bytes(), STALE)


if __name__ == "__main__":
    unittest.main()
