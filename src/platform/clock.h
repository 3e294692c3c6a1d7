// SPDX-License-Identifier: GPL-3.0-or-later
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

} // namespace vantrel
