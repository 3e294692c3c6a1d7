// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/fileregistry.h"

#include "platform/logging.h"
#include "platform/messageboxes.h"
#include "platform/registry/desktopentry.h"
#include "platform/regularfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

// Writers hold the lock for a few milliseconds; waiting longer than this means
// something is wrong, and the write is given up rather than the program hung.
constexpr int kLockTimeoutMs = 10000;
// A hive holding all of Vantrel's settings is a few kilobytes; a hand-made one
// with a hundred thousand keys a few megabytes. Anything beyond this is not a
// settings file, and is not read into memory.
constexpr qint64 kMaxHiveBytes = 32 * 1024 * 1024;

const QString kRunKey = QStringLiteral("software\\microsoft\\windows\\currentversion\\run");

QString errorText(int err)
{
    return FileErrorText(err);
}

// QDir::mkpath leaves the errno of the mkdir() that failed, as a rule.
QString folderErrorText(int err)
{
    return err != 0 ? errorText(err) : QStringLiteral("the folder cannot be made");
}

QString unreadableText(const QString &file, int err)
{
    return QCoreApplication::translate("FileRegistry",
                                       "The settings file \"%1\" cannot be read (%2). Vantrel leaves it untouched "
                                       "and will not save settings into it.")
        .arg(file, errorText(err));
}

QString tooLargeText(const QString &file)
{
    return QCoreApplication::translate("FileRegistry",
                                       "The settings file \"%1\" is larger than %2 MiB, too large to be a settings "
                                       "file. Vantrel leaves it untouched and will not save settings into it.")
        .arg(file)
        .arg(kMaxHiveBytes / (1024 * 1024));
}

QString damagedText(const QString &file, const QString &why, const QString &aside)
{
    return QCoreApplication::translate("FileRegistry",
                                       "The settings file \"%1\" is damaged (%2). It has been kept aside as \"%3\", "
                                       "and Vantrel goes on as if it were empty.")
        .arg(file, why, aside);
}

QString damagedNotAsideText(const QString &file, const QString &why, int err)
{
    return QCoreApplication::translate("FileRegistry",
                                       "The settings file \"%1\" is damaged (%2) and could not be kept aside (%3). "
                                       "Vantrel leaves it untouched and will not save settings into it.")
        .arg(file, why, errorText(err));
}

bool validRunName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) && name != QLatin1String(".")
           && name != QLatin1String("..");
}

QString configHome()
{
    // Under the XDG base-directory rules a relative XDG_CONFIG_HOME is to be ignored.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}

} // namespace

// Hands the reports gathered during one outermost call to the reporter when the
// call ends: a report may open a modal box, which must not happen while a hive
// lock is held (other processes would wait on it).
class FileRegistry::ReportFlush {
public:
    explicit ReportFlush(FileRegistry &r) : m_r(r) { ++m_r.m_callDepth; }
    ~ReportFlush()
    {
        if (--m_r.m_callDepth > 0 || m_r.m_pendingReports.isEmpty())
            return;
        const QStringList reports = std::exchange(m_r.m_pendingReports, {});
        if (m_r.m_reporter)
            for (const QString &text : reports)
                m_r.m_reporter(text);
    }
    ReportFlush(const ReportFlush &) = delete;
    ReportFlush &operator=(const ReportFlush &) = delete;

private:
    FileRegistry &m_r;
};

FileRegistry::FileRegistry(const QString &directory, const QString &autostartDirectory, Reporter reporter)
    : m_directory(directory), m_autostart(autostartDirectory), m_reporter(std::move(reporter))
{
    m_user.file = m_directory + QStringLiteral("/user.reg");
    m_machine.file = m_directory + QStringLiteral("/machine.reg");
}

FileRegistry::~FileRegistry()
{
    pin(m_user, -1);
    pin(m_machine, -1);
}

QString FileRegistry::defaultDirectory()
{
    return configHome() + QStringLiteral("/vantrel");
}

QString FileRegistry::defaultAutostartDirectory()
{
    return configHome() + QStringLiteral("/autostart");
}

