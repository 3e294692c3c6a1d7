#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the include lines of src/ against the program's layering.

Folders, lowest first; a file may include from its own folder's layer and the
ones below it, never from one above:

    platform   the operating-system services (with registry/, ras/, sockets/,
               desktop/ and any folder below platform/)
    monitor    settings, probe, log; the main window and its icons
    alarm      the online-time alarm and its windows
    dialer     the dial run and its windows
    windows    details, configuration, log viewer, about
    bus        the session-bus service over the main window and the dialer
    app        the composition root: start-up, window factories, main()

Across the folders runs the split into libraries: a source of vantrel_core
(the list CMake holds, handed in with --core) includes no source outside the
core and no header of Qt Gui or Qt Widgets (found in the include folders
handed in with --gui-include).

Usage: check_layers.py --src DIR --core 'a.cpp|b.h|...' --gui-include 'DIR|DIR'
Exit status 0 when the includes keep to the layering, 1 with one line per
offending include otherwise.
"""
import argparse
import os
import re
import sys

LAYERS = ["platform", "monitor", "dialer", "ui", "app"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def split_list(text):
    return [item for item in re.split(r"[|;]", text or "") if item]


def layer_of(rel_path):
    top = rel_path.split("/", 1)[0]
    return LAYERS.index(top) if top in LAYERS else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--src", required=True)
    parser.add_argument("--core", required=True)
    parser.add_argument("--gui-include", default="")
    args = parser.parse_args()

    src = os.path.realpath(args.src)
    core = set()
    for item in split_list(args.core):
        path = item if os.path.isabs(item) else os.path.join(src, item)
        core.add(os.path.relpath(os.path.realpath(path), src))
    gui_dirs = [d for d in split_list(args.gui_include)
                if os.path.basename(d.rstrip("/")) in ("QtGui", "QtWidgets")]
    if not gui_dirs:
        print("check_layers: no Qt Gui or Qt Widgets include folder given", file=sys.stderr)
        return 2

    def gui_header(name):
        if name.startswith(("QtGui/", "QtWidgets/")):
            return True
        return any(os.path.isfile(os.path.join(d, name)) for d in gui_dirs)

    faults = []
    for root, _dirs, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            rel = os.path.relpath(os.path.join(root, name), src)
            layer = layer_of(rel)
            if layer is None:
                faults.append(f"{rel}: folder '{rel.split('/', 1)[0]}' has no place in the layering "
                              "(add it to LAYERS in tests/check_layers.py)")
                continue
            in_core = rel in core
            with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, target = m.groups()
                    where = f"{rel}:{number}: #include {kind}{target}{'>' if kind == '<' else kind}"
                    if kind == "<":
                        if in_core and gui_header(target):
                            faults.append(f"{where}: a core source includes a Qt Gui/Widgets header")
                        continue
                    local = os.path.normpath(os.path.join(os.path.dirname(rel), target))
                    if os.path.isfile(os.path.join(src, local)):
                        inc = local
                    elif os.path.isfile(os.path.join(src, target)):
                        inc = os.path.normpath(target)
                    else:
                        continue  # generated (globeart.inc) or outside src/
                    inc_layer = layer_of(inc)
                    if inc_layer is not None and inc_layer > layer:
                        faults.append(f"{where}: {LAYERS[layer]} includes from {LAYERS[inc_layer]}, "
                                      "which lies above it")
                    if in_core and inc not in core:
                        faults.append(f"{where}: a core source includes {inc}, which is not in vantrel_core")
    for fault in faults:
        print(fault)
    if not faults:
        print(f"check_layers: {len(core)} core sources; includes keep to {' < '.join(LAYERS)}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
