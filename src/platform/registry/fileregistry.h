// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The registry kept in two text files, one per hive, in the Wine registry hive
// format (see hiveformat.h): HKEY_CURRENT_USER in user.reg, HKEY_LOCAL_MACHINE
// in machine.reg.
//
// Several processes may use the same files at once. Every change is written at
// once, under a kernel lock (flock on user.reg.lock, dropped when its holder
// dies), after re-reading the hive when another process has changed it, and
// through a temporary file renamed over the old one: nobody's values are lost
// and a crash leaves either the old or the new file. Reads re-load a hive when
// its file has changed on disk.
//
// A hive file that cannot be parsed is renamed aside (user.reg.damaged-<time>)
// and reported once; the hive then starts empty. A hive file that cannot be read
// at all is reported and never written over (writes answer AccessDenied).
//
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run is not stored in the hive:
// it is a view over the freedesktop autostart folder. Value `Name` is the file
// `Name.desktop`; setting it to a program path writes an entry that starts that
// program at logon, deleting it removes the file.
//
// Not thread-safe: one FileRegistry is used from one thread.
#include "platform/registry/hiveformat.h"
#include "platform/registry/registry.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <sys/types.h>

struct stat;

namespace vantrel {

class MessageBoxes;

class FileRegistry final : public Registry {
public:
    // Receives the text of a report about a hive file (damaged, unreadable).
    using Reporter = std::function<void(const QString &text)>;

    // `directory` holds user.reg and machine.reg; `autostartDirectory` is the
    // folder behind the Run key.
    FileRegistry(const QString &directory, const QString &autostartDirectory, Reporter reporter = {});
    ~FileRegistry() override;
    FileRegistry(const FileRegistry &) = delete;
    FileRegistry &operator=(const FileRegistry &) = delete;

    // $XDG_CONFIG_HOME/vantrel (~/.config/vantrel when unset or not absolute).
    static QString defaultDirectory();
    // $XDG_CONFIG_HOME/autostart.
    static QString defaultAutostartDirectory();
    // Reports through a "Vantrel Message" box with the warning icon.
    static Reporter reportThrough(MessageBoxes &boxes);

    QString hiveFile(Hive hive) const;

    RegStatus openKey(Hive hive, const QString &path, bool create, RegKey *key) override;
    RegStatus queryValue(const RegKey &key, const QString &name, RegValue *value) override;
    RegStatus setValue(const RegKey &key, const QString &name, const RegValue &value) override;
    RegStatus deleteValue(const RegKey &key, const QString &name) override;
    void closeKey(RegKey *key) override;
    RegWriteFailure lastWriteFailure() const override { return m_lastFailure; }

private:
    struct Stamp {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const Stamp &) const = default;
    };

    struct HiveState {
        QString file;
        hive::Data data;
        bool loaded = false;
        Stamp stamp;       // of the file `data` came from
        int pinnedFd = -1; // keeps that file's inode number from being reused
        bool writeDenied = false;
    };

    class ReportFlush;

    static Stamp stampOf(const struct stat &st);
    HiveState &state(Hive hive) { return hive == Hive::CurrentUser ? m_user : m_machine; }
    // Brings `h` up to date with its file. `locked` tells whether the caller
    // holds the hive's lock (needed to move a damaged file aside).
    void refresh(HiveState &h, bool locked);
    // Parses the file open as `fd`; fd -1 with a reason in `why`: damaged as it is.
    void loadFrom(HiveState &h, int fd, const Stamp &stamp, bool locked, QString why);
    static QByteArray lockPath(const HiveState &h);
    static void setEmpty(HiveState &h, const Stamp &stamp, int pinFd, bool writeDenied);
    static void pin(HiveState &h, int fd);
    void keepDamagedAside(HiveState &h, int fd, const Stamp &stamp, const QString &why);
    // Applies `change` under the lock to the freshly read hive and writes it;
    // `change` returns the status and tells whether it changed anything. When the
    // write fails the hive is re-read from its (unchanged) file.
    RegStatus writeHive(HiveState &h, const std::function<RegStatus(hive::Data &, bool *changed)> &change);
    bool writable(const HiveState &h) const;
    void report(const QString &text);
    void writeFailed(const QString &file, const QString &reason);

    bool isRunView(const RegKey &key) const;
    bool isRunViewOrAbove(Hive hive, const QString &foldedPath) const;
    QString runFile(const QString &name) const;
    RegStatus runQuery(const QString &name, RegValue *value);
    RegStatus runSet(const QString &name, const RegValue &value);
    RegStatus runDelete(const QString &name);

    QString m_directory;
    QString m_autostart;
    Reporter m_reporter;
    HiveState m_user;
    HiveState m_machine;
    QStringList m_pendingReports;
    int m_callDepth = 0;
    RegWriteFailure m_lastFailure;
    RegWriteFailure m_loggedFailure; // the last write failure logged as a warning
};

} // namespace vantrel
