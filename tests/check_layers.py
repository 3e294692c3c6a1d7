#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the include lines and the libraries' source lists of src/ against the
program's layering.

A folder of src/ holds the files of one library, and its path says which; this
is the one place that says it (library_of):

    ui/...       vantrel_ui, the widgets
    app          the composition root and the programs
    any other    vantrel_core, Qt Core and Qt D-Bus only

Folders, lowest first; a file may include from its own folder's layer and the
ones below it, never from one above (a folder below one of these, such as
platform/ras/nm, belongs to it):

    platform      the operating-system services: registry/, ras/, sockets/, stun/
    monitor       settings, probe, log, single instance, public address, notices
    dialer        the dial run
    ui/platform   message boxes, modal windows, the form layout; the tray, sound,
                  clipboard and session (desktop/)
    ui/monitor    the main window, the splash and the artwork
    ui/alarm      the online-time alarm and its windows
    ui/dialer     the dial run's windows and the entries window
    ui/windows    details, configuration, log viewer, about, additions
    ui/bus        the session-bus service over the main window and the dialer
    app           the composition root: start-up, window factories, main()

A file of a core folder includes no file of another library and no header of
Qt Gui or Qt Widgets (found in the include folders handed in with
--gui-include). The source lists CMake holds (--core, --ui) agree with the
folders: a source of vantrel_core lies in a core folder and one of vantrel_ui
under ui/, and every file of a core folder is a source of vantrel_core.

Usage: check_layers.py --src DIR --core 'a.cpp|b.h|...' --ui 'c.cpp|...' --gui-include 'DIR|DIR'
Exit status 0 when everything keeps to the layering, 1 with one line per
offending include or source otherwise.
"""
import argparse
import os
import re
import sys

LAYERS = ["platform", "monitor", "dialer",
          "ui/platform", "ui/monitor", "ui/alarm", "ui/dialer", "ui/windows", "ui/bus",
          "app"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def library_of(rel_path):
    top = rel_path.split("/", 1)[0]
    if top == "ui":
        return "vantrel_ui"
    if top == "app":
        return "app"
    return "vantrel_core"


def layer_of(rel_path):
    folder = os.path.dirname(rel_path)
    for index in sorted(range(len(LAYERS)), key=lambda i: -len(LAYERS[i])):
        if folder == LAYERS[index] or folder.startswith(LAYERS[index] + "/"):
            return index
    return None


def split_list(text):
    return [item for item in re.split(r"[|;]", text or "") if item]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--src", required=True)
    parser.add_argument("--core", required=True)
    parser.add_argument("--ui", required=True)
    parser.add_argument("--gui-include", default="")
    args = parser.parse_args()

    src = os.path.realpath(args.src)

    def sources(text):  # the list's files inside src/, relative to it
        found = set()
        for item in split_list(text):
            path = os.path.realpath(item if os.path.isabs(item) else os.path.join(src, item))
            if path.startswith(src + os.sep):
                found.add(os.path.relpath(path, src))
        return found

    listed = {"vantrel_core": sources(args.core), "vantrel_ui": sources(args.ui)}
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
    for library, files in listed.items():
        for rel in sorted(files):
            if library_of(rel) != library:
                faults.append(f"{rel}: a source of {library} in a folder of {library_of(rel)}")
    for root, _dirs, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            rel = os.path.relpath(os.path.join(root, name), src)
            layer = layer_of(rel)
            if layer is None:
                faults.append(f"{rel}: folder '{os.path.dirname(rel) or '.'}' has no place in the layering "
                              "(add it to LAYERS in tests/check_layers.py)")
                continue
            in_core = library_of(rel) == "vantrel_core"
            if in_core and rel not in listed["vantrel_core"]:
                faults.append(f"{rel}: in a folder of vantrel_core but not one of its sources")
            with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, target = m.groups()
                    where = f"{rel}:{number}: #include {kind}{target}{'>' if kind == '<' else kind}"
                    if kind == "<":
                        if in_core and gui_header(target):
                            faults.append(f"{where}: a core folder's file includes a Qt Gui/Widgets header")
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
                    if in_core and library_of(inc) != "vantrel_core":
                        faults.append(f"{where}: a core folder's file includes {inc}, "
                                      f"which is {library_of(inc)}'s")
    for fault in faults:
        print(fault)
    if not faults:
        print(f"check_layers: {len(listed['vantrel_core'])} core and {len(listed['vantrel_ui'])} ui sources; "
              f"includes keep to {' < '.join(LAYERS)}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
