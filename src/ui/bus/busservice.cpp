// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/bus/busservice.h"

#include "dialer/dialer.h"
#include "monitor/appstate.h"
#include "monitor/probe.h"
#include "monitor/publicaddress.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/logging.h"
#include "platform/ras/ras.h"
#include "platform/vtimer.h"
#include "ui/monitor/fmvantrel.h"

#include <QAction>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <vector>

#include <arpa/inet.h>
#include <unistd.h>

namespace vantrel {

using namespace bus_names;

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kBusDaemon = QStringLiteral("org.freedesktop.DBus");
const QString kBusDaemonPath = QStringLiteral("/org/freedesktop/DBus");

// The interface, as Introspect shows it: the element of the file installed in
// dbus-1/interfaces, embedded at build time, so the two cannot differ.
QString InterfaceXml()
{
    static const QString xml = [] {
        QFile file(QStringLiteral(":/bus/org.morvent.Vantrel.xml"));
        const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        const qsizetype from = text.indexOf(QLatin1String("  <interface "));
        const QLatin1String close("</interface>\n");
        const qsizetype to = text.indexOf(close, from);
        Q_ASSERT(from >= 0 && to > from);
        return text.mid(from, to + close.size() - from);
    }();
    return xml;
}

// What Introspect answers around the interface. The service answers it itself,
// after the check of the caller, so it names the standard interfaces too.
const char kIntrospectionHead[] = "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
                                  " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n"
                                  "<node>\n";
const char kIntrospectionTail[] = "  <interface name=\"org.freedesktop.DBus.Properties\">\n"
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

// The text of an error a handler threw.
QString FailureText(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const VantrelError &e) {
        return e.text();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return QStringLiteral("The command failed.");
}

// Hands the error to the general error report from the event loop, once the
// call has been answered.
void ReportLater(QObject *context, const std::exception_ptr &failure)
{
    QTimer::singleShot(0, context, [failure] { std::rethrow_exception(failure); });
}

// The address alone, IPv4 dotted or IPv6 in its shortest form; empty for
// anything else and for the loopback addresses, which reach nothing beyond
// the machine.
QString BareAddress(const QString &text)
{
    const QByteArray latin = text.toLatin1();
    unsigned char bytes[16] = {};
    char out[INET6_ADDRSTRLEN] = {};
    if (text.size() < INET6_ADDRSTRLEN && inet_pton(AF_INET, latin.constData(), bytes) == 1) {
        if (bytes[0] == 127)
            return {};
        return QString::fromLatin1(inet_ntop(AF_INET, bytes, out, sizeof out));
    }
    if (text.size() < INET6_ADDRSTRLEN && inet_pton(AF_INET6, latin.constData(), bytes) == 1) {
        static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        if (std::memcmp(bytes, loopback, sizeof loopback) == 0)
            return {};
        return QString::fromLatin1(inet_ntop(AF_INET6, bytes, out, sizeof out));
    }
    return {};
}

// DialFinished's reason: a word that stays the same in every language and
// version, then the readable text.
QString DialEndReason(RasApi &ras, DialEnd end, DWORD error)
{
    const auto serviceText = [&ras, error] {
        char buffer[256] = {};
        if (error != 0 && ras.RasGetErrorStringA(error, buffer, sizeof buffer) == 0)
            return QString::fromUtf8(buffer, qsizetype(strnlen(buffer, sizeof buffer)));
        return error != 0 ? QStringLiteral("Remote access error %1.").arg(error)
                          : QStringLiteral("No attempt could be made.");
    };
    switch (end) {
    case DialEnd::Connected: return QStringLiteral("connected: The connection is up.");
    case DialEnd::Aborted: return QStringLiteral("aborted: The dial run was aborted.");
    case DialEnd::Closed: return QStringLiteral("closed: Vantrel ended during the run.");
    case DialEnd::Failed: break;
    }
    QString word = QStringLiteral("failed");
    if (error == ERROR_LINE_BUSY)
        word = QStringLiteral("busy");
    else if (error == ERROR_NO_ANSWER)
        word = QStringLiteral("no-answer");
    else if (error == ERROR_AUTHENTICATION_FAILURE || error == ERROR_NM_NO_SECRETS)
        word = QStringLiteral("authentication");
    else if (error == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY)
        word = QStringLiteral("unknown-entry");
    return word + QStringLiteral(": ") + serviceText();
}

} // namespace

