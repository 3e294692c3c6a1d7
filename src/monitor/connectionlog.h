#pragma once
// The connection log file, Vantrel.log in the program's folder: two header lines
// when the file is created, then one line per connection event.
#include <QString>

namespace vantrel {

class Clock;

enum LogEvent : int {
    LogConnected = 0,
    LogDisconnected = 1,
    LogClosedWhileConnected = 9,
};

// programFolder + "/Vantrel.log" (the folder has no trailing '/'; the root
// folder is "").
QString LogFilePath(const QString &programFolder);

// Appends the line for `event` (0, 1 or 9; other numbers write nothing), with the
// time of one clock reading and `currentEntry` in parentheses. Creates the file
// with its header when it does not exist yet. Every failure (missing folder,
// read-only file, full disk) drops the event silently.
void WriteLogEvent(const QString &programFolder, const QString &currentEntry, int event,
                   const Clock &clock);

} // namespace vantrel
