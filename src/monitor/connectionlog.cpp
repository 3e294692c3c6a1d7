// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/connectionlog.h"

#include "monitor/appstate.h"
#include "platform/clock.h"
#include "platform/logging.h"
#include "platform/regularfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

const QString kLogName = QStringLiteral("Vantrel.log");
// Writers hold the log's lock for the time of one write(); this is only ever
// reached when something else holds it.
constexpr int kLogLockTimeoutMs = 1000;

QString stamp(const QDateTime &t)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    return QString::asprintf("%2.2d-%2.2d-%4.4d %2.2dh %2.2dm %2.2ds", d.month(), d.day(), d.year(), tm.hour(), tm.minute(),
                             tm.second());
}

const char *eventText(int event)
{
    switch (event) {
    case LogConnected: return "Connected.";
    case LogDisconnected: return "Disconnected.";
    case LogClosedWhileConnected: return "Application closed but still connected.";
    default: return nullptr;
    }
}

// The characters that change the direction of the text around them: the
// embeddings, overrides and isolates, and the marks (left-to-right,
// right-to-left, Arabic letter).
bool isBidiControl(char16_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C;
}

// Entry names come from outside the program (NetworkManager profiles, the
// phonebook file, the registry) and may hold line breaks: written as they are,
// a name could end the event's line and forge a time-stamped one of its own. So
// every control character, and the Unicode line and paragraph separators, become
// U+FFFD: one event is always one line, and the reader sees that something was
// there. The bidirectional controls go the same way: a name holding a
// right-to-left override shows the rest of its line reversed, so that a line
// saying "Connected." reads as "Disconnected." in any viewer.
QString loggableName(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph: c = QChar::ReplacementCharacter; break;
        default:
            if (isBidiControl(c.unicode()))
                c = QChar::ReplacementCharacter;
            break;
        }
    }
    return out;
}

// Whether the file ends where a line ends (or is empty). A write cut short (a
// full disk, a writer killed while its line crossed a page of the file) leaves a
// half line at the end, and the next event must not be glued to it.
bool endsAtLineStart(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size == 0)
        return true;
    char last = '\n';
    ssize_t n;
    do {
        n = ::pread(fd, &last, 1, st.st_size - 1);
    } while (n < 0 && errno == EINTR);
    return n != 1 || last == '\n';
}

// The program folder exists but this user may not write into it (an installed
// program under /usr). A missing folder is not this case: the event is dropped.
bool folderNotWritable(const QString &folder)
{
    const QByteArray native = QFile::encodeName(folder.isEmpty() ? QStringLiteral("/") : folder);
    if (::access(native.constData(), W_OK | X_OK) == 0)
        return false;
    return errno == EACCES || errno == EROFS || errno == EPERM;
}

// Creates the folder and any missing parents with mode 0700, as the XDG
// base-directory rules ask for the state folder.
bool makePrivateFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder && !makePrivateFolder(parent))
        return false;
    return ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || errno == EEXIST;
}

// Leftovers of the named-temporary way below whose writer has died.
void removeDeadTemporaries(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral(".Vantrel.log.*.new")}, QDir::Files | QDir::Hidden)) {
        bool ok = false;
        const qint64 pid = name.section(QLatin1Char('.'), 3, 3).toLongLong(&ok);
        if (ok && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlink(QFile::encodeName(dir.filePath(name)).constData());
    }
}

enum class Created { Yes, AlreadyThere, Failed };

// Brings a new log into being with `text` (its header and first line) whole,
// or not at all: the text is written to a file without a name, synced, and
// then linked into place. link() fails if another writer made the log first,
// and this one then appends instead.
Created createWhole(const QString &path, const QByteArray &text)
{
    const QString folder = QFileInfo(path).path();
    const QByteArray nativePath = QFile::encodeName(path);
    int err = 0;
    int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        bool ok = WriteAll(fd, text, &err) && ::fdatasync(fd) == 0;
        if (ok && ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, nativePath.constData(), AT_SYMLINK_FOLLOW) != 0) {
            err = errno;
            ok = false;
        }
        ::close(fd);
        if (ok)
            return Created::Yes;
        if (err == EEXIST)
            return Created::AlreadyThere;
        if (err != ENOENT) // ENOENT: no /proc to name the file by
            return Created::Failed;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return Created::Failed;
    }
    // File systems without unnamed files: a temporary named after this process,
    // so that a later writer can tell a dead writer's leftover and remove it.
    removeDeadTemporaries(folder);
    const QByteArray tmp = QFile::encodeName(folder + QStringLiteral("/.Vantrel.log.%1.new").arg(::getpid()));
    ::unlink(tmp.constData());
    fd = OpenRegularFile(tmp, O_WRONLY | O_CREAT | O_EXCL, 0666, &err);
    if (fd < 0)
        return Created::Failed;
    bool ok = WriteAll(fd, text, &err) && ::fdatasync(fd) == 0;
    ::close(fd);
    if (ok && ::link(tmp.constData(), nativePath.constData()) != 0) {
        err = errno;
        ok = false;
    }
    ::unlink(tmp.constData());
    if (ok)
        return Created::Yes;
    return err == EEXIST ? Created::AlreadyThere : Created::Failed;
}

} // namespace

