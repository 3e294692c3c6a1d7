#include "platform/ras/linestate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <signal.h>

namespace vantrel {

namespace {

QByteArray encodeField(const QString &s)
{
    return s.isEmpty() ? QByteArrayLiteral("-") : s.toUtf8().toPercentEncoding();
}

QString decodeField(const QByteArray &b)
{
    return b == "-" ? QString() : QString::fromUtf8(QByteArray::fromPercentEncoding(b));
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
    : m_dir(std::move(dir)), m_path(m_dir + QStringLiteral("/lines")),
      m_nativePath(QFile::encodeName(m_path))
{
}

QByteArray LineState::serialize(const QList<LineRecord> &records, HRASCONN nextHandle)
{
    QByteArray out = QByteArrayLiteral(
        "# Vantrel simulated line: the connections up now, shared by every process of the\n"
        "# user. Change it with vantrel-line, not by hand.\n");
    out += "next " + QByteArray::number(nextHandle) + '\n';
    for (const LineRecord &r : records) {
        const RasLiveConnection &c = r.connection;
        out += "line " + QByteArray::number(c.handle) + ' ' + QByteArray::number(r.ownerPid) + ' '
               + encodeField(c.entryName) + ' ' + encodeField(c.deviceType) + ' '
               + encodeField(c.deviceName) + ' ' + encodeField(c.address) + '\n';
    }
    return out;
}

QList<LineRecord> LineState::parse(const QByteArray &text, HRASCONN *nextHandle)
{
    QList<LineRecord> records;
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
        r.connection.entryName = decodeField(t.at(3));
        r.connection.deviceType = decodeField(t.at(4));
        r.connection.deviceName = decodeField(t.at(5));
        r.connection.address = decodeField(t.at(6));
        if (r.connection.entryName.isEmpty())
            continue;
        bool duplicate = false;
        for (const LineRecord &o : records)
            duplicate = duplicate || o.connection.handle == r.connection.handle;
        if (!duplicate)
            records.append(r);
    }
    return records;
}

HRASCONN LineState::takeHandle(const QList<LineRecord> &records, HRASCONN &nextHandle)
{
    for (;;) {
        const HRASCONN h = nextHandle++;
        if (h == 0)
            continue;
        bool used = false;
        for (const LineRecord &r : records)
            used = used || r.connection.handle == h;
        if (!used)
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
    if (!ReadWithStamp(m_nativePath, &content, &stamp, &err)) {
        // Replaced or removed between the two looks: an empty list now, read again next time.
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

bool LineState::update(const std::function<bool(QList<LineRecord> &, HRASCONN &)> &change,
                       QString *why)
{
    QDir dir(m_dir);
    if (!dir.exists()) {
        if (!QDir().mkpath(m_dir)) {
            if (why)
                *why = QStringLiteral("cannot create the folder %1").arg(m_dir);
            return false;
        }
        QFile::setPermissions(m_dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                         | QFileDevice::ExeOwner);
    }
    QLockFile lock(m_dir + QStringLiteral("/lines.lock"));
    if (!lock.tryLock(10000)) {
        if (why)
            *why = QStringLiteral("cannot lock %1 (error %2)")
                       .arg(m_path)
                       .arg(static_cast<int>(lock.error()));
        return false;
    }
    // Read afresh under the lock: the cache may be one write behind.
    QByteArray content;
    FileStamp stamp;
    int err = 0;
    HRASCONN next = 0;
    QList<LineRecord> records;
    if (ReadWithStamp(m_nativePath, &content, &stamp, &err)) {
        records = parse(content, &next);
    } else if (err != ENOENT) {
        if (why)
            *why = QStringLiteral("cannot read %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(err)));
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
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly)) {
        if (why)
            *why = QStringLiteral("cannot write %1: %2").arg(m_path, out.errorString());
        return false;
    }
    out.write(serialize(records, next));
    if (!out.commit()) {
        if (why)
            *why = QStringLiteral("cannot write %1: %2").arg(m_path, out.errorString());
        return false;
    }
    // Another writer may replace the file at once; let the next read stat it.
    std::lock_guard cacheLock(m_mutex);
    m_cacheValid = false;
    return true;
}

} // namespace vantrel
