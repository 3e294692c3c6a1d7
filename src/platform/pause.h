// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QTimer>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>

namespace vantrel {

// A pause under way; destroying it cancels what was to follow.
class PendingPause {
public:
    virtual ~PendingPause() = default;
};

// The program's fixed pauses (3000 ms and 4000 ms in the dialer, the pause after
// each dial attempt). A pause never blocks: the caller hands over what is to
// follow and returns to the event loop, so the tray, the poll and any window
// keep working, and no window opened meanwhile can hold the pause up.
class Pause {
public:
    virtual ~Pause() = default;
    // Runs `then` once, `milliseconds` from now (0 or less: at the next turn of
    // the event loop), never from within this call.
    [[nodiscard]] virtual std::unique_ptr<PendingPause> start(qint64 milliseconds, std::function<void()> then) = 0;
};

// Real time. Pauses beyond QTimer's range (about 24.8 days; a `Wait` of years
// can be stored) are waited out in steps rather than cut.
class TimerPause final : public Pause {
public:
    std::unique_ptr<PendingPause> start(qint64 milliseconds, std::function<void()> then) override
    {
        return std::make_unique<Pending>(milliseconds, std::move(then));
    }

private:
    class Pending final : public PendingPause {
    public:
        Pending(qint64 milliseconds, std::function<void()> then) : m_timer(new QTimer)
        {
            m_timer->setSingleShot(true);
            m_timer->setTimerType(Qt::PreciseTimer);
            auto remaining = std::make_shared<qint64>(std::max<qint64>(0, milliseconds));
            QTimer *timer = m_timer;
            QObject::connect(timer, &QTimer::timeout, timer, [timer, remaining, then = std::move(then)] {
                if (*remaining > 0) {
                    arm(*timer, *remaining);
                    return;
                }
                // `then` may cancel this pause: that only schedules the timer's
                // deletion, so this handler is not freed under its own feet.
                then();
            });
            arm(*timer, *remaining);
        }
        ~Pending() override
        {
            m_timer->stop();
            m_timer->deleteLater();
        }

    private:
        static void arm(QTimer &timer, qint64 &remaining)
        {
            const qint64 step = std::min<qint64>(remaining, INT_MAX);
            remaining -= step;
            timer.start(static_cast<int>(step));
        }
        QTimer *m_timer;
    };
};

} // namespace vantrel
