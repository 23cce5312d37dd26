#!/usr/bin/env python3
"""Mutation fuzzing of every input file the program reads.

Three base cases are laid out in a scratch directory: the shipped example,
shortened ("short", Newmark, spatial contact with creep), the same with the
loads the example leaves off switched on ("loads": nonlinear spring-damper
elements on the girder and in the vehicle, a shoe-brake command of
"BrakePara.dat", harmonic and tabulated external forces, the mean wind with
turbulence, Runge-Kutta), and the short case integrated by the explicit
two-step scheme with vertical contact only ("vertical"). Each base runs once;
its result files stay in place as the files of an earlier run.

Every mutated run copies one base, damages one of its input files (QEL.PATH,
"WormCoeefficient.dat", "Geometry.dat" or any file of the input directory,
the modal files and the stored irregularity profile among them) in one way,
and runs the program on it. A run that prints nothing for --quiet seconds
(20) is stuck and killed; one that keeps printing (a progress line every
time step) but is still running after --cap seconds (120) is killed too and
counted as long: a damaged time step or speed may ask for many more steps
than the base, and a busy machine makes every step slower. A run must end in
one of:

  ok        exit 0, every result file finite and written by this run
  named     exit 1 with a message that names the damaged file
  refers    exit 1 with a message that names the input file which refers to
            the damaged one (a master file naming a modal file, say)
  unstable  exit 1 after the program's own blow-up warning: the damaged value
            still reads as a valid model, one that the integration cannot carry
  long      stopped at the cap while still printing

Anything else is a fault: a crash or a sanitizer report, a hang, an exit 1
that names no input file, a data-error line (" 错误:<file> 数据有误！ " or
the node-number line) without the line after it that names the file, the
record or line and the value ("undetailed"), any other exit status, a NaN or
infinity in a result file of a run that ended with 0, a result file of
the earlier run left beside this run's results ("stale"), or an input file
that a run refused before it opened any result file has changed
("rewritten": the program writes its input files back only once the run
starts). Run i draws its mutation from (seed, i)
alone, so `--seed S --only-run i` repeats it.
"""

import argparse
import concurrent.futures
import math
import os
import random
import re
import selectors
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from collections import Counter, defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
EXAMPLE = ROOT / "examples" / "case"
CASES = Path(__file__).resolve().parent / "cases"

OK_OUTCOMES = ("ok", "named", "refers", "unstable", "long")
# The speed stage banner's first word, GBK bytes read as Latin-1: printed when
# a stage begins, after the result files are opened.
STAGE_BANNER = b"\xcb\xd9\xb6\xc8\xb5\xb5".decode("latin-1")
FAULTS = ("crash", "sanitizer", "hang", "unnamed", "undetailed", "status", "nonfinite", "stale", "rewritten")
# The input-status check's two messages, GBK bytes read as Latin-1.
DATA_ERROR = b"\xca\xfd\xbe\xdd\xd3\xd0\xce\xf3\xa3\xa1".decode("latin-1")
NODE_ERROR = b"\xbd\xda\xb5\xe3\xba\xc5\xb3\xac\xb3\xf6\xb6\xa8\xd2\xe5\xa3\xa1".decode("latin-1")
PAUSE_PROMPT = "Press Enter to continue."
# The line that says what to fix: "<file>[ line L][ (<record>)]: <what>".
DETAIL = re.compile(r"^ \S.*?(?: line \d+)?(?: \(.*\))?: \S")

REPLACEMENTS = ("0", "-1", "1e38", "1e300", "2147483648", "NaN", "Inf", "word")
MUTATIONS = ("truncate", "delete-line", "duplicate-line", "number", "number", "number",
             "number", "empty", "missing", "crlf", "garbage")

NUMBER = re.compile(rb"(?<![\w.+-])[-+]?(?:\d+\.?\d*|\.\d+)(?:[eEdD][-+]?\d+)?(?![\w.])")
OLD_TIME = 978307200  # 2001-01-01: the time stamp of the earlier run's result files


def add_vehicle_spring(case_dir):
    """The "loads" case's vehicle type gets one spring-damper element (id 1
    of the vehicles' spring file) between car-body node 51 and bogie node 61."""
    path = case_dir / "input" / "Modal_Substructure_Vehicletypes.dat"
    lines = path.read_text().split("\n")
    assert lines[0].split()[:7] == ["1", "1", "16", "8", "0", "6", "32"], lines[0]
    assert lines[1].split()[:6] == ["1", "16", "8", "0", "6", "32"], lines[1]
    lines[0] = "  1 1 16 8 1 6 32"
    lines[1] = "  1 16 8 1 6 32"
    at = lines.index("  0.43 0.3 0.7465")  # wheel parameters of contact code 0
    lines.insert(at + 1, "  51 61 0 1")
    path.write_text("\n".join(lines))


