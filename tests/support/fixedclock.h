// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/clock.h"

#include <QDateTime>

#include <utility>

namespace vantrel {

// A clock that tells the time it was given.
class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime t = {}) : m_now(std::move(t)) {}
    QDateTime now() const override { return m_now; }
    void set(QDateTime t) { m_now = std::move(t); }

private:
    QDateTime m_now;
};

} // namespace vantrel
