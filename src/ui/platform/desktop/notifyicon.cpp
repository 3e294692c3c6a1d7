// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/desktop/notifyicon.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include "platform/logging.h"
#include "ui/platform/desktop/session.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace vantrel {

void SetNotifyTip(NOTIFYICONDATAA &data, const QString &text)
{
    // One byte per character, so that cutting at 63 characters never splits one.
    const QByteArray bytes = text.left(kNotifyTipSize - 1).toLatin1();
    std::memset(data.szTip, 0, sizeof data.szTip);
    std::memcpy(data.szTip, bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString NotifyTip(const NOTIFYICONDATAA &data)
{
    return QString::fromLatin1(data.szTip, static_cast<qsizetype>(strnlen(data.szTip, sizeof data.szTip)));
}

// --- IconHandles -----------------------------------------------------------

HICON32 IconHandles::add(const QIcon &icon)
{
    const HICON32 handle = m_next++;
    m_icons.insert(handle, Entry{icon, 1});
    return handle;
}

bool IconHandles::set(HICON32 handle, const QIcon &icon)
{
    auto it = m_icons.find(handle);
    if (it == m_icons.end())
        return false;
    it->icon = icon;
    ++it->version;
    return true;
}

void IconHandles::remove(HICON32 handle)
{
    m_icons.remove(handle);
}

QIcon IconHandles::icon(HICON32 handle) const
{
    const auto it = m_icons.constFind(handle);
    return it == m_icons.constEnd() ? QIcon() : it->icon;
}

quint64 IconHandles::version(HICON32 handle) const
{
    const auto it = m_icons.constFind(handle);
    return it == m_icons.constEnd() ? 0 : it->version;
}

// --- NotifyIcon --------------------------------------------------------------

HWND32 NotifyIcon::registerWindow(WindowProc proc)
{
    const HWND32 window = m_nextWindow++;
    m_windows.emplace(window, std::move(proc));
    return window;
}

void NotifyIcon::unregisterWindow(HWND32 window)
{
    m_windows.remove(window);
}

bool NotifyIcon::sendToWindow(HWND32 window, DWORD callbackMessage, DWORD id, DWORD mouseMessage) const
{
    const auto it = m_windows.constFind(window);
    if (it == m_windows.constEnd() || !*it)
        return false;
    // A copy: the procedure may unregister its own window.
    const WindowProc proc = *it;
    proc(callbackMessage, id, mouseMessage);
    return true;
}

// --- host detection and mouse mapping ---------------------------------------

namespace {

bool xembedTrayPresent()
{
    // On Wayland there is no X display of ours (an XEmbed tray on XWayland
    // could not take a Wayland program's icon anyway): only a
    // StatusNotifierItem host can show the icon.
    if (RunsOnWayland())
        return false;
    const auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(x11->display()));
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool present = owner && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return present;
}

} // namespace

void ProbeTrayHost(QObject *context, TrayAnswer answer)
{
    const bool xembed = xembedTrayPresent();
    const auto tell = [xembed, answer = std::move(answer)](bool statusNotifierHost) {
        answer({xembed || statusNotifierHost, statusNotifierHost ? TrayHost::StatusNotifier : TrayHost::XEmbed});
    };
    if (!SessionBusExists() || !QDBusConnection::sessionBus().isConnected()) {
        QTimer::singleShot(0, context, [tell] { tell(false); });
        return;
    }
    // A watcher without a host (a panel that went away) shows nothing; Qt then
    // falls back to XEmbed, and so do we. A watcher that is not running is not
    // started for the question: the bus answers at once that nobody owns it.
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    get.setAutoStartService(false);
    auto *pending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get, 2000), context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context, [tell](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        const QDBusMessage reply = done->reply();
        tell(reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
             && qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool());
    });
}

bool NotifyNoTrayHost()
{
    if (!SessionBusExists())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    notify << QStringLiteral("Vantrel") << 0u << QStringLiteral("vantrel")
           << QCoreApplication::translate("NotifyIcon", "Vantrel runs without a tray icon")
           << QCoreApplication::translate("NotifyIcon",
                                          "No system tray was found on this desktop. Vantrel keeps running; its icon "
                                          "appears as soon as a tray is there. To get one, add a system tray "
                                          "(notification area) to your panel, or on GNOME install and enable the "
                                          "AppIndicator extension.")
           << QStringList() << QVariantMap() << -1;
    // Nobody waits for the daemon: without one, the notice is simply lost.
    if (bus.send(notify))
        return true;
    qCWarning(lcTray) << "The notice that no tray was found could not be sent:" << bus.lastError().message();
    return false;
}

