// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// vantrel-line: looks at and changes the simulated line from a terminal. It lists
// the phonebook and the live connections, brings a line up as a connection made
// by other means would be, and drops lines.
#include <QStringList>

class QTextStream;

namespace vantrel {

class SimLine;

// Runs one command (`args` without the program name). Returns the exit status:
// 0 done, 1 the command could not be carried out, 2 bad usage.
int RunLineTool(const QStringList &args, SimLine &line, QTextStream &out, QTextStream &err);

QString LineToolUsage();

} // namespace vantrel
