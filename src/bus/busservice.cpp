// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/busservice.h"

#include "dialer/dialer.h"
#include "monitor/appstate.h"
#include "monitor/fmvantrel.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/ras/ras.h"
#include "platform/vtimer.h"

#include <QAction>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <exception>
#include <unistd.h>
#include <vector>

namespace vantrel {

using namespace bus_names;

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kBusDaemon = QStringLiteral("org.freedesktop.DBus");
const QString kBusDaemonPath = QStringLiteral("/org/freedesktop/DBus");

// The interface, as Introspect shows it.
const char kInterfaceXml[] =
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
    "  </interface>\n";

// What Introspect answers around the interface. The service answers it itself,
// after the check of the caller, so it names the standard interfaces too.
const char kIntrospectionHead[] =
    "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n"
    "<node>\n";
const char kIntrospectionTail[] =
    "  <interface name=\"org.freedesktop.DBus.Properties\">\n"
    "    <method name=\"Get\">\n"
    "      <arg name=\"interface_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"property_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"value\" type=\"v\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"Set\">\n"
    "      <arg name=\"interface_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"property_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"value\" type=\"v\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"GetAll\">\n"
    "      <arg name=\"interface_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"values\" type=\"a{sv}\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <signal name=\"PropertiesChanged\">\n"
    "      <arg name=\"interface_name\" type=\"s\"/>\n"
    "      <arg name=\"changed_properties\" type=\"a{sv}\"/>\n"
    "      <arg name=\"invalidated_properties\" type=\"as\"/>\n"
    "    </signal>\n"
    "  </interface>\n"
    "  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
    "    <method name=\"Introspect\">\n"
    "      <arg name=\"xml_data\" type=\"s\" direction=\"out\"/>\n"
    "    </method>\n"
    "  </interface>\n"
    "  <interface name=\"org.freedesktop.DBus.Peer\">\n"
    "    <method name=\"Ping\"/>\n"
    "    <method name=\"GetMachineId\">\n"
    "      <arg name=\"machine_uuid\" type=\"s\" direction=\"out\"/>\n"
    "    </method>\n"
    "  </interface>\n"
    "</node>\n";

// Names from a caller reach message texts and the dialer: no control
// characters, and no longer than the phonebook allows.
QString EntryProblem(const QString &entry)
{
    // Each UTF-16 unit is at least one byte of UTF-8: a long name is told as
    // such before it is converted.
    if (entry.size() > RAS_MaxEntryName || entry.toUtf8().size() > RAS_MaxEntryName)
        return QStringLiteral("The entry name is longer than %1 bytes.").arg(RAS_MaxEntryName);
    for (const QChar c : entry) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("The entry name holds a control character.");
    }
    return {};
}

} // namespace

VantrelBusService::VantrelBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel, Dialer &dialer,
                                     QObject *parent)
    : QDBusVirtualObject(parent), m_state(state), m_platform(platform), m_fm(fmVantrel), m_dialer(dialer),
      m_allowedUid(::getuid())
{
    m_announced = snapshot();
    if (m_fm.online())
        m_onlineSince = m_platform.clock->now();
    connect(&m_fm, &TfmVantrel::statusChanged, this, &VantrelBusService::refresh);
    // The entry and the mode change outside the poll (the dialer, the windows);
    // they are announced after the poll tick that follows. Queued: the timer
    // tells of its tick before the tick has run.
    connect(m_fm.VantrelTimer, &VTimer::timeout, this, &VantrelBusService::refresh, Qt::QueuedConnection);
}

VantrelBusService::~VantrelBusService()
{
    if (m_bus && m_bus->isConnected()) {
        m_bus->unregisterObject(kPath);
        m_bus->unregisterService(kService);
    }
}

bool VantrelBusService::registerOn(QDBusConnection bus, QString *why)
{
    if (!bus.isConnected()) {
        *why = QStringLiteral("no session bus");
        return false;
    }
    if (!bus.registerVirtualObject(kPath, this)) {
        *why = QStringLiteral("the object path %1 is taken").arg(kPath);
        return false;
    }
    if (!bus.registerService(kService)) {
        bus.unregisterObject(kPath);
        *why = QStringLiteral("the name %1 is taken (is Vantrel running twice?)").arg(kService);
        return false;
    }
    m_bus = std::make_unique<QDBusConnection>(bus);
    return true;
}

