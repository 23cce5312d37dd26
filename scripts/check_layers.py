#!/usr/bin/env python3
"""Checks that no source file includes a header from a layer above its own.

The folders of src/ stack in layers, bottom to top:

    platform                          unit table, record reader, formatted and
                                      binary writes, console, clock, stop
    model                             one header per shared record
    numerics, input                   numerical helpers; the readers and their stops
    track, interaction, wind, results the physics
    integration                       the stage loop and its schemes
    run                               the run's orchestrator and the program's entry

A file may include headers of its own folder and of the layers below it.
Folders of one layer include each other only where the physics asks for it:
each such include is listed in SAME_LAYER below, and any other one fails the
check as well, so that a new one is a decision, not a slip.

    python3 scripts/check_layers.py [--root DIR]

prints one line per include that breaks the order and exits 1, or prints
nothing and exits 0.
"""

import argparse
import re
import sys
from pathlib import Path

LAYERS = [
    ("platform",),
    ("model",),
    ("numerics", "input"),
    ("track", "interaction", "wind", "results"),
    ("integration",),
    ("run",),
]
LAYER_OF = {folder: level for level, folders in enumerate(LAYERS) for folder in folders}

# Includes between two folders of one layer that the physics asks for:
# (including file, included header), both relative to src/.
SAME_LAYER = set()

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def problems(src):
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        name = path.relative_to(src).as_posix()
        folder = name.split("/")[0] if "/" in name else ""
        if folder not in LAYER_OF:
            found.append("%s: a file outside the layered folders (%s)" % (name, ", ".join(LAYER_OF)))
            continue
        for match in INCLUDE.finditer(path.read_text(encoding="utf-8", errors="replace")):
            header = match.group(1)
            target = header.split("/")[0] if "/" in header else ""
            if target not in LAYER_OF:
                found.append("%s includes \"%s\", which is in no layered folder" % (name, header))
            elif LAYER_OF[target] > LAYER_OF[folder]:
                found.append("%s includes \"%s\": %s lies above %s" % (name, header, target, folder))
            elif target != folder and LAYER_OF[target] == LAYER_OF[folder] and (name, header) not in SAME_LAYER:
                found.append("%s includes \"%s\": %s and %s are one layer, and this include is not among the "
                             "listed ones (scripts/check_layers.py)" % (name, header, folder, target))
    return found


def main():
    parser = argparse.ArgumentParser(description="Checks that no source file includes from a layer above its own.")
    parser.add_argument("--root", default=str(Path(__file__).resolve().parents[1]),
                        help="the top of the source tree (default: this script's tree)")
    args = parser.parse_args()
    src = Path(args.root) / "src"
    if not src.is_dir():
        print("check_layers: no folder %s" % src, file=sys.stderr)
        return 2
    found = problems(src)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
