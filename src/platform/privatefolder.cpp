// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/privatefolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

QString PrivateFolderProblem(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QCoreApplication::translate("PrivateFolder", "%1 cannot be looked at: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(st.st_mode))
        return QCoreApplication::translate("PrivateFolder", "%1 is not a folder").arg(path);
    if (st.st_uid != ::geteuid())
        return QCoreApplication::translate("PrivateFolder", "the folder %1 belongs to another user (user id %2)")
            .arg(path)
            .arg(st.st_uid);
    if ((st.st_mode & 077) != 0)
        return QCoreApplication::translate("PrivateFolder",
                                           "the folder %1 is open to other users (mode %2 instead of 0700)")
            .arg(path)
            .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

QString UserRuntimeFolder()
{
    // Qt already passes over an $XDG_RUNTIME_DIR of the wrong owner or mode;
    // the same check is made here so both users of the folder agree.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !PrivateFolderProblem(folder).isEmpty())
        return {};
    return folder;
}

} // namespace vantrel
