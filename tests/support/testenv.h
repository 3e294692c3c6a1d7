// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QTemporaryDir>

namespace vantrel::test {

// A fresh temporary folder set as HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and
// XDG_STATE_HOME (a folder not made yet) for
// as long as the object lives; the previous values are restored afterwards.
class ScopedHome {
public:
    ScopedHome();
    ~ScopedHome();
    QString path() const { return m_dir.path(); }
    QString configDir() const { return m_dir.path() + QStringLiteral("/config"); }
    QString stateDir() const { return m_dir.path() + QStringLiteral("/state"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome, m_oldConfig, m_oldRuntime, m_oldState;
};

// Folder of the running test binary.
QString binaryDir();

} // namespace vantrel::test
