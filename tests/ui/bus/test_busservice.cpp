// SPDX-License-Identifier: GPL-3.0-or-later
// The session-bus service against the real main window and dialer, on a private
// dbus-daemon of the test's own; the calls come over a second connection, as a
// client's would.
#include "monitor/publicaddress.h"
#include "platform/ras/simline/linetool.h"
#include "support/fakepublic.h"
#include "ui/bus/busservice.h"
#include "ui/dialer/dialerfixture.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>
#include <unistd.h>

namespace vantrel::test {
namespace {

using namespace bus_names;

const QString kServiceConnection = QStringLiteral("bus-test-service");
const QString kClientConnection = QStringLiteral("bus-test-client");

// Records the PropertiesChanged and DialFinished signals the client connection receives.
class ChangeRecorder : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
    QStringList dialsFinished; // "entry|connected|reason"
    // The values one property was announced with, in order.
    QStringList announced(const QString &name) const
    {
        QStringList values;
        for (const QVariantMap &c : changes)
            if (c.contains(name))
                values.append(c.value(name).toString());
        return values;
    }
public slots:
    void changed(const QString &, const QVariantMap &changed, const QStringList &) { changes.append(changed); }
    void dialFinished(const QString &entry, bool connected, const QString &reason)
    {
        dialsFinished.append(entry + QLatin1String(connected ? "|true|" : "|false|") + reason);
    }
};

class BusService : public DialerFixture {
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
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
        if (s_daemon) {
            s_daemon->terminate();
            s_daemon->waitForFinished(5000);
        }
        delete s_daemon;
        s_daemon = nullptr;
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override
    {
        if (!s_daemon) {
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                FAIL() << "dbus-daemon is not installed";
            GTEST_SKIP() << "dbus-daemon is not installed";
        }
        // The daemon makes its socket shortly after it starts.
        const QDeadlineTimer deadline(10000);
        while (!QDBusConnection::connectToBus(s_address, kClientConnection).isConnected() && !deadline.hasExpired()) {
            QDBusConnection::disconnectFromBus(kClientConnection);
            QThread::msleep(50);
        }
        ASSERT_TRUE(client().isConnected()) << "the private bus did not start";
        ASSERT_TRUE(QDBusConnection::connectToBus(s_address, kServiceConnection).isConnected());
        client().connect(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                         QStringLiteral("PropertiesChanged"), &announced, SLOT(changed(QString, QVariantMap, QStringList)));
        client().connect(kService, kPath, kInterface, QStringLiteral("DialFinished"), &announced,
                         SLOT(dialFinished(QString, bool, QString)));
    }
    void TearDown() override
    {
        service.reset();
        DialerFixture::TearDown();
    }
    ~BusService() override
    {
        QDBusConnection::disconnectFromBus(kServiceConnection);
        QDBusConnection::disconnectFromBus(kClientConnection);
    }

    static QDBusConnection client() { return QDBusConnection(kClientConnection); }

    // The main window and dialer with these settings, and the service on the bus.
    void startService(const QString &rasCnx, bool lan = false, bool ask = false, PublicAddress *publicAddress = nullptr)
    {
        start(rasCnx, {}, {}, 1, 0, ask);
        if (lan)
            state.AppSettings.Conn = true;
        service = std::make_unique<VantrelBusService>(state, platform, *fm, *dialer, publicAddress);
        QString why;
        ASSERT_TRUE(service->registerOn(QDBusConnection(kServiceConnection), &why)) << why.toStdString();
    }

