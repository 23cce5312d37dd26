#!/usr/bin/env python3
"""The fuzz driver's watch over a run: a run that stops printing is hung, a
run that keeps printing is never hung however long it takes, and one that
is still printing at the cap is stopped and counted as long. Its rule for a
stop's lines: a data-error line must be followed by the line that names the
file, the record and the value. Its rule for a refused run's input files:
a run that opened no result file leaves every input file as it was."""

import os
import sys
import tempfile
import time
import unittest
from pathlib import Path
from types import SimpleNamespace

sys.path.insert(0, str(Path(__file__).resolve().parent))
from fuzz_inputs import DATA_ERROR, NODE_ERROR, input_bytes, rewritten, run_program, undetailed  # noqa: E402

PRINT_ONCE_AND_SLEEP = "print('started', flush=True); import time; time.sleep(60)"
# A progress line on standard error every 50 ms for 4 s, then status 3.
KEEP_PRINTING_THEN_END = ("import sys, time\n"
                          "for i in range(80):\n"
                          "    print('step', i, file=sys.stderr, flush=True); time.sleep(0.05)\n"
                          "sys.exit(3)")
KEEP_PRINTING = "import time\nwhile True:\n    print('step', flush=True); time.sleep(0.05)"
CLOSE_OUTPUT_AND_SLEEP = "import os, time; print('x', flush=True); os.close(1); os.close(2); time.sleep(60)"


class RunWatch(unittest.TestCase):
    def test_outcomes(self):
        # (program, quiet limit, cap, status, stop, the output it printed)
        cases = [
            (PRINT_ONCE_AND_SLEEP, 1.0, 30.0, None, "hang", b"started\n"),
            (CLOSE_OUTPUT_AND_SLEEP, 1.0, 30.0, None, "hang", b"x\n"),
            (KEEP_PRINTING_THEN_END, 2.0, 60.0, 3, None, b"step 79\n"),
            (KEEP_PRINTING, 2.0, 3.0, None, "long", b"step\n"),
        ]
        for program, quiet, cap, status, stop, printed in cases:
            with self.subTest(stop=stop, status=status):
                t0 = time.monotonic()
                rc, out, why = run_program([sys.executable, "-c", program], ".", quiet, cap)
                self.assertEqual((rc, why), (status, stop))
                self.assertIn(printed, out)
                # A killed run is killed: the 60 s sleep does not run out.
                self.assertLess(time.monotonic() - t0, 50.0)


class StopLines(unittest.TestCase):
    def test_a_data_error_line_needs_the_line_that_names_the_file(self):
        data = "  \xb4\xed\xce\xf3:\\Rails_Location.dat" + DATA_ERROR + " "
        node = "  \xb4\xed\xce\xf3:\\Modal_Substructure_Bridge.dat:BridgeNodeOutput" + NODE_ERROR + " "
        pause = "Press Enter to continue."
        names = ["Rails_Location.dat", "Modal_Substructure_Bridge.dat"]
        # (console, undetailed)
        cases = [
            (data + "\n" + pause + "\n", True),
            (data + "\n", True),
            (data, True),
            (data + "\n\n" + pause + "\n", True),
            (data + "\n input/Rails_Location.dat (control points): no track reaches the bridge\n" + pause, False),
            (node + "\n input/Modal_Substructure_Bridge.dat (output points): node 77 is not in the node list\n", False),
            # A modal file named by the master file: the line's own layout.
            (data + "\n case/Girder 32 m.out line 4 (frequency table): bad value \"x\", not a number\n", False),
            (data + "\n Some text of another kind\n" + pause, True),
            (" Warning:System response blow out!\n" + pause, False),
        ]
        for console, expected in cases:
            with self.subTest(console=console):
                self.assertEqual(undetailed(console, names), expected)


class RefusedRunInputs(unittest.TestCase):
    def test_a_run_that_opened_no_result_file_leaves_its_inputs_as_they_were(self):
        base = SimpleNamespace(inputs=["input/SolutionParameters.dat", "input/Irregularity.dat"],
                               results=["input/Res_DisResults_Bridge.bin"])
        # (what the run did, rewritten)
        cases = [
            ("nothing", False),
            ("rewrote an input", True),
            ("deleted an input", True),
            ("rewrote an input and opened its results", False),
        ]
        for did, expected in cases:
            with self.subTest(did=did), tempfile.TemporaryDirectory() as d:
                work = Path(d)
                (work / "input").mkdir()
                for f in base.inputs:
                    (work / f).write_text("1 ! the user's own comment\n")
                result = work / base.results[0]
                result.write_bytes(b"old")
                os.utime(result, (978307200, 978307200))
                before = input_bytes(work, base.inputs)
                started = time.time() - 1.0
                if "rewrote" in did:
                    (work / base.inputs[0]).write_text("    1   !Integral Method\n")
                if "deleted" in did:
                    (work / base.inputs[1]).unlink()
                if "results" in did:
                    result.write_bytes(b"")
                self.assertEqual(rewritten(work, base, before, started), expected)


if __name__ == "__main__":
    unittest.main()
