// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/notifications.h"

#include "platform/logging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace vantrel {

FreedesktopNotifier::FreedesktopNotifier(QObject *parent) : QObject(parent) {}

void FreedesktopNotifier::notify(const Notice &notice)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        failed(QStringLiteral("no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(notice.urgency)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vantrel"));
    call << QStringLiteral("Vantrel") << 0u << QStringLiteral("vantrel") << notice.summary << notice.body.toHtmlEscaped()
         << QStringList() << hints << -1;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            failed(reply.error().name());
    });
}

void FreedesktopNotifier::failed(const QString &why)
{
    if (m_told)
        return;
    m_told = true;
    qCWarning(lcTray).noquote() << "Desktop notifications cannot be shown:" << why;
}

} // namespace vantrel
