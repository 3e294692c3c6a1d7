// SPDX-License-Identifier: GPL-3.0-or-later
// The NetworkManager backend against python-dbusmock's NetworkManager template,
// on a private dbus-daemon of the test's own. What the template lacks (an
// activation that takes its time, IPv4 configurations, the agent manager) is
// added with dbusmock's own calls.
#include "monitor/probe.h"
#include "platform/ras/nm/nmservice.h"
#include "platform/ras/ras.h"
#include "platform/ras/rasbackend.h"
#include "platform/ras/simline/simline.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

using namespace vantrel;

namespace {

using NmSettings = QMap<QString, QVariantMap>;
using StringMap = QMap<QString, QString>;

// dbusmock's method description (name, in, out, code).
struct MockMethod {
    QString name, in, out, code;
};
QDBusArgument &operator<<(QDBusArgument &a, const MockMethod &m)
{
    a.beginStructure();
    a << m.name << m.in << m.out << m.code;
    a.endStructure();
    return a;
}
const QDBusArgument &operator>>(const QDBusArgument &a, MockMethod &m)
{
    a.beginStructure();
    a >> m.name >> m.in >> m.out >> m.code;
    a.endStructure();
    return a;
}

} // namespace
Q_DECLARE_METATYPE(MockMethod)

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

const QString kNm = QStringLiteral("org.freedesktop.NetworkManager");
const QString kMockIface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kMain = QStringLiteral("/org/freedesktop");
const QString kManager = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kActiveIface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");
const char *kPython = "/usr/bin/python3";