# Each base: the case whose files it starts from (after the example's), its
# own files under cases/<name>, and an edit of the files it shares.
BASES = {"short": (None, None), "loads": (None, add_vehicle_spring), "vertical": ("short", None)}


def make_base(name, dest):
    shutil.copytree(EXAMPLE, dest)
    parent, edit = BASES[name]
    for case in (parent, name):
        if case is None:
            continue
        overrides = CASES / case
        for f in overrides.rglob("*"):
            if f.is_file():
                shutil.copyfile(f, dest / f.relative_to(overrides))
    if edit:
        edit(dest)


def run_program(command, cwd, quiet, cap, env=None):
    """Runs command in cwd with no standard input and watches its output.
    Returns (status, output, stop): stop is None when the process ended by
    itself; "hang" when it printed nothing (on standard output or standard
    error) for `quiet` seconds, and "long" when it kept printing but was
    still running after `cap` seconds; then it was killed and status is None.
    A healthy run prints a progress line every time step, so only a run that
    is stuck goes quiet, however slow a busy machine makes it."""
    p = subprocess.Popen(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, env=env)
    chunks = {p.stdout.fileno(): [], p.stderr.fileno(): []}
    stop = None
    with selectors.DefaultSelector() as sel:
        for f in (p.stdout, p.stderr):
            os.set_blocking(f.fileno(), False)
            sel.register(f.fileno(), selectors.EVENT_READ)
        started = last = time.monotonic()
        while sel.get_map():
            now = time.monotonic()
            if now - last >= quiet:
                stop = "hang"
                break
            if now - started >= cap:
                stop = "long"
                break
            for key, _ in sel.select(min(quiet - (now - last), cap - (now - started))):
                data = os.read(key.fd, 1 << 16)
                if data:
                    chunks[key.fd].append(data)
                    last = time.monotonic()
                else:
                    sel.unregister(key.fd)
    if stop is None:
        # Both streams closed: the process is ending (or closed them and
        # went on silently).
        try:
            p.wait(max(quiet - (time.monotonic() - last), 0.0))
        except subprocess.TimeoutExpired:
            stop = "hang"
    if stop is not None:
        p.kill()
        p.wait()
    out = b"".join(chunks[p.stdout.fileno()]) + b"".join(chunks[p.stderr.fileno()])
    p.stdout.close()
    p.stderr.close()
    return (None if stop else p.returncode), out, stop


def run_binary(binary, cwd, args):
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = "detect_leaks=1:abort_on_error=0:exitcode=86"
    env["UBSAN_OPTIONS"] = "print_stacktrace=1:halt_on_error=1:exitcode=86"
    return run_program([str(binary)], cwd, args.quiet, args.cap, env)


def input_dir_of(case_dir):
    first = (case_dir / "QEL.PATH").read_bytes().decode("latin-1").split("\n")[0].strip().replace("\\", "/")
    return case_dir / first if first else case_dir


def nonfinite(path):
    data = path.read_bytes()
    if path.suffix == ".bin":
        n = len(data) // 4
        return any(not math.isfinite(v) for v in struct.unpack("<%df" % n, data[:4 * n]))
    return re.search(rb"(?i)\b(nan|inf|infinity)\b", data) is not None


class Base:
    def __init__(self, name, scratch, args):
        self.name = name
        self.fresh = scratch / ("base-" + name)
        make_base(name, self.fresh)
        self.inputs = sorted(str(p.relative_to(self.fresh)) for p in self.fresh.rglob("*") if p.is_file())
        ran = scratch / ("ran-" + name)
        shutil.copytree(self.fresh, ran)
        t0 = time.time()
        rc, out, stop = run_binary(args.binary, ran, args)
        self.seconds = time.time() - t0
        if rc != 0:
            sys.exit("fuzz: the base case %s does not run (%s):\n%s"
                     % (name, stop or "status %s" % rc, out.decode("latin-1")))
        indir = input_dir_of(ran)
        self.results = sorted(str(p.relative_to(ran)) for p in indir.iterdir()
                              if p.is_file() and str(p.relative_to(ran)) not in self.inputs)
        for r in self.results:
            if nonfinite(ran / r):
                sys.exit("fuzz: the base case %s writes a value that is not finite in %s" % (name, r))
        self.ran = ran
        # The stored profile that the run wrote back is an input of its own.
        self.stored_profile = ran / (str(indir.relative_to(ran)) + "/Irregularity.dat")
        self.targets = list(self.inputs) + ["stored:" + str(self.stored_profile.relative_to(ran))]


