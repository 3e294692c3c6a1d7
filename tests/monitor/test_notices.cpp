// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop notifications: which events give one, for each kind on and off; and
// the real sender against dbusmock's notification daemon on a private bus
// (summary, body, icon, urgency), and without a daemon (one line, no more).
#include "monitor/notices.h"
#include "monitor/preferences.h"
#include "platform/notifications.h"
#include "support/fakepublic.h"
#include "support/fixedclock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

using test::RecordingNotifier;

enum Kind { Connected = 1, Dropped = 2, Address = 4, Public = 8, DialFailed = 16, All = 31 };

// The same events, with every kind on and then with each kind off alone: a
// kind gives its notices while on and none while off, and never another's.
TEST(EventNotices, EachKindOnAndOff)
{
    const QStringList everything{
        "Connection dropped: Morvent Online went down without being hung up.",
        "Connection up: Morvent Online, address 10.64.3.17",
        "Address changed: from 10.64.3.17 to 10.64.3.18",
        "Connection dropped: Morvent Online went down without being hung up.",
        "Connection up: Morvent Online, address 10.64.3.19",
        "No connection: The dial run over Morvent Online ended without a connection.",
        "Public IPv4 address changed: from 203.0.113.7 to 198.51.100.9",
    };
    const struct {
        int off;
        QList<int> left; // indexes into `everything`
    } rows[] = {
        {0, {0, 1, 2, 3, 4, 5, 6}},
        {Connected, {0, 2, 3, 5, 6}},
        {Dropped, {1, 2, 4, 5, 6}},
        {Address, {0, 1, 3, 4, 5, 6}},
        {Public, {0, 1, 2, 3, 4, 5}},
        {DialFailed, {0, 1, 2, 3, 4, 6}},
        {All, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.off);
        Preferences p;
        p.NotifyConnected = !(row.off & Connected);
        p.NotifyDropped = !(row.off & Dropped);
        p.NotifyAddress = !(row.off & Address);
        p.NotifyPublic = !(row.off & Public);
        p.NotifyDialFailed = !(row.off & DialFailed);
        RecordingNotifier notifier;
        FixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
        EventNotices notices(notifier, p, clock);
        const QString entry = QStringLiteral("Morvent Online");
        notices.pollResult(true, "10.64.3.16", entry); // up at start: not news
        notices.pollResult(false, "Network is down", entry);
        notices.pollResult(true, "10.64.3.17", entry);
        notices.pollResult(true, "10.64.3.18", entry);
        notices.pollResult(false, "Network is down", entry);
        notices.pollResult(true, "10.64.3.19", entry);
        notices.hangUpAsked();
        clock.set(clock.now().addSecs(5));
        notices.pollResult(false, "Network is down", entry); // the user's own hang-up
        notices.dialRunEnded(true, false, entry);
        notices.dialRunEnded(false, true, entry); // aborted by the user
        notices.dialRunEnded(false, false, entry);
        notices.publicAddressChanged(AddressFamily::V4, "203.0.113.7", "198.51.100.9");
        QStringList expected;
        for (const int i : row.left)
            expected << everything[i];
        EXPECT_EQ(notifier.shown, expected) << qPrintable(notifier.shown.join('\n'));
    }
}

// A LAN address text keeps its host name out of the notice.
TEST(EventNotices, LanAddressChangeNamesTheAddressesOnly)
{
    Preferences p;
    p.NotifyAddress = true;
    RecordingNotifier notifier;
    FixedClock clock;
    EventNotices notices(notifier, p, clock);
    notices.pollResult(true, "192.168.1.20 (myhost)", {});
    notices.pollResult(true, "192.168.1.20 (myhost)", {});
    notices.pollResult(true, "2001:db8::5 (myhost)", {});
    EXPECT_EQ(notifier.shown, QStringList{"Address changed: from 192.168.1.20 to 2001:db8::5"});
}

// dbusmock's notification daemon on a bus of this test's own.
TEST(FreedesktopNotifier, ReachesTheDaemonAndSaysOnceWhenThereIsNone)
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty() || !QFile::exists(QStringLiteral("/usr/lib/python3/dist-packages/dbusmock"))) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "dbus-daemon and python3-dbusmock are needed";
        GTEST_SKIP() << "dbus-daemon and python3-dbusmock are needed";
    }
    // No service activation: a notification daemon installed on the machine
    // must not be started in place of the mock.
    QTemporaryDir busDir;
    QFile config(busDir.filePath("bus.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                     .arg(busDir.path())
                     .toUtf8());
    config.close();
    QProcess bus;
    bus.start(daemon, {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted(10000));
    while (!bus.canReadLine() && bus.waitForReadyRead(10000)) {
    }
    const QByteArray address = bus.readLine().trimmed();
    ASSERT_FALSE(address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);

    static QStringList warnings;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &context, const QString &text) {
        warnings << QString::fromLatin1(context.category) + QStringLiteral(": ") + text;
    });
    const auto settle = [] {
        for (const QDeadlineTimer deadline(1000); !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    };
    FreedesktopNotifier notifier;
    notifier.notify({"Connection up", "Address 10.64.3.17", Notice::Urgency::Low});
    notifier.notify({"Connection dropped", "again", Notice::Urgency::Critical});
    settle();
    ASSERT_EQ(warnings.size(), 1) << qPrintable(warnings.join('\n'));
    EXPECT_TRUE(warnings[0].startsWith("vantrel.tray: Desktop notifications cannot be shown")) << qPrintable(warnings[0]);

    QTemporaryDir dir;
    const QString log = dir.filePath("calls.log");
    QProcess mock;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromLatin1(address));
    mock.setProcessEnvironment(env);
    mock.start("/usr/bin/python3", {"-m", "dbusmock", "--template", "notification_daemon", "-l", log});
    ASSERT_TRUE(mock.waitForStarted(10000));
    QString calls;
    for (const QDeadlineTimer deadline(15000); !calls.contains("Vantrel") && !deadline.hasExpired();) {
        notifier.notify({"Address changed", "from 10.0.0.5 to <10.0.0.6> & more", Notice::Urgency::Normal});
        settle();
        QFile f(log);
        if (f.open(QIODevice::ReadOnly))
            calls = QString::fromUtf8(f.readAll());
    }
    mock.kill(); // the processes this test started, by their own handles
    mock.waitForFinished(10000);
    bus.kill();
    bus.waitForFinished(10000);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(calls.contains(R"(Notify "Vantrel" 0 "vantrel" "Address changed" "from 10.0.0.5 to &lt;10.0.0.6&gt; &amp; more")"))
        << qPrintable(calls);
    EXPECT_TRUE(calls.contains(R"("urgency": 1)")) << qPrintable(calls);
    EXPECT_EQ(warnings.size(), 1) << "said once only";
}

} // namespace
