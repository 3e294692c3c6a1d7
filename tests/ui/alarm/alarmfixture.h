// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the alarm tests share: a fresh AppState and the fake platform, the alarm
// timer as the main window owns it, and the poll's part in opening and closing
// an online period.
#include "monitor/appstate.h"
#include "platform/vtimer.h"
#include "support/child.h"
#include "ui/alarm/alarm.h"
#include "ui/alarm/msgalarm.h"
#include "ui/support/fakeplatform.h"

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

namespace vantrel::test {

// Sixteen frames that differ from each other and from the application icon.
inline QList<QPixmap> makeFrames()
{
    QList<QPixmap> frames;
    for (int i = 0; i < 16; ++i) {
        QPixmap p(32, 32);
        p.fill(QColor::fromHsv(i * 22, 255, 200));
        frames.append(p);
    }
    return frames;
}

inline QPixmap makeApplicationIcon()
{
    QPixmap p(32, 32);
    p.fill(Qt::white);
    QPainter painter(&p);
    painter.fillRect(8, 8, 16, 16, Qt::black);
    return p;
}

// A key typed into a widget, as the window system would deliver it.
inline void typeKey(QWidget *w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(w, &release);
}

// Characters typed one by one.
inline void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        const int key = c.isDigit() ? Qt::Key_0 + c.digitValue()
                                    : (c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_unknown);
        typeKey(w, key, Qt::NoModifier, QString(c));
    }
}

// Runs the deferred deletions of windows that closed themselves.
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class AlarmFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppSettings &s = state.AppSettings;
        s.Alarm = true;
        s.Set = 1;
        s.Interval = 5;
        s.Sound = 1;
        s.Box = true;
        s.Message = QStringLiteral("Elapsed time: $m minutes.$n$t warning(s)");
        appIcon = makeApplicationIcon();
        alarm = std::make_unique<Alarm>(state, platform, VantrelAlarm, makeFrames(), [this] { return appIcon; });
        VantrelAlarm.setHandler([this] { alarm->VantrelAlarmTimer(); });
    }

    void TearDown() override
    {
        alarm.reset();
        flushDeletes();
    }

    // The poll opening an online period: cue, counters to 0, timer started.
    void openPeriod()
    {
        alarm->ConnectCue();
        state.AlarmElapsedMinutes = 0;
        state.AlarmWarningCount = 0;
        VantrelAlarm.start();
        m_sinceTickMs = 0;
    }

    // The poll closing it.
    void closePeriod() { VantrelAlarm.stop(); }

    // Lets connected minutes pass: the timer ticks at each full period while it
    // runs with a period, as the real one would, without waiting for it.
    void passMinutes(int minutes)
    {
        for (int i = 0; i < minutes; ++i) {
            if (!VantrelAlarm.isActive() || VantrelAlarm.interval() == 0)
                continue;
            m_sinceTickMs += 60000;
            if (m_sinceTickMs >= VantrelAlarm.interval()) {
                m_sinceTickMs = 0;
                VantrelAlarm.fire();
            }
        }
    }

    QString shownText() const
    {
        if (!alarm->AlarmWindowOpen())
            return QStringLiteral("<no window>");
        return Child<QTextEdit>(*alarm->MsgAlarm, "Mesg")->toPlainText();
    }

    static int messageWindowCount()
    {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TMsgAlarm *>(w))
                ++n;
        return n;
    }

    AppState state;
    FakePlatform fake;
    // The fake platform's parts under the names the tests use.
    Platform &platform = fake.platform();
    RecordingWavePlayer &wave = fake.wave();
    RecordingBeeper &beeper = fake.beeper();
    RecordingMessageBoxes &boxes = fake.boxes();
    VTimer VantrelAlarm;
    QPixmap appIcon;
    std::unique_ptr<Alarm> alarm;

private:
    qint64 m_sinceTickMs = 0;
};

} // namespace vantrel::test
