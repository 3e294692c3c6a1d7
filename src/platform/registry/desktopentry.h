// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Freedesktop Desktop Entry files as far as the autostart view of the Run key
// needs them: writing an entry that runs one program file, and reading the
// command of such an entry back.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel::desktopentry {

// An autostart entry is a few lines; a larger file is not read.
constexpr qint64 kMaxEntryBytes = 64 * 1024;

// One argument of an Exec line, quoted when it holds a reserved character
// (blank, quote, $, backslash...), with `"`, `` ` ``, `$` and `\` escaped
// inside the quotes. Field codes are not handled here.
QString quoteArgument(const QString &arg);

// The Exec value for running `args`: each argument quoted as needed, literal
// `%` doubled, then the escaping every string value gets (`\` doubled,
// control characters as \n \t \r).
QString execValue(const QStringList &args);

// The reverse of execValue: the arguments of an Exec value as written in the
// file. Field codes (%f, %U...) standing alone are dropped. nullopt when the
// quoting is broken.
std::optional<QStringList> execArguments(const QString &value);

// The TryExec value naming `programPath`, so that a desktop skips the entry
// once that file is gone. nullopt when a plain string value cannot hold the
// path exactly (white space at its ends, control characters other than tab):
// a TryExec naming another file would hide the entry for good.
std::optional<QString> tryExecValue(const QString &programPath);

// A complete autostart entry named `name` that runs `programPath`, with its
// icon, a comment and TryExec where the path allows it.
QByteArray autostartEntry(const QString &name, const QString &programPath);

// The command of an autostart entry: the program path when Exec holds a single
// argument, otherwise the arguments joined into one command line (arguments
// with blanks in double quotes). nullopt when the file is not a usable
// application entry (no [Desktop Entry] group, no Exec, Hidden=true...).
std::optional<QString> autostartCommand(const QByteArray &file);

} // namespace vantrel::desktopentry
