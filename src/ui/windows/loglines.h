// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The log viewer's read-only text area. A log of a million lines must open in
// well under a second: QPlainTextEdit builds a text block per line and needs
// seconds for that, so the lines are shown by a list view over a source that
// hands out one line at a time (uniform rows: only the visible ones are ever
// asked for, laid out or painted). A line longer than kShownLineChars is shown
// cut there, with an ellipsis: laying out a line of millions of characters
// would take seconds at every paint. Lines can be selected (click, Shift,
// Ctrl, Ctrl+A) and copied whole with Ctrl+C; nothing can be edited.
#include <QAbstractListModel>
#include <QListView>
#include <QString>

#include <functional>

namespace vantrel {

// The most of a line the text area shows, in UTF-16 units; a log line is at
// most a few hundred.
constexpr qsizetype kShownLineChars = 1000;

// The lines a TLogLines shows: how many, the one that is longest (-1: none)
// and each line on demand, whole (maxChars -1) or at most `maxChars` units of
// it, *more telling whether there was more.
struct LogLineSource {
    int count = 0;
    int longest = -1;
    std::function<QString(int row, qsizetype maxChars, bool *more)> line;
};

class LogLinesModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void setSource(LogLineSource source, QSize lineSize);
    // The whole line (DisplayRole gives it as shown).
    QString line(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    LogLineSource m_source;
    QSize m_lineSize;
};

class TLogLines final : public QListView {
    Q_OBJECT
public:
    explicit TLogLines(QWidget *parent = nullptr);

    void setLines(LogLineSource source);
    // Lines separated by '\n'; an empty text has no line.
    void setPlainText(const QString &text);
    void clear() { setLines({}); }
    // Every line whole, joined by '\n'.
    QString text() const;
    // The selected lines whole, in their order, joined by '\n'.
    QString selectedText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    LogLinesModel *m_model;
};

} // namespace vantrel
