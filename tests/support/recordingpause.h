// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/pause.h"

#include <QList>

#include <algorithm>
#include <functional>
#include <memory>

namespace vantrel {

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
