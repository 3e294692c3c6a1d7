// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDir>

namespace vantrel::test {

ScopedHome::ScopedHome()
    : m_oldHome(qgetenv("HOME")), m_oldConfig(qgetenv("XDG_CONFIG_HOME")), m_oldRuntime(qgetenv("XDG_RUNTIME_DIR")),
      m_oldState(qgetenv("XDG_STATE_HOME"))
{
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(m_dir.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", configDir().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (m_dir.path() + QStringLiteral("/runtime")).toLocal8Bit());
    qputenv("XDG_STATE_HOME", stateDir().toLocal8Bit()); // not made: writers make it when needed
}

ScopedHome::~ScopedHome()
{
    qputenv("HOME", m_oldHome);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    qputenv("XDG_STATE_HOME", m_oldState);
}

QString binaryDir()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace vantrel::test