    // A method call over the bus; the reply, an error or not.
    static QDBusMessage methodCall(const QString &method, const QVariantList &args = {},
                                   const QString &interface = kInterface)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        m.setArguments(args);
        return m;
    }
    QDBusMessage call(const QString &method, const QVariantList &args = {}, const QString &interface = kInterface)
    {
        return client().call(methodCall(method, args, interface), QDBus::BlockWithGui);
    }
    QVariantMap properties()
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("GetAll"));
        m << kInterface;
        const QDBusMessage reply = client().call(m, QDBus::BlockWithGui);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return qdbus_cast<QVariantMap>(reply.arguments().value(0));
    }
    // A poll tick, and every signal it sent delivered to the recorder: the
    // daemon keeps a sender's order, so they come before the answer to a
    // property read that follows.
    void tickAndDeliver()
    {
        tick();
        QCoreApplication::processEvents(); // the service's queued re-read after the tick
        properties();
        QCoreApplication::processEvents();
    }
    // Dials `entry` over the bus and lets the run go on while the poll ticks,
    // to its end.
    void connectOverBus(const QString &entry)
    {
        const QDBusMessage reply = call(QStringLiteral("Connect"), {entry});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        ASSERT_TRUE(settle([this] { return tickAndDeliver(), !dialer->busy(); }));
        tickAndDeliver();
    }
    // A call answered only once the dialer has been let go on to its end.
    QDBusMessage callAndSettle(const QString &method)
    {
        QDBusPendingCall pending = client().asyncCall(methodCall(method));
        EXPECT_TRUE(settle([this] { return tickAndDeliver(), !dialer->busy(); }));
        pending.waitForFinished();
        tickAndDeliver();
        return pending.reply();
    }
    // A line brought up as by other means (vantrel-line up).
    void lineUpElsewhere(const QString &entry, const QString &address)
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        ASSERT_EQ(RunLineTool({QStringLiteral("up"), entry, address}, *line, o, e), 0) << err.toStdString();
    }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline QProcess *s_daemon = nullptr;
    static inline QString s_address;
    ChangeRecorder announced;
    std::unique_ptr<VantrelBusService> service;
};

// The properties apart from Version and OnlineSince, in the order of the table below.
QVariantMap Properties(const char *state, const char *address, const char *hostName, const char *tip, const char *entry,
                       const char *mode)
{
    const auto text = [](const char *t) { return QString::fromUtf8(t); };
    return {{QStringLiteral("State"), text(state)},        {QStringLiteral("Address"), text(address)},
            {QStringLiteral("HostName"), text(hostName)},  {QStringLiteral("Tip"), text(tip)},
            {QStringLiteral("Entry"), text(entry)},        {QStringLiteral("Mode"), text(mode)},
            {QStringLiteral("PublicAddress4"), QString()}, {QStringLiteral("PublicAddress6"), QString()}};
}