def mutate(rng, data, kind):
    """Returns the damaged bytes, or None for a file that is not there."""
    if kind == "missing":
        return None
    if kind == "empty":
        return b""
    if kind == "truncate":
        return data[:rng.randrange(len(data))] if data else b""
    if kind == "crlf":
        return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    if kind == "garbage":
        if not data or rng.random() < 0.2:
            return bytes(rng.randrange(256) for _ in range(rng.randrange(1, 2000)))
        at = rng.randrange(len(data))
        junk = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 64)))
        return data[:at] + junk + data[at + len(junk):]
    if kind in ("delete-line", "duplicate-line"):
        lines = data.split(b"\n")
        if not lines:
            return data
        i = rng.randrange(len(lines))
        if kind == "delete-line":
            del lines[i]
        else:
            lines.insert(i, lines[i])
        return b"\n".join(lines)
    assert kind == "number"
    spans = [m.span() for m in NUMBER.finditer(data)]
    if not spans:
        return data
    # Half the time one of the first values, where the counts and codes stand.
    a, b = spans[rng.randrange(min(len(spans), 40))] if rng.random() < 0.5 else rng.choice(spans)
    return data[:a] + rng.choice(REPLACEMENTS).encode() + data[b:]


def plan(seed, index, targets):
    """The mutation of run `index`: every (base, file) in turn, a kind drawn."""
    case, target = targets[index % len(targets)]
    rng = random.Random(seed * 1000003 + index)
    return case, target, rng.choice(MUTATIONS), rng


def run_one(args, bases, targets, scratch, index):
    case, target, kind, rng = plan(args.seed, index, targets)
    base = bases[case]
    work = scratch / ("run-%d" % index)
    shutil.copytree(base.fresh, work)
    for r in base.results:  # the earlier run's results, stamped old
        shutil.copyfile(base.ran / r, work / r)
        os.utime(work / r, (OLD_TIME, OLD_TIME))
    name = target
    if target.startswith("stored:"):
        name = target[len("stored:"):]
        shutil.copyfile(base.stored_profile, work / name)
    path = work / name
    damaged = mutate(rng, path.read_bytes(), kind)
    if damaged is None:
        path.unlink()
    else:
        path.write_bytes(damaged)
    inputs_before = input_bytes(work, base.inputs)
    started = time.time() - 1.0
    rc, out, stop = run_binary(args.binary, work, args)
    text = out.decode("latin-1")
    outcome = stop or classify(rc, text, name, base, work, started)
    if outcome in OK_OUTCOMES and rc != 0 and rewritten(work, base, inputs_before, started):
        outcome = "rewritten"
    kept = None
    if (outcome in FAULTS or outcome in args.keep_outcome) and args.keep:
        kept = Path(args.keep) / ("%s-%d" % (outcome, index))
        shutil.rmtree(kept, ignore_errors=True)
        shutil.copytree(work, kept)
        (kept / "console.txt").write_bytes(out)
        # The damaged file as the run found it (a run may rewrite its input).
        (kept / "damaged.txt").write_bytes(b"missing" if damaged is None else damaged)
        (kept / "mutation.txt").write_text("%s %s %s\n" % (case, target, kind))
    shutil.rmtree(work, ignore_errors=True)
    return index, case, target, kind, outcome, text, kept


def undetailed(text, names):
    """Whether a data-error or node-number line of the console is not followed
    by the line that names the file (one of `names`, or in the layout of that
    line), the record and the value."""
    lines = text.split("\n")
    for i, line in enumerate(lines):
        if DATA_ERROR not in line and NODE_ERROR not in line:
            continue
        after = lines[i + 1].rstrip("\r") if i + 1 < len(lines) else ""
        if not after.strip() or after.startswith(PAUSE_PROMPT):
            return True
        if not any(n in after for n in names) and not DETAIL.match(after):
            return True
    return False


def input_bytes(work, inputs):
    """Every input file of a run as it stands (None for one that is not there)."""
    return {f: (work / f).read_bytes() if (work / f).is_file() else None for f in inputs}


def rewritten(work, base, before, started):
    """Whether a run that ended without opening any result file (a refused or
    stopped start-up) changed one of its input files."""
    if any((work / r).exists() and (work / r).stat().st_mtime >= started for r in base.results):
        return False
    return input_bytes(work, before) != before


