// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/simline/linestate.h"

#include "platform/privatefolder.h"
#include "platform/regularfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <optional>

#include <signal.h>
#include <sys/stat.h>

namespace vantrel {

namespace {

// Writers hold the lock for a few milliseconds; a longer wait means something
// is wrong, and the change is given up rather than the caller hung.
constexpr int kLockTimeoutMs = 10000;

// A field is its UTF-8 bytes percent-encoded, '-' included, so that "-" alone
// can stand for the empty text and every text reads back as itself.
QByteArray encodeField(const QString &s)
{
    return s.isEmpty() ? QByteArrayLiteral("-") : s.toUtf8().toPercentEncoding(QByteArray(), "-");
}

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Strict: anything encodeField cannot have written (a stray character, a
// broken escape, bytes that are not UTF-8) makes the record unreadable.
std::optional<QString> decodeField(const QByteArray &b)
{
    if (b == "-")
        return QString();
    if (b.isEmpty())
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(b.size());
    for (qsizetype i = 0; i < b.size(); ++i) {
        const char c = b[i];
        if (c == '%') {
            const int hi = i + 2 < b.size() ? hexValue(b[i + 1]) : -1;
            const int lo = hi >= 0 ? hexValue(b[i + 2]) : -1;
            if (lo < 0)
                return std::nullopt;
            bytes.append(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else if (isUnreserved(c)) {
            bytes.append(c);
        } else {
            return std::nullopt;
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Handles start somewhere that depends on the time the state file is first made,
// so a handle kept by a program from before the file was removed is unlikely to
// name a new connection.
HRASCONN seedHandle()
{
    return 0x100 + static_cast<HRASCONN>((QDateTime::currentSecsSinceEpoch() & 0xFFFFF) << 4);
}

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

} // namespace

LineState::LineState(QString dir)
    : m_dir(std::move(dir)), m_path(m_dir + QStringLiteral("/lines")), m_nativePath(QFile::encodeName(m_path))
{
}

QString LineState::folderProblem() const
{
    struct stat st {};
    if (::lstat(QFile::encodeName(m_dir).constData(), &st) != 0 && errno == ENOENT)
        return {};
    const QString problem = PrivateFolderProblem(m_dir);
    if (problem.isEmpty())
        return {};
    return QCoreApplication::translate("LineState",
                                       "The simulated line keeps its connections in a folder that is not private: %1. "
                                       "Another user could show a forged connection there, so the simulated line "
                                       "reads and writes nothing in it: no line can be seen, dialled or hung up. "
                                       "Make the folder yours with mode 0700, or remove it.")
        .arg(problem);
}

QByteArray LineState::serialize(const QList<LineRecord> &records, HRASCONN nextHandle)
{
    QByteArray out = QByteArrayLiteral("# Vantrel simulated line: the connections up now, shared by every process of the\n"
                                       "# user. Change it with vantrel-line, not by hand.\n");
    out += "next " + QByteArray::number(nextHandle) + '\n';
    for (const LineRecord &r : records) {
        const RasLiveConnection &c = r.connection;
        out += "line " + QByteArray::number(c.handle) + ' ' + QByteArray::number(r.ownerPid) + ' '
               + encodeField(c.entryName) + ' ' + encodeField(c.deviceType) + ' ' + encodeField(c.deviceName) + ' '
               + encodeField(c.address) + '\n';
    }
    return out;
}

QList<LineRecord> LineState::parse(const QByteArray &text, HRASCONN *nextHandle)
{
    QList<LineRecord> records;
    QSet<HRASCONN> handles;
    if (nextHandle)
        *nextHandle = 0;
    for (const QByteArray &raw : text.split('\n')) {
        const QList<QByteArray> t = raw.trimmed().split(' ');
        if (t.size() == 2 && t.at(0) == "next") {
            bool ok = false;
            const uint v = t.at(1).toUInt(&ok);
            if (ok && nextHandle)
                *nextHandle = v;
            continue;
        }
        if (t.size() != 7 || t.at(0) != "line")
            continue; // comments, and anything this version does not know
        bool okH = false, okP = false;
        LineRecord r;
        r.connection.handle = t.at(1).toUInt(&okH);
        r.ownerPid = t.at(2).toLongLong(&okP);
        if (!okH || !okP || r.connection.handle == 0)
            continue;
        const std::optional<QString> fields[] = {decodeField(t.at(3)), decodeField(t.at(4)), decodeField(t.at(5)),
                                                 decodeField(t.at(6))};
        if (!fields[0] || !fields[1] || !fields[2] || !fields[3])
            continue;
        r.connection.entryName = *fields[0];
        r.connection.deviceType = *fields[1];
        r.connection.deviceName = *fields[2];
        r.connection.address = *fields[3];
        if (!handles.contains(r.connection.handle)) {
            handles.insert(r.connection.handle);
            records.append(r);
        }
    }
    return records;
}

HRASCONN LineState::takeHandle(const QList<LineRecord> &records, HRASCONN &nextHandle)
{
    QSet<HRASCONN> used;
    for (const LineRecord &r : records)
        used.insert(r.connection.handle);
    for (;;) {
        const HRASCONN h = nextHandle++;
        if (h != 0 && !used.contains(h))
            return h;
    }
}

bool LineState::hasDeadDials(const QList<LineRecord> &records)
{
    for (const LineRecord &r : records)
        if (r.ownerPid != 0 && !processAlive(r.ownerPid))
            return true;
    return false;
}

QList<LineRecord> LineState::withoutDeadDials(QList<LineRecord> records)
{
    records.removeIf([](const LineRecord &r) { return r.ownerPid != 0 && !processAlive(r.ownerPid); });
    return records;
}

void LineState::refreshLocked()
{
    FileStamp stamp;
    if (!folderProblem().isEmpty()) {
        m_cache.clear();
        m_cacheConnections.clear();
        m_cacheHasDials = false;
        m_cacheValid = false;
        return;
    }
    if (!StatFile(m_nativePath, &stamp)) {
        m_cache.clear();
        m_cacheConnections.clear();
        m_cacheHasDials = false;
        m_stamp = FileStamp{};
        m_cacheValid = true;
        return;
    }
    if (m_cacheValid && stamp == m_stamp)
        return;
    QByteArray content;
    int err = 0;
    if (!ReadWithStamp(m_nativePath, kMaxStateBytes, &content, &stamp, &err)) {
        // Replaced or removed between the two looks: an empty list now, read again next time.
        // A FIFO, a device or an oversized file in its place reads as no connections;
        // writers refuse it with a reason.
        m_cache.clear();
        m_cacheConnections.clear();
        m_cacheHasDials = false;
        m_cacheValid = false;
        return;
    }
    m_cache = parse(content, nullptr);
    m_cacheConnections.clear();
    m_cacheHasDials = false;
    for (const LineRecord &r : std::as_const(m_cache)) {
        m_cacheConnections.append(r.connection);
        m_cacheHasDials = m_cacheHasDials || r.ownerPid != 0;
    }
    m_stamp = stamp;
    m_cacheValid = true;
}

QList<LineRecord> LineState::read()
{
    std::lock_guard lock(m_mutex);
    refreshLocked();
    if (m_cacheHasDials && hasDeadDials(m_cache))
        return withoutDeadDials(m_cache);
    return m_cache;
}

QList<RasLiveConnection> LineState::connections()
{
    std::lock_guard lock(m_mutex);
    refreshLocked();
    if (m_cacheHasDials && hasDeadDials(m_cache)) {
        QList<RasLiveConnection> out;
        for (const LineRecord &r : withoutDeadDials(m_cache))
            out.append(r.connection);
        return out;
    }
    return m_cacheConnections;
}

bool LineState::update(const std::function<bool(QList<LineRecord> &, HRASCONN &)> &change, QString *why)
{
    QDir dir(m_dir);
    if (!dir.exists()) {
        // Made private from the start, never opened up for a moment.
        QDir().mkpath(QFileInfo(m_dir).absolutePath());
        if (::mkdir(QFile::encodeName(m_dir).constData(), 0700) != 0 && errno != EEXIST) {
            if (why)
                *why = QCoreApplication::translate("LineState", "cannot create the folder %1").arg(m_dir);
            return false;
        }
    }
    if (!folderProblem().isEmpty()) {
        if (why)
            *why = QCoreApplication::translate("LineState", "%1, so nothing is kept there").arg(PrivateFolderProblem(m_dir));
        return false;
    }
    FileLock lock;
    int lockErr = 0;
    if (!lock.lock(QFile::encodeName(m_dir + QStringLiteral("/lines.lock")), kLockTimeoutMs, &lockErr)) {
        if (why)
            *why = lockErr == ETIMEDOUT
                       ? QCoreApplication::translate("LineState", "%1 is locked by another process").arg(m_path)
                       : QCoreApplication::translate("LineState", "cannot lock %1: %2").arg(m_path, FileErrorText(lockErr));
        return false;
    }
    // Read afresh under the lock: the cache may be one write behind.
    QByteArray content;
    FileStamp stamp;
    int err = 0;
    HRASCONN next = 0;
    QList<LineRecord> records;
    if (ReadWithStamp(m_nativePath, kMaxStateBytes, &content, &stamp, &err)) {
        records = parse(content, &next);
    } else if (err != ENOENT) {
        if (why)
            *why = err == EFBIG
                       ? QCoreApplication::translate("LineState",
                                                     "%1 is larger than %2 KiB, too large to be the line state")
                             .arg(m_path)
                             .arg(kMaxStateBytes / 1024)
                       : QCoreApplication::translate("LineState", "cannot read %1: %2").arg(m_path, FileErrorText(err));
        return false;
    }
    if (next == 0)
        next = seedHandle();
    const qsizetype before = records.size();
    records = withoutDeadDials(records);
    const bool pruned = records.size() != before;
    const bool changed = change(records, next);
    if (!changed && !pruned)
        return true;
    if (!ReplaceFileLocked(m_nativePath, serialize(records, next), 0600, &err)) {
        if (why)
            *why = QCoreApplication::translate("LineState", "cannot write %1: %2").arg(m_path, FileErrorText(err));
        return false;
    }
    // Another writer may replace the file at once; let the next read stat it.
    std::lock_guard cacheLock(m_mutex);
    m_cacheValid = false;
    return true;
}

} // namespace vantrel
