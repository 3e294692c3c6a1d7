// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vantrel {

bool InstallTranslators(QCoreApplication &app, const QLocale &locale)
{
    // Qt's catalogue first: a translator installed later is asked first, so
    // the program's own texts win should a source text be the same.
    auto *qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;

    auto *own = new QTranslator(&app);
    if (own->load(locale, QStringLiteral("vantrel"), QStringLiteral("_"), kTranslationsFolder)) {
        QCoreApplication::installTranslator(own);
        return true;
    }
    delete own;
    return false;
}

} // namespace vantrel
