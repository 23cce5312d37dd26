#!/usr/bin/env python3
"""Compares the result files of two runs channel by channel.

    compare_results.py DIR_A DIR_B [--tolerance 1e-5]

For every "Res_*.bin" file found in either directory (searched recursively,
matched by the path below it), it reads the stage blocks (the layout of the
README's "Result files") and prints, per file, whether the bytes are
identical, and otherwise the largest deviation of a channel relative to that
channel's largest magnitude (in either run), with the stage, channel and record
where it occurs. A file whose layout (stages, intervals, record and channel
counts, labels) differs is reported as such. The exit status is 0 when every
file is identical or within the tolerance, 1 otherwise.
"""
import argparse
import struct
import sys
from pathlib import Path


def blocks(data):
    """The stage blocks of a result file: (header, labels, records)."""
    v = struct.unpack("<%df" % (len(data) // 4), data[:4 * (len(data) // 4)])
    if not v:
        return []
    out, at = [], 1
    for _ in range(int(v[0])):
        if at + 3 > len(v):
            break
        interval, r, n = v[at:at + 3]
        r, n = int(r), int(n)
        at += 3
        labels = v[at:at + 2 * n]
        at += 2 * n
        records = [v[at + k * n:at + (k + 1) * n] for k in range(r)]
        at += r * n
        out.append(((interval, r, n), labels, records))
    return out


def compare(a_bytes, b_bytes):
    """('identical', None) or ('layout', text) or ('values', (dev, where))."""
    if a_bytes == b_bytes:
        return "identical", None
    a, b = blocks(a_bytes), blocks(b_bytes)
    if len(a) != len(b) or len(a_bytes) != len(b_bytes):
        return "layout", "%d bytes / %d bytes, %d / %d stage blocks" % (len(a_bytes), len(b_bytes), len(a), len(b))
    worst, where = 0.0, None
    for s, ((ha, la, ra), (hb, lb, rb)) in enumerate(zip(a, b), 1):
        if ha != hb or la != lb:
            return "layout", "stage %d: header or labels differ" % s
        n = ha[2]
        for c in range(n):
            scale = max((abs(rec[c]) for rec in ra + rb), default=0.0)
            for k, (x, y) in enumerate(zip(ra, rb), 1):
                d = abs(x[c] - y[c])
                if d == 0.0:
                    continue
                rel = d / scale if scale > 0.0 else float("inf")
                if rel > worst or where is None:
                    worst, where = rel, "stage %d channel %d record %d (%.7g vs %.7g)" % (s, c + 1, k, x[c], y[c])
    return "values", (worst, where)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("a", type=Path)
    p.add_argument("b", type=Path)
    p.add_argument("--tolerance", type=float, default=1e-5)
    args = p.parse_args()
    names = sorted({f.relative_to(d) for d in (args.a, args.b) for f in d.rglob("Res_*.bin")})
    if not names:
        sys.exit("no result files under %s or %s" % (args.a, args.b))
    ok = True
    for name in names:
        fa, fb = args.a / name, args.b / name
        if not fa.exists() or not fb.exists():
            print("%-60s only in %s" % (name, args.a if fa.exists() else args.b))
            ok = False
            continue
        kind, info = compare(fa.read_bytes(), fb.read_bytes())
        if kind == "identical":
            print("%-60s identical" % name)
        elif kind == "layout":
            print("%-60s layout differs: %s" % (name, info))
            ok = False
        else:
            dev, where = info
            within = dev <= args.tolerance
            ok = ok and within
            print("%-60s %.3e of the channel's largest magnitude%s, at %s" %
                  (name, dev, "" if within else " (beyond %.0e)" % args.tolerance, where))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
