#pragma once
#include <QDateTime>

namespace vantrel {

// Wall clock. Tests inject a clock they can set (midnight, for one).
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

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