template <typename F>
bool waitFor(F done, int ms = 8000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

struct Progress {
    std::mutex mutex;
    std::vector<std::pair<RASCONNSTATE, DWORD>> seen;

    std::function<void(RASCONNSTATE, DWORD)> callback()
    {
        return [this](RASCONNSTATE s, DWORD e) {
            std::lock_guard lock(mutex);
            seen.emplace_back(s, e);
        };
    }
    std::vector<std::pair<RASCONNSTATE, DWORD>> get()
    {
        std::lock_guard lock(mutex);
        return seen;
    }
    bool ended()
    {
        const auto s = get();
        return !s.empty() && (s.back().second != 0 || s.back().first == RASCS_Connected);
    }
};

// Why the tools are missing, or empty when they are all there.
QString MissingTools()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        return QStringLiteral("dbus-daemon is not installed");
    if (QProcess::execute(QString::fromLatin1(kPython), {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0)
        return QStringLiteral("python3-dbusmock is not installed");
    return {};
}

class NmServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qDBusRegisterMetaType<NmSettings>();
        qDBusRegisterMetaType<StringMap>();
        qDBusRegisterMetaType<QList<QVariantMap>>();
        qDBusRegisterMetaType<MockMethod>();
        qDBusRegisterMetaType<QList<MockMethod>>();
        s_missing = MissingTools();
        if (!s_missing.isEmpty())
            return;
        s_dir = new QTemporaryDir;
        s_address = QStringLiteral("unix:path=") + s_dir->path() + QStringLiteral("/bus");
        s_daemon = new QProcess;
        s_daemon->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                        QStringLiteral("--address=") + s_address});
        s_daemon->waitForStarted();
    }
    static void TearDownTestSuite()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("nm-test"));
        if (s_daemon) {
            s_daemon->terminate();
            if (!s_daemon->waitForFinished(5000))
                s_daemon->kill();
            s_daemon->waitForFinished();
        }
        delete s_daemon;
        s_daemon = nullptr;
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override
    {
        if (!s_missing.isEmpty()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                FAIL() << s_missing.toStdString();
            GTEST_SKIP() << s_missing.toStdString();
        }
        ASSERT_TRUE(waitFor([] {
            if (QDBusConnection::connectToBus(s_address, QStringLiteral("nm-test")).isConnected())
                return true;
            QDBusConnection::disconnectFromBus(QStringLiteral("nm-test")); // try afresh
            return false;
        })) << "the private bus did not start";
        startMock();
    }
    void TearDown() override
    {
        service.reset();
        stopMock();
    }

    QDBusConnection bus() const { return QDBusConnection(QStringLiteral("nm-test")); }
    bool nmOnBus() const { return bus().interface()->isServiceRegistered(kNm).value(); }

    void startMock()
    {
        mock = std::make_unique<QProcess>();
        withConfig.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), s_address);
        mock->setProcessEnvironment(env);
        mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock->start(QString::fromLatin1(kPython), {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                                                   QStringLiteral("--template"), QStringLiteral("networkmanager")});
        ASSERT_TRUE(waitFor([this] { return nmOnBus(); }, 15000)) << "the NetworkManager mock did not come up";
        device = call(kMain, kMockIface, QStringLiteral("AddEthernetDevice"),
                      {QStringLiteral("pppdev"), QStringLiteral("ppp0"), 30})
                     .arguments()
                     .value(0)
                     .toString();
        // The template has no agent manager; this one only records registrations.
        call(kMain, kMockIface, QStringLiteral("AddObject"),
             {QStringLiteral("/org/freedesktop/NetworkManager/AgentManager"),
              QStringLiteral("org.freedesktop.NetworkManager.AgentManager"), QVariantMap(),
              QVariant::fromValue(QList<MockMethod>{{QStringLiteral("Register"), QStringLiteral("s"), QString(),
                                                     QStringLiteral("self.ids = getattr(self, 'ids', []) + [args[0]]")},
                                                    {QStringLiteral("Registered"), QString(), QStringLiteral("as"),
                                                     QStringLiteral("ret = getattr(self, 'ids', [])")}})});
    }
    void stopMock()
    {
        if (!mock)
            return;
        mock->terminate();
        if (!mock->waitForFinished(5000))
            mock->kill();
        mock->waitForFinished();
        mock.reset();
    }

    // A short call limit lets a test play a slow NetworkManager quickly.
    void startService(int callTimeoutMs = 2000)
    {
        NmService::Options options;
        options.busAddress = s_address;
        options.callTimeoutMs = callTimeoutMs;
        service = std::make_unique<NmService>(options);
        ASSERT_TRUE(service->serviceUp());
    }

    QDBusMessage call(const QString &path, const QString &iface, const QString &method, const QVariantList &args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kNm, path, iface, method);
        m.setArguments(args);
        const QDBusMessage r = bus().call(m, QDBus::Block, 5000);
        EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << method.toStdString() << ": " << r.errorMessage().toStdString();
        return r;
    }

    QString addProfile(const QString &id, const QString &type, NmSettings settings = {})
    {
        settings[QStringLiteral("connection")] = {{QStringLiteral("id"), id}, {QStringLiteral("type"), type}};
        const QDBusMessage r = call(QStringLiteral("/org/freedesktop/NetworkManager/Settings"),
                                    QStringLiteral("org.freedesktop.NetworkManager.Settings"),
                                    QStringLiteral("AddConnection"), {QVariant::fromValue(settings)});
        return r.arguments().value(0).value<QDBusObjectPath>().path();
    }

    // An active connection as another tool (nmcli, the applet) would make it.
    QString addActive(const QString &profile, const QString &name, uint state)
    {
        return call(kMain, kMockIface, QStringLiteral("AddActiveConnection"),
                    {QStringList{device}, profile, QStringLiteral("/"), name, state})
            .arguments()
            .value(0)
            .toString();
    }

    void setState(const QString &active, uint state, uint reason)
    {
        call(active, kProps, QStringLiteral("Set"),
             {kActiveIface, QStringLiteral("State"), QVariant::fromValue(QDBusVariant(state))});
        call(active, kMockIface, QStringLiteral("EmitSignal"),
             {kActiveIface, QStringLiteral("StateChanged"), QStringLiteral("uu"), QVariantList{state, reason}});
    }

    void giveAddress(const QString &active, const QString &address) { giveConfig(active, 4, {address}); }

    // A configuration of that family (4 or 6) with these addresses, as
    // NetworkManager gives an activated connection.
    void giveConfig(const QString &active, int family, const QStringList &addresses)
    {
        const QString kind = QStringLiteral("IP%1Config").arg(family);
        const QString path = kManager + QLatin1Char('/') + kind + QLatin1Char('/') + QString::number(++configCount);
        QList<QVariantMap> data;
        for (const QString &a : addresses)
            data.append({{QStringLiteral("address"), a}, {QStringLiteral("prefix"), family == 4 ? 32u : 64u}});
        call(kMain, kMockIface, QStringLiteral("AddObject"),
             {path, kNm + QLatin1Char('.') + kind, QVariantMap{{QStringLiteral("AddressData"), QVariant::fromValue(data)}},
              QVariant::fromValue(QList<MockMethod>{})});
        const QString property = QStringLiteral("Ip%1Config").arg(family);
        if (!withConfig.contains(active + property))
            call(active, kMockIface, QStringLiteral("AddProperty"),
                 {kActiveIface, property,
                  QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))))});
        withConfig.append(active + property);
        call(active, kProps, QStringLiteral("Set"),
             {kActiveIface, property, QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusObjectPath(path))))});
    }

    // The template activates at once; a real activation takes its time, which
    // the test then plays out state by state.
    void activationsTakeTheirTime()
    {
        call(kManager, kMockIface, QStringLiteral("AddMethod"),
             {kNm, QStringLiteral("ActivateConnection"), QStringLiteral("ooo"), QStringLiteral("o"),
              QStringLiteral("self.dials = getattr(self, 'dials', 0) + 1\n"
                             "ret = dbus.ObjectPath(self.AddActiveConnection(self.GetDevices(), args[0], '/', "
                             "'Dial%d' % self.dials, dbus.UInt32(1)))")});
    }

    QStringList activePaths()
    {
        const QDBusMessage r = call(kManager, kProps, QStringLiteral("Get"), {kNm, QStringLiteral("ActiveConnections")});
        QStringList out;
        const QDBusArgument arg = r.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
        for (const QDBusObjectPath &p : qdbus_cast<QList<QDBusObjectPath>>(arg))
            out.append(p.path());
        return out;
    }

    QList<RasLiveConnection> live()
    {
        QList<RasLiveConnection> list;
        EXPECT_EQ(service->connections(&list), 0u);
        return list;
    }

    static inline QString s_missing;
    static inline QTemporaryDir *s_dir = nullptr;
    static inline QString s_address;
    static inline QProcess *s_daemon = nullptr;

    std::unique_ptr<QProcess> mock;
    std::unique_ptr<NmService> service;
    QString device;
    int configCount = 0;
    QStringList withConfig; // active connection path + property, for those that have it
};

