// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLocale>
#include <QString>

class QCoreApplication;

namespace vantrel {

// Where the program's own catalogues are: compiled from translations/*.ts and
// embedded in the program.
inline const QString kTranslationsFolder = QStringLiteral(":/i18n");

// Installs the program's catalogue and Qt's own (standard buttons, file
// dialog) for the given language, the user's own by default. A language
// without a catalogue leaves the English texts. Returns whether the
// program's own catalogue was found.
bool InstallTranslators(QCoreApplication &app, const QLocale &locale = QLocale::system());

} // namespace vantrel
