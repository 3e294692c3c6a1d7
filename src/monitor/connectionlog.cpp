#include "monitor/connectionlog.h"

#include "platform/clock.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vantrel {

namespace {

// Single-byte text: Latin-1, one '?' for each character it cannot hold.
QByteArray toSingleByte(const QString &s)
{
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x100) {
            out.append(static_cast<char>(c));
        } else {
            out.append('?');
            if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate())
                ++i; // one character outside the BMP, one '?'
        }
    }
    return out;
}

QString stamp(const QDateTime &t)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    return QString::asprintf("%2.2d-%2.2d-%4.4d %2.2dh %2.2dm %2.2ds", d.month(), d.day(), d.year(),
                             tm.hour(), tm.minute(), tm.second());
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

// Opens the log for writing at its end and tells whether this call created it.
// O_EXCL makes "does it exist" and "create it" one step, so two writers never
// both write a header, and an existing file is never truncated.
int openLog(const QByteArray &path, bool *created)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *created = true;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
        fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd >= 0) {
            *created = false;
            return fd;
        }
        if (errno != ENOENT)
            return -1;
        // Deleted between the two opens (the log viewer clears it): try again.
    }
    return -1;
}

} // namespace

QString LogFilePath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/Vantrel.log");
}

void WriteLogEvent(const QString &programFolder, const QString &currentEntry, int event,
                   const Clock &clock)
{
    const char *text = eventText(event);
    if (!text)
        return;
    const QByteArray path = QFile::encodeName(LogFilePath(programFolder));
    bool created = false;
    const int fd = openLog(path, &created);
    if (fd < 0)
        return;

    const QString when = stamp(clock.now()); // one reading for every field of the call
    QString lines;
    if (created) {
        lines += QStringLiteral("@(#)>> Vantrel Log File created at: ") + when + QStringLiteral("\r\n");
        lines += QStringLiteral("@(#)>> Please, do not edit.\r\n");
    }
    lines += QLatin1Char('[') + when + QStringLiteral("](") + currentEntry + QStringLiteral("): ")
             + QLatin1String(text) + QStringLiteral("\r\n");
    const QByteArray bytes = toSingleByte(lines);

    // One write() for all of it: with O_APPEND each call lands whole at the end,
    // so the header and the first event never come apart. A short write (full
    // disk) is not continued: the event is dropped.
    ssize_t n;
    do {
        n = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    } while (n < 0 && errno == EINTR);
    ::close(fd);
}

} // namespace vantrel
