// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QTimer>

#include <functional>

namespace vantrel {

// The program's timers. Unlike a bare QTimer:
//  - an interval of 0 makes the timer inert: it counts as running but never ticks;
//  - intervals beyond the range of QTimer (about 24.8 days) are waited out in
//    steps, so that a long alarm period is neither cut nor wrapped;
//  - fire() runs the handler at once, so that tests never wait on real time.
// Changing the interval of a running timer restarts its period.
class VTimer : public QObject {
    Q_OBJECT
public:
    explicit VTimer(QObject *parent = nullptr);

    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    void setInterval(qint64 milliseconds);
    qint64 interval() const { return m_interval; }

    void start();
    void stop();
    void setEnabled(bool enabled) { enabled ? start() : stop(); }
    bool isActive() const { return m_active; }

    // Runs the handler now, as a tick would (also when the timer is stopped).
    void fire();

signals:
    void timeout();

private:
    void armStep();
    void onStep();

    QTimer m_timer;
    std::function<void()> m_handler;
    qint64 m_interval = 0;
    qint64 m_remaining = 0;
    bool m_active = false;
};

} // namespace vantrel
