#include "platform/desktop/modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace vantrel {

QStringList ModuleFolders()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return {programFolder, QDir::cleanPath(programFolder + QStringLiteral("/../lib/vantrel")),
            QStringLiteral(VANTREL_MODULE_INSTALL_DIR), QStringLiteral(VANTREL_MODULE_BUILD_DIR)};
}

QFunctionPointer ResolveModuleSymbol(const char *module, const char *symbol, const QStringList &folders,
                                     QString *why)
{
    QString error = QStringLiteral("no folder to look in");
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
