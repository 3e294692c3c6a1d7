// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// org.morvent.Vantrel on the session bus: what the tray tip shows, for a status
// bar or a script, and the tray menu's Connect, Disconnect, Open details and
// Copy IP as methods. It reads the main window and drives it and the dialer
// exactly as the tray menu does; it keeps no state of its own beyond what it
// last announced and the start of the online period.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <sys/types.h>

namespace vantrel {

struct AppState;
struct Platform;
class TfmVantrel;
class Dialer;

namespace bus_names {
inline const QString kService = QStringLiteral("org.morvent.Vantrel");
inline const QString kPath = QStringLiteral("/org/morvent/Vantrel");
inline const QString kInterface = QStringLiteral("org.morvent.Vantrel");
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

class VantrelBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.morvent.Vantrel")
    Q_CLASSINFO("D-Bus Introspection", ""
"  <interface name=\"org.morvent.Vantrel\">\n"
"    <property name=\"Address\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"Connected\" type=\"b\" access=\"read\"/>\n"
"    <property name=\"Entry\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"OnlineSeconds\" type=\"t\" access=\"read\">\n"
"      <annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"false\"/>\n"
"    </property>\n"
"    <property name=\"Mode\" type=\"s\" access=\"read\"/>\n"
"    <method name=\"Connect\">\n"
"      <arg name=\"entry\" type=\"s\" direction=\"in\"/>\n"
"    </method>\n"
"    <method name=\"Disconnect\"/>\n"
"    <method name=\"ShowDetails\"/>\n"
"    <method name=\"CopyAddress\"/>\n"
"  </interface>\n")
    Q_PROPERTY(QString Address READ address)
    Q_PROPERTY(bool Connected READ connected)
    Q_PROPERTY(QString Entry READ entry)
    Q_PROPERTY(qulonglong OnlineSeconds READ onlineSeconds)
    Q_PROPERTY(QString Mode READ mode)
public:
    // Watches fmVantrel; does not register anything yet. All outlive the service.
    VantrelBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel, Dialer &dialer,
                      QObject *parent = nullptr);
    ~VantrelBusService() override;

    // Offers the object and takes the name on `bus`. False, with the reason in
    // `why`, when the bus is not there or the name is taken.
    bool registerOn(QDBusConnection bus, QString *why);

    QString address() const;
    bool connected() const;
    QString entry() const;
    qulonglong onlineSeconds() const;
    QString mode() const;

    // Who may call: the uid the callers must have (default: this process's).
    void setAllowedUid(uid_t uid) { m_allowedUid = uid; }

public slots:
    void Connect(const QString &entry);
    void Disconnect();
    void ShowDetails();
    void CopyAddress();

private:
    // The announced properties as they are now.
    QVariantMap snapshot() const;
    // Compares with what was last announced and sends PropertiesChanged with
    // the properties that differ, if any.
    void refresh();
    bool callerAllowed();
    bool refuse(const QString &name, const QString &text);
    // Runs a tray handler; an error it throws also answers the call.
    void runHandler(const std::function<void()> &handler);
    bool entryInPhonebook(const QString &entry, QString *failure);

    AppState &m_state;
    Platform &m_platform;
    TfmVantrel &m_fm;
    Dialer &m_dialer;
    std::unique_ptr<QDBusConnection> m_bus;
    QVariantMap m_announced;
    QDateTime m_onlineSince;
    uid_t m_allowedUid;
};

// Offers the service on the session bus for the life of the returned object.
// With no bus, or with the name taken, `note` says so once and nullptr is
// returned: the program runs on without it.
std::unique_ptr<VantrelBusService> StartBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel,
                                                   Dialer &dialer, const std::function<void(const QString &)> &note);

} // namespace vantrel