QString LogStateFolder()
{
    // Under the XDG base-directory rules a relative XDG_STATE_HOME is ignored.
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = !xdg.isEmpty() && QDir::isAbsolutePath(xdg) ? QDir::cleanPath(xdg)
                                                                     : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/vantrel");
}

QString LogFilePath(const QString &programFolder, bool installedProgram)
{
    if (installedProgram || folderNotWritable(programFolder))
        return LogStateFolder() + QLatin1Char('/') + kLogName;
    return programFolder + QLatin1Char('/') + kLogName;
}

QString LogFilePath(const AppState &state)
{
    return LogFilePath(state.ProgramFolder, state.InstalledProgram);
}

void WriteLogEvent(const QString &programFolder, const QString &currentEntry, int event, const Clock &clock,
                   bool installedProgram)
{
    const char *text = eventText(event);
    if (!text)
        return;
    const QString path = LogFilePath(programFolder, installedProgram);
    if (path.startsWith(LogStateFolder() + QLatin1Char('/')) && !makePrivateFolder(LogStateFolder())) {
        qCWarning(lcFiles) << "Connection log event dropped: cannot make the folder" << LogStateFolder();
        return;
    }
    const QByteArray nativePath = QFile::encodeName(path);

    const QString when = stamp(clock.now()); // one reading for every field of the call
    const QByteArray line = (QLatin1Char('[') + when + QStringLiteral("](") + loggableName(currentEntry)
                             + QStringLiteral("): ") + QLatin1String(text) + QStringLiteral("\r\n"))
                                .toUtf8();
    const QByteArray header = (QStringLiteral("@(#)>> Vantrel Log File created at: ") + when
                               + QStringLiteral("\r\n@(#)>> Please, do not edit.\r\n"))
                                  .toUtf8();

    // A few rounds at most: the log viewer may delete the file between a failed
    // link (someone made it) and the open for appending.
    for (int round = 0; round < 3; ++round) {
        int err = 0;
        // Read and write: the last byte is looked at before appending. A log the
        // user may write but not read is still appended to, without that look.
        bool canRead = true;
        int fd = OpenRegularFile(nativePath, O_RDWR | O_APPEND, 0, &err);
        if (fd < 0 && err == EACCES) {
            canRead = false;
            fd = OpenRegularFile(nativePath, O_WRONLY | O_APPEND, 0, &err);
        }
        if (fd >= 0) {
            // Under the file's lock: another writer's append that crosses a page
            // shows its size before its last bytes are in, and its half-copied
            // line would look like one a dead writer left. Held, the lock tells
            // the two apart: a half line found under it belongs to a writer
            // that died or ran out of room. Should a holder keep it too long,
            // the line goes in all the same rather than being lost.
            LockOpenFile(fd, kLogLockTimeoutMs, &err);
            // With O_APPEND the line lands at the end in one write(). A write cut
            // short by a signal is continued; one stopped by a full disk leaves a
            // half line, which the next event closes before its own.
            if (WriteAll(fd, !canRead || endsAtLineStart(fd) ? line : "\r\n" + line, &err))
                qCDebug(lcFiles) << "Logged" << text << "in" << path;
            else
                qCWarning(lcFiles) << "Connection log event dropped: cannot write" << path << FileErrorText(err);
            ::close(fd); // and the lock with it
            return;
        }
        if (err != ENOENT) { // read-only, a folder or a FIFO in its place...: dropped
            qCWarning(lcFiles) << "Connection log event dropped: cannot open" << path << FileErrorText(err);
            return;
        }
        const Created created = createWhole(path, header + line);
        if (created == Created::Yes)
            qCDebug(lcFiles) << "Created connection log" << path << "with" << text;
        else if (created == Created::Failed)
            qCWarning(lcFiles) << "Connection log event dropped: cannot create" << path;
        if (created != Created::AlreadyThere)
            return;
    }
}

} // namespace vantrel