TEST_F(BusService, EachPropertyInEachState)
{
    struct Row {
        const char *what;
        std::function<void()> setUp; // after the service has started
        QVariantMap expected;
        bool online; // OnlineSince is the clock's time, else 0
    };
    const auto lineUp = [this] { lineUpElsewhere(QStringLiteral("Second"), QStringLiteral("10.64.9.9")); };
    const Row rows[] = {
        {"down", [this] { tick(); }, Properties("down", "", "", "Network is down", "", "dial-up"), false},
        {"dialling, the prompt asking for the entry's credentials", [this] { tick(), dialer->Connect1Click(); },
         Properties("dialling", "", "", "Network is down", "Online", "dial-up"), false},
        {"connected, the line brought up by other means: the entry is the line's own", [&] { lineUp(), tick(); },
         Properties("connected", "10.64.9.9", "", "10.64.9.9", "Second", "dial-up"), true},
        {"hanging up: the hang-up asked, the poll still shows the line", [&] { lineUp(), tick(), dialer->Connect1Click(); },
         Properties("hanging-up", "10.64.9.9", "", "10.64.9.9", "Second", "dial-up"), true},
        {"LAN mode with an interface's address", [this] { tick(); },
         Properties("connected", "192.168.0.7", "pc1.example", "192.168.0.7 (pc1.example)", "", "lan"), true},
        {"LAN mode with nothing but loopback",
         [this] {
             sockets.lookup = FakeSockets::entry("pc1", {127, 0, 0, 1}), tick();
         },
         Properties("down", "", "pc1", "127.0.0.1 (pc1)", "", "lan"), false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        nextCase();
        sockets.lookup = FakeSockets::entry("pc1.example", {192, 168, 0, 7});
        startService(QStringLiteral("1,Online"), QByteArray(row.what).startsWith("LAN"), /*ask=*/true);
        row.setUp();
        QVariantMap expected = row.expected;
        expected.insert(QStringLiteral("Version"), kInterfaceVersion);
        expected.insert(QStringLiteral("OnlineSince"), row.online ? clock.now().toSecsSinceEpoch() : qint64(0));
        EXPECT_EQ(properties(), expected);
        service.reset();
    }
}

TEST_F(BusService, ChangesAreAnnouncedOnceAndEachRunEndsWithItsOutcome)
{
    startService(QStringLiteral("1,Second"));
    tickAndDeliver();
    tickAndDeliver(); // nothing changed: nothing announced
    ASSERT_EQ(announced.changes.size(), 1);
    EXPECT_EQ(announced.changes.at(0), QVariantMap({{QStringLiteral("Tip"), QStringLiteral("Network is down")}}));

    // A dial that fails, then the run aborted; a run that connects (names
    // compare without case; the chosen entry stays as stored).
    ASSERT_EQ(call(QStringLiteral("Connect"), {QStringLiteral("B1")}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(settle([this] { return tickAndDeliver(), !announced.dialsFinished.isEmpty(); }));
    EXPECT_EQ(callAndSettle(QStringLiteral("Disconnect")).type(), QDBusMessage::ReplyMessage);
    connectOverBus(QStringLiteral("online"));
    EXPECT_EQ(recorder->dialledEntries(), QStringList({QStringLiteral("B1"), QStringLiteral("Online")}));
    EXPECT_EQ(state.AppSettings.RASCnx, QStringLiteral("1,Second"));
    char busy[256] = {};
    platform.ras->RasGetErrorStringA(ERROR_LINE_BUSY, busy, sizeof busy);
    EXPECT_EQ(announced.dialsFinished.join(QLatin1Char('\n')).toStdString(),
              (QStringList{QStringLiteral("B1|false|busy: ") + QString::fromUtf8(busy),
                           QStringLiteral("B1|false|aborted: The dial run was aborted."),
                           QStringLiteral("Online|true|connected: The connection is up.")})
                  .join(QLatin1Char('\n'))
                  .toStdString());
    const qint64 since = clock.now().toSecsSinceEpoch();

    clock.set(clock.now().addSecs(75));
    const qsizetype before = announced.changes.size();
    tickAndDeliver(); // the online time runs, unannounced
    EXPECT_EQ(announced.changes.size(), before);

    const QDBusMessage reply = callAndSettle(QStringLiteral("Disconnect"));
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(announced.announced(QStringLiteral("State")).join(QLatin1Char(' ')).toStdString(),
              "dialling down dialling connected hanging-up down");
    EXPECT_EQ(announced.announced(QStringLiteral("Entry")).join(QLatin1Char('|')).toStdString(), "B1||Online|");
    EXPECT_EQ(announced.announced(QStringLiteral("OnlineSince")),
              QStringList({QString::number(since), QStringLiteral("0")}));
}

// An answer of the lookup is announced at once, between poll ticks; Tip is the tray's own tip.
TEST_F(BusService, PublicAddressesAndTheTrayTip)
{
    FakeLookup lookup;
    PublicAddress publicAddress(lookup, clock, {});
    startService(QStringLiteral("1,Online"), false, false, &publicAddress);
    publicAddress.setServers({{QStringLiteral("192.0.2.1"), 3478}});
    publicAddress.setEnabled(true);
    ASSERT_TRUE(lookup.answer(AddressFamily::V6, QStringLiteral("2001:db8::7")));
    call(QStringLiteral("Introspect"), {}, QStringLiteral("org.freedesktop.DBus.Introspectable")); // reads nothing
    QCoreApplication::processEvents();
    EXPECT_EQ(announced.announced(QStringLiteral("PublicAddress6")).join(QLatin1Char(' ')).toStdString(), "2001:db8::7");
    ASSERT_TRUE(lookup.answer(AddressFamily::V4, QStringLiteral("203.0.113.7")));
    fm->setTipFilter([shown = publicAddress.address4()](const QString &) { return shown; });
    lineUpElsewhere(QStringLiteral("Online"), QStringLiteral("10.64.3.17"));
    tick(), frame();
    EXPECT_EQ(tip().toStdString(), "203.0.113.7");
    EXPECT_EQ(properties().value(QStringLiteral("Tip")).toString().toStdString(), tip().toStdString());
}

TEST_F(BusService, DisconnectTellsWhetherTheLineWentDown)
{
    struct Row {
        const char *what;
        std::optional<DWORD> hangUpAnswer; // what the service answers the hang-up
        bool whileDialling;                // Disconnect during a run that asks for credentials
        QString error;                     // empty: answered without an error
        bool lineUpAfter;
    };
    const Row rows[] = {
        {"the line goes", {}, false, {}, false},
        {"the service refuses", DWORD(ERROR_PORT_NOT_CONNECTED), false, kFailed, true},
        {"the service takes the request, the line stays", DWORD(0), false, kFailed, true},
        {"a run is aborted", {}, true, {}, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        nextCase();
        startService(QStringLiteral("1,Online"), false, row.whileDialling);
        tickAndDeliver();
        if (row.whileDialling)
            ASSERT_EQ(call(QStringLiteral("Connect"), {QString()}).type(), QDBusMessage::ReplyMessage);
        else
            lineUpElsewhere(QStringLiteral("Online"), QStringLiteral("10.64.3.17"));
        tickAndDeliver();
        recorder->hangUpAnswer = row.hangUpAnswer;
        const QDBusMessage reply = callAndSettle(QStringLiteral("Disconnect"));
        EXPECT_EQ(reply.errorName(), row.error) << reply.errorMessage().toStdString();
        EXPECT_EQ(fm->connected(), row.lineUpAfter);
        EXPECT_EQ(announced.dialsFinished.join(QString()).toStdString(),
                  row.whileDialling ? "Online|false|aborted: The dial run was aborted." : "");
        service.reset();
    }
}

TEST_F(BusService, RefusedCallsChangeNothing)
{
    struct Case {
        const char *name;
        QString rasCnx;
        bool lan;
        bool otherUser;
        QString method;
        QVariantList args;
        QString error;
        QString interface = kInterface;
    };
    const QString connect = QStringLiteral("Connect"), disconnect = QStringLiteral("Disconnect");
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString address = QStringLiteral("Address");
    const QString invalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
    const QVariant text = QVariant::fromValue(QDBusVariant(QStringLiteral("10.0.0.1")));
    const QList<Case> cases{
        {"unknown entry", "1,Online", false, false, connect, {QStringLiteral("Nowhere")}, kUnknownEntry},
        {"control character", "1,Online", false, false, connect, {QStringLiteral("On\nline")}, kInvalidArgument},
        {"name too long", "1,Online", false, false, connect, {QString(300, QLatin1Char('x'))}, kInvalidArgument},
        {"no entry chosen", "", false, false, connect, {QString()}, kNoEntry},
        {"LAN mode, connect", "1,Online", true, false, connect, {QString()}, kLanMode},
        {"LAN mode, disconnect", "1,Online", true, false, disconnect, {}, kLanMode},
        {"disconnect while down", "1,Online", false, false, disconnect, {}, kNotConnected},
        {"copy while down", "1,Online", false, false, QStringLiteral("CopyAddress"), {}, kNotConnected},
        {"wrong argument type", "1,Online", false, false, connect, {42}, invalidArgs},
        {"a property read with a wrong type",
         "1,Online",
         false,
         false,
         QStringLiteral("Get"),
         {kInterface, 42},
         invalidArgs,
         properties},
        {"all properties read with too many arguments",
         "1,Online",
         false,
         false,
         QStringLiteral("GetAll"),
         {kInterface, address},
         invalidArgs,
         properties},
        {"introspection with an argument",
         "1,Online",
         false,
         false,
         QStringLiteral("Introspect"),
         {address},
         invalidArgs,
         QStringLiteral("org.freedesktop.DBus.Introspectable")},
        {"property written",
         "1,Online",
         false,
         false,
         QStringLiteral("Set"),
         {kInterface, address, text},
         QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
         properties},
        {"another user", "1,Online", false, true, connect, {QString()}, kAccessDenied},
        {"another user reads", "1,Online", false, true, QStringLiteral("GetAll"), {kInterface}, kAccessDenied, properties},
        {"another user reads one",
         "1,Online",
         false,
         true,
         QStringLiteral("Get"),
         {kInterface, address},
         kAccessDenied,
         properties},
        {"another user introspects",
         "1,Online",
         false,
         true,
         QStringLiteral("Introspect"),
         {},
         kAccessDenied,
         QStringLiteral("org.freedesktop.DBus.Introspectable")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();
        startService(c.rasCnx, c.lan);
        if (c.otherUser)
            service->setAllowedUid(::getuid() + 1);
        tick();
        const QDBusMessage reply = call(c.method, c.args, c.interface);
        EXPECT_EQ(reply.errorName().toStdString(), c.error.toStdString());
        EXPECT_FALSE(reply.errorMessage().isEmpty());
        EXPECT_TRUE(recorder->dials.isEmpty());
        EXPECT_FALSE(dialer->busy());
        EXPECT_EQ(state.AppSettings.RASCnx, c.rasCnx);
        service.reset();
    }
}

TEST_F(BusService, ShowDetailsAndCopyAddressDoWhatTheTrayMenuDoes)
{
    int detailsOpened = 0;
    detailsWindow = [&](TfmVantrel &) -> QDialog * {
        ++detailsOpened;
        return nullptr;
    };
    startService(QStringLiteral("1,Online"));
    lineUpElsewhere(QStringLiteral("Online"), QStringLiteral("10.64.3.17"));
    tick();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    // Answered at once; the window opens from the event loop.
    ASSERT_EQ(call(QStringLiteral("ShowDetails")).type(), QDBusMessage::ReplyMessage);
    QCoreApplication::processEvents();
    EXPECT_EQ(detailsOpened, 1);
    ASSERT_EQ(call(QStringLiteral("CopyAddress")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("10.64.3.17"));
}

TEST_F(BusService, TheInstalledInterfaceIsWhatTheServiceOffers)
{
    QFile installed(QStringLiteral(VANTREL_INTERFACE_XML));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly)) << VANTREL_INTERFACE_XML;
    const QString xml = QString::fromUtf8(installed.readAll());
    startService(QStringLiteral("1,Online"));
    const QString introspected = call(QStringLiteral("Introspect"), {},
                                      QStringLiteral("org.freedesktop.DBus.Introspectable"))
                                     .arguments()
                                     .value(0)
                                     .toString();
    const QRegularExpression interface(QStringLiteral("  <interface name=\"org.morvent.Vantrel\">.*?</interface>\n"),
                                       QRegularExpression::DotMatchesEverythingOption);
    ASSERT_TRUE(interface.match(xml).hasMatch());
    EXPECT_EQ(interface.match(introspected).captured().toStdString(), interface.match(xml).captured().toStdString());
    // The properties served, with the types of their values, are those declared.
    QStringList declared, served;
    auto it = QRegularExpression(QStringLiteral("<property name=\"(\\w+)\" type=\"(\\w+)\"")).globalMatch(xml);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        declared.append(m.captured(1) + QLatin1Char(' ') + m.captured(2));
    }
    const QVariantMap all = properties();
    for (auto p = all.cbegin(); p != all.cend(); ++p)
        served.append(p.key() + QLatin1Char(' ') + QDBusMetaType::typeToSignature(p.value().metaType()));
    declared.sort();
    EXPECT_EQ(served.join(QLatin1Char(',')).toStdString(), declared.join(QLatin1Char(',')).toStdString());
}

TEST_F(BusService, OneRunAtATimeAndNoSecondConnect)
{
    startService(QStringLiteral("1,Online"));
    tick();
    ASSERT_EQ(call(QStringLiteral("Connect"), {QString()}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(dialer->busy());
    EXPECT_EQ(call(QStringLiteral("Connect"), {QString()}).errorName().toStdString(), kBusy.toStdString());
    ASSERT_TRUE(settle());
    EXPECT_EQ(recorder->dials.size(), 1);
    tick();
    EXPECT_EQ(call(QStringLiteral("Connect"), {QString()}).errorName().toStdString(), kAlreadyConnected.toStdString());
    EXPECT_EQ(recorder->dials.size(), 1);
    EXPECT_FALSE(dialer->busy());
}

TEST_F(BusService, ABurstOfLargeCallsIsAllAnsweredWhileTheEventLoopRunsOn)
{
    startService(QStringLiteral("1,Online"));
    // 100 calls of 1 MB each, sent at once from a thread of their own as parallel
    // clients would: each is refused for its name's length, none for its user.
    std::vector<QDBusMessage> replies(100);
    std::atomic<bool> answered{false};
    std::thread clients([&] {
        const QDBusMessage huge = methodCall(QStringLiteral("Connect"), {QString(1 << 20, QLatin1Char('x'))});
        std::vector<QDBusPendingCall> pending;
        for (size_t i = 0; i < replies.size(); ++i)
            pending.push_back(client().asyncCall(huge, 120000));
        for (size_t i = 0; i < replies.size(); ++i)
            replies[i] = (pending[i].waitForFinished(), pending[i].reply());
        answered = true;
    });
    ::alarm(120); // a service thread stuck in a call never comes back here: end, not hang
    // The longest time between two ticks of a 20 ms timer of the service's thread.
    QTimer ticker;
    QElapsedTimer sinceLast;
    qint64 longestGap = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = qMax(longestGap, sinceLast.restart()); });
    sinceLast.start();
    ticker.start(20);
    while (!answered)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    longestGap = qMax(longestGap, sinceLast.elapsed());
    ::alarm(0);
    clients.join();
    EXPECT_LE(longestGap, 100);
    EXPECT_EQ(std::count_if(replies.begin(), replies.end(),
                            [](const QDBusMessage &r) { return r.errorName() == kInvalidArgument; }),
              100);
}

TEST_F(BusService, ACallArrivingWhileAnotherIsAnsweredGetsItsOwnAnswer)
{
    startService(QStringLiteral("1,Online"));
    // A line the phonebook reader skips: listing the entries reports it, and
    // while that report is up, a second call comes in and is answered.
    QFile book(home.configDir() + QStringLiteral("/vantrel/phonebook.ini"));
    ASSERT_TRUE(book.open(QIODevice::Append));
    book.write("not an entry\n");
    book.close();
    QVariantMap during;
    onLineReport = [&] {
        if (during.isEmpty())
            during = properties();
    };
    const QDBusMessage first = call(QStringLiteral("Connect"), {QStringLiteral("online")});
    EXPECT_EQ(first.type(), QDBusMessage::ReplyMessage) << first.errorMessage().toStdString();
    EXPECT_EQ(recorder->dialledEntries(), QStringList{QStringLiteral("Online")});
    EXPECT_EQ(during.value(QStringLiteral("Address")).toString(), service->address()) << "the second call answered";
    ASSERT_TRUE(settle());
}

} // namespace
} // namespace vantrel::test

#include "test_busservice.moc"
