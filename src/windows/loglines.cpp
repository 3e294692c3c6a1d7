// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/loglines.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>

#include <algorithm>

namespace vantrel {

void LogLinesModel::setText(QString text, QSize lineSize)
{
    beginResetModel();
    m_text = std::move(text);
    m_starts.clear();
    if (!m_text.isEmpty()) {
        m_starts.append(0);
        const QChar *data = m_text.constData();
        for (qsizetype i = 0, n = m_text.size(); i < n; ++i) {
            if (data[i] == QLatin1Char('\n'))
                m_starts.append(i + 1);
        }
    }
    m_lineSize = lineSize;
    endResetModel();
}

QString LogLinesModel::line(int row) const
{
    const qsizetype start = m_starts.at(row);
    const qsizetype end = row + 1 < m_starts.size() ? m_starts.at(row + 1) - 1 : m_text.size();
    return m_text.mid(start, end - start);
}

int LogLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_starts.size());
}

QVariant LogLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_starts.size())
        return {};
    if (role == Qt::DisplayRole)
        return line(index.row());
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

void TLogLines::setPlainText(QString text)
{
    // The widest line by its number of characters stands for all: measuring
    // a million lines would take longer than showing them.
    qsizetype longestStart = 0, longestLength = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        if (end - start > longestLength) {
            longestStart = start;
            longestLength = end - start;
        }
        start = end + 1;
    }
    const QFontMetrics metrics(font());
    const QSize line(metrics.horizontalAdvance(text.mid(longestStart, longestLength))
                         + metrics.averageCharWidth() * 2,
                     metrics.height() + 2);
    m_model->setText(std::move(text), line);
}

QString TLogLines::selectedText() const
{
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList lines;
    lines.reserve(rows.size());
    for (const QModelIndex &row : rows)
        lines.append(m_model->line(row.row()));
    return lines.join(QLatin1Char('\n'));
}

void TLogLines::keyPressEvent(QKeyEvent *event)
{
    // The view's own copy takes the current line only.
    if (event == QKeySequence::Copy) {
        QApplication::clipboard()->setText(selectedText());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace vantrel