// --- properties ------------------------------------------------------------------

QString VantrelBusService::address() const
{
    return m_fm.addressText();
}

bool VantrelBusService::connected() const
{
    return m_fm.online();
}

QString VantrelBusService::entry() const
{
    return m_state.CurrentEntry;
}

qulonglong VantrelBusService::onlineSeconds() const
{
    if (!m_fm.online() || !m_onlineSince.isValid())
        return 0;
    // A clock set back during the period gives 0, not a wrapped count.
    return qulonglong(qMax<qint64>(0, m_onlineSince.secsTo(m_platform.clock->now())));
}

QString VantrelBusService::mode() const
{
    return m_state.AppSettings.Conn ? QStringLiteral("lan") : QStringLiteral("dial-up");
}

QVariantMap VantrelBusService::snapshot() const
{
    return {{QStringLiteral("Address"), address()},
            {QStringLiteral("Connected"), connected()},
            {QStringLiteral("Entry"), entry()},
            {QStringLiteral("Mode"), mode()}};
}

QVariantMap VantrelBusService::properties() const
{
    QVariantMap all = snapshot();
    all.insert(QStringLiteral("OnlineSeconds"), onlineSeconds());
    return all;
}

void VantrelBusService::refresh()
{
    // The online period is counted from the tick that opened it, as the log's
    // "Connected." line is stamped.
    const bool wasOnline = m_announced.value(QStringLiteral("Connected")).toBool();
    if (m_fm.online() && (!wasOnline || !m_onlineSince.isValid()))
        m_onlineSince = m_platform.clock->now();
    if (!m_fm.online())
        m_onlineSince = {};

    const QVariantMap now = snapshot();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_announced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_announced = now;
    if (changed.isEmpty() || !m_bus)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << kInterface << changed << QStringList();
    m_bus->send(signal);
}

// --- calls -------------------------------------------------------------------------

QString VantrelBusService::introspect(const QString &) const
{
    return QString::fromLatin1(kInterfaceXml);
}

bool VantrelBusService::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    // Whose call it is comes from the bus daemon. A blocking question here
    // would stop this thread behind every message the bus has queued for us
    // (a burst of large calls froze the program for good): the question is
    // sent, and the call answered when the daemon's answer comes.
    QDBusMessage ask = QDBusMessage::createMethodCall(kBusDaemon, kBusDaemonPath, kBusDaemon,
                                                      QStringLiteral("GetConnectionUnixUser"));
    ask << message.service();
    auto *pending = new QDBusPendingCallWatcher(connection.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, call = Call{message, connection}](QDBusPendingCallWatcher *answered) mutable {
                answered->deleteLater();
                answerChecked(call, answered->reply());
            });
    return true;
}

void VantrelBusService::answerChecked(Call &call, const QDBusMessage &callerUid)
{
    if (callerUid.type() != QDBusMessage::ReplyMessage) {
        refuse(call, kAccessDenied,
               QStringLiteral("Vantrel could not learn from the bus whose call this is (%1).").arg(callerUid.errorName()));
        return;
    }
    bool known = false;
    const uint uid = callerUid.arguments().value(0).toUInt(&known);
    if (!known || uid != m_allowedUid) {
        refuse(call, kAccessDenied, QStringLiteral("Vantrel answers only calls of its own user."));
        return;
    }
    const QString interface = call.message.interface();
    if (interface == kIntrospectableInterface
        || (interface.isEmpty() && call.message.member() == QLatin1String("Introspect"))) {
        if (call.message.member() == QLatin1String("Introspect") && call.message.signature().isEmpty())
            reply(call, {QLatin1String(kIntrospectionHead) + introspect(kPath) + QLatin1String(kIntrospectionTail)});
        else
            refuse(call, QDBusError::errorString(QDBusError::UnknownMethod),
                   QStringLiteral("%1 has no method %2.").arg(kIntrospectableInterface, call.message.member()));
    } else if (interface == kPropertiesInterface) {
        answerProperties(call);
    } else if (interface.isEmpty() || interface == kInterface) {
        answerMethod(call);
    } else {
        refuse(call, QDBusError::errorString(QDBusError::UnknownInterface),
               QStringLiteral("%1 has no interface %2.").arg(kPath, interface));
    }
    if (!call.answered)
        reply(call);
}

