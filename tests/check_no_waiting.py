#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that no code in src/ waits inside the event loop or blocks the UI thread.

A handler that waits (a dialog's or a box's exec(), a QEventLoop, processEvents,
a blocking D-Bus call, waitFor..., a sleep) lets a second event run code the
first handler does not expect, or freezes the program. Boxes and windows are
opened and the work goes on from their finished(); blocking calls live on
worker threads.

Allowed: the two message loops of the programs (`app.exec()` in startup.cpp and
vantrel-ctl.cpp) and the files in ALLOWED, each with the reason it may wait.

Usage: check_no_waiting.py SRC_DIR      (or --self-test: planted calls are caught)
Exit status 0 when nothing waits, 1 with one line per offending call otherwise.
"""
import os
import re
import sys

FORBIDDEN = [
    (re.compile(r"\bexec\s*\(\s*\)"), "a nested event loop (exec)"),
    (re.compile(r"\bQEventLoop\b"), "a nested event loop (QEventLoop)"),
    (re.compile(r"\bprocessEvents\s*\("), "events delivered inside a handler (processEvents)"),
    (re.compile(r"QDBus::Block(WithGui)?\b"), "a blocking D-Bus call"),
    (re.compile(r"\.call\s*\("), "a blocking D-Bus call (QDBusConnection::call)"),
    (re.compile(r"\bwaitFor\w*\s*\("), "a blocking wait (waitFor...)"),
    (re.compile(r"\b(u|nano|m)?sleep(_for|_until)?\s*\("), "a sleep"),
]

# The message loop of each program.
MESSAGE_LOOPS = {"app/startup.cpp", "app/vantrel-ctl.cpp"}
MESSAGE_LOOP = re.compile(r"\bapp\.exec\s*\(\s*\)")

ALLOWED = {
    "app/vantrel-ctl.cpp": "the command-line client: no UI thread, it waits for its one answer",
    "ui/platform/desktop/session.cpp": "sleeps on Qt's Wayland reader thread while the main thread ends the program",
    "platform/regularfile.cpp": "polls for a file lock that writers hold for milliseconds, never past its timeout",
    "platform/ras/nm/nmservice.cpp": "the NetworkManager backend: its blocking calls run on its own thread (NmWorker)",
}

SOURCE_SUFFIXES = (".h", ".cpp")
LINE_COMMENT = re.compile(r"//.*$")
STRING = re.compile(r'"(?:\\.|[^"\\])*"')


def offences(rel, text):
    for number, line in enumerate(text.splitlines(), 1):
        code = LINE_COMMENT.sub("", STRING.sub('""', line))
        if rel in MESSAGE_LOOPS:
            code = MESSAGE_LOOP.sub("", code)
        for pattern, what in FORBIDDEN:
            if pattern.search(code):
                yield number, what, line.strip()
                break


# Planted calls the check must report, and lines it must let pass, for
# --self-test: a check that cannot fail would keep nothing so.
PLANTED = [
    ("ui/windows/fmconfig.cpp", "    window.exec();", True),
    ("ui/monitor/fmvantrel.cpp", "    QEventLoop loop;", True),
    ("dialer/dialer.cpp", "    QCoreApplication::processEvents();", True),
    ("ui/bus/busservice.cpp", "    bus.call(m, QDBus::Block, 2000);", True),
    ("ui/bus/busservice.cpp", "    const QDBusMessage r = m_bus.call(m);", True),
    ("monitor/probe.cpp", "    process.waitForFinished();", True),
    ("ui/alarm/alarm.cpp", "    QThread::msleep(100);", True),
    ("ui/alarm/alarm.cpp", "    std::this_thread::sleep_for(pause);", True),
    ("app/startup.cpp", "    const int exitCode = app.exec();", False),
    ("ui/monitor/fmvantrel.cpp", "    // no exec() here, and no processEvents()", False),
    ("ui/monitor/fmvantrel.cpp", '    text = tr("exec() or sleep(1)");', False),
]


def self_test():
    wrong = 0
    for rel, line, reported in PLANTED:
        if any(True for _ in offences(rel, line)) != reported:
            print(f"{rel}: {'missed' if reported else 'reported'}: {line.strip()}")
            wrong += 1
    return 1 if wrong else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    if len(sys.argv) != 2:
        print("usage: check_no_waiting.py SRC_DIR | --self-test", file=sys.stderr)
        return 2
    src = sys.argv[1]
    found = 0
    for root, _dirs, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, src)
            if rel in ALLOWED:
                continue
            with open(path, encoding="utf-8") as f:
                for number, what, line in offences(rel, f.read()):
                    print(f"{rel}:{number}: {what}: {line}")
                    found += 1
    for rel in ALLOWED:
        if not os.path.exists(os.path.join(src, rel)):
            print(f"{rel}: allowed to wait, but no such file", file=sys.stderr)
            found += 1
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
