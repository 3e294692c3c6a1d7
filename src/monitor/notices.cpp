// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/notices.h"

#include "monitor/preferences.h"
#include "platform/clock.h"
#include "platform/notifications.h"

namespace vantrel {

namespace {

// Names from outside (entries) may hold anything: no control characters in a
// notification.
QString plain(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QChar::ReplacementCharacter;
    return text;
}

} // namespace

QString AddressPart(const QString &addressText)
{
    const qsizetype paren = addressText.indexOf(QLatin1String(" ("));
    return paren < 0 ? addressText : addressText.left(paren);
}

EventNotices::EventNotices(DesktopNotifier &notifier, const Preferences &preferences, Clock &clock)
    : m_notifier(notifier), m_preferences(preferences), m_clock(clock)
{
}

void EventNotices::send(bool wanted, const QString &summary, const QString &body, int urgency)
{
    if (!wanted)
        return;
    m_notifier.notify({summary, plain(body), static_cast<Notice::Urgency>(urgency)});
}

void EventNotices::pollResult(bool online, const QString &addressText, const QString &entry)
{
    const QString address = online ? AddressPart(addressText) : QString();
    const bool first = !m_seen;
    const bool wasOnline = m_online;
    const QString before = m_address;
    m_seen = true;
    m_online = online;
    m_address = address;
    if (first)
        return;
    if (online && !wasOnline) {
        send(m_preferences.NotifyConnected, tr("Connection up"),
             entry.isEmpty() ? tr("Address %1").arg(address) : tr("%1, address %2").arg(entry, address), 0);
    } else if (!online && wasOnline) {
        const bool asked = m_hangUpAsked.isValid() && qAbs(m_hangUpAsked.msecsTo(m_clock.now())) <= kHangUpMs;
        m_hangUpAsked = {};
        if (!asked)
            send(m_preferences.NotifyDropped, tr("Connection dropped"),
                 entry.isEmpty() ? tr("The connection went down without being hung up.")
                                 : tr("%1 went down without being hung up.").arg(entry),
                 2);
    } else if (online && address != before) {
        send(m_preferences.NotifyAddress, tr("Address changed"), tr("from %1 to %2").arg(before, address), 1);
    }
}

void EventNotices::hangUpAsked()
{
    m_hangUpAsked = m_clock.now();
}

void EventNotices::dialRunEnded(bool connected, bool abandoned, const QString &entry)
{
    if (connected || abandoned)
        return;
    send(m_preferences.NotifyDialFailed, tr("No connection"),
         tr("The dial run over %1 ended without a connection.").arg(entry), 1);
}

void EventNotices::publicAddressChanged(AddressFamily family, const QString &before, const QString &now)
{
    send(m_preferences.NotifyPublic,
         family == AddressFamily::V4 ? tr("Public IPv4 address changed") : tr("Public IPv6 address changed"),
         tr("from %1 to %2").arg(before, now), 1);
}

} // namespace vantrel
