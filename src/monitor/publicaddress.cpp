// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/publicaddress.h"

#include "platform/clock.h"
#include "platform/logging.h"
#include "platform/sockets/networkwatch.h"
#include "platform/vtimer.h"

#include <algorithm>

namespace vantrel {

PublicAddress::PublicAddress(PublicAddressLookup &lookup, Clock &clock,
                             std::function<std::unique_ptr<NetworkWatch>()> makeWatch, QObject *parent)
    : QObject(parent), m_lookup(lookup), m_clock(clock), m_makeWatch(std::move(makeWatch))
{
    for (const AddressFamily f : {AddressFamily::V4, AddressFamily::V6}) {
        State &s = m_families[index(f)];
        s.timer = new VTimer(this);
        s.timer->setObjectName(f == AddressFamily::V4 ? QStringLiteral("PublicTimer4") : QStringLiteral("PublicTimer6"));
        s.timer->setHandler([this, f] { ask(f); });
    }
}

PublicAddress::~PublicAddress() = default;

void PublicAddress::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    ++m_generation;
    if (on) {
        if (m_makeWatch) {
            m_watch = m_makeWatch();
            if (m_watch)
                connect(m_watch.get(), &NetworkWatch::changed, this, &PublicAddress::networkChanged);
        }
        trigger(0);
        return;
    }
    m_watch.reset();
    for (State &s : m_families) {
        s.timer->stop();
        s = State{{}, {}, s.timer, {}, 0, false};
    }
    emit changed();
}

void PublicAddress::setServers(const QList<StunServer> &servers)
{
    if (servers == m_servers)
        return;
    m_servers = servers;
    if (m_enabled) {
        ++m_generation; // an answer from the old list no longer counts
        for (State &s : m_families) {
            s.shown.asking = false;
            s.failures = 0;
        }
        trigger(0);
    }
}

qint64 PublicAddress::nextLookupIn(AddressFamily f) const
{
    const State &s = m_families[index(f)];
    return s.timer->isActive() ? s.timer->interval() : -1;
}

void PublicAddress::fireTimer(AddressFamily f)
{
    State &s = m_families[index(f)];
    if (s.timer->isActive())
        s.timer->fire();
}

void PublicAddress::networkChanged()
{
    if (!m_enabled)
        return;
    for (State &s : m_families)
        s.failures = 0;
    trigger(kSettleMs);
}

void PublicAddress::connectionChanged()
{
    networkChanged();
}

void PublicAddress::trigger(qint64 delayMs)
{
    for (const AddressFamily f : {AddressFamily::V4, AddressFamily::V6})
        askSoon(f, delayMs);
}

void PublicAddress::askSoon(AddressFamily f, qint64 delayMs)
{
    State &s = m_families[index(f)];
    if (s.shown.asking) {
        s.again = true;
        return;
    }
    if (delayMs > 0 && s.lastStart.isValid()) {
        // Clamped: a clock set back must not put the lookup off for long.
        const qint64 sinceLast = std::clamp<qint64>(s.lastStart.msecsTo(m_clock.now()), 0, kMinGapMs);
        delayMs = std::max(delayMs, kMinGapMs - sinceLast);
    }
    // A lookup due sooner stays as it is: a burst of reasons is one lookup.
    if (s.timer->isActive() && s.timer->interval() <= delayMs)
        return;
    s.timer->stop();
    s.timer->setInterval(delayMs);
    if (delayMs == 0) {
        ask(f);
        return;
    }
    s.timer->start();
}

void PublicAddress::ask(AddressFamily f)
{
    State &s = m_families[index(f)];
    s.timer->stop();
    if (!m_enabled || s.shown.asking)
        return;
    s.shown.asking = true;
    s.again = false;
    s.lastStart = m_clock.now();
    const quint64 generation = m_generation;
    m_lookup.start(f, m_servers, this,
                   [this, f, generation](const LookupResult &result) { answered(f, generation, result); });
}

void PublicAddress::answered(AddressFamily f, quint64 generation, const LookupResult &result)
{
    if (generation != m_generation || !m_enabled)
        return;
    State &s = m_families[index(f)];
    s.shown.asking = false;
    qint64 next = kPeriodMs;
    QString before;
    if (result.ok) {
        s.failures = 0;
        before = s.lastKnown;
        s.shown.address = result.address;
        s.shown.server = result.server;
        s.shown.answered = m_clock.now();
        s.shown.error.clear();
        s.lastKnown = result.address;
    } else {
        s.failures = std::min(s.failures + 1, 16);
        next = std::min<qint64>(qint64(kFirstRetryMs) << (s.failures - 1), kPeriodMs);
        s.shown.address.clear();
        s.shown.error = result.error;
        qCInfo(lcPublic) << (f == AddressFamily::V4 ? "IPv4" : "IPv6") << "lookup gave no address:" << result.error;
    }
    s.timer->setInterval(next);
    s.timer->start();
    if (s.again) {
        s.again = false;
        askSoon(f, kSettleMs);
    }
    emit changed();
    if (result.ok && !before.isEmpty() && before != result.address)
        emit addressChanged(f, before, result.address);
}

} // namespace vantrel
