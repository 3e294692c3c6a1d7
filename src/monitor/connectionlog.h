// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The connection log file, Vantrel.log in the program's folder (or the state
// folder): two header lines when the file is created, then one line per
// connection event, in UTF-8.
#include <QString>

namespace vantrel {

class Clock;
struct AppState;

enum LogEvent : int {
    LogConnected = 0,
    LogDisconnected = 1,
    LogClosedWhileConnected = 9,
};

// Where the log is, for the writer and the log viewer alike. A program built
// for installing (`installedProgram`, AppState::InstalledProgram) keeps it in
// LogStateFolder() + "/Vantrel.log", wherever it lives: its folder is no place
// for a file that no package owns. A program run from its build or unpacked
// folder keeps it beside itself, programFolder + "/Vantrel.log" (the folder has
// no trailing '/'; the root folder is ""), unless that folder exists but cannot
// be written: then in the state folder as well.
QString LogFilePath(const QString &programFolder, bool installedProgram = false);
// The running program's log: its folder and kind as start-up set them.
QString LogFilePath(const AppState &state);

// $XDG_STATE_HOME/vantrel, ~/.local/state/vantrel when the variable is unset,
// empty or relative. The writer creates it (mode 0700) when it first needs it.
QString LogStateFolder();

// Appends the line for `event` (0, 1 or 9; other numbers write nothing) to the
// log at LogFilePath(programFolder, installedProgram), with the time of one
// clock reading and `currentEntry` in parentheses. Creates the file
// with its header when it does not exist yet: a new file appears with its
// header and first line whole, or not at all. Every failure (missing folder,
// read-only file, full disk, something other than a file in its place) drops
// the event silently.
void WriteLogEvent(const QString &programFolder, const QString &currentEntry, int event, const Clock &clock,
                   bool installedProgram = false);

} // namespace vantrel
