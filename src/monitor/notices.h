// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which events become desktop notifications, and their texts. Each kind is a
// setting of its own (Preferences), all off by default; a kind that is off
// sends nothing.
#include "platform/stun/stunlookup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <functional>

namespace vantrel {

class Clock;
class DesktopNotifier;
struct Preferences;

class EventNotices {
    Q_DECLARE_TR_FUNCTIONS(vantrel::EventNotices)
public:
    // A connection that goes down within this time of a hang-up the user asked
    // for went down because of it.
    static constexpr qint64 kHangUpMs = 30 * 1000;

    // `preferences` is read at each event, so a change applies at once.
    EventNotices(DesktopNotifier &notifier, const Preferences &preferences, Clock &clock);

    // What each poll tick found: whether an online period is open and the
    // address text (as the tip shows it). The first result after start tells
    // nothing: a connection found up at start did not just come up.
    void pollResult(bool online, const QString &addressText, const QString &entry);
    // The user asked for a hang-up (menu, double click or bus).
    void hangUpAsked();
    // A dial run ended; `connected` when it got its connection, `abandoned`
    // when the user aborted it or the program is ending.
    void dialRunEnded(bool connected, bool abandoned, const QString &entry);
    void publicAddressChanged(AddressFamily family, const QString &before, const QString &now);

private:
    void send(bool wanted, const QString &summary, const QString &body, int urgency);

    DesktopNotifier &m_notifier;
    const Preferences &m_preferences;
    Clock &m_clock;
    bool m_seen = false;
    bool m_online = false;
    QString m_address;
    QDateTime m_hangUpAsked;
};

// The address part of an address text: "10.0.0.7 (host)" gives "10.0.0.7".
QString AddressPart(const QString &addressText);

} // namespace vantrel