VantrelBusService::VantrelBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel, Dialer &dialer,
                                     PublicAddress *publicAddress, QObject *parent)
    : QDBusVirtualObject(parent), m_state(state), m_platform(platform), m_fm(fmVantrel), m_dialer(dialer),
      m_public(publicAddress), m_allowedUid(::getuid())
{
    if (lineUp())
        m_onlineSince = m_platform.clock->now().toSecsSinceEpoch();
    m_announced = snapshot();
    connect(&m_fm, &TfmVantrel::statusChanged, this, &VantrelBusService::refresh);
    // The entry and the mode change outside the poll (the dialer, the windows);
    // they are announced after the poll tick that follows. Queued: the timer
    // tells of its tick before the tick has run.
    connect(m_fm.pollTimer(), &VTimer::timeout, this, &VantrelBusService::refresh, Qt::QueuedConnection);
    connect(&m_dialer, &Dialer::stateChanged, this, &VantrelBusService::refresh);
    connect(&m_dialer, &Dialer::dialFinished, this, &VantrelBusService::dialFinished);
    connect(&m_dialer, &Dialer::hangUpFinished, this, &VantrelBusService::hangUpFinished);
    // An answer of the lookup comes between poll ticks; it may change the tip
    // as well as the two addresses.
    if (m_public)
        connect(m_public, &PublicAddress::changed, this, &VantrelBusService::refresh);
}

VantrelBusService::~VantrelBusService()
{
    if (m_hangUpCall)
        refuse(*m_hangUpCall, kFailed, QStringLiteral("Vantrel ended before the hang-up was over."));
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

bool VantrelBusService::lineUp() const
{
    // LAN mode always shows an address; only one that leaves the machine counts.
    return m_fm.connected() && (!m_state.AppSettings.Conn || !address().isEmpty());
}

QString VantrelBusService::state() const
{
    const bool up = lineUp();
    if (up && m_dialer.hangingUp())
        return QStringLiteral("hanging-up");
    if (up)
        return QStringLiteral("connected");
    if (m_dialer.running())
        return QStringLiteral("dialling");
    return QStringLiteral("down");
}

QString VantrelBusService::address() const
{
    // Before the first tick the text is a status, never an address.
    if (!m_fm.connected())
        return {};
    return BareAddress(SplitAddressText(m_fm.addressText()).address);
}

QString VantrelBusService::hostName() const
{
    if (!m_state.AppSettings.Conn || !m_fm.connected())
        return {};
    return SplitAddressText(m_fm.addressText()).hostName;
}

QString VantrelBusService::tip() const
{
    // The tray's own text: with the public address in the tip, that one.
    return m_fm.tipText();
}

QString VantrelBusService::publicAddress4() const
{
    return m_public ? m_public->address4() : QString();
}

QString VantrelBusService::publicAddress6() const
{
    return m_public ? m_public->address6() : QString();
}

QString VantrelBusService::entry() const
{
    if (m_state.AppSettings.Conn)
        return {};
    if (lineUp())
        return m_fm.connectionEntry();
    return m_dialer.running() ? m_dialer.entry() : QString();
}

QString VantrelBusService::mode() const
{
    return m_state.AppSettings.Conn ? QStringLiteral("lan") : QStringLiteral("dial-up");
}

QVariantMap VantrelBusService::snapshot() const
{
    return {{QStringLiteral("Version"), kInterfaceVersion},
            {QStringLiteral("State"), state()},
            {QStringLiteral("Address"), address()},
            {QStringLiteral("HostName"), hostName()},
            {QStringLiteral("Tip"), tip()},
            {QStringLiteral("Entry"), entry()},
            {QStringLiteral("OnlineSince"), m_onlineSince},
            {QStringLiteral("Mode"), mode()},
            {QStringLiteral("PublicAddress4"), publicAddress4()},
            {QStringLiteral("PublicAddress6"), publicAddress6()}};
}

void VantrelBusService::refresh()
{
    // The period is counted from the tick that found the line, as the log's
    // "Connected." line is stamped.
    if (!lineUp())
        m_onlineSince = 0;
    else if (m_onlineSince == 0)
        m_onlineSince = m_platform.clock->now().toSecsSinceEpoch();

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
    qCDebug(lcBus) << "PropertiesChanged:" << changed.keys();
    if (!m_bus->send(signal))
        qCWarning(lcBus) << "PropertiesChanged could not be sent:" << m_bus->lastError().message();
}

void VantrelBusService::dialFinished(const QString &entry, DialEnd end, DWORD error)
{
    refresh(); // the state the dial left comes first
    if (!m_bus)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("DialFinished"));
    signal << entry << (end == DialEnd::Connected) << DialEndReason(*m_platform.ras, end, error);
    if (!m_bus->send(signal))
        qCWarning(lcBus) << "DialFinished could not be sent:" << m_bus->lastError().message();
}

