// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// org.morvent.Vantrel on the session bus: the connection's state, address and
// entry, and the public addresses, for a status bar or a script, and the tray
// menu's Connect, Disconnect, Open details and Copy IP as methods
// (data/org.morvent.Vantrel.xml, described in docs/dbus.md). It reads the main
// window, the dialer and the public address lookup and drives the first two as
// the tray menu does; it keeps no state of its own beyond what it last
// announced, the start of the online period and the one hang-up it answers.
#include "platform/wintypes.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace vantrel {

struct AppState;
struct Platform;
class TfmVantrel;
class Dialer;
class PublicAddress;
enum class DialEnd;

namespace bus_names {
inline const QString kService = QStringLiteral("org.morvent.Vantrel");
inline const QString kPath = QStringLiteral("/org/morvent/Vantrel");
inline const QString kInterface = QStringLiteral("org.morvent.Vantrel");
// The interface's version, as its Version property tells it.
inline constexpr uint kInterfaceVersion = 2;
inline const QString kAccessDenied = QStringLiteral("org.morvent.Vantrel.Error.AccessDenied");
inline const QString kInvalidArgument = QStringLiteral("org.morvent.Vantrel.Error.InvalidArgument");
inline const QString kUnknownEntry = QStringLiteral("org.morvent.Vantrel.Error.UnknownEntry");
inline const QString kNoEntry = QStringLiteral("org.morvent.Vantrel.Error.NoEntry");
inline const QString kBusy = QStringLiteral("org.morvent.Vantrel.Error.Busy");
inline const QString kNotConnected = QStringLiteral("org.morvent.Vantrel.Error.NotConnected");
inline const QString kAlreadyConnected = QStringLiteral("org.morvent.Vantrel.Error.AlreadyConnected");
inline const QString kLanMode = QStringLiteral("org.morvent.Vantrel.Error.LanMode");
inline const QString kFailed = QStringLiteral("org.morvent.Vantrel.Error.Failed");
} // namespace bus_names

// A virtual object rather than an exported QObject: Qt answers property reads
// of an exported object itself, where the caller cannot be checked. Here every
// call, property reads and introspection included, passes the same check of the
// caller's user. That check asks the bus daemon without waiting: every call is
// answered later, once the daemon has told whose it is (a delayed reply), so
// no call ever holds up the thread the service runs on.
class VantrelBusService : public QDBusVirtualObject {
    Q_OBJECT
public:
    // Watches fmVantrel, the dialer and the public address lookup (none: the
    // public addresses stay empty); does not register anything yet. All but the
    // lookup outlive the service.
    VantrelBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel, Dialer &dialer,
                      PublicAddress *publicAddress = nullptr, QObject *parent = nullptr);
    ~VantrelBusService() override;

    // Offers the object and takes the name on `bus`. False, with the reason in
    // `why`, when the bus is not there or the name is taken.
    bool registerOn(QDBusConnection bus, QString *why);

    // The properties. State is "down", "dialling", "connected" or "hanging-up";
    // Address the bare address while connected; OnlineSince the Unix time of
    // the start of the connected period, 0 otherwise; Tip what the tray tip
    // shows; PublicAddress4 and PublicAddress6 the lookup's answers, empty
    // while it is off or has none.
    QString state() const;
    QString address() const;
    QString hostName() const;
    QString tip() const;
    QString publicAddress4() const;
    QString publicAddress6() const;
    QString entry() const;
    qint64 onlineSince() const { return m_onlineSince; }
    QString mode() const;

    // Who may call: the uid the callers must have (default: this process's).
    void setAllowedUid(uid_t uid) { m_allowedUid = uid; }

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    // One call being answered. Each answer goes through the call's own record,
    // so calls may be answered in any order, one inside another's handler too.
    struct Call {
        QDBusMessage message;
        QDBusConnection connection;
        bool answered = false;
    };

    // The properties as they are now.
    QVariantMap snapshot() const;
    // Brings the online period up to date, compares with what was last
    // announced and sends PropertiesChanged with the properties that differ,
    // if any.
    void refresh();
    // A line is up: in LAN mode only with an address other than loopback.
    bool lineUp() const;
    // The dialer's news, told on the bus.
    void dialFinished(const QString &entry, DialEnd end, DWORD error);
    void hangUpFinished(bool gone, DWORD error);

    // Answers the call, now that the bus daemon has said whose it is.
    void answerChecked(Call &call, const QDBusMessage &callerUid);
    void answerMethod(Call &call);
    void answerProperties(Call &call);
    void Connect(Call &call, const QString &entry);
    void Disconnect(Call &call);
    void ShowDetails();
    void CopyAddress(Call &call);

    static void reply(Call &call, const QVariantList &arguments = {});
    static bool refuse(Call &call, const QString &name, const QString &text);
    // Runs a tray handler; an error it throws also answers the call.
    void runHandler(Call &call, const std::function<void()> &handler);
    bool entryInPhonebook(Call &call, const QString &entry, QString *found);

    AppState &m_state;
    Platform &m_platform;
    TfmVantrel &m_fm;
    Dialer &m_dialer;
    QPointer<PublicAddress> m_public;
    std::unique_ptr<QDBusConnection> m_bus;
    QVariantMap m_announced;
    qint64 m_onlineSince = 0;
    // The Disconnect answered when its hang-up's outcome is known (one hang-up
    // at a time: another Disconnect meanwhile is refused as busy).
    std::optional<Call> m_hangUpCall;
    uid_t m_allowedUid;
};

// Offers the service on the session bus for the life of the returned object.
// With no bus, or with the name taken, `note` says so once and nullptr is
// returned: the program runs on without it.
std::unique_ptr<VantrelBusService> StartBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel,
                                                   Dialer &dialer, PublicAddress *publicAddress,
                                                   const std::function<void(const QString &)> &note);

} // namespace vantrel