def classify(rc, text, name, base, work, started):
    if "Sanitizer" in text or "runtime error:" in text or rc == 86:
        return "sanitizer"
    if rc < 0:
        return "crash"
    if rc == 1 and undetailed(text, [Path(f).name for f in base.inputs] + [Path(name).name]):
        return "undetailed"
    present = [r for r in base.results if (work / r).exists()]
    written = [r for r in present if (work / r).stat().st_mtime >= started]
    if rc == 1:
        # A run refused before its first speed stage began (no stage banner)
        # was refused at start-up, before it opened a result file: the
        # earlier run's files must stand as they were.
        if STAGE_BANNER not in text and written and not post_processing(work):
            return "stale"
        # The files this run wrote must not stand beside an earlier run's
        # untouched ones as if they were one run's results.
        holds_data = any((work / r).stat().st_size > 4 for r in written)
        if holds_data and len(written) < len(present) and not post_processing(work):
            return "stale"
        if "blow out" in text:
            return "unstable"
        if Path(name).name in text:
            return "named"
        if any(Path(f).name in text for f in base.inputs):
            return "refers"
        return "unnamed"
    if rc != 0:
        return "status"
    # A post-processing run writes the bulk files alone, from the earlier
    # run's modal coordinates; every other run writes every result file.
    expected = [r for r in base.results if "BulkDate" in r] if post_processing(work) else base.results
    if any(r in present and r not in written for r in expected):
        return "stale"
    if any(nonfinite(work / r) for r in written):
        return "nonfinite"
    return "ok"


def post_processing(work):
    try:
        first = (input_dir_of(work) / "SolutionParameters.dat").read_text("latin-1").split()[0]
        return float(first) == -1.0
    except (OSError, IndexError, ValueError):
        return False


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--binary", default=str(ROOT / "build-sanitize" / "trainbridge"))
    ap.add_argument("--seed", type=int, default=19)
    ap.add_argument("--runs", type=int, help="number of mutated runs")
    ap.add_argument("--seconds", type=float, help="run until this much time has passed")
    ap.add_argument("--only-run", type=int, help="repeat run i alone and print its console")
    ap.add_argument("--only", help="mutate only the input files whose path contains this text")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    ap.add_argument("--quiet", type=float, default=20.0,
                    help="seconds a run may go without printing before it counts as hung")
    ap.add_argument("--cap", type=float, default=120.0,
                    help="seconds a run that keeps printing may take before it is stopped and counted as long")
    ap.add_argument("--keep", help="directory where the runs that fault are kept")
    ap.add_argument("--keep-outcome", action="append", default=[], choices=OK_OUTCOMES,
                    help="keep the runs of this outcome as well")
    args = ap.parse_args()
    if args.runs is None and args.seconds is None and args.only_run is None:
        args.runs = 200
    args.binary = str(Path(args.binary).resolve())

    scratch = Path(tempfile.mkdtemp(prefix="fuzz-"))
    try:
        bases = {n: Base(n, scratch, args) for n in BASES}
        targets = [(n, t) for n in BASES for t in bases[n].targets if not args.only or args.only in t]
        if not targets:
            sys.exit("fuzz: no input file matches --only")
        for b in bases.values():
            print("base %s: %d input files, %d result files, %.2f s a run"
                  % (b.name, len(b.inputs), len(b.results), b.seconds))
        if args.only_run is not None:
            r = run_one(args, bases, targets, scratch, args.only_run)
            print("run %d: %s %s, %s: %s\n%s" % (r[0], r[1], r[2], r[3], r[4], r[5]))
            return 0 if r[4] in OK_OUTCOMES else 1
        return campaign(args, bases, targets, scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def campaign(args, bases, targets, scratch):
    deadline = time.time() + args.seconds if args.seconds else None
    per_file = defaultdict(Counter)
    faults = []
    started = time.time()
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        pending, index = set(), 0

        def more():
            return (args.runs is None or index < args.runs) and (deadline is None or time.time() < deadline)

        while pending or more():
            while more() and len(pending) < 2 * args.jobs:
                pending.add(pool.submit(run_one, args, bases, targets, scratch, index))
                index += 1
            done, pending = concurrent.futures.wait(pending, return_when=concurrent.futures.FIRST_COMPLETED)
            for f in done:
                i, case, target, kind, outcome, text, kept = f.result()
                per_file[target][outcome] += 1
                if outcome in FAULTS:
                    faults.append((i, case, target, kind, outcome, text, kept))

    total = Counter()
    for c in per_file.values():
        total.update(c)
    columns = OK_OUTCOMES + FAULTS
    print("%d mutated runs in %.0f s, seed %d" % (sum(total.values()), time.time() - started, args.seed))
    print("%-52s %6s " % ("input file", "runs") + " ".join("%9s" % c for c in columns))
    for target in sorted(per_file):
        c = per_file[target]
        print("%-52s %6d " % (target, sum(c.values())) + " ".join("%9d" % c[k] for k in columns))
    print("%-52s %6d " % ("all", sum(total.values())) + " ".join("%9d" % total[k] for k in columns))
    for i, case, target, kind, outcome, text, kept in sorted(faults)[:40]:
        tail = " | ".join(l.strip() for l in text.strip().split("\n")[-4:])
        print("FAULT run %d (%s %s, %s): %s%s: %s" % (i, case, target, kind, outcome,
                                                       " kept in %s" % kept if kept else "", tail[:400]))
    if faults:
        print("%d faults; repeat one with --seed %d --only-run I" % (len(faults), args.seed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