FileRegistry::Reporter FileRegistry::reportThrough(MessageBoxes &boxes)
{
    return [&boxes](const QString &text) { boxes.warning(text); };
}

QString FileRegistry::hiveFile(Hive hive) const
{
    return hive == Hive::CurrentUser ? m_user.file : m_machine.file;
}

void FileRegistry::report(const QString &text)
{
    // A warning when no reporter tells anyone; the reporter's box goes away
    // with its text, the debug log keeps it.
    if (m_reporter)
        qCDebug(lcFiles) << text;
    else
        qCWarning(lcFiles) << text;
    m_pendingReports.append(text);
}

void FileRegistry::writeFailed(const QString &file, const QString &reason)
{
    m_lastFailure = {file, reason};
    // Unstored settings are retried every half minute: the same failure is
    // logged once, until a write works again.
    if (m_lastFailure == m_loggedFailure) {
        qCDebug(lcFiles) << "Still cannot write" << file << reason;
        return;
    }
    m_loggedFailure = m_lastFailure;
    qCWarning(lcFiles) << "Cannot write" << file << reason;
}

void FileRegistry::pin(HiveState &h, int fd)
{
    if (h.pinnedFd >= 0 && h.pinnedFd != fd)
        ::close(h.pinnedFd);
    h.pinnedFd = fd;
}

void FileRegistry::setEmpty(HiveState &h, const Stamp &stamp, int pinFd, bool writeDenied)
{
    h.data = {};
    pin(h, pinFd);
    h.stamp = stamp;
    h.loaded = true;
    h.writeDenied = writeDenied;
}

