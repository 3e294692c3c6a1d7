// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/desktop/modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace vantrel {

QStringList ModuleFolders()
{
    // VANTREL_MODULE_RELATIVE_DIR is the module folder as seen from the
    // program's folder in the install tree (e.g. ../lib/x86_64-linux-gnu/vantrel).
    QStringList folders{
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" VANTREL_MODULE_RELATIVE_DIR)),
        QStringLiteral(VANTREL_MODULE_INSTALL_DIR)};
#ifdef VANTREL_MODULE_BUILD_DIR
    folders << QStringLiteral(VANTREL_MODULE_BUILD_DIR);
#endif
    folders.removeDuplicates();
    return folders;
}

QFunctionPointer ResolveModuleSymbol(const char *module, const char *symbol, const QStringList &folders, QString *why)
{
    QString error = QCoreApplication::translate("Modules", "no folder to look in");
    for (const QString &folder : folders) {
        QLibrary library(QDir(folder).filePath(QLatin1String(module)));
        if (!library.load()) {
            error = library.errorString();
            continue;
        }
        if (const QFunctionPointer function = library.resolve(symbol))
            return function;
        error = library.errorString();
    }
    if (why)
        *why = error;
    return nullptr;
}

} // namespace vantrel
