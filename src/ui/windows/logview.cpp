// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/logview.h"

#include <QByteArray>
#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vantrel {

namespace {

// The file is looked through in pieces of this size: its whole never needs to
// be in memory.
constexpr qint64 kPieceBytes = 1 << 20;
// A line's start is kept for one line in this many...
constexpr int kMarkLines = 64;
// ...and at least once in this many bytes, which is then the most that is
// read to find a line, and the size of the pieces a line is read in.
constexpr qint64 kMarkBytes = 64 * 1024;
constexpr int kHeaderMarkLength = 6; // "@(#)>>"

// read() or pread() (at >= 0) continued after a signal and after a short
// read, up to `size` bytes or the end of the file. -1 on an error.
qint64 readFully(int fd, char *buffer, qint64 size, qint64 at = -1)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = at < 0 ? ::read(fd, buffer + done, size_t(size - done))
                                 : ::pread(fd, buffer + done, size_t(size - done), at + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

QString LogView::caption(qsizetype maxChars, bool *more) const
{
    return fileLine(0, maxChars < 0 ? -1 : maxChars + kHeaderMarkLength, more).mid(kHeaderMarkLength);
}

qint64 LogView::lineStart(int index) const
{
    // The last mark at or before the line, then as many line ends as lie
    // between: all within kMarkBytes of the mark.
    const auto after = std::upper_bound(m_marks.begin(), m_marks.end(), index,
                                        [](int line, const Mark &mark) { return line < mark.line; });
    if (after == m_marks.begin())
        return -1;
    const Mark &mark = *(after - 1);
    int skip = index - mark.line;
    if (skip == 0)
        return mark.offset;
    QByteArray bytes(std::min(kMarkBytes, m_end - mark.offset), Qt::Uninitialized);
    const qint64 got = readFully(*m_fd, bytes.data(), bytes.size(), mark.offset);
    const char *data = bytes.constData();
    for (qint64 at = 0; at < got;) {
        const char *lf = static_cast<const char *>(std::memchr(data + at, '\n', size_t(got - at)));
        if (!lf)
            break;
        at = lf - data + 1;
        if (--skip == 0)
            return mark.offset + at;
    }
    return -1; // the file is not what it was
}

QString LogView::fileLine(int index, qsizetype maxChars, bool *more) const
{
    if (more)
        *more = false;
    if (index < 0 || index >= m_lineCount)
        return QString();
    qint64 at = lineStart(index);
    if (at < 0)
        return QString();
    const bool latin1 = m_latin1[size_t(index)];
    // Enough for maxChars UTF-16 units (one takes at most three bytes of
    // UTF-8; four bytes make two), the line end, and a byte more.
    const qint64 maxBytes = maxChars < 0 ? -1 : (latin1 ? qint64(maxChars) : 3 * qint64(maxChars)) + 3;
    QByteArray bytes;
    bool whole = false;
    while (!whole && (maxBytes < 0 || bytes.size() < maxBytes)) {
        qint64 want = std::min(kMarkBytes, m_end - at);
        if (maxBytes >= 0)
            want = std::min(want, maxBytes - bytes.size());
        if (want <= 0) {
            whole = at >= m_end;
            break;
        }
        const qsizetype old = bytes.size();
        bytes.resize(old + want);
        const qint64 got = readFully(*m_fd, bytes.data() + old, want, at);
        bytes.truncate(old + std::max<qint64>(got, 0));
        if (got <= 0) {
            whole = true; // the file is shorter than it was
            break;
        }
        if (const char *lf = static_cast<const char *>(std::memchr(bytes.constData() + old, '\n', size_t(got)))) {
            bytes.truncate(lf - bytes.constData());
            whole = true;
        }
        at += got;
        if (at >= m_end)
            whole = true;
    }
    if (whole && bytes.endsWith('\r'))
        bytes.chop(1); // the line ends in CR LF
    QString text;
    if (latin1) {
        text = QString::fromLatin1(bytes);
    } else {
        // Stateful: a character cut where the reading stopped is left out,
        // not shown as a wrong one.
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(bytes);
    }
    if (maxChars >= 0) {
        if (more)
            *more = !whole || text.size() > maxChars;
        if (text.size() > maxChars) {
            text.truncate(maxChars);
            if (!text.isEmpty() && text.back().isHighSurrogate())
                text.chop(1);
        }
    }
    return text;
}

bool ReadLogView(int fd, qint64 maxBytes, int maxLines, LogView *view, LogCut *cut, int *err)
{
    *view = LogView();
    view->m_fd = std::shared_ptr<const int>(new int(fd), [](const int *p) {
        ::close(*p);
        delete p;
    });
    *cut = LogCut::None;
    const int maxFileLines = maxLines + 2; // and the header

    // One pass over the file: where lines start, and whether each is valid
    // UTF-8. The decoder keeps its state from piece to piece, so a line may
    // span pieces; its LF turns a character cut short into an error.
    QByteArray piece(kPieceBytes, Qt::Uninitialized);
    QList<QChar> decoded(kPieceBytes + 4);
    QStringDecoder utf8(QStringDecoder::Utf8);
    std::vector<LogView::Mark> &marks = view->m_marks;
    std::vector<bool> &latin1 = view->m_latin1;
    qint64 offset = 0;     // of the piece in the file
    qint64 lineStart = -1; // of the line under way; -1 between lines
    int lines = 0;         // begun
    qint64 longestBytes = -1;
    const auto endLine = [&](qint64 end) {
        latin1.push_back(utf8.hasError());
        utf8.resetState();
        const int index = int(latin1.size()) - 1;
        if (index >= 2 && end - lineStart > longestBytes) {
            longestBytes = end - lineStart;
            view->m_longest = index;
        }
        lineStart = -1;
    };
    while (offset < maxBytes && *cut == LogCut::None) {
        const qint64 got = readFully(fd, piece.data(), std::min(kPieceBytes, maxBytes - offset));
        if (got < 0) {
            *err = errno;
            *view = LogView();
            return false;
        }
        if (got == 0)
            break;
        const char *data = piece.constData();
        qint64 from = 0;
        while (from < got) {
            if (lineStart < 0) {
                if (lines == maxFileLines) {
                    *cut = LogCut::Lines;
                    break;
                }
                lineStart = offset + from;
                if (marks.empty() || lines - marks.back().line >= kMarkLines
                    || lineStart - marks.back().offset >= kMarkBytes)
                    marks.push_back({lines, lineStart});
                ++lines;
            }
            const char *lf = static_cast<const char *>(std::memchr(data + from, '\n', size_t(got - from)));
            const qint64 to = lf ? lf - data + 1 : got;
            utf8.appendToBuffer(decoded.data(), QByteArrayView(data + from, to - from));
            if (lf)
                endLine(offset + to - 1);
            from = to;
        }
        offset += from;
    }
    if (*cut == LogCut::None && offset >= maxBytes) {
        char more = 0;
        if (readFully(fd, &more, 1) > 0)
            *cut = LogCut::Size;
    }
    view->m_end = offset;
    if (lineStart >= 0) {
        if (*cut == LogCut::Size) {
            // The line the limit falls in is left out whole.
            --lines;
            if (marks.back().line == lines)
                marks.pop_back();
            view->m_end = lineStart;
        } else {
            utf8.appendToBuffer(decoded.data(), QByteArrayView("\n", 1)); // a character cut at the end
            endLine(offset);
        }
    }
    view->m_lineCount = lines;
    view->m_firstShown = std::min(2, lines);
    return true;
}

} // namespace vantrel