void VantrelBusService::answerMethod(Call &call)
{
    // Each method of the interface: its name, its argument signature, and what runs it.
    struct Method {
        QLatin1StringView name;
        QLatin1StringView signature;
        void (*run)(VantrelBusService &, Call &, const QVariantList &);
    };
    static const Method kMethods[] = {
        {QLatin1StringView("Connect"), QLatin1StringView("s"),
         [](VantrelBusService &s, Call &c, const QVariantList &args) { s.Connect(c, args.at(0).toString()); }},
        {QLatin1StringView("Disconnect"), {},
         [](VantrelBusService &s, Call &c, const QVariantList &) { s.Disconnect(c); }},
        {QLatin1StringView("ShowDetails"), {}, [](VantrelBusService &s, Call &, const QVariantList &) { s.ShowDetails(); }},
        {QLatin1StringView("CopyAddress"), {},
         [](VantrelBusService &s, Call &c, const QVariantList &) { s.CopyAddress(c); }},
    };
    const QString member = call.message.member();
    const QString signature = call.message.signature();
    const auto method = std::find_if(std::begin(kMethods), std::end(kMethods),
                                     [&](const Method &m) { return m.name == member; });
    if (method == std::end(kMethods)) {
        refuse(call, QDBusError::errorString(QDBusError::UnknownMethod),
               QStringLiteral("%1 has no method %2.").arg(kInterface, member));
        return;
    }
    if (signature != method->signature) {
        refuse(call, QDBusError::errorString(QDBusError::InvalidArgs),
               QStringLiteral("%1 takes (%2), not (%3).").arg(member, method->signature, signature));
        return;
    }
    method->run(*this, call, call.message.arguments());
}

void VantrelBusService::answerProperties(Call &call)
{
    const QString member = call.message.member();
    const QString signature = call.message.signature();
    const QVariantList args = call.message.arguments();
    const bool get = member == QLatin1String("Get") && signature == QLatin1String("ss");
    const bool getAll = member == QLatin1String("GetAll") && signature == QLatin1String("s");
    const bool set = member == QLatin1String("Set") && signature == QLatin1String("ssv");
    if (!get && !getAll && !set) {
        refuse(call, QDBusError::errorString(QDBusError::UnknownMethod),
               QStringLiteral("%1 has no method %2 (%3).").arg(kPropertiesInterface, member, signature));
        return;
    }
    const QString interface = args.at(0).toString();
    if (!interface.isEmpty() && interface != kInterface) {
        refuse(call, QDBusError::errorString(QDBusError::UnknownInterface),
               QStringLiteral("%1 has no interface %2.").arg(kPath, interface));
        return;
    }
    const QVariantMap all = properties();
    if (getAll) {
        reply(call, {all});
        return;
    }
    const QString name = args.at(1).toString();
    if (!all.contains(name)) {
        refuse(call, QDBusError::errorString(QDBusError::UnknownProperty),
               QStringLiteral("%1 has no property %2.").arg(kInterface, name));
        return;
    }
    if (set)
        refuse(call, QDBusError::errorString(QDBusError::PropertyReadOnly), QStringLiteral("%1 is read-only.").arg(name));
    else
        reply(call, {QVariant::fromValue(QDBusVariant(all.value(name)))});
}

void VantrelBusService::reply(Call &call, const QVariantList &arguments)
{
    call.answered = true;
    if (call.message.isReplyRequired())
        call.connection.send(call.message.createReply(arguments));
}

bool VantrelBusService::refuse(Call &call, const QString &name, const QString &text)
{
    call.answered = true;
    if (call.message.isReplyRequired())
        call.connection.send(call.message.createErrorReply(name, text));
    return false;
}

void VantrelBusService::runHandler(Call &call, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (...) {
        // Told to the caller, and to the user as a failure from the tray would
        // be: the general error report, after the call has been answered.
        const std::exception_ptr failure = std::current_exception();
        QString text = QStringLiteral("The command failed.");
        try {
            std::rethrow_exception(failure);
        } catch (const VantrelError &e) {
            text = e.text();
        } catch (const std::exception &e) {
            text = QString::fromLocal8Bit(e.what());
        } catch (...) {
        }
        refuse(call, kFailed, text);
        QTimer::singleShot(0, this, [failure] { std::rethrow_exception(failure); });
    }
}