NmSettings Secrets(const QString &setting, const QVariantMap &values)
{
    return {{setting, values}};
}

TEST_F(NmServiceTest, ListsTheDialKindsInOrderWithUserNameAndSavedPassword)
{
    addProfile(QStringLiteral("DSL Home"), QStringLiteral("pppoe"),
               Secrets(QStringLiteral("pppoe"), {{QStringLiteral("username"), QStringLiteral("ann")}}));
    addProfile(QStringLiteral("Office LAN"), QStringLiteral("802-3-ethernet"));
    addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"),
               Secrets(QStringLiteral("gsm"),
                       {{QStringLiteral("username"), QStringLiteral("web")}, {QStringLiteral("password-flags"), 2u}}));
    addProfile(QStringLiteral("Work VPN"), QStringLiteral("vpn"),
               Secrets(QStringLiteral("vpn"),
                       {{QStringLiteral("data"),
                         QVariant::fromValue(StringMap{{QStringLiteral("username"), QStringLiteral("bob")},
                                                       {QStringLiteral("password-flags"), QStringLiteral("1")}})}}));
    addProfile(QStringLiteral("Tunnel"), QStringLiteral("wireguard"));
    NmSettings dun = Secrets(QStringLiteral("bluetooth"), {{QStringLiteral("type"), QStringLiteral("dun")}});
    dun[QStringLiteral("gsm")] = {{QStringLiteral("username"), QStringLiteral("bt")}};
    addProfile(QStringLiteral("Phone DUN"), QStringLiteral("bluetooth"), dun);
    addProfile(QStringLiteral("Phone PAN"), QStringLiteral("bluetooth"),
               Secrets(QStringLiteral("bluetooth"), {{QStringLiteral("type"), QStringLiteral("panu")}}));
    startService();

    QList<QString> names;
    ASSERT_EQ(service->listEntries(&names), 0u);
    EXPECT_EQ(names, (QList<QString>{"DSL Home", "Mobile", "Work VPN", "Tunnel", "Phone DUN"}));

    struct Case {
        const char *entry;
        const char *user;
        bool saved;
    };
    for (const Case &c : {Case{"DSL Home", "ann", true}, Case{"Mobile", "web", false}, Case{"work vpn", "bob", true},
                          Case{"Phone DUN", "bt", true}}) {
        QString user, password = QStringLiteral("left over");
        bool saved = !c.saved;
        ASSERT_EQ(service->entryDialParams(QString::fromLatin1(c.entry), &user, &password, &saved), 0u) << c.entry;
        EXPECT_EQ(user, QString::fromLatin1(c.user)) << c.entry;
        EXPECT_EQ(saved, c.saved) << c.entry;
        EXPECT_TRUE(password.isEmpty()) << c.entry << ": secrets are never read";
    }
    QString user, password;
    bool saved = false;
    EXPECT_EQ(service->entryDialParams(QStringLiteral("Office LAN"), &user, &password, &saved),
              ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);

    // A profile made later is seen without asking again.
    addProfile(QStringLiteral("Backup DSL"), QStringLiteral("pppoe"));
    EXPECT_TRUE(waitFor([&] { return service->listEntries(&names) == 0 && names.contains(QStringLiteral("Backup DSL")); }));
}

