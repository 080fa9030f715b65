#!/usr/bin/env python3
"""Holds every include of the core to its layer table.

Usage: check-layering.py [--self-test] CORE_DIR LAYER:BELOW,BELOW ...

A file in CORE_DIR/<layer>/ may include headers of its own layer and of the layers listed for it; a header in
another layer's detail/ folder, the application, Qt and a layer that is not in the table are refused. Prints
each refused include as FILE:LINE: and exits 1 when there is one.

--self-test copies the core into a temporary folder, plants an upward include in its lowest layer and an
include of another layer's detail header, and succeeds only when the check refuses both.
"""

import pathlib
import re
import shutil
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def parse_table(entries):
    table = {}
    for entry in entries:
        layer, _, below = entry.partition(":")
        table[layer] = {name for name in below.split(",") if name}
    for layer, below in table.items():
        unknown = below - table.keys()
        if unknown:
            raise SystemExit(f"layer {layer} names unknown layers: {', '.join(sorted(unknown))}")
    return table


def refusals(core, table):
    found = []
    for path in sorted(core.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(core)
        if len(relative.parts) < 2:
            continue
        layer = relative.parts[0]
        if layer not in table:
            found.append(f"{path}:1: folder {layer} is not in the layer table")
            continue
        allowed = table[layer] | {layer}
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), start=1):
            match = INCLUDE.match(line)
            if not match:
                continue
            included = match.group(1)
            parts = included.split("/")
            if parts[0] in ("Tallowin", "cli", "tests", "bench") or parts[0].startswith("Q"):
                found.append(f"{path}:{number}: the core includes {included}")
            elif parts[0] == "TallowinCore" and len(parts) > 2:
                target = parts[1]
                if target not in allowed:
                    found.append(f"{path}:{number}: {layer} may not include {included} (layer {target})")
                elif target != layer and "detail" in parts[2:-1]:
                    found.append(f"{path}:{number}: {included} is internal to {target}")
    return found


def self_test(core, table):
    lowest = next(layer for layer, below in table.items() if not below)
    upper = next(layer for layer, below in table.items() if below and layer != lowest)
    details = sorted(core.glob("*/detail/*.h"))
    with tempfile.TemporaryDirectory() as scratch:
        copy = pathlib.Path(scratch) / "TallowinCore"
        shutil.copytree(core, copy)
        if refusals(copy, table):
            print("self-test: the unchanged core is already refused")
            return 1
        planted = copy / lowest / "PlantedUpward.h"
        planted.write_text(f'#pragma once\n#include "TallowinCore/{upper}/Anything.h"\n', encoding="utf-8")
        expected = 1
        if details:
            detail = details[0].relative_to(core)
            # A layer that may use the detail header's layer, so only the detail rule refuses it.
            other = next(layer for layer, below in table.items() if detail.parts[0] in below)
            (copy / other / "PlantedDetail.cpp").write_text(f'#include "TallowinCore/{detail}"\n', encoding="utf-8")
            expected = 2
        found = refusals(copy, table)
        for line in found:
            print(line.replace(str(copy), "TallowinCore"))
        if len(found) != expected:
            print(f"self-test: expected {expected} refused includes, found {len(found)}")
            return 1
    print("self-test: planted includes were refused")
    return 0


def main(arguments):
    testing = arguments[:1] == ["--self-test"]
    if testing:
        arguments = arguments[1:]
    if len(arguments) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    core = pathlib.Path(arguments[0])
    table = parse_table(arguments[1:])
    if testing:
        return self_test(core, table)
    found = refusals(core, table)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
