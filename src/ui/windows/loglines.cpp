// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/loglines.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QStringList>

#include <algorithm>

namespace vantrel {

namespace {

// A line as shown: cut at kShownLineChars, with an ellipsis.
QString shownText(const LogLineSource &source, int row)
{
    bool more = false;
    QString text = source.line(row, kShownLineChars, &more);
    if (more)
        text += QChar(0x2026); // …
    return text;
}

} // namespace

void LogLinesModel::setSource(LogLineSource source, QSize lineSize)
{
    beginResetModel();
    m_source = std::move(source);
    m_lineSize = lineSize;
    endResetModel();
}

QString LogLinesModel::line(int row) const
{
    return m_source.line(row, -1, nullptr);
}

int LogLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_source.count;
}

QVariant LogLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_source.count)
        return {};
    if (role == Qt::DisplayRole)
        return shownText(m_source, index.row());
    if (role == Qt::SizeHintRole) {
        // Every row as wide as the widest line, so the horizontal scroll bar
        // reaches the end of every line.
        return m_lineSize;
    }
    return {};
}

TLogLines::TLogLines(QWidget *parent) : QListView(parent), m_model(new LogLinesModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
}

void TLogLines::setLines(LogLineSource source)
{
    // The longest line, as shown, stands for all: measuring every line would
    // take longer than showing them.
    const QString widest = source.longest >= 0 && source.longest < source.count ? shownText(source, source.longest)
                                                                                : QString();
    const QFontMetrics metrics(font());
    const QSize line(metrics.horizontalAdvance(widest) + metrics.averageCharWidth() * 2, metrics.height() + 2);
    m_model->setSource(std::move(source), line);
}

void TLogLines::setPlainText(const QString &text)
{
    LogLineSource source;
    const QStringList lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    source.count = int(lines.size());
    for (int row = 0; row < source.count; ++row)
        if (source.longest < 0 || lines[row].size() > lines[source.longest].size())
            source.longest = row;
    source.line = [lines](int row, qsizetype maxChars, bool *more) {
        const QString &line = lines.at(row);
        if (more)
            *more = maxChars >= 0 && line.size() > maxChars;
        return maxChars >= 0 ? line.left(maxChars) : line;
    };
    setLines(std::move(source));
}

QString TLogLines::text() const
{
    QStringList lines;
    for (int row = 0; row < m_model->rowCount(); ++row)
        lines.append(m_model->line(row));
    return lines.join(QLatin1Char('\n'));
}

QString TLogLines::selectedText() const
{
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList lines;
    lines.reserve(rows.size());
    for (const QModelIndex &row : rows)
        lines.append(m_model->line(row.row()));
    return lines.join(QLatin1Char('\n'));
}

void TLogLines::keyPressEvent(QKeyEvent *event)
{
    // The view's own copy takes the current line only, and as shown.
    if (event == QKeySequence::Copy) {
        QApplication::clipboard()->setText(selectedText());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace vantrel
