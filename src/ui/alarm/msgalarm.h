// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The alarm message window: a small stay-on-top window with the expanded alarm
// text, an animated icon and an OK button. At most one exists; the alarm tick
// makes it and reuses it, the user closes it, and it deletes itself on closing
// (CloseGuard: never while one of its own handlers runs).
#include "platform/vtimer.h"

#include <QDialog>
#include <QList>
#include <QPixmap>

#include <cstdint>

class QLabel;
class QPushButton;
class QTextEdit;

namespace vantrel {

class CloseGuard;

class TMsgAlarm : public QDialog {
    Q_OBJECT
public:
    // `frames`: the 16 animation frames; `applicationIcon`: a copy of the
    // application icon as it is now, shown until the first animation tick.
    TMsgAlarm(QList<QPixmap> frames, const QPixmap &applicationIcon, QWidget *parent = nullptr);
    ~TMsgAlarm() override;

    // Adds the text to the memo as its next line(s); CR LF pairs start new lines.
    void addText(const QString &text);
    // Empties the memo.
    void clearText();
    // The memo's text (a screen reader reads it as the alert's description).
    QString text() const;

    void TimTimer();
    void btCloseClick();

    // For tests: the next animation frame, and the guard of the animation tick
    // (a test sets it to play a tick entered again).
    std::uint8_t alarmIconFrame() const { return AlarmIconFrame; }
    void setAlarmIconBusy(bool busy) { AlarmIconBusy = busy; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Controls and the animation's timer, named as their object names.
    QLabel *Icona = nullptr;
    QTextEdit *Mesg = nullptr;
    QPushButton *btClose = nullptr;
    VTimer *Tim = nullptr;

    std::uint8_t AlarmIconFrame = 0;
    bool AlarmIconBusy = false;

    QList<QPixmap> m_frames;
    CloseGuard *m_closeGuard = nullptr;
};

} // namespace vantrel