TEST_F(NmServiceTest, DialReportsTheActivationThroughToConnectedWithItsAddress)
{
    addProfile(QStringLiteral("DSL Home"), QStringLiteral("pppoe"));
    activationsTakeTheirTime();
    startService();

    Progress progress;
    HRASCONN handle = 0;
    ASSERT_EQ(service->dial(QStringLiteral("DSL Home"), {}, {}, progress.callback(), &handle), 0u);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(waitFor([&] { return progress.get().size() >= 3; }));
    EXPECT_EQ(progress.get(), (std::vector<std::pair<RASCONNSTATE, DWORD>>{
                                  {RASCS_OpenPort, 0}, {RASCS_PortOpened, 0}, {RASCS_ConnectDevice, 0}}));
    QString address;
    EXPECT_EQ(service->ipProjection(handle, &address), ERROR_PROJECTION_NOT_COMPLETE);
    EXPECT_EQ(service->dial(QStringLiteral("DSL Home"), {}, {}, progress.callback(), &handle), ERROR_PORT_ALREADY_OPEN);

    const QString active = activePaths().value(0);
    giveAddress(active, QStringLiteral("10.99.0.7"));
    setState(active, 2, 1);
    ASSERT_TRUE(waitFor([&] { return progress.ended(); }));
    EXPECT_EQ(progress.get().back(), std::make_pair(RASCS_Connected, DWORD(0)));
    EXPECT_EQ(progress.get().size(), 4u);

    ASSERT_EQ(service->ipProjection(handle, &address), 0u);
    EXPECT_EQ(address, QStringLiteral("10.99.0.7"));
    const QList<RasLiveConnection> list = live();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].handle, handle);
    EXPECT_EQ(list[0].entryName, QStringLiteral("DSL Home"));
    EXPECT_EQ(list[0].deviceName, QStringLiteral("ppp0"));
    RASCONNSTATE state{};
    DWORD error = 1;
    ASSERT_EQ(service->connectStatus(handle, &state, &error), 0u);
    EXPECT_EQ(state, RASCS_Connected);
    EXPECT_EQ(error, 0u);
}

