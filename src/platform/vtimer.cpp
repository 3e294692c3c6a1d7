// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/vtimer.h"

#include <limits>

namespace vantrel {

namespace {
constexpr qint64 kLongestStep = std::numeric_limits<int>::max();
}

VTimer::VTimer(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &VTimer::onStep);
}

void VTimer::setInterval(qint64 milliseconds)
{
    m_interval = qMax<qint64>(0, milliseconds);
    if (m_active) {
        m_remaining = m_interval;
        armStep();
    }
}

void VTimer::start()
{
    m_active = true;
    m_remaining = m_interval;
    armStep();
}

void VTimer::stop()
{
    m_active = false;
    m_timer.stop();
}

void VTimer::fire()
{
    emit timeout();
    if (m_handler)
        m_handler();
}

void VTimer::armStep()
{
    m_timer.stop();
    if (!m_active || m_interval == 0)
        return;
    m_timer.start(static_cast<int>(qMin(m_remaining, kLongestStep)));
}

void VTimer::onStep()
{
    m_remaining -= qMin(m_remaining, kLongestStep);
    if (m_remaining > 0) {
        armStep();
        return;
    }
    m_remaining = m_interval;
    armStep(); // next period starts before the handler runs, as a periodic timer's would
    fire();
}

} // namespace vantrel