std::optional<DWORD> MouseMessageFor(QSystemTrayIcon::ActivationReason reason, TrayHost host)
{
    switch (reason) {
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context: return WM_RBUTTONUP;
    case QSystemTrayIcon::Trigger:
        // On an XEmbed tray this is the press of a single click (a double click
        // follows as DoubleClick); a single click does nothing. A
        // StatusNotifierItem host sends it as its one primary action.
        if (host == TrayHost::StatusNotifier)
            return WM_LBUTTONDBLCLK;
        return std::nullopt;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown: break;
    }
    return std::nullopt;
}

// --- QtNotifyIcon -------------------------------------------------------------

namespace {
// The live trays, for TrayIconsGeometry (one in the program, a few in tests).
QList<const QtNotifyIcon *> &liveTrays()
{
    static QList<const QtNotifyIcon *> trays;
    return trays;
}
} // namespace

QRect TrayIconsGeometry()
{
    QRect around;
    for (const QtNotifyIcon *tray : liveTrays())
        around |= tray->iconsGeometry();
    return around;
}

QRect QtNotifyIcon::iconsGeometry() const
{
    QRect around;
    for (const Icon &icon : m_trayIcons)
        if (icon.tray && icon.tray->isVisible())
            around |= icon.tray->geometry();
    return around;
}

QtNotifyIcon::QtNotifyIcon(TrayProbe probe, QObject *parent)
    : QObject(parent), m_probe(std::move(probe)), m_dockTimer(new QTimer(this)), m_noticeTimer(new QTimer(this))
{
    m_dockTimer->setInterval(1000);
    connect(m_dockTimer, &QTimer::timeout, this, &QtNotifyIcon::dockWaitingIcons);
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(std::chrono::minutes(1));
    connect(m_noticeTimer, &QTimer::timeout, this, &QtNotifyIcon::noHostNoticeDue);
    liveTrays().append(this);
}

void QtNotifyIcon::setNoHostNotice(std::chrono::milliseconds delay, std::function<void()> notify)
{
    m_noticeTimer->setInterval(delay);
    m_notice = std::move(notify);
}

void QtNotifyIcon::noHostNoticeDue()
{
    bool waiting = false;
    for (const Icon &icon : m_trayIcons)
        waiting = waiting || !icon.tray;
    if (!waiting || m_noticeGiven)
        return;
    m_noticeGiven = true;
    qCDebug(lcTray) << "Still no tray host: telling the user";
    if (m_notice)
        m_notice();
}

void QtNotifyIcon::SetIconMenu(HWND32 window, DWORD id, QMenu *menu)
{
    const quint64 k = key(window, id);
    if (menu)
        m_menus.insert(k, menu);
    else
        m_menus.remove(k);
    const auto it = m_trayIcons.find(k);
    if (it != m_trayIcons.end() && it->tray && it->host == TrayHost::StatusNotifier)
        it->tray->setContextMenu(menu);
}

QtNotifyIcon::~QtNotifyIcon()
{
    liveTrays().removeOne(this);
    for (Icon &icon : m_trayIcons) {
        if (icon.tray) {
            icon.tray->hide();
            delete icon.tray;
        }
    }
}

QSystemTrayIcon *QtNotifyIcon::trayIcon(HWND32 window, DWORD id) const
{
    const auto it = m_trayIcons.constFind(key(window, id));
    return it == m_trayIcons.constEnd() ? nullptr : it->tray;
}

void QtNotifyIcon::apply(Icon &icon, const NOTIFYICONDATAA &data)
{
    if (data.uFlags & NIF_MESSAGE)
        icon.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_TIP) {
        icon.tip = NotifyTip(data);
        if (icon.tray && icon.tray->toolTip() != icon.tip)
            icon.tray->setToolTip(icon.tip);
    }
    if (data.uFlags & NIF_ICON) {
        // The animation sends the same handle with a new picture every 150 ms,
        // the poll the same picture every 2 s: hand Qt only real changes.
        const quint64 version = icons().version(data.hIcon);
        const bool changed = !icon.hasIcon || icon.iconHandle != data.hIcon || icon.iconVersion != version;
        icon.iconHandle = data.hIcon;
        icon.iconVersion = version;
        icon.hasIcon = true;
        if (icon.tray && changed)
            icon.tray->setIcon(icons().icon(data.hIcon));
    }
}

