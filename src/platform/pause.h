#pragma once
#include <QList>
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

// Test time: remembers every pause asked for and lets the test end them one at
// a time, in the order they fall due (equal times in the order they began).
class RecordingPause final : public Pause {
public:
    std::unique_ptr<PendingPause> start(qint64 milliseconds, std::function<void()> then) override
    {
        pauses.append(milliseconds);
        auto entry = std::make_shared<Entry>();
        entry->due = m_now + std::max<qint64>(0, milliseconds);
        entry->length = milliseconds;
        entry->order = m_order++;
        entry->then = std::move(then);
        m_pending.append(entry);
        return std::make_unique<Handle>(entry);
    }

    // Lets the first pause due run out: the clock moves to its end, `during`
    // acts (what a user does in the last moment of that pause), then what
    // follows the pause runs. False when no pause is pending.
    bool step()
    {
        m_pending.removeIf([](const std::shared_ptr<Entry> &e) { return !e->then; });
        if (m_pending.isEmpty())
            return false;
        const auto first = std::min_element(m_pending.begin(), m_pending.end(), [](const auto &a, const auto &b) {
            return a->due != b->due ? a->due < b->due : a->order < b->order;
        });
        const std::shared_ptr<Entry> entry = *first;
        m_pending.erase(first);
        m_now = entry->due;
        if (during)
            during(entry->length);
        if (!entry->then)
            return true; // cancelled by what `during` did
        const std::function<void()> then = std::move(entry->then);
        entry->then = nullptr;
        then();
        return true;
    }

    bool anyPending() const
    {
        return std::any_of(m_pending.begin(), m_pending.end(), [](const auto &e) { return bool(e->then); });
    }
    qint64 now() const { return m_now; }

    QList<qint64> pauses;
    std::function<void(qint64)> during;

private:
    struct Entry {
        qint64 due = 0;
        qint64 length = 0;
        qint64 order = 0;
        std::function<void()> then;
    };
    class Handle final : public PendingPause {
    public:
        explicit Handle(std::shared_ptr<Entry> entry) : m_entry(std::move(entry)) {}
        ~Handle() override { m_entry->then = nullptr; }

    private:
        std::shared_ptr<Entry> m_entry;
    };
    QList<std::shared_ptr<Entry>> m_pending;
    qint64 m_now = 0;
    qint64 m_order = 0;
};

} // namespace vantrel
