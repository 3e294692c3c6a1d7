// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the log viewer shows of a log file: the caption taken from the first
// line (its first six characters, the header mark, removed) and the lines after
// the two header lines.
//
// Nothing of the text is held. A line is read from the file when it is shown
// or copied, and a line shown is read no further than it is shown, so a log of
// any line length opens at once. What is kept is where some lines start (one
// line in 64, and one at least every 64 KiB), so finding any line reads less
// than 64 KiB, and one bit a line: a few MiB for the largest log of the
// shortest lines. The file stays open for that; the log is only ever appended
// to, so the lines read later are the lines found (and a log deleted meanwhile
// is still read).
//
// Each line is decoded on its own: UTF-8, as the log is written, or Latin-1
// when the line is not valid UTF-8 (a log written earlier in Latin-1, or a line
// a kill or a full disk cut inside a character). One such line does not change
// how the others read.
#include <QString>

#include <memory>
#include <vector>

namespace vantrel {

// Why a view ends before its file does.
enum class LogCut { None, Size, Lines };

class LogView {
public:
    // The caption: the first line without its first six characters; at most
    // `maxChars` UTF-16 units of it when maxChars >= 0, *more telling whether
    // there was more.
    QString caption(qsizetype maxChars = -1, bool *more = nullptr) const;
    // The lines after the two header lines; a final line end starts no
    // further line.
    int lineCount() const { return m_lineCount - m_firstShown; }
    // Line `row` without its line end (CR LF or LF), whole, or at most
    // `maxChars` UTF-16 units of it when maxChars >= 0 (*more telling whether
    // there was more; a character is never split). What cannot be read (the
    // file changed meanwhile) reads as empty.
    QString line(int row, qsizetype maxChars = -1, bool *more = nullptr) const
    {
        return fileLine(row + m_firstShown, maxChars, more);
    }
    // The row whose line has the most bytes; -1 when there are no lines.
    int longestLine() const { return m_longest < 0 ? -1 : m_longest - m_firstShown; }

private:
    friend bool ReadLogView(int fd, qint64 maxBytes, int maxLines, LogView *view, LogCut *cut, int *err);
    struct Mark {
        int line;
        qint64 offset;
    };

    QString fileLine(int index, qsizetype maxChars, bool *more) const;
    qint64 lineStart(int index) const;

    std::shared_ptr<const int> m_fd; // closes the file when the last copy goes
    std::vector<Mark> m_marks;       // where some lines start, in order
    std::vector<bool> m_latin1;      // per line: not valid UTF-8
    qint64 m_end = 0;                // end of the part of the file shown
    int m_lineCount = 0;             // lines of the file, header lines included
    int m_firstShown = 0;            // 2, or fewer for a log that short
    int m_longest = -1;              // line index, among the lines shown
};

// Finds the lines of the open regular file `fd`, read from its start, and
// takes the descriptor over (it is closed when the last copy of the view goes,
// also on failure). At most `maxBytes` bytes and `maxLines` lines after the
// header are taken; when the file holds more, *cut tells which limit ended the
// view, which then ends with a whole line. False with *err set when the file
// cannot be read.
bool ReadLogView(int fd, qint64 maxBytes, int maxLines, LogView *view, LogCut *cut, int *err);

} // namespace vantrel
