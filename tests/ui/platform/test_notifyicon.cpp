// SPDX-License-Identifier: GPL-3.0-or-later
// The notify-icon stand-in: the record and its tip, the commands, the mapping of
// tray activations to mouse messages on each kind of tray host, and the check
// that tells the hosts apart on the session bus.
#include "ui/platform/desktop/notifyicon.h"
#include "ui/support/recordingnotifyicon.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

namespace vantrel::test {
namespace {

static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4);
static_assert(offsetof(NOTIFYICONDATAA, uID) == 8);
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == 12);
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20);
static_assert(offsetof(NOTIFYICONDATAA, szTip) == 24);

struct Click {
    DWORD message, wParam, lParam;
    bool operator==(const Click &) const = default;
};

NOTIFYICONDATAA record(HWND32 window, DWORD id, HICON32 icon, const QString &tip)
{
    NOTIFYICONDATAA d{};
    d.cbSize = sizeof d;
    d.hWnd = window;
    d.uID = id;
    d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    d.uCallbackMessage = WM_USER + 100;
    d.hIcon = icon;
    SetNotifyTip(d, tip);
    return d;
}

TEST(NotifyTip, IsCutToSixtyThreeCharactersAndAlwaysEnded)
{
    const QString long100 = QString(100, QLatin1Char('x'));
    const struct {
        QString text;
        QString tip;
    } rows[] = {
        {QString(), QString()},
        {QStringLiteral("Network is down"), QStringLiteral("Network is down")},
        {QString(63, QLatin1Char('a')), QString(63, QLatin1Char('a'))},
        {QString(64, QLatin1Char('b')), QString(63, QLatin1Char('b'))},
        {long100, long100.left(63)},
        {QStringLiteral("10.0.0.1 (h\u00f6st)"), QStringLiteral("10.0.0.1 (h\u00f6st)")},
        {QStringLiteral("10.0.0.1 (\u4e2d)"), QStringLiteral("10.0.0.1 (?)")},
    };
    for (const auto &row : rows) {
        NOTIFYICONDATAA d{};
        std::memset(d.szTip, 'Z', sizeof d.szTip); // whatever was there before
        SetNotifyTip(d, row.text);
        EXPECT_EQ(NotifyTip(d), row.tip) << qPrintable(row.text);
        EXPECT_EQ(d.szTip[63], '\0');
    }
}

TEST(TrayActivation, MapsToTheMouseMessageTheProgramWaitsFor)
{
    using R = QSystemTrayIcon;
    const struct {
        R::ActivationReason reason;
        TrayHost host;
        std::optional<DWORD> mouse;
    } rows[] = {
        {R::DoubleClick, TrayHost::XEmbed, WM_LBUTTONDBLCLK},
        {R::Context, TrayHost::XEmbed, WM_RBUTTONUP},
        {R::Trigger, TrayHost::XEmbed, std::nullopt}, // a single click does nothing
        {R::MiddleClick, TrayHost::XEmbed, std::nullopt},
        {R::Unknown, TrayHost::XEmbed, std::nullopt},
        // A StatusNotifierItem host has no double click: its one activation stands for it.
        {R::Trigger, TrayHost::StatusNotifier, WM_LBUTTONDBLCLK},
        {R::Context, TrayHost::StatusNotifier, WM_RBUTTONUP},
        {R::DoubleClick, TrayHost::StatusNotifier, WM_LBUTTONDBLCLK},
        {R::MiddleClick, TrayHost::StatusNotifier, std::nullopt},
    };
    for (const auto &row : rows)
        EXPECT_EQ(MouseMessageFor(row.reason, row.host), row.mouse) << "reason " << row.reason << " host " << int(row.host);
}