TEST_F(NmServiceTest, FailedActivationEndsWithWhatNetworkManagerSaid)
{
    addProfile(QStringLiteral("DSL Home"), QStringLiteral("pppoe"));
    activationsTakeTheirTime();
    startService();

    // The activation starts and NetworkManager gives up. What its device said
    // refines only a reason that says no more than "the device went down".
    struct Case {
        uint deviceReason; // 0: the device says nothing
        uint activeReason;
        DWORD error;
    };
    HRASCONN handle = 0;
    for (const Case &c : {Case{0, 9 /* NO_SECRETS */, ERROR_NM_NO_SECRETS},
                          Case{23 /* MODEM_BUSY */, 3 /* DEVICE_DISCONNECTED */, ERROR_LINE_BUSY},
                          Case{23 /* MODEM_BUSY */, 10 /* LOGIN_FAILED */, ERROR_AUTHENTICATION_FAILURE}}) {
        Progress progress;
        ASSERT_EQ(service->dial(QStringLiteral("DSL Home"), {}, {}, progress.callback(), &handle), 0u);
        ASSERT_TRUE(waitFor([&] { return progress.get().size() >= 3; }));
        if (c.deviceReason)
            call(device, kMockIface, QStringLiteral("EmitSignal"),
                 {QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("StateChanged"),
                  QStringLiteral("uuu"), QVariantList{120u, 60u, c.deviceReason}});
        setState(activePaths().constLast(), 4, c.activeReason);
        ASSERT_TRUE(waitFor([&] { return progress.ended(); }));
        EXPECT_EQ(progress.get().back(), std::make_pair(RASCS_ConnectDevice, c.error)) << c.activeReason;
        RASCONNSTATE state{};
        DWORD error = 0;
        ASSERT_EQ(service->connectStatus(handle, &state, &error), 0u);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(service->hangUp(handle), 0u);
        EXPECT_EQ(service->connectStatus(handle, &state, &error), ERROR_INVALID_HANDLE);
    }

    // NetworkManager refuses the activation itself.
    call(kManager, kMockIface, QStringLiteral("AddMethod"),
         {kNm, QStringLiteral("ActivateConnection"), QStringLiteral("ooo"), QStringLiteral("o"),
          QStringLiteral("raise dbus.exceptions.DBusException('not allowed', "
                         "name='org.freedesktop.NetworkManager.PermissionDenied')")});
    Progress refused;
    ASSERT_EQ(service->dial(QStringLiteral("DSL Home"), {}, {}, refused.callback(), &handle), 0u);
    ASSERT_TRUE(waitFor([&] { return refused.ended(); }));
    EXPECT_EQ(refused.get().back(), std::make_pair(RASCS_OpenPort, ERROR_NM_NOT_AUTHORIZED));
}

TEST_F(NmServiceTest, ConnectionMadeOutsideIsSeenWithItsAddress)
{
    const QString mobile = addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"));
    const QString lan = addProfile(QStringLiteral("Office LAN"), QStringLiteral("802-3-ethernet"));
    startService();
    EXPECT_TRUE(live().isEmpty());

    addActive(lan, QStringLiteral("lan"), 2);
    const QString active = addActive(mobile, QStringLiteral("mobile"), 2);
    giveAddress(active, QStringLiteral("100.64.1.2"));
    ASSERT_TRUE(waitFor([&] { return live().size() == 1 && !live()[0].address.isEmpty(); }));
    const RasLiveConnection c = live()[0];
    EXPECT_EQ(c.entryName, QStringLiteral("Mobile"));
    EXPECT_EQ(c.address, QStringLiteral("100.64.1.2"));
    EXPECT_EQ(c.deviceType, QStringLiteral("modem"));
    QString address;
    ASSERT_EQ(service->ipProjection(c.handle, &address), 0u);
    EXPECT_EQ(address, QStringLiteral("100.64.1.2"));

    // "&Disconnect" of a connection Vantrel did not dial hangs up the one the
    // tip shows, through the handle of the connection list.
    RasApi api(*service);
    EXPECT_EQ(api.RasHangUpA(FirstRasConnection(api)), 0u);
    EXPECT_TRUE(waitFor([&] { return live().isEmpty(); }));
    EXPECT_FALSE(activePaths().contains(active));
}

TEST_F(NmServiceTest, TipShowsIpv4FirstElseTheBestIpv6)
{
    const QString down = QStringLiteral("Network is down");
    const QString long6 = QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678");
    struct Case {
        const char *what;
        QStringList ip4;
        QStringList ip6;
        QString shown;
    };
    const std::vector<Case> cases = {
        {"IPv4 only", {QStringLiteral("100.64.7.1")}, {}, QStringLiteral("100.64.7.1")},
        {"IPv6 only: global before unique local, whole",
         {},
         {QStringLiteral("fe80::1"), QStringLiteral("fd00:1::9"), long6},
         long6},
        {"both: IPv4", {QStringLiteral("100.64.7.3")}, {QStringLiteral("2001:db8::3")}, QStringLiteral("100.64.7.3")},
        {"link-local and loopback only: no address", {}, {QStringLiteral("fe80::1"), QStringLiteral("::1")}, down},
        {"unique local only, in the shortest form",
         {},
         {QStringLiteral("fe80::2"), QStringLiteral("FD00:abcd:0:0::5")},
         QStringLiteral("fd00:abcd::5")},
    };
    startService();
    RasApi api(*service);
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString profile = addProfile(QStringLiteral("VPN %1").arg(++n), QStringLiteral("vpn"));
        // Activated only once both configurations are there, as NetworkManager does.
        const QString active = addActive(profile, QStringLiteral("vpn%1").arg(n), 1);
        giveConfig(active, 4, c.ip4);
        giveConfig(active, 6, c.ip6);
        setState(active, 2, 0);
        ASSERT_TRUE(waitFor([&] {
            const QList<RasLiveConnection> l = live();
            RASCONNSTATE state = RASCS_OpenPort;
            DWORD error = 0;
            return l.size() == 1 && service->connectStatus(l[0].handle, &state, &error) == 0 && state == RASCS_Connected;
        }));
        EXPECT_EQ(ProbeRasAddress(api), c.shown);
        call(kMain, kMockIface, QStringLiteral("RemoveActiveConnection"), {device, active});
        ASSERT_TRUE(waitFor([&] { return live().isEmpty(); }));
    }
}

