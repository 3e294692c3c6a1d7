// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address the machine is seen from on the internet, IPv4 and IPv6, as STUN
// servers report it. Off unless the user turns it on: while off nothing is
// sent, no socket is open and no timer runs.
//
// When it asks, per family (each on its own schedule):
//  - at once when turned on (at start, when the setting is on) or when the
//    servers change;
//  - kSettleMs after a network change (link, address, route) or a connect or
//    disconnect, but never sooner than kMinGapMs after the family's last
//    lookup began: a burst of changes, or a link that flaps, is one lookup;
//  - kPeriodMs after an answer;
//  - after a lookup that got no address: kFirstRetryMs, doubled after each
//    further failure up to kPeriodMs (a network change starts over).
// One lookup per family at a time; a reason to ask while one runs asks once
// more when it ends.
#include "platform/stun/stunlookup.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace vantrel {

class Clock;
class NetworkWatch;
class VTimer;

class PublicAddress : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 5 * 60 * 1000;
    static constexpr int kSettleMs = 2000;
    static constexpr int kMinGapMs = 10 * 1000;
    static constexpr int kFirstRetryMs = 15 * 1000;

    // What is known of one family.
    struct Family {
        QString address;    // empty: unknown (off, not asked yet, or the last lookup failed)
        QString server;     // the server that gave `address`
        QDateTime answered; // when it did
        QString error;      // why the last lookup gave nothing (empty after an answer)
        bool asking = false;
    };

    // `makeWatch` makes the network change watch while the lookup is on.
    PublicAddress(PublicAddressLookup &lookup, Clock &clock, std::function<std::unique_ptr<NetworkWatch>()> makeWatch,
                  QObject *parent = nullptr);
    ~PublicAddress() override;

    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    void setServers(const QList<StunServer> &servers);
    const QList<StunServer> &servers() const { return m_servers; }

    const Family &family(AddressFamily f) const { return m_families[index(f)].shown; }
    // The addresses, empty while off or unknown.
    QString address4() const { return family(AddressFamily::V4).address; }
    QString address6() const { return family(AddressFamily::V6).address; }
    // The one to show where there is room for one: IPv4, else IPv6.
    QString preferredAddress() const { return address4().isEmpty() ? address6() : address4(); }

    // Milliseconds until the family's next lookup, -1 when none is due (off,
    // or asking now).
    qint64 nextLookupIn(AddressFamily f) const;
    // Runs the family's due lookup now, as its timer would (tests).
    void fireTimer(AddressFamily f);

public slots:
    void networkChanged();
    void connectionChanged();

signals:
    // Anything family() tells has changed.
    void changed();
    // A known address gave way to another one (not to "unknown" and back).
    void addressChanged(vantrel::AddressFamily family, const QString &before, const QString &now);

private:
    struct State {
        Family shown;
        QString lastKnown; // the last address any answer gave, kept through failures
        VTimer *timer = nullptr;
        QDateTime lastStart;
        int failures = 0;
        bool again = false; // a reason to ask came while asking
    };
    static int index(AddressFamily f) { return f == AddressFamily::V4 ? 0 : 1; }
    void askSoon(AddressFamily f, qint64 delayMs);
    void trigger(qint64 delayMs);
    void ask(AddressFamily f);
    void answered(AddressFamily f, quint64 generation, const LookupResult &result);

    PublicAddressLookup &m_lookup;
    Clock &m_clock;
    std::function<std::unique_ptr<NetworkWatch>()> m_makeWatch;
    std::unique_ptr<NetworkWatch> m_watch;
    std::array<State, 2> m_families;
    QList<StunServer> m_servers;
    bool m_enabled = false;
    quint64 m_generation = 0; // a result of an earlier generation is dropped
};

} // namespace vantrel
