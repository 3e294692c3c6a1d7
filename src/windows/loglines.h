// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The log viewer's read-only text area. A log of a million lines must open in
// well under a second: QPlainTextEdit builds a text block per line and needs
// seconds for that, so the lines are shown by a list view over one string and
// the offsets of its lines (uniform rows: only the visible ones are ever laid
// out or painted). Lines can be selected (click, Shift, Ctrl, Ctrl+A) and
// copied with Ctrl+C; nothing can be edited.
#include <QAbstractListModel>
#include <QList>
#include <QListView>
#include <QString>

namespace vantrel {

class LogLinesModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Takes the text; lines are separated by '\n'. An empty text has no line.
    void setText(QString text, QSize lineSize);
    QString text() const { return m_text; }
    QString line(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QString m_text;
    QList<qsizetype> m_starts; // start of each line in m_text
    QSize m_lineSize;
};

class TLogLines final : public QListView {
    Q_OBJECT
public:
    explicit TLogLines(QWidget *parent = nullptr);

    void setPlainText(QString text);
    void clear() { setPlainText(QString()); }
    // The text shown, lines joined by '\n'.
    QString text() const { return m_model->text(); }
    // The selected lines, in their order, joined by '\n'.
    QString selectedText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    LogLinesModel *m_model;
};

} // namespace vantrel