TEST_F(NmServiceTest, HangUpOnlyAsksAndTheConnectionGoesWhenNetworkManagerSaysSo)
{
    const QString mobile = addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"));
    addProfile(QStringLiteral("DSL Home"), QStringLiteral("pppoe"));
    startService(200);
    const QString active = addActive(mobile, QStringLiteral("mobile"), 2);
    giveAddress(active, QStringLiteral("100.64.1.2"));
    ASSERT_TRUE(waitFor([&] { return live().size() == 1; }));
    // NetworkManager answers later than the call limit.
    call(kManager, kMockIface, QStringLiteral("AddMethod"),
         {kNm, QStringLiteral("DeactivateConnection"), QStringLiteral("o"), QString(),
          QStringLiteral("time.sleep(0.4)\nself.deactivate_connection(self, args[0])")});

    const HRASCONN handle = live()[0].handle;
    EXPECT_EQ(service->hangUp(handle), 0u) << "the request is made; its answer is not waited for";
    EXPECT_EQ(live().size(), 1) << "the connection is up until NetworkManager says otherwise";
    RASCONNSTATE state{};
    DWORD error = 1;
    EXPECT_EQ(service->connectStatus(handle, &state, &error), 0u);
    EXPECT_TRUE(waitFor([&] { return live().isEmpty(); }));
    EXPECT_FALSE(activePaths().contains(active));
    EXPECT_EQ(service->connectStatus(handle, &state, &error), ERROR_INVALID_HANDLE);
    EXPECT_EQ(service->hangUp(handle), ERROR_INVALID_HANDLE);

    // A dial in progress: the caller's wait ends at once, NetworkManager's
    // activation is taken back.
    activationsTakeTheirTime();
    Progress progress;
    HRASCONN dialled = 0;
    ASSERT_EQ(service->dial(QStringLiteral("DSL Home"), {}, {}, progress.callback(), &dialled), 0u);
    ASSERT_TRUE(waitFor([&] { return progress.get().size() >= 3; }));
    EXPECT_EQ(service->hangUp(dialled), 0u);
    EXPECT_EQ(progress.get().back(), std::make_pair(RASCS_ConnectDevice, ERROR_USER_DISCONNECTION));
    EXPECT_EQ(service->connectStatus(dialled, &state, &error), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(waitFor([&] { return activePaths().isEmpty(); }));
}

TEST_F(NmServiceTest, ReadThatFailsOrComesLateKeepsTheConnectionAndIsTriedAgain)
{
    const QString mobile = addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"));
    startService(200);
    struct Case {
        const char *what;
        const char *trouble; // python run before each read of the connection
    };
    int n = 0;
    for (const Case &c :
         {Case{"late", "time.sleep(0.4)"},
          Case{"failed", "raise dbus.exceptions.DBusException('busy', name='org.freedesktop.DBus.Error.Failed')"}}) {
        const QString active = addActive(mobile, QStringLiteral("mobile%1").arg(++n), 2);
        giveAddress(active, QStringLiteral("100.64.1.%1").arg(n));
        ASSERT_TRUE(waitFor([&] { return live().size() == 1 && !live()[0].address.isEmpty(); })) << c.what;
        const RasLiveConnection before = live()[0];
        auto readsWith = [&](const QString &trouble) {
            call(active, kMockIface, QStringLiteral("AddMethod"),
                 {kProps, QStringLiteral("GetAll"), QStringLiteral("s"), QStringLiteral("a{sv}"),
                  QStringLiteral("self.reads = getattr(self, 'reads', 0) + 1\n") + trouble
                      + QStringLiteral("\nret = DBusMockObject.GetAll(self, args[0])")});
        };
        readsWith(QString::fromLatin1(c.trouble));
        call(active, kMockIface, QStringLiteral("AddMethod"),
             {kMockIface, QStringLiteral("Reads"), QString(), QStringLiteral("u"),
              QStringLiteral("ret = getattr(self, 'reads', 0)")});
        auto reads = [&] { return call(active, kMockIface, QStringLiteral("Reads")).arguments().value(0).toUInt(); };

        // Some change makes the service read again; this connection's read
        // goes wrong, and is tried again without any further signal.
        call(kManager, kMockIface, QStringLiteral("EmitSignal"),
             {kProps, QStringLiteral("PropertiesChanged"), QStringLiteral("sa{sv}as"),
              QVariantList{kNm, QVariantMap(), QStringList()}});
        ASSERT_TRUE(waitFor([&] { return reads() >= 2; })) << c.what;
        ASSERT_EQ(live().size(), 1) << c.what << ": a read that went wrong is no disconnection";
        EXPECT_EQ(live()[0].handle, before.handle) << c.what;
        EXPECT_EQ(live()[0].address, before.address) << c.what;

        // NetworkManager answers again: a retry learns what changed meanwhile.
        readsWith(QString());
        giveAddress(active, QStringLiteral("100.64.2.%1").arg(n));
        EXPECT_TRUE(waitFor([&] { return live().value(0).address == QStringLiteral("100.64.2.%1").arg(n); })) << c.what;

        call(kMain, kMockIface, QStringLiteral("RemoveActiveConnection"), {device, active});
        EXPECT_TRUE(waitFor([&] { return live().isEmpty(); })) << c.what;
    }
}

TEST_F(NmServiceTest, NetworkManagerGoingAwayAndComingBack)
{
    const QString mobile = addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"));
    addProfile(QStringLiteral("DSL Home"), QStringLiteral("pppoe"));
    activationsTakeTheirTime();
    startService();
    giveAddress(addActive(mobile, QStringLiteral("mobile"), 2), QStringLiteral("100.64.1.2"));
    ASSERT_TRUE(waitFor([&] { return live().size() == 1; }));
    Progress progress;
    HRASCONN handle = 0;
    ASSERT_EQ(service->dial(QStringLiteral("DSL Home"), {}, {}, progress.callback(), &handle), 0u);
    ASSERT_TRUE(waitFor([&] { return progress.get().size() >= 3; }));

    stopMock();
    ASSERT_TRUE(waitFor([&] { return !service->serviceUp(); }));
    EXPECT_TRUE(live().isEmpty());
    ASSERT_TRUE(waitFor([&] { return progress.ended(); }));
    EXPECT_EQ(progress.get().back().second, ERROR_NM_GONE);
    QList<QString> names;
    EXPECT_EQ(service->listEntries(&names), ERROR_NM_NOT_RUNNING);
    EXPECT_EQ(service->dial(QStringLiteral("DSL Home"), {}, {}, progress.callback(), &handle), ERROR_NM_NOT_RUNNING);

    startMock();
    const QString again = addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"));
    giveAddress(addActive(again, QStringLiteral("mobile"), 2), QStringLiteral("100.64.9.9"));
    ASSERT_TRUE(waitFor([&] { return live().size() == 1 && live()[0].address == QStringLiteral("100.64.9.9"); }));
    EXPECT_TRUE(waitFor([&] { return service->listEntries(&names) == 0 && names == QList<QString>{"Mobile"}; }));
}

TEST_F(NmServiceTest, TheBackendChosenAtStartIsNetworkManagerOnlyWhileItIsOnTheBus)
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", s_address.toLocal8Bit());
    qunsetenv("VANTREL_RAS_BACKEND");
    const SimLine::Options line = SimLine::defaultOptions(); // in the test's own home
    EXPECT_NE(dynamic_cast<NmService *>(ChooseRasService(line).get()), nullptr);
    stopMock();
    ASSERT_TRUE(waitFor([this] { return !nmOnBus(); }));
    EXPECT_NE(dynamic_cast<SimLine *>(ChooseRasService(line).get()), nullptr);
}