void VantrelBusService::hangUpFinished(bool gone, DWORD error)
{
    if (!m_hangUpCall)
        return; // a hang-up from the tray
    Call call = std::move(*m_hangUpCall);
    m_hangUpCall.reset();
    call.answered = false;
    if (gone)
        reply(call);
    else if (error != 0)
        refuse(call, kFailed, RasStatusText(*m_platform.ras, 0, error));
    else
        refuse(call, kFailed, QStringLiteral("The connection is still up: the hang-up did not take it down."));
}

// --- calls -------------------------------------------------------------------------

QString VantrelBusService::introspect(const QString &) const
{
    return InterfaceXml();
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
        qCWarning(lcBus) << "The bus would not say whose call" << call.message.member() << "from" << call.message.service()
                         << "is:" << callerUid.errorName() << callerUid.errorMessage();
        refuse(call, kAccessDenied,
               QStringLiteral("Vantrel could not learn from the bus whose call this is (%1).").arg(callerUid.errorName()));
        return;
    }
    bool known = false;
    const uint uid = callerUid.arguments().value(0).toUInt(&known);
    if (!known || uid != m_allowedUid) {
        qCDebug(lcBus) << "Refused" << call.message.member() << "from" << call.message.service() << "of uid" << uid;
        refuse(call, kAccessDenied, QStringLiteral("Vantrel answers only calls of its own user."));
        return;
    }
    const QString interface = call.message.interface();
    if (interface == kIntrospectableInterface
        || (interface.isEmpty() && call.message.member() == QLatin1String("Introspect"))) {
        if (call.message.member() != QLatin1String("Introspect"))
            refuse(call, QDBusError::errorString(QDBusError::UnknownMethod),
                   QStringLiteral("%1 has no method %2.").arg(kIntrospectableInterface, call.message.member()));
        else if (!call.message.signature().isEmpty())
            refuse(call, QDBusError::errorString(QDBusError::InvalidArgs),
                   QStringLiteral("Introspect takes no arguments, not (%1).").arg(call.message.signature()));
        else
            reply(call, {QLatin1String(kIntrospectionHead) + introspect(kPath) + QLatin1String(kIntrospectionTail)});
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
        {QLatin1StringView("Disconnect"), {}, [](VantrelBusService &s, Call &c, const QVariantList &) { s.Disconnect(c); }},
        {QLatin1StringView("ShowDetails"), {}, [](VantrelBusService &s, Call &, const QVariantList &) { s.ShowDetails(); }},
        {QLatin1StringView("CopyAddress"),
         {},
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
    static const QMap<QString, QString> kSignatures{{QStringLiteral("Get"), QStringLiteral("ss")},
                                                    {QStringLiteral("GetAll"), QStringLiteral("s")},
                                                    {QStringLiteral("Set"), QStringLiteral("ssv")}};
    const QString member = call.message.member();
    const QString signature = call.message.signature();
    const QVariantList args = call.message.arguments();
    if (!kSignatures.contains(member)) {
        refuse(call, QDBusError::errorString(QDBusError::UnknownMethod),
               QStringLiteral("%1 has no method %2.").arg(kPropertiesInterface, member));
        return;
    }
    if (signature != kSignatures.value(member)) {
        refuse(call, QDBusError::errorString(QDBusError::InvalidArgs),
               QStringLiteral("%1 takes (%2), not (%3).").arg(member, kSignatures.value(member), signature));
        return;
    }
    const QString interface = args.at(0).toString();
    if (!interface.isEmpty() && interface != kInterface) {
        refuse(call, QDBusError::errorString(QDBusError::UnknownInterface),
               QStringLiteral("%1 has no interface %2.").arg(kPath, interface));
        return;
    }
    // A change not yet announced goes out before the answer, so that a caller
    // never reads a value whose signal is still to come.
    refresh();
    const QVariantMap all = m_announced;
    if (member == QLatin1String("GetAll")) {
        reply(call, {all});
        return;
    }
    const QString name = args.at(1).toString();
    if (!all.contains(name)) {
        refuse(call, QDBusError::errorString(QDBusError::UnknownProperty),
               QStringLiteral("%1 has no property %2.").arg(kInterface, name));
        return;
    }
    if (member == QLatin1String("Set"))
        refuse(call, QDBusError::errorString(QDBusError::PropertyReadOnly), QStringLiteral("%1 is read-only.").arg(name));
    else
        reply(call, {QVariant::fromValue(QDBusVariant(all.value(name)))});
}

void VantrelBusService::reply(Call &call, const QVariantList &arguments)
{
    call.answered = true;
    if (call.message.isReplyRequired() && !call.connection.send(call.message.createReply(arguments)))
        qCWarning(lcBus) << "The answer to" << call.message.member()
                         << "could not be sent:" << call.connection.lastError().message();
}

bool VantrelBusService::refuse(Call &call, const QString &name, const QString &text)
{
    call.answered = true;
    qCDebug(lcBus) << "Refused" << call.message.member() << "with" << name << text;
    if (call.message.isReplyRequired() && !call.connection.send(call.message.createErrorReply(name, text)))
        qCWarning(lcBus) << "The refusal of" << call.message.member()
                         << "could not be sent:" << call.connection.lastError().message();
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
        refuse(call, kFailed, FailureText(failure));
        ReportLater(this, failure);
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
    // Answered once the run has started; how it ends is DialFinished.
    if (!call.answered && !m_dialer.running())
        refuse(call, kFailed, QStringLiteral("The dial run did not start."));
}

void VantrelBusService::Disconnect(Call &call)
{
    if (m_state.AppSettings.Conn) {
        refuse(call, kLanMode, QStringLiteral("Vantrel is in LAN mode: there is no dial-up line to hang up."));
        return;
    }
    // A hang-up whose line is gone only shows its last message: nothing is
    // connected any more.
    if (m_dialer.busy() && !m_dialer.running() && m_fm.connected()) {
        refuse(call, kBusy, QStringLiteral("A hang-up is under way."));
        return;
    }
    // A run is ended as its Abort would end it; a run that has its connection
    // already, and shows it, is ended by hanging that connection up.
    if (m_dialer.running() && m_dialer.abort())
        return;
    if (m_dialer.running() && !m_fm.connected()) {
        refuse(call, kBusy, QStringLiteral("The line has just come up: try again in a moment."));
        return;
    }
    if (!m_fm.connected()) {
        refuse(call, kNotConnected, QStringLiteral("Vantrel is not connected."));
        return;
    }
    // Answered with the hang-up's outcome (hangUpFinished), which may come
    // while the handler still runs.
    m_hangUpCall = call;
    call.answered = true;
    try {
        m_fm.Connect1Click();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        if (m_hangUpCall)
            refuse(*m_hangUpCall, kFailed, FailureText(failure));
        m_hangUpCall.reset();
        ReportLater(this, failure);
        return;
    }
    if (m_hangUpCall && !m_dialer.busy()) {
        refuse(*m_hangUpCall, kFailed, QStringLiteral("The hang-up did not start."));
        m_hangUpCall.reset();
    }
}

void VantrelBusService::ShowDetails()
{
    // The details window is modal and stays up until the user closes it; the
    // call is answered at once and the window opened from the event loop.
    QTimer::singleShot(0, &m_fm, [fm = &m_fm] { fm->Open1Click(); });
}

void VantrelBusService::CopyAddress(Call &call)
{
    // As the tray's Copy IP, which is off while not connected.
    if (!lineUp()) {
        refuse(call, kNotConnected, QStringLiteral("Vantrel is not connected: there is no address to copy."));
        return;
    }
    runHandler(call, [this] { m_fm.CopyIP1Click(); });
}

// --- start ---------------------------------------------------------------------------

std::unique_ptr<VantrelBusService> StartBusService(AppState &state, Platform &platform, TfmVantrel &fmVantrel,
                                                   Dialer &dialer, PublicAddress *publicAddress,
                                                   const std::function<void(const QString &)> &note)
{
    auto service = std::make_unique<VantrelBusService>(state, platform, fmVantrel, dialer, publicAddress);
    QString why;
    if (!service->registerOn(QDBusConnection::sessionBus(), &why)) {
        qCDebug(lcBus) << "The" << kService << "service is not offered:" << why;
        note(QStringLiteral("Vantrel: %1; the %2 service is not offered.").arg(why, kService));
        return nullptr;
    }
    qCDebug(lcBus) << "The" << kService << "service is offered on the session bus";
    return service;
}

} // namespace vantrel