FileRegistry::Stamp FileRegistry::stampOf(const struct stat &st)
{
    return Stamp{true,
                 st.st_dev,
                 st.st_ino,
                 st.st_size,
                 qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                 qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

void FileRegistry::refresh(HiveState &h, bool locked)
{
    const QByteArray path = QFile::encodeName(h.file);
    struct stat st;
    if (::stat(path.constData(), &st) != 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            if (!h.loaded || h.stamp.exists || h.writeDenied) {
                qCDebug(lcFiles) << "No settings file" << h.file << "yet: starting empty";
                setEmpty(h, Stamp{}, -1, false);
            }
            return;
        }
        if (h.loaded && h.writeDenied && !h.stamp.exists)
            return; // reported already
        report(unreadableText(h.file, err));
        setEmpty(h, Stamp{}, -1, true);
        return;
    }
    const Stamp now = stampOf(st);
    // The pinned descriptor keeps the inode of the file we read alive, so a
    // replaced file always shows another inode number, whatever the clock's
    // granularity on the file system.
    if (h.loaded && h.stamp == now)
        return;
    int err = 0;
    struct stat fst;
    const int fd = OpenRegularFile(path, O_RDONLY, 0, &err, &fst);
    if (fd < 0 && err == kNotRegularFile) {
        // A FIFO or a device holds no settings; read, it would block for ever.
        loadFrom(h, -1, now, locked, QCoreApplication::translate("FileRegistry", "it is not a regular file"));
        return;
    }
    if (fd < 0) {
        report(unreadableText(h.file, err));
        // The stamp is kept, so the report comes again only when the file changes.
        setEmpty(h, now, -1, true);
        return;
    }
    loadFrom(h, fd, stampOf(fst), locked, {});
}

void FileRegistry::loadFrom(HiveState &h, int fd, const Stamp &stamp, bool locked, QString why)
{
    hive::Data data;
    if (fd >= 0) {
        QByteArray text;
        int err = 0;
        if (!ReadOpenFile(fd, kMaxHiveBytes, &text, &err)) {
            ::close(fd);
            report(err == EFBIG ? tooLargeText(h.file) : unreadableText(h.file, err));
            setEmpty(h, stamp, -1, true);
            return;
        }
        if (text.isEmpty()) { // nothing in it to lose
            qCDebug(lcFiles) << "Settings file" << h.file << "is empty";
            setEmpty(h, stamp, fd, false);
            return;
        }
        if (hive::parse(text, &data, &why))
            why.clear();
        else if (why.isEmpty())
            why = QCoreApplication::translate("FileRegistry", "it cannot be read as a hive");
    }
    if (why.isEmpty()) {
        qCDebug(lcFiles) << "Read settings file" << h.file;
        h.data = std::move(data);
        pin(h, fd);
        h.stamp = stamp;
        h.loaded = true;
        h.writeDenied = false;
        return;
    }
    if (locked) {
        keepDamagedAside(h, fd, stamp, why);
        return;
    }
    // Move the file aside only under the lock: a writer may be replacing it with
    // a good one right now, and another reader may be moving it aside too.
    FileLock lock;
    int err = 0;
    if (!lock.lock(lockPath(h), kLockTimeoutMs, &err)) {
        if (err != ETIMEDOUT) {
            // A folder we cannot write to: the file cannot be moved aside either.
            report(damagedNotAsideText(h.file, why, err));
            setEmpty(h, stamp, fd, true);
            return;
        }
        if (fd >= 0)
            ::close(fd);
        setEmpty(h, Stamp{}, -1, false);
        h.loaded = false; // held by someone else for long: try again on the next call
        return;
    }
    if (fd >= 0)
        ::close(fd);
    h.loaded = false;
    refresh(h, true);
}

void FileRegistry::keepDamagedAside(HiveState &h, int fd, const Stamp &stamp, const QString &why)
{
    const QByteArray path = QFile::encodeName(h.file);
    const QString base = h.file + QStringLiteral(".damaged-")
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = base;
    int err = 0;
    for (int n = 2;; ++n) {
        // link() never replaces an existing file, so an older damaged copy with
        // the same time stamp is never lost.
        const QByteArray asidePath = QFile::encodeName(aside);
        if (::link(path.constData(), asidePath.constData()) == 0) {
            if (::unlink(path.constData()) != 0) {
                err = errno;
                ::unlink(asidePath.constData());
            }
            break;
        }
        err = errno;
        if (err == EEXIST) {
            aside = base + QLatin1Char('-') + QString::number(n);
            err = 0;
            continue;
        }
        // File systems without hard links: rename to a name checked to be free.
        err = 0;
        if (QFileInfo::exists(aside)) {
            aside = base + QLatin1Char('-') + QString::number(n);
            continue;
        }
        if (::rename(path.constData(), asidePath.constData()) != 0)
            err = errno;
        break;
    }
    if (err == 0) {
        if (fd >= 0)
            ::close(fd);
        report(damagedText(h.file, why, aside));
        setEmpty(h, Stamp{}, -1, false);
    } else {
        report(damagedNotAsideText(h.file, why, err));
        setEmpty(h, stamp, fd, true);
    }
}

QByteArray FileRegistry::lockPath(const HiveState &h)
{
    return QFile::encodeName(h.file) + ".lock";
}

bool FileRegistry::writable(const HiveState &h) const
{
    if (h.writeDenied)
        return false;
    // The file is replaced, not written in place, so a read-only file would not
    // stop the write by itself; its owner made it read-only for a reason.
    return !h.stamp.exists || ::access(QFile::encodeName(h.file).constData(), W_OK) == 0;
}

RegStatus FileRegistry::writeHive(HiveState &h, const std::function<RegStatus(hive::Data &, bool *)> &change)
{
    if (!QDir().mkpath(m_directory)) {
        writeFailed(m_directory, folderErrorText(errno));
        return RegStatus::WriteFault;
    }
    FileLock lock;
    int lockErr = 0;
    if (!lock.lock(lockPath(h), kLockTimeoutMs, &lockErr)) {
        writeFailed(h.file, lockErr == ETIMEDOUT ? QStringLiteral("another program has held its lock for too long")
                                                 : errorText(lockErr));
        return lockErr == EACCES || lockErr == EPERM || lockErr == EROFS ? RegStatus::AccessDenied : RegStatus::WriteFault;
    }
    refresh(h, true);
    if (!writable(h)) {
        writeFailed(h.file, h.writeDenied ? QStringLiteral("Vantrel does not write over a settings file it could not read")
                                          : errorText(errno)); // of the access() in writable()
        return RegStatus::AccessDenied;
    }
    bool changed = false;
    const RegStatus status = change(h.data, &changed);
    if (status != RegStatus::Success || !changed)
        return status;
    const QByteArray text = hive::serialise(h.data);
    int err = 0;
    if (!ReplaceFileLocked(QFile::encodeName(h.file), text, 0666, &err)) {
        writeFailed(h.file, errorText(err));
        h.loaded = false; // memory goes back to what the file still holds
        refresh(h, true);
        return RegStatus::WriteFault;
    }
    qCDebug(lcFiles) << "Wrote settings file" << h.file;
    m_loggedFailure = {};
    // Still under the lock: the file at the path is the one just written.
    struct stat st;
    const int fd = OpenRegularFile(QFile::encodeName(h.file), O_RDONLY, 0, &err, &st);
    if (fd >= 0) {
        pin(h, fd);
        h.stamp = stampOf(st);
    } else {
        if (fd >= 0)
            ::close(fd);
        h.loaded = false;
    }
    return RegStatus::Success;
}

bool FileRegistry::isRunView(const RegKey &key) const
{
    return key.hive == Hive::LocalMachine && hive::fold(key.path) == kRunKey;
}

bool FileRegistry::isRunViewOrAbove(Hive hive, const QString &foldedPath) const
{
    return hive == Hive::LocalMachine && (foldedPath == kRunKey || kRunKey.startsWith(foldedPath + QLatin1Char('\\')));
}

RegStatus FileRegistry::openKey(Hive hive, const QString &path, bool create, RegKey *key)
{
    ReportFlush flush(*this);
    m_lastFailure = {};
    if (!key)
        return RegStatus::InvalidHandle;
    *key = RegKey{};
    QString normal;
    if (!hive::normalisePath(path, &normal))
        return RegStatus::FileNotFound;
    const QString folded = hive::fold(normal);
    HiveState &h = state(hive);
    if (!isRunViewOrAbove(hive, folded)) {
        refresh(h, false);
        if (!h.data.keyExists(folded)) {
            if (!create)
                return RegStatus::FileNotFound;
            const RegStatus status = writeHive(h, [&](hive::Data &d, bool *changed) {
                d.ensureKey(normal, changed);
                return RegStatus::Success;
            });
            if (status != RegStatus::Success)
                return status;
        }
    }
    key->hive = hive;
    key->path = normal;
    key->valid = true;
    return RegStatus::Success;
}

RegStatus FileRegistry::queryValue(const RegKey &key, const QString &name, RegValue *value)
{
    ReportFlush flush(*this);
    if (!key.valid || !value)
        return RegStatus::InvalidHandle;
    if (isRunView(key))
        return runQuery(name, value);
    HiveState &h = state(key.hive);
    refresh(h, false);
    const hive::Key *k = h.data.findKey(hive::fold(key.path));
    if (!k)
        return RegStatus::FileNotFound;
    const auto it = k->values.find(hive::fold(name));
    if (it == k->values.end())
        return RegStatus::FileNotFound;
    *value = it->second.value;
    return RegStatus::Success;
}

RegStatus FileRegistry::setValue(const RegKey &key, const QString &name, const RegValue &value)
{
    ReportFlush flush(*this);
    m_lastFailure = {};
    if (!key.valid)
        return RegStatus::InvalidHandle;
    if (isRunView(key))
        return runSet(name, value);
    HiveState &h = state(key.hive);
    const RegValue v = hive::normalised(value);
    const QString foldedKey = hive::fold(key.path);
    const QString foldedName = hive::fold(name);
    // A value already stored as asked needs no write (the markers written at
    // every start are the common case). The file was checked just now.
    refresh(h, false);
    if (writable(h)) {
        if (const hive::Key *k = h.data.findKey(foldedKey)) {
            const auto it = k->values.find(foldedName);
            if (it != k->values.end() && it->second.value == v)
                return RegStatus::Success;
        }
    }
    return writeHive(h, [&](hive::Data &d, bool *changed) {
        hive::Key &k = d.ensureKey(key.path);
        const auto it = k.values.find(foldedName);
        if (it == k.values.end()) {
            k.values.emplace(foldedName, hive::Value{name, v});
            *changed = true;
        } else if (!(it->second.value == v)) {
            it->second.value = v;
            *changed = true;
        }
        if (*changed)
            k.touch();
        return RegStatus::Success;
    });
}

RegStatus FileRegistry::deleteValue(const RegKey &key, const QString &name)
{
    ReportFlush flush(*this);
    m_lastFailure = {};
    if (!key.valid)
        return RegStatus::InvalidHandle;
    if (isRunView(key))
        return runDelete(name);
    HiveState &h = state(key.hive);
    const QString foldedKey = hive::fold(key.path);
    const QString foldedName = hive::fold(name);
    refresh(h, false);
    const hive::Key *k = h.data.findKey(foldedKey);
    if (!k || !k->values.count(foldedName))
        return RegStatus::FileNotFound;
    return writeHive(h, [&](hive::Data &d, bool *changed) {
        hive::Key *dk = d.findKey(foldedKey);
        if (!dk || dk->values.erase(foldedName) == 0)
            return RegStatus::FileNotFound;
        dk->touch();
        *changed = true;
        return RegStatus::Success;
    });
}

void FileRegistry::closeKey(RegKey *key)
{
    if (key)
        key->valid = false;
}

QString FileRegistry::runFile(const QString &name) const
{
    QString exact = m_autostart + QLatin1Char('/') + name + QStringLiteral(".desktop");
    if (QFileInfo::exists(exact))
        return exact;
    // Value names compare without regard to case; file names do not.
    const QString wanted = hive::fold(name + QStringLiteral(".desktop"));
    const QDir dir(m_autostart);
    for (const QString &f : dir.entryList(QDir::Files | QDir::Hidden))
        if (hive::fold(f) == wanted)
            return dir.filePath(f);
    return exact;
}

RegStatus FileRegistry::runQuery(const QString &name, RegValue *value)
{
    if (!validRunName(name))
        return RegStatus::FileNotFound;
    const QByteArray path = QFile::encodeName(runFile(name));
    QByteArray text;
    int err = 0;
    if (!ReadRegularFile(path, desktopentry::kMaxEntryBytes, &text, &err)) {
        if (err == ENOENT || err == ENOTDIR)
            return RegStatus::FileNotFound;
        qCWarning(lcFiles) << "Cannot read autostart entry" << QFile::decodeName(path) << FileErrorText(err);
        return RegStatus::AccessDenied;
    }
    const std::optional<QString> command = desktopentry::autostartCommand(text);
    if (!command)
        return RegStatus::FileNotFound;
    *value = RegValue::string(*command);
    return RegStatus::Success;
}

RegStatus FileRegistry::runSet(const QString &name, const RegValue &value)
{
    if (!validRunName(name) || (value.type != RegType::Sz && value.type != RegType::ExpandSz))
        return RegStatus::AccessDenied;
    if (!QDir().mkpath(m_autostart)) {
        writeFailed(m_autostart, folderErrorText(errno));
        return RegStatus::WriteFault;
    }
    const QByteArray entry = desktopentry::autostartEntry(name, value.text);
    QSaveFile file(runFile(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit()) {
        writeFailed(file.fileName(), file.errorString());
        return RegStatus::WriteFault;
    }
    qCDebug(lcFiles) << "Wrote autostart entry" << file.fileName();
    return RegStatus::Success;
}

RegStatus FileRegistry::runDelete(const QString &name)
{
    if (!validRunName(name))
        return RegStatus::FileNotFound;
    const QString path = runFile(name);
    if (!QFileInfo::exists(path))
        return RegStatus::FileNotFound;
    QFile file(path);
    if (file.remove()) {
        qCDebug(lcFiles) << "Removed autostart entry" << path;
        return RegStatus::Success;
    }
    writeFailed(path, file.errorString());
    return RegStatus::AccessDenied;
}

} // namespace vantrel