TEST(RecordingNotifyIcon, KeepsTheCommandContractAndDeliversClicksToTheWindow)
{
    RecordingNotifyIcon tray;
    QList<Click> clicks;
    const HWND32 window = tray.registerWindow([&](DWORD m, DWORD w, DWORD l) { clicks.append({m, w, l}); });
    const HICON32 icon = tray.icons().add(QIcon());
    NOTIFYICONDATAA d = record(window, 100, icon, QStringLiteral("Looking for IP Address..."));

    EXPECT_FALSE(tray.Shell_NotifyIconA(NIM_MODIFY, &d)) << "nothing to modify yet";
    EXPECT_TRUE(tray.Shell_NotifyIconA(NIM_ADD, &d));
    EXPECT_FALSE(tray.Shell_NotifyIconA(NIM_ADD, &d)) << "the same icon twice";
    NOTIFYICONDATAA bad = d;
    bad.cbSize = 92;
    EXPECT_FALSE(tray.Shell_NotifyIconA(NIM_MODIFY, &bad));
    EXPECT_FALSE(tray.Shell_NotifyIconA(7, &d));

    SetNotifyTip(d, QStringLiteral("10.0.0.5"));
    d.uFlags = NIF_TIP; // only the tip is valid
    d.hIcon = 0;
    EXPECT_TRUE(tray.Shell_NotifyIconA(NIM_MODIFY, &d));
    EXPECT_EQ(NotifyTip(*tray.shown(window, 100)), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(tray.shown(window, 100)->hIcon, icon) << "an invalid field keeps its value";

    EXPECT_TRUE(tray.click(window, 100, WM_LBUTTONDBLCLK));
    EXPECT_EQ(clicks, QList<Click>({{0x464, 100, 0x203}}));
    EXPECT_FALSE(tray.click(window, 101, WM_LBUTTONDBLCLK)) << "no such icon";

    EXPECT_TRUE(tray.Shell_NotifyIconA(NIM_DELETE, &d));
    EXPECT_FALSE(tray.Shell_NotifyIconA(NIM_DELETE, &d));
    EXPECT_FALSE(tray.click(window, 100, WM_RBUTTONUP));
    EXPECT_EQ(tray.commands.size(), 8);
}

TEST(IconHandles, KeepTheirNumberWhileThePictureChanges)
{
    IconHandles icons;
    const HICON32 a = icons.add(QIcon());
    const HICON32 b = icons.add(QIcon());
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    const quint64 v = icons.version(a);
    QPixmap red(32, 32);
    red.fill(Qt::red);
    EXPECT_TRUE(icons.set(a, QIcon(red)));
    EXPECT_GT(icons.version(a), v);
    EXPECT_EQ(icons.icon(a).pixmap(32).toImage(), red.toImage());
    icons.remove(a);
    EXPECT_FALSE(icons.contains(a));
    EXPECT_FALSE(icons.set(a, QIcon(red)));
    EXPECT_TRUE(icons.icon(a).isNull());
}

// --- the real tray ------------------------------------------------------------------

class QtNotifyIconTest : public ::testing::Test {
protected:
    void make(TrayHost host)
    {
        tray = std::make_unique<QtNotifyIcon>([host, this](QObject *, TrayAnswer answer) { answer({hostPresent, host}); });
        window = tray->registerWindow([this](DWORD m, DWORD w, DWORD l) { clicks.append({m, w, l}); });
        QPixmap globe(32, 32);
        globe.fill(Qt::blue);
        icon = tray->icons().add(QIcon(globe));
        data = record(window, 100, icon, QStringLiteral("Network is down"));
        tray->SetIconMenu(window, 100, &menu); // before the add, as the main window does
        ASSERT_TRUE(tray->Shell_NotifyIconA(NIM_ADD, &data));
        qt = tray->trayIcon(window, 100);
        ASSERT_EQ(qt != nullptr, hostPresent);
    }
    // Emits the activation as the platform's tray would, then lets the queued
    // delivery reach the window.
    void activate(QSystemTrayIcon::ActivationReason reason)
    {
        emit qt->activated(reason);
        QCoreApplication::sendPostedEvents();
    }

    QMenu menu;
    std::unique_ptr<QtNotifyIcon> tray;
    HWND32 window = 0;
    HICON32 icon = 0;
    NOTIFYICONDATAA data{};
    QSystemTrayIcon *qt = nullptr;
    QList<Click> clicks;
    bool hostPresent = true;
};

TEST_F(QtNotifyIconTest, AnXEmbedTrayPassesTheRealDoubleClickAndIgnoresASingleClick)
{
    make(TrayHost::XEmbed);
    EXPECT_EQ(qt->toolTip(), QStringLiteral("Network is down"));
    EXPECT_FALSE(qt->icon().isNull());
    activate(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(clicks.isEmpty());
    activate(QSystemTrayIcon::DoubleClick);
    activate(QSystemTrayIcon::Context);
    activate(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(clicks, QList<Click>({{0x464, 100, 0x203}, {0x464, 100, 0x205}}));
    EXPECT_EQ(qt->contextMenu(), nullptr) << "the window opens its own menu";
}

TEST_F(QtNotifyIconTest, AStatusNotifierHostsActivationCountsAsTheDoubleClick)
{
    make(TrayHost::StatusNotifier);
    activate(QSystemTrayIcon::Trigger);
    activate(QSystemTrayIcon::Context);
    EXPECT_EQ(clicks, QList<Click>({{0x464, 100, 0x203}, {0x464, 100, 0x205}}));
    EXPECT_EQ(qt->contextMenu(), &menu) << "the host draws the menu itself";
    tray->SetIconMenu(window, 100, nullptr);
    EXPECT_EQ(qt->contextMenu(), nullptr);
}

TEST_F(QtNotifyIconTest, ModifyChangesTipAndPictureAndDeleteEndsTheClicks)
{
    make(TrayHost::XEmbed);
    const qint64 before = qt->icon().cacheKey();
    SetNotifyTip(data, QStringLiteral("10.0.0.5"));
    ASSERT_TRUE(tray->Shell_NotifyIconA(NIM_MODIFY, &data));
    EXPECT_EQ(qt->toolTip(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(qt->icon().cacheKey(), before) << "the same picture is not handed over again";

    QPixmap frame(32, 32);
    frame.fill(Qt::green);
    tray->icons().set(icon, QIcon(frame)); // an animation frame drawn into the same handle
    ASSERT_TRUE(tray->Shell_NotifyIconA(NIM_MODIFY, &data));
    EXPECT_EQ(qt->icon().pixmap(32).toImage(), frame.toImage());

    emit qt->activated(QSystemTrayIcon::DoubleClick); // on its way when the icon goes
    ASSERT_TRUE(tray->Shell_NotifyIconA(NIM_DELETE, &data));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(clicks.isEmpty()) << "a removed icon sends nothing";
    EXPECT_EQ(tray->trayIcon(window, 100), nullptr);
    EXPECT_FALSE(tray->Shell_NotifyIconA(NIM_MODIFY, &data));
}

TEST_F(QtNotifyIconTest, AnIconAddedBeforeAnyHostDocksWithItsLatestStateWhenOneAppears)
{
    hostPresent = false;
    make(TrayHost::XEmbed);
    SetNotifyTip(data, QStringLiteral("10.0.0.5"));
    ASSERT_TRUE(tray->Shell_NotifyIconA(NIM_MODIFY, &data)) << "changes are kept while it waits";
    tray->dockWaitingIcons();
    EXPECT_EQ(tray->trayIcon(window, 100), nullptr) << "still no host";

    hostPresent = true;
    tray->dockWaitingIcons();
    qt = tray->trayIcon(window, 100);
    ASSERT_NE(qt, nullptr);
    EXPECT_EQ(qt->toolTip(), QStringLiteral("10.0.0.5"));
    EXPECT_FALSE(qt->icon().isNull());
    activate(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(clicks, QList<Click>({{0x464, 100, 0x203}}));
}

TEST_F(QtNotifyIconTest, NoNoticeWhenAHostAppearsInTime)
{
    int notices = 0;
    hostPresent = false;
    make(TrayHost::XEmbed);
    tray->setNoHostNotice(std::chrono::milliseconds(50), [&] { ++notices; });
    ASSERT_TRUE(tray->Shell_NotifyIconA(NIM_DELETE, &data));
    ASSERT_TRUE(tray->Shell_NotifyIconA(NIM_ADD, &data)); // waits again, now with the short delay
    hostPresent = true;
    tray->dockWaitingIcons();
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(notices, 0);
}

// --- host detection ---------------------------------------------------------------------

// A StatusNotifierWatcher with a settable host flag, answering from a thread of
// its own, which a test can keep busy to make the answer late.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    bool hostRegistered() const { return host; }
    std::atomic<bool> host{false};
};

// One private bus for the whole suite: the process keeps its first session-bus
// connection for good, so every test that uses it must find the same daemon.
class TrayHostDetection : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        s_bus = new QProcess;
        s_bus->setProgram(daemon);
        s_bus->setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        s_bus->start();
        if (s_bus->waitForStarted(10000)) {
            while (!s_bus->canReadLine() && s_bus->waitForReadyRead(10000)) {}
            s_address = QString::fromLocal8Bit(s_bus->readLine()).trimmed();
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", s_address.toLocal8Bit());
    }
    static void TearDownTestSuite()
    {
        if (s_bus && s_bus->state() != QProcess::NotRunning) {
            s_bus->kill(); // the daemon this suite started, by its own handle
            s_bus->waitForFinished(10000);
        }
        delete s_bus;
        s_bus = nullptr;
        s_address.clear();
    }
    void SetUp() override
    {
        if (!s_bus)
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(s_address.isEmpty()) << "the private bus did not start";
        address = s_address;
    }
    void TearDown() override
    {
        if (watcherThread.isRunning()) {
            watcherThread.quit();
            watcherThread.wait();
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("watcher"));
    }
    static inline QProcess *s_bus = nullptr;
    static inline QString s_address;
    QString address;
    QThread watcherThread;
};

// The real look for a tray host, and the longest a 20 ms timer of the asking
// thread waited between the question and the answer.
struct Probed {
    std::optional<TrayHostAnswer> answer;
    qint64 longestGap = 0;
};
Probed Probe()
{
    Probed out;
    QTimer ticker;
    QElapsedTimer sinceLast;
    QObject::connect(&ticker, &QTimer::timeout, [&] { out.longestGap = qMax(out.longestGap, sinceLast.restart()); });
    sinceLast.start();
    ticker.start(20);
    ProbeTrayHost(&ticker, [&](TrayHostAnswer answer) { out.answer = answer; });
    for (const QDeadlineTimer deadline(10000); !out.answer && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    out.longestGap = qMax(out.longestGap, sinceLast.elapsed());
    return out;
}

TEST_F(TrayHostDetection, FollowsTheWatchersHostFlagWithoutWaitingForIt)
{
    const Probed none = Probe(); // no watcher on the bus
    EXPECT_TRUE(none.answer && !none.answer->present && none.answer->host == TrayHost::XEmbed);

    QDBusConnection other = QDBusConnection::connectToBus(address, QStringLiteral("watcher"));
    ASSERT_TRUE(other.isConnected());
    auto *watcher = new FakeWatcher;
    watcher->moveToThread(&watcherThread);
    QObject::connect(&watcherThread, &QThread::finished, watcher, &QObject::deleteLater);
    watcherThread.start();
    ASSERT_TRUE(
        other.registerObject(QStringLiteral("/StatusNotifierWatcher"), watcher, QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(other.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));

    for (const bool host : {false, true}) {
        SCOPED_TRACE(host ? "a watcher with a host" : "a watcher without a host");
        watcher->host = host;
        // The watcher answers 300 ms late; the asking thread runs on meanwhile.
        QMetaObject::invokeMethod(
            watcher, [] { QThread::msleep(300); }, Qt::QueuedConnection);
        const Probed probed = Probe();
        ASSERT_TRUE(probed.answer);
        EXPECT_EQ(probed.answer->host, host ? TrayHost::StatusNotifier : TrayHost::XEmbed);
        EXPECT_EQ(probed.answer->present, host) << "no X server here: only the watcher's host counts";
        EXPECT_LE(probed.longestGap, 100);
    }

    other.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    other.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
}

// A notification daemon that counts what it is asked to show.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::atomic<int> shown{0};
    QString summary; // written before `shown` counts up
public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summaryText, const QString &, const QStringList &,
                const QVariantMap &, int)
    {
        summary = summaryText;
        return uint(++shown);
    }
};

TEST_F(TrayHostDetection, NoHostNoticeGoesOnceThroughTheNotificationDaemonAndTheIconDocksLater)
{
    QDBusConnection other = QDBusConnection::connectToBus(address, QStringLiteral("watcher"));
    ASSERT_TRUE(other.isConnected());
    auto *daemon = new FakeNotifications;
    daemon->moveToThread(&watcherThread);
    QObject::connect(&watcherThread, &QThread::finished, daemon, &QObject::deleteLater);
    watcherThread.start();
    ASSERT_TRUE(
        other.registerObject(QStringLiteral("/org/freedesktop/Notifications"), daemon, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(other.registerService(QStringLiteral("org.freedesktop.Notifications")));

    bool hostPresent = false;
    QtNotifyIcon tray([&](QObject *, TrayAnswer answer) { answer({hostPresent, TrayHost::XEmbed}); });
    tray.setNoHostNotice(std::chrono::milliseconds(20), [] { NotifyNoTrayHost(); });
    const HWND32 window = tray.registerWindow([](DWORD, DWORD, DWORD) {});
    NOTIFYICONDATAA d = record(window, 100, tray.icons().add(QIcon()), QStringLiteral("Network is down"));
    ASSERT_TRUE(tray.Shell_NotifyIconA(NIM_ADD, &d));

    const auto spin = [](int ms, const std::function<bool()> &until) {
        for (int waited = 0; waited < ms && !until(); waited += 10) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
    };
    spin(5000, [&] { return daemon->shown > 0; });
    ASSERT_EQ(daemon->shown, 1);
    EXPECT_TRUE(daemon->summary.contains(QStringLiteral("without a tray icon"))) << qPrintable(daemon->summary);

    // Still no host, and an icon that waits anew: the user was told already.
    ASSERT_TRUE(tray.Shell_NotifyIconA(NIM_DELETE, &d));
    ASSERT_TRUE(tray.Shell_NotifyIconA(NIM_ADD, &d));
    spin(300, [] { return false; });
    EXPECT_EQ(daemon->shown, 1);
    EXPECT_EQ(tray.trayIcon(window, 100), nullptr);

    hostPresent = true;
    tray.dockWaitingIcons();
    EXPECT_NE(tray.trayIcon(window, 100), nullptr);

    other.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    other.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

TEST(TrayHostDetectionWithoutBus, FallsBackToXEmbed)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vantrel-test-bus");
    const Probed probed = Probe();
    ASSERT_TRUE(probed.answer);
    EXPECT_EQ(probed.answer->host, TrayHost::XEmbed);
}

} // namespace
} // namespace vantrel::test

#include "test_notifyicon.moc"