void QtNotifyIcon::dock(Icon &icon, TrayHost host)
{
    qCDebug(lcTray) << "Icon" << icon.id << "docks on"
                    << (host == TrayHost::StatusNotifier ? "a StatusNotifierItem host" : "an XEmbed tray");
    icon.host = host;
    icon.tray = new QSystemTrayIcon(this);
    const HWND32 window = icon.window;
    const DWORD id = icon.id;
    // Queued, as a tray message is posted: the handler may open a modal
    // window or remove this very icon, which must not happen inside the
    // tray's own mouse event.
    connect(
        icon.tray, &QSystemTrayIcon::activated, this,
        [this, window, id](QSystemTrayIcon::ActivationReason reason) { activated(window, id, reason); },
        Qt::QueuedConnection);
    if (icon.host == TrayHost::StatusNotifier)
        if (QMenu *menu = m_menus.value(key(window, id)))
            icon.tray->setContextMenu(menu);
    icon.tray->setToolTip(icon.tip);
    if (icon.hasIcon)
        icon.tray->setIcon(icons().icon(icon.iconHandle));
    icon.tray->show();
}

void QtNotifyIcon::dockWaitingIcons()
{
    // One question at a time: its answer serves every icon that waits.
    if (m_asking || m_displayLost)
        return;
    m_asking = true;
    m_probe(this, [this](TrayHostAnswer answer) {
        m_asking = false;
        hostAnswered(answer);
    });
}

void QtNotifyIcon::hostAnswered(TrayHostAnswer answer)
{
    bool waiting = false;
    for (Icon &icon : m_trayIcons)
        waiting = waiting || !icon.tray;
    if (!waiting || m_displayLost) {
        m_dockTimer->stop();
        return;
    }
    if (!answer.present) {
        if (!m_dockTimer->isActive()) {
            qCDebug(lcTray) << "No tray host (neither StatusNotifierItem nor XEmbed): asking again every second";
            m_dockTimer->start();
        }
        if (!m_noticeGiven && !m_noticeTimer->isActive())
            m_noticeTimer->start();
        return;
    }
    for (Icon &icon : m_trayIcons)
        if (!icon.tray)
            dock(icon, answer.host);
    m_dockTimer->stop();
    m_noticeTimer->stop();
}

bool QtNotifyIcon::Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA *data)
{
    if (!data || data->cbSize != sizeof(NOTIFYICONDATAA))
        return false;
    const quint64 k = key(data->hWnd, data->uID);
    switch (message) {
    case NIM_ADD: {
        if (m_trayIcons.contains(k))
            return false;
        Icon &icon = m_trayIcons[k];
        icon.window = data->hWnd;
        icon.id = data->uID;
        apply(icon, *data);
        // The add succeeds now; the icon docks when the host's answer comes.
        dockWaitingIcons();
        return true;
    }
    case NIM_MODIFY: {
        auto it = m_trayIcons.find(k);
        if (it == m_trayIcons.end())
            return false;
        apply(*it, *data);
        return true;
    }
    case NIM_DELETE: {
        auto it = m_trayIcons.find(k);
        if (it == m_trayIcons.end())
            return false;
        QSystemTrayIcon *tray = it->tray;
        m_trayIcons.erase(it);
        if (tray) {
            tray->hide();
            tray->deleteLater(); // a queued activation may still be on its way
        }
        return true;
    }
    default: return false;
    }
}

void QtNotifyIcon::displayLost()
{
    // Qt's icons would talk to the broken display connection even to hide
    // themselves; they are left alone for the process to end with.
    qCDebug(lcTray) << "Display lost: the tray icons are left for the process to end with";
    m_dockTimer->stop();
    m_noticeTimer->stop();
    m_displayLost = true;
    for (Icon &icon : m_trayIcons) {
        if (icon.tray)
            icon.tray->disconnect(this);
        icon.tray = nullptr;
    }
}

void QtNotifyIcon::activated(HWND32 window, DWORD id, QSystemTrayIcon::ActivationReason reason)
{
    const auto it = m_trayIcons.constFind(key(window, id));
    if (it == m_trayIcons.constEnd())
        return; // removed meanwhile
    const std::optional<DWORD> mouse = MouseMessageFor(reason, it->host);
    if (!mouse)
        return;
    sendToWindow(window, it->callbackMessage, id, *mouse);
}

} // namespace vantrel