TEST_F(NmServiceTest, TypedPasswordIsHandedOverForItsOwnDialOnce)
{
    const QString mobile = addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"),
                                      Secrets(QStringLiteral("gsm"), {{QStringLiteral("password-flags"), 2u}}));
    const QString dsl = addProfile(QStringLiteral("DSL Home"), QStringLiteral("pppoe"));
    activationsTakeTheirTime();
    startService();
    // The agent registered with NetworkManager under its identifier.
    EXPECT_EQ(call(QStringLiteral("/org/freedesktop/NetworkManager/AgentManager"),
                   QStringLiteral("org.freedesktop.NetworkManager.AgentManager"), QStringLiteral("Registered"))
                  .arguments()
                  .value(0)
                  .toStringList(),
              QStringList{QString::fromLatin1(NmService::kAgentIdentifier)});

    Progress progress;
    HRASCONN handle = 0;
    ASSERT_EQ(service->dial(QStringLiteral("Mobile"), {}, QStringLiteral("s3cret"), progress.callback(), &handle), 0u);

    // NetworkManager asking the agent, as it does for a secret it lacks: the
    // mock makes the call from NetworkManager's own name.
    call(kManager, kMockIface, QStringLiteral("AddMethod"),
         {QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AskAgent"), QStringLiteral("sssu"),
          QStringLiteral("a{sa{sv}}"),
          QStringLiteral("agent = self.connection.get_object(args[0], '/org/freedesktop/NetworkManager/SecretAgent')\n"
                         "ret = agent.GetSecrets(dbus.Dictionary({}, signature='sa{sv}'), dbus.ObjectPath(args[1]), "
                         "args[2], dbus.Array([], signature='s'), dbus.UInt32(args[3]), "
                         "dbus_interface='org.freedesktop.NetworkManager.SecretAgent')")});
    auto ask = [&](const QString &profile, const QString &setting, uint flags) {
        QDBusMessage m = QDBusMessage::createMethodCall(kNm, kManager, kMockIface, QStringLiteral("AskAgent"));
        m << service->uniqueName() << profile << setting << flags;
        return bus().call(m, QDBus::Block, 5000);
    };
    const QDBusMessage other = ask(dsl, QStringLiteral("pppoe"), 1);
    EXPECT_EQ(other.errorName(), QStringLiteral("org.freedesktop.NetworkManager.SecretAgent.NoSecrets"));
    const QDBusMessage given = ask(mobile, QStringLiteral("gsm"), 1);
    ASSERT_EQ(given.type(), QDBusMessage::ReplyMessage) << given.errorMessage().toStdString();
    const NmSettings secrets = qdbus_cast<NmSettings>(given.arguments().value(0).value<QDBusArgument>());
    EXPECT_EQ(secrets.value(QStringLiteral("gsm")).value(QStringLiteral("password")).toString(), QStringLiteral("s3cret"));
    // Asked for a new one after it failed: the same password would fail again.
    EXPECT_EQ(ask(mobile, QStringLiteral("gsm"), 3).errorName(),
              QStringLiteral("org.freedesktop.NetworkManager.SecretAgent.NoSecrets"));

    // Any other peer on the bus is refused.
    QDBusMessage direct = QDBusMessage::createMethodCall(
        service->uniqueName(), QStringLiteral("/org/freedesktop/NetworkManager/SecretAgent"),
        QStringLiteral("org.freedesktop.NetworkManager.SecretAgent"), QStringLiteral("GetSecrets"));
    direct << QVariant::fromValue(NmSettings()) << QVariant::fromValue(QDBusObjectPath(mobile)) << QStringLiteral("gsm")
           << QStringList() << 1u;
    EXPECT_EQ(bus().call(direct, QDBus::Block, 5000).errorName(),
              QStringLiteral("org.freedesktop.NetworkManager.SecretAgent.PermissionDenied"));

    EXPECT_EQ(service->hangUp(handle), 0u);
    EXPECT_EQ(ask(mobile, QStringLiteral("gsm"), 1).errorName(),
              QStringLiteral("org.freedesktop.NetworkManager.SecretAgent.NoSecrets"))
        << "the password must not outlive its dial";
}

} // namespace