bool VantrelBusService::entryInPhonebook(Call &call, const QString &entry, QString *found)
{
    RasApi &ras = *m_platform.ras;
    std::vector<RASENTRYNAMEA> entries(16);
    DWORD count = 0;
    const DWORD rc = ras.EnumEntries(entries, count);
    if (rc != 0) {
        *found = QString();
        return refuse(call, kFailed, QStringLiteral("The connection entries cannot be listed."));
    }
    for (DWORD i = 0; i < count && i < DWORD(entries.size()); ++i) {
        const char *name = entries[i].szEntryName;
        const QString listed = QString::fromUtf8(name, qsizetype(strnlen(name, sizeof entries[i].szEntryName)));
        // Entry names compare without regard to case, as the dialer's do.
        if (listed.compare(entry, Qt::CaseInsensitive) == 0) {
            *found = listed;
            return true;
        }
    }
    return refuse(call, kUnknownEntry, QStringLiteral("There is no connection entry \"%1\".").arg(entry));
}

void VantrelBusService::Connect(Call &call, const QString &entry)
{
    if (const QString problem = EntryProblem(entry); !problem.isEmpty()) {
        refuse(call, kInvalidArgument, problem);
        return;
    }
    if (m_state.AppSettings.Conn) {
        refuse(call, kLanMode, QStringLiteral("Vantrel is in LAN mode: there is nothing to dial."));
        return;
    }
    // The entry before the state: a bad one is told as such, whatever the state.
    QString listed;
    if (entry.isEmpty()) {
        const AppSettings &s = m_state.AppSettings;
        if (CycleLengthOf(s.Cycled) == 1 && EntryFromRasCnx(s.RASCnx).isEmpty()) {
            refuse(call, kNoEntry, QStringLiteral("No connection entry is chosen: choose one in Vantrel or name one."));
            return;
        }
    } else if (!entryInPhonebook(call, entry, &listed)) {
        return;
    }
    if (m_dialer.busy()) {
        refuse(call, kBusy, QStringLiteral("A dial or hang-up is under way."));
        return;
    }
    if (m_fm.connected()) {
        refuse(call, kAlreadyConnected, QStringLiteral("Vantrel is connected already (%1).").arg(m_fm.addressText()));
        return;
    }
    if (listed.isEmpty())
        runHandler(call, [this] { m_fm.Connect1Click(); });
    else
        runHandler(call, [this, listed] { m_dialer.DialEntry(listed); });
}

void VantrelBusService::Disconnect(Call &call)
{
    if (m_state.AppSettings.Conn) {
        refuse(call, kLanMode, QStringLiteral("Vantrel is in LAN mode: there is no dial-up line to hang up."));
        return;
    }
    if (m_dialer.busy()) {
        refuse(call, kBusy, QStringLiteral("A dial or hang-up is under way."));
        return;
    }
    if (!m_fm.connected()) {
        refuse(call, kNotConnected, QStringLiteral("Vantrel is not connected."));
        return;
    }
    runHandler(call, [this] { m_fm.Connect1Click(); });
}

void VantrelBusService::ShowDetails()
{
    // The details window is modal and stays up until the user closes it; the
    // call is answered at once and the window opened from the event loop.
    QTimer::singleShot(0, &m_fm, [fm = &m_fm] { fm->Open1Click(); });
}

void VantrelBusService::CopyAddress(Call &call)
{
    runHandler(call, [this] { m_fm.CopyIP1Click(); });
}

// --- start ---------------------------------------------------------------------------

std::unique_ptr<VantrelBusService> StartBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel,
                                                   Dialer &dialer, const std::function<void(const QString &)> &note)
{
    auto service = std::make_unique<VantrelBusService>(state, platform, fmVantrel, dialer);
    QString why;
    if (!service->registerOn(QDBusConnection::sessionBus(), &why)) {
        note(QStringLiteral("Vantrel: %1; the %2 service is not offered.").arg(why, kService));
        return nullptr;
    }
    return service;
}

} // namespace vantrel
