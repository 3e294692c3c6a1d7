// SPDX-License-Identifier: GPL-3.0-or-later
// The session-bus service against the real main window and dialer, on a private
// dbus-daemon of the test's own; the calls come over a second connection, as a
// client's would.
#include "bus/busservice.h"
#include "dialer/dialerfixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QClipboard>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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

// Records the PropertiesChanged signals the client connection receives.
class ChangeRecorder : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
public slots:
    void changed(const QString &, const QVariantMap &changed, const QStringList &) { changes.append(changed); }
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
                         QStringLiteral("PropertiesChanged"), &announced,
                         SLOT(changed(QString, QVariantMap, QStringList)));
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
    void startService(const QString &rasCnx, bool lan = false)
    {
        start(rasCnx);
        if (lan)
            state.AppSettings.Conn = true;
        service = std::make_unique<VantrelBusService>(state, platform, *fm, *dialer);
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
    // Dials `entry` over the bus and lets the run end; the next tick sees the line.
    void connectOverBus(const QString &entry)
    {
        const QDBusMessage reply = call(QStringLiteral("Connect"), {entry});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        ASSERT_TRUE(settle());
        tickAndDeliver();
    }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline QProcess *s_daemon = nullptr;
    static inline QString s_address;
    ChangeRecorder announced;
    std::unique_ptr<VantrelBusService> service;
};

QVariantMap Status(const char *address, bool connected, const char *entry)
{
    return {{QStringLiteral("Address"), QString::fromUtf8(address)},
            {QStringLiteral("Connected"), connected},
            {QStringLiteral("Entry"), QString::fromUtf8(entry)},
            {QStringLiteral("Mode"), QStringLiteral("dial-up")},
            {QStringLiteral("OnlineSeconds"), qulonglong(0)}};
}

TEST_F(BusService, PropertiesAndTheirChangesWhileDownAndUp)
{
    startService(QStringLiteral("1,Second"));
    tickAndDeliver();
    EXPECT_EQ(properties(), Status("Network is down", false, ""));
    ASSERT_EQ(announced.changes.size(), 1);
    EXPECT_EQ(announced.changes.at(0), QVariantMap({{QStringLiteral("Address"), QStringLiteral("Network is down")}}));

    tickAndDeliver(); // nothing changed: nothing announced
    EXPECT_EQ(announced.changes.size(), 1);

    // A named entry is dialled; the chosen one stays as stored.
    connectOverBus(QStringLiteral("online")); // names compare without case
    EXPECT_EQ(recorder->dialledEntries(), QStringList{QStringLiteral("Online")});
    EXPECT_EQ(state.AppSettings.RASCnx, QStringLiteral("1,Second"));
    ASSERT_EQ(announced.changes.size(), 2);
    EXPECT_EQ(announced.changes.at(1), QVariantMap({{QStringLiteral("Address"), QStringLiteral("10.64.3.17")},
                                                   {QStringLiteral("Connected"), true},
                                                   {QStringLiteral("Entry"), QStringLiteral("Online")}}));

    clock.set(clock.now().addSecs(75));
    tickAndDeliver(); // the online time runs, unannounced
    EXPECT_EQ(announced.changes.size(), 2);
    QVariantMap up = Status("10.64.3.17", true, "Online");
    up[QStringLiteral("OnlineSeconds")] = qulonglong(75);
    EXPECT_EQ(properties(), up);

    const QDBusMessage reply = call(QStringLiteral("Disconnect"));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_TRUE(settle());
    tickAndDeliver();
    EXPECT_EQ(properties(), Status("Network is down", false, "Online"));
    ASSERT_EQ(announced.changes.size(), 3);
    EXPECT_EQ(announced.changes.at(2), QVariantMap({{QStringLiteral("Address"), QStringLiteral("Network is down")},
                                                   {QStringLiteral("Connected"), false}}));
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
    const QVariant text = QVariant::fromValue(QDBusVariant(QStringLiteral("10.0.0.1")));
    const QList<Case> cases{
        {"unknown entry", "1,Online", false, false, connect, {QStringLiteral("Nowhere")}, kUnknownEntry},
        {"control character", "1,Online", false, false, connect, {QStringLiteral("On\nline")}, kInvalidArgument},
        {"name too long", "1,Online", false, false, connect, {QString(300, QLatin1Char('x'))}, kInvalidArgument},
        {"no entry chosen", "", false, false, connect, {QString()}, kNoEntry},
        {"LAN mode, connect", "1,Online", true, false, connect, {QString()}, kLanMode},
        {"LAN mode, disconnect", "1,Online", true, false, disconnect, {}, kLanMode},
        {"disconnect while down", "1,Online", false, false, disconnect, {}, kNotConnected},
        {"wrong argument type", "1,Online", false, false, connect, {42}, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs")},
        {"property written", "1,Online", false, false, QStringLiteral("Set"), {kInterface, address, text},
         QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"), properties},
        {"another user", "1,Online", false, true, connect, {QString()}, kAccessDenied},
        {"another user reads", "1,Online", false, true, QStringLiteral("GetAll"), {kInterface}, kAccessDenied, properties},
        {"another user reads one", "1,Online", false, true, QStringLiteral("Get"), {kInterface, address}, kAccessDenied,
         properties},
        {"another user introspects", "1,Online", false, true, QStringLiteral("Introspect"), {}, kAccessDenied,
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
    startService(QStringLiteral("1,Online"));
    tick();
    int detailsOpened = 0;
    fm->DetailsWindowFactory = [&](TfmVantrel &) -> QDialog * {
        ++detailsOpened;
        return nullptr;
    };
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    // Answered at once; the window opens from the event loop.
    ASSERT_EQ(call(QStringLiteral("ShowDetails")).type(), QDBusMessage::ReplyMessage);
    QCoreApplication::processEvents();
    EXPECT_EQ(detailsOpened, 1);
    ASSERT_EQ(call(QStringLiteral("CopyAddress")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Network is down"));
}

TEST_F(BusService, IntrospectionIsAnsweredToItsOwnUser)
{
    startService(QStringLiteral("1,Online"));
    const QDBusMessage reply = call(QStringLiteral("Introspect"), {}, QStringLiteral("org.freedesktop.DBus.Introspectable"));
    EXPECT_TRUE(reply.arguments().value(0).toString().contains(QStringLiteral("<method name=\"Connect\">")))
        << reply.errorMessage().toStdString();
}

TEST_F(BusService, OneRunAtATimeAndNoSecondConnect)
{
    startService(QStringLiteral("1,Online"));
    tick();
    ASSERT_EQ(call(QStringLiteral("Connect"), {QString()}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(dialer->busy()); // the result shows for its pause
    for (const QString &method : {QStringLiteral("Connect"), QStringLiteral("Disconnect")}) {
        const QVariantList args = method == QLatin1String("Connect") ? QVariantList{QString()} : QVariantList{};
        EXPECT_EQ(call(method, args).errorName().toStdString(), kBusy.toStdString()) << method.toStdString();
    }
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
