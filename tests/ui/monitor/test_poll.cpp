// SPDX-License-Identifier: GPL-3.0-or-later
// The poll tick: every state of the monitor, every transition, the online
// periods with their log lines and cue, the LAN probe, the animation, and the
// closing line of the shutdown.
#include "platform/regularfile.h"
#include "ui/monitor/monitorfixture.h"

#include <QDir>
#include <QLabel>

#include <csignal>
#include <sys/resource.h>

#include <optional>
#include <stdexcept>
#include <vector>

namespace vantrel::test {
namespace {

using namespace monitor_text;

class PollTest : public MonitorFixture {};

// --- the state table ------------------------------------------------------------

struct StateRow {
    const char *name;
    int startupResult;           // sockets start-up result
    bool lan;                    // Conn
    bool anim;                   // Anim
    std::optional<QString> line; // a live connection with this address
    bool ticked;                 // one poll tick has run
    QString address;             // AddressText afterwards
    bool alarmRuns, animRuns;
    QString connectCaption;
    bool copyEnabled;
    bool online;
};

TEST_F(PollTest, EachStateOfTheMonitorShowsWhatOtherPartsRead)
{
    const QString lanAddress = QStringLiteral("192.168.0.7 (pc1.example)");
    const StateRow rows[] = {
        {"no stack, before a tick", 10091, false, true, std::nullopt, false, kNoStack, false, false, kConnect, true, false},
        {"no stack, after a tick", 10091, false, true, QStringLiteral("10.0.0.5"), true, kNoStack, false, false, kConnect,
         true, false},
        {"starting", 0, false, true, std::nullopt, false, kLooking, false, false, kConnect, true, false},
        {"down", 0, false, true, std::nullopt, true, kNetworkDown, false, false, kConnect, false, false},
        {"up, still icon", 0, false, false, QStringLiteral("10.0.0.5"), true, QStringLiteral("10.0.0.5"), true, false,
         kDisconnect, true, true},
        {"up, animated", 0, false, true, QStringLiteral("10.0.0.5"), true, QStringLiteral("10.0.0.5"), true, true,
         kDisconnect, true, true},
        {"LAN, still icon", 0, true, false, std::nullopt, true, lanAddress, true, false, kDisconnect, true, true},
        {"LAN, animated", 0, true, true, std::nullopt, true, lanAddress, true, true, kDisconnect, true, true},
    };
    for (const StateRow &row : rows) {
        SCOPED_TRACE(row.name);
        fm.reset();
        rasService.clearConnections();
        sockets.startupResult = row.startupResult;
        setUser(QStringLiteral("Conn"), row.lan ? 1u : 0u);
        setUser(QStringLiteral("Anim"), row.anim ? 1u : 0u);
        if (row.line)
            rasService.addConnection(QStringLiteral("Office"), *row.line);
        create();
        const int enumerationsBefore = rasService.connectionsCalls();
        if (row.ticked)
            tick();

        EXPECT_EQ(fm->addressText(), row.address);
        EXPECT_EQ(timer("VantrelAlarm")->isActive(), row.alarmRuns);
        EXPECT_EQ(timer("VantrelAniTimer")->isActive(), row.animRuns);
        EXPECT_EQ(item("Connect1")->text(), row.connectCaption);
        EXPECT_EQ(item("CopyIP1")->isEnabled(), row.copyEnabled);
        EXPECT_EQ(fm->online(), row.online);
        EXPECT_TRUE(timer("VantrelTimer")->isActive()) << "the poll keeps running in every state";
        EXPECT_FALSE(fm->pollBusy());
        if (row.startupResult != 0) {
            EXPECT_EQ(rasService.connectionsCalls(), enumerationsBefore) << "no stack: the tick stops at once";
            EXPECT_EQ(tip(), kNoStack);
        }
        if (!row.animRuns && row.ticked && row.startupResult == 0) {
            // The still states send the window's own icon with the address.
            EXPECT_EQ(icon().hIcon, fm->mainIconHandle());
            EXPECT_EQ(tip(), row.address);
        }
    }
}

TEST_F(PollTest, TheFirstTickComesOnePeriodAfterCreationAndTheTimersHaveTheirPeriods)
{
    create();
    EXPECT_EQ(timer("VantrelTimer")->interval(), 2000);
    EXPECT_TRUE(timer("VantrelTimer")->isActive());
    EXPECT_EQ(timer("VantrelAniTimer")->interval(), 150);
    EXPECT_EQ(rasService.connectionsCalls(), 0) << "nothing is probed at creation";
    EXPECT_EQ(tip(), kLooking);
}

// --- online periods and the log ---------------------------------------------------------

TEST_F(PollTest, AConnectionOpensOnePeriodAndItsDropClosesIt)
{
    setUser(QStringLiteral("Log"), 1u);
    setUser(QStringLiteral("Anim"), 0u);
    create();
    tick();
    tick();
    EXPECT_FALSE(QFile::exists(logPath())) << "no line while the network is down";

    state.AlarmElapsedMinutes = 42;
    state.AlarmWarningCount = 3;
    const HRASCONN line = rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    tick();
    EXPECT_TRUE(fm->online());
    EXPECT_TRUE(timer("VantrelAlarm")->isActive());
    EXPECT_EQ(state.AlarmElapsedMinutes, 0);
    EXPECT_EQ(state.AlarmWarningCount, 0);
    EXPECT_EQ(tip(), QStringLiteral("10.0.0.5"));
    const QStringList afterConnect = logLines();
    ASSERT_EQ(afterConnect.size(), 3);
    EXPECT_EQ(afterConnect.at(0), QStringLiteral("@(#)>> Vantrel Log File created at: 06-19-2024 22h 05m 09s"));
    EXPECT_EQ(afterConnect.at(1), QStringLiteral("@(#)>> Please, do not edit."));
    EXPECT_EQ(afterConnect.at(2), kStamp + QStringLiteral("(Office): Connected."));

    // The same address, then a new one: no new period and no line.
    tick();
    rasService.setAddress(line, QStringLiteral("10.0.0.9"));
    tick();
    EXPECT_EQ(fm->addressText(), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(tip(), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(logEvents().size(), 1);

    rasService.dropConnection(line);
    clock.set(QDateTime(QDate(2024, 6, 19), QTime(23, 0, 1)));
    tick();
    EXPECT_FALSE(fm->online());
    EXPECT_FALSE(timer("VantrelAlarm")->isActive());
    EXPECT_EQ(fm->addressText(), kNetworkDown);
    EXPECT_EQ(logEvents(), QStringList({kStamp + QStringLiteral("(Office): Connected."),
                                        QStringLiteral("[06-19-2024 23h 00m 01s](Office): Disconnected.")}));
    tick();
    EXPECT_EQ(logEvents().size(), 2) << "a closed period is closed once";
}

TEST_F(PollTest, LogLinesCarryTheEntryDialledLastAndNoneWhenLogIsOff)
{
    setUser(QStringLiteral("Log"), 1u);
    create();
    state.CurrentEntry = QStringLiteral("Office");
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    tick();
    EXPECT_EQ(logEvents(), QStringList({kStamp + QStringLiteral("(Office): Connected.")}));

    // Log switched off while connected: the drop writes nothing.
    state.AppSettings.Log = false;
    rasService.clearConnections();
    tick();
    EXPECT_FALSE(fm->online());
    EXPECT_EQ(logEvents().size(), 1);
}

TEST_F(PollTest, LogLinesNameTheConnectionsOwnEntryElseTheEntryDialledLast)
{
    const struct {
        const char *what;
        bool lan;
        const char *dialledLast, *connection, *logged; // connection: the entry the service names
    } rows[] = {
        {"a line brought up by other means after a failed dial", false, "Always Busy", "Morvent Online", "Morvent Online"},
        {"a service that names no entry", false, "Office", "", "Office"},
        {"no name and no dial yet", false, "", "", ""},
        {"LAN mode", true, "Office", "", "Office"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        fm.reset();
        QFile::remove(logPath());
        rasService.clearConnections();
        setUser(QStringLiteral("Conn"), row.lan ? 1u : 0u);
        setUser(QStringLiteral("Log"), 1u);
        create();
        state.CurrentEntry = QString::fromUtf8(row.dialledLast);
        if (!row.lan)
            rasService.addConnection(QString::fromUtf8(row.connection), QStringLiteral("10.0.0.5"));
        tick();
        EXPECT_EQ(fm->connectionEntry(), QString::fromUtf8(row.connection));
        QStringList expected{kStamp + QStringLiteral("(%1): Connected.").arg(QString::fromUtf8(row.logged))};
        if (!row.lan) {
            rasService.clearConnections();
            tick();
            EXPECT_EQ(fm->connectionEntry(), QString());
            expected.append(kStamp + QStringLiteral("(%1): Disconnected.").arg(QString::fromUtf8(row.logged)));
        }
        EXPECT_EQ(logEvents(), expected);
    }
}

TEST_F(PollTest, TheConnectCueSoundsOnlyWhileTheAlarmIsArmed)
{
    struct Row {
        bool alarm;
        DWORD sound;
        int beeps, plays;
    };
    const Row rows[] = {{false, 1, 0, 0}, {true, 0, 0, 0}, {true, 1, 1, 0}, {true, 2, 0, 1}, {true, 7, 0, 0}};
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "Alarm " << row.alarm << " Sound " << row.sound);
        fm.reset();
        beeper.beeps = 0;
        wave.playCalls = 0;
        rasService.clearConnections();
        setUser(QStringLiteral("Alarm"), row.alarm ? 1u : 0u);
        setUser(QStringLiteral("Sound"), row.sound);
        setUser(QStringLiteral("Wave"), "/nowhere/cue.wav");
        create();
        boxes.shown.clear();
        tick();
        rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
        tick();
        tick();
        EXPECT_EQ(beeper.beeps, row.beeps);
        EXPECT_EQ(wave.playCalls, row.plays);
        EXPECT_TRUE(fm->online());
    }
}

TEST_F(PollTest, AWaveThatCannotPlayStillOpensThePeriod)
{
    setUser(QStringLiteral("Log"), 1u);
    setUser(QStringLiteral("Alarm"), 1u);
    setUser(QStringLiteral("Sound"), 2u);
    setUser(QStringLiteral("Wave"), "/nowhere/cue.wav"); // never opened: the file is missing
    create();
    ASSERT_FALSE(wave.isOpen());
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    tick();
    tick();
    EXPECT_EQ(wave.played, 0);
    EXPECT_TRUE(fm->online());
    EXPECT_TRUE(timer("VantrelAlarm")->isActive());
    EXPECT_EQ(logEvents(), QStringList({kStamp + QStringLiteral("(Office): Connected.")}));
}

// A beep that throws, as a broken sound service might.
class ThrowingBeeper final : public Beeper {
public:
    void beep() override
    {
        ++beeps;
        throw std::runtime_error("no sound device");
    }
    int beeps = 0;
};

TEST_F(PollTest, ACueThatThrowsStillOpensThePeriodOnceAndReleasesTheGuard)
{
    ThrowingBeeper throwing;
    platform.beeper = &throwing;
    setUser(QStringLiteral("Log"), 1u);
    setUser(QStringLiteral("Alarm"), 1u);
    setUser(QStringLiteral("Sound"), 1u);
    create();
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    EXPECT_THROW(tick(), std::runtime_error) << "the failure reaches the general error report";
    EXPECT_FALSE(fm->pollBusy());
    EXPECT_TRUE(fm->online());
    EXPECT_TRUE(timer("VantrelAlarm")->isActive());
    EXPECT_NO_THROW(tick()) << "the next tick finds the period open and does not cue again";
    EXPECT_EQ(throwing.beeps, 1);
    EXPECT_EQ(logEvents().size(), 1);
}

// A remote access service that fails with an exception.
class ThrowingRasService final : public RasService {
public:
    DWORD listEntries(QList<QString> *) override { return 0; }
    DWORD entryDialParams(const QString &, QString *, QString *, bool *) override { return 0; }
    DWORD dial(const QString &, const QString &, const QString &, std::function<void(RASCONNSTATE, DWORD)>,
               HRASCONN *) override
    {
        return ERROR_PORT_NOT_AVAILABLE;
    }
    DWORD hangUp(HRASCONN) override { return 0; }
    DWORD connectStatus(HRASCONN, RASCONNSTATE *, DWORD *) override { return ERROR_INVALID_HANDLE; }
    DWORD connections(QList<RasLiveConnection> *) override { throw std::runtime_error("service gone"); }
};

TEST_F(PollTest, AStepThatThrowsNeverLeavesTheGuardSet)
{
    ThrowingRasService broken;
    RasApi brokenApi(broken);
    platform.ras = &brokenApi;
    create();
    EXPECT_THROW(tick(), std::runtime_error);
    EXPECT_FALSE(fm->pollBusy());
    EXPECT_THROW(tick(), std::runtime_error) << "the next tick runs again";
}

TEST_F(PollTest, ATickEnteredAgainReturnsAtOnce)
{
    create();
    fm->setPollBusy(true);
    tick();
    EXPECT_EQ(rasService.connectionsCalls(), 0);
    EXPECT_EQ(fm->addressText(), kLooking);
    EXPECT_TRUE(fm->pollBusy()) << "the running tick clears its own guard";
}

// --- the dial-up probe ----------------------------------------------------------------------

TEST_F(PollTest, TheDialUpProbeReadsTheFirstConnectionAndItsProjection)
{
    struct Row {
        const char *name;
        QList<QString> addresses; // live connections, in order; "" = projection not complete
        DWORD enumError;
        QString expected;
    };
    const Row rows[] = {
        {"none", {}, 0, kNetworkDown},
        {"one", {QStringLiteral("10.1.2.3")}, 0, QStringLiteral("10.1.2.3")},
        {"two: the first one", {QStringLiteral("10.1.2.3"), QStringLiteral("10.9.9.9")}, 0, QStringLiteral("10.1.2.3")},
        {"still negotiating", {QString()}, 0, kNetworkDown},
        {"enumeration fails", {QStringLiteral("10.1.2.3")}, ERROR_BUFFER_TOO_SMALL, kNetworkDown},
    };
    create();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        rasService.clearConnections();
        rasService.connectionsError = row.enumError;
        for (const QString &a : row.addresses)
            rasService.addConnection(QStringLiteral("Office"), a);
        tick();
        EXPECT_EQ(fm->addressText(), row.expected);
        EXPECT_EQ(fm->online(), row.expected != kNetworkDown);
    }
}

// --- LAN mode ----------------------------------------------------------------------------------

TEST_F(PollTest, LanModeIsConnectedFromTheFirstTickWhateverTheLookupSays)
{
    struct Row {
        const char *name;
        int hostNameResult;
        std::optional<HostEntry> lookup;
        QString expected;
    };
    const Row rows[] = {
        {"found", 0, FakeSockets::entry("pc1.example", {192, 168, 0, 7}), QStringLiteral("192.168.0.7 (pc1.example)")},
        {"no leading zeros", 0, FakeSockets::entry("h", {10, 0, 0, 1}), QStringLiteral("10.0.0.1 (h)")},
        {"lookup fails", 0, std::nullopt, QStringLiteral("127.0.0.1")},
        {"host name fails", -1, FakeSockets::entry("pc1.example", {192, 168, 0, 7}), QStringLiteral("127.0.0.1")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        fm.reset();
        QFile::remove(logPath());
        setUser(QStringLiteral("Conn"), 1u);
        setUser(QStringLiteral("Log"), 1u);
        sockets.hostNameResult = row.hostNameResult;
        sockets.lookup = row.lookup;
        create();
        tick();
        EXPECT_EQ(fm->addressText(), row.expected);
        EXPECT_TRUE(fm->online());
        EXPECT_EQ(item("Connect1")->text(), kDisconnect);
        EXPECT_EQ(logEvents(), QStringList({kStamp + QStringLiteral("(): Connected.")}));
        EXPECT_EQ(rasService.connectionsCalls(), 0) << "LAN mode never asks the remote access service";
    }
}

TEST_F(PollTest, ALongHostNameIsKeptWholeAndOnlyTheTipIsCut)
{
    const QByteArray longName = QByteArray("a-very-long-host-name-").append(QByteArray(60, 'x')).append(".example");
    setUser(QStringLiteral("Conn"), 1u);
    setUser(QStringLiteral("Anim"), 0u);
    sockets.lookup = FakeSockets::entry(longName, {192, 168, 0, 7});
    create();
    tick();
    const QString whole = QStringLiteral("192.168.0.7 (") + QString::fromLatin1(longName) + QLatin1Char(')');
    EXPECT_EQ(fm->addressText(), whole);
    EXPECT_EQ(tip(), whole.left(63));
    EXPECT_EQ(icon().szTip[63], '\0');
}

TEST_F(PollTest, SwitchingConnOverTakesEffectAtTheNextTick)
{
    create();
    tick();
    EXPECT_EQ(fm->addressText(), kNetworkDown);
    state.AppSettings.Conn = true;
    tick();
    EXPECT_EQ(fm->addressText(), QStringLiteral("192.168.0.7 (pc1.example)"));
    EXPECT_TRUE(fm->online());
}

InterfaceAddress Down(InterfaceAddress a)
{
    a.up = false;
    return a;
}

struct Step {
    InterfaceSnapshot interfaces;
    QString tip; // the tray tip after the tick
};

struct OwnNameRow {
    const char *what;
    QByteArray hostName;
    std::vector<Step> ticks;
    QString lastAddress = {}; // AddressText after the last tick when longer than the tip
};

TEST_F(PollTest, InLanModeTheTipShowsTheAddressOfTheInterfaces)
{
    const auto lo4 = FakeInterfaces::address("lo", 1, "127.0.0.1");
    const auto lo6 = FakeInterfaces::address("lo", 1, "::1");
    const auto eth = FakeInterfaces::address("eth0", 2, "192.168.1.20");
    const auto ethLink = FakeInterfaces::address("eth0", 2, "fe80::1c2:3ff:fe04:506");
    const auto wlan = FakeInterfaces::address("wlan0", 3, "192.168.7.31");
    const auto tun = FakeInterfaces::address("tun0", 4, "10.8.0.6");
    auto temporary = FakeInterfaces::address("eth0", 2, "2001:db8:0:1:8d1c:2b4f:11e0:9a3c");
    temporary.temporary = true;
    auto deprecated = FakeInterfaces::address("eth0", 2, "2001:db8:0:1::99");
    deprecated.deprecated = true;
    const auto stable6 = FakeInterfaces::address("eth0", 2, "2001:db8:0:1::20");
    const auto ula = FakeInterfaces::address("eth0", 2, "fd12:3456:789a:1::20");
    const auto long6 = FakeInterfaces::address("eth0", 2, "2001:db8:1234:5678:9abc:def0:1234:5678");
    auto tentative = FakeInterfaces::address("eth0", 2, "2001:db8::1");
    tentative.tentative = true;
    const auto bridge = FakeInterfaces::address("docker0", 5, "172.17.0.1");
    const auto ethSecond = FakeInterfaces::address("eth0", 2, "192.168.1.5");
    const auto slash24 = [](InterfaceAddress a) { return a.netmask4 = {255, 255, 255, 0}, a; };
    const InterfaceSnapshot viaGateway{
        {lo4, slash24(FakeInterfaces::address("eth0", 2, "10.1.0.5")), slash24(eth)}, "eth0", {}, {192, 168, 1, 1}};

    const QByteArray longName(40, 'n');
    const OwnNameRow rows[] = {
        {"no interface up: the lookup fails", "myhost", {{{{Down(lo4), Down(eth)}, {}, {}}, QStringLiteral("127.0.0.1")}}},
        {"loopback only", "myhost", {{{{lo4, lo6}, {}, {}}, QStringLiteral("127.0.0.1 (myhost)")}}},
        {"one Ethernet", "myhost", {{{{lo4, lo6, eth, ethLink}, "eth0", {}}, QStringLiteral("192.168.1.20 (myhost)")}}},
        {"Wi-Fi with a VPN tunnel, the default route on the Wi-Fi",
         "myhost",
         {{{{lo4, tun, wlan}, "wlan0", {}}, QStringLiteral("192.168.7.31 (myhost)")}}},
        {"Wi-Fi with a VPN tunnel, the default route through the tunnel",
         "myhost",
         {{{{lo4, wlan, tun}, "tun0", {}}, QStringLiteral("10.8.0.6 (myhost)")}}},
        {"no default route: the lowest interface index",
         "myhost",
         {{{{tun, wlan, lo4}, {}, {}}, QStringLiteral("192.168.7.31 (myhost)")}}},
        {"IPv6 only: stable global before temporary, deprecated and unique local",
         "myhost",
         {{{{lo4, lo6, ethLink, tentative, temporary, deprecated, ula, stable6}, {}, "eth0"},
           QStringLiteral("2001:db8:0:1::20 (myhost)")}}},
        {"IPv6 only, unique local only",
         "myhost",
         {{{{lo4, ethLink, ula}, {}, {}}, QStringLiteral("fd12:3456:789a:1::20 (myhost)")}}},
        {"the IPv6 default route, an IPv4 address on a bridge without a way out: the IPv6 one",
         "myhost",
         {{{{lo4, bridge, ethLink, stable6}, {}, "eth0"}, QStringLiteral("2001:db8:0:1::20 (myhost)")}}},
        {"two IPv4 addresses on the default route's interface: the first the kernel lists",
         "myhost",
         {{{{lo4, eth, ethSecond}, "eth0", {}}, QStringLiteral("192.168.1.20 (myhost)")}}},
        {"the address in the gateway's subnet", "myhost", {{viaGateway, QStringLiteral("192.168.1.20 (myhost)")}}},
        {"link-local only: loopback", "myhost", {{{{lo4, lo6, ethLink}, {}, {}}, QStringLiteral("127.0.0.1 (myhost)")}}},
        {"the default route's interface goes down between two ticks",
         "myhost",
         {{{{lo4, eth, wlan}, "eth0", {}}, QStringLiteral("192.168.1.20 (myhost)")},
          {{{lo4, Down(eth), wlan}, "wlan0", {}}, QStringLiteral("192.168.7.31 (myhost)")},
          {{{lo4, Down(eth), Down(wlan)}, {}, {}}, QStringLiteral("127.0.0.1 (myhost)")}}},
        {"the longest IPv6 address with a long name: the tip cuts the name only",
         longName,
         {{{{lo4, long6}, {}, "eth0"},
           (QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678 (") + QString::fromLatin1(longName)).left(63)}},
         QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678 (") + QString::fromLatin1(longName) + QLatin1Char(')')},
    };
    for (const OwnNameRow &row : rows) {
        SCOPED_TRACE(row.what);
        fm.reset();
        QFile::remove(logPath());
        FakeInterfaces interfaces;
        NamedPosixSockets own(interfaces, row.hostName);
        platform.sockets = &own;
        setUser(QStringLiteral("Conn"), 1u);
        setUser(QStringLiteral("Anim"), 0u);
        setUser(QStringLiteral("Log"), 1u);
        create();
        for (const Step &step : row.ticks) {
            interfaces.current = step.interfaces;
            const int before = interfaces.snapshots;
            tick();
            EXPECT_EQ(tip(), step.tip);
            EXPECT_EQ(interfaces.snapshots, before + 1) << "every tick asks the interfaces again";
        }
        EXPECT_EQ(fm->addressText(), row.lastAddress.isEmpty() ? row.ticks.back().tip : row.lastAddress);
        // LAN mode is always connected: one Connected line, whatever the address.
        ASSERT_EQ(logEvents().size(), 1);
        EXPECT_TRUE(logEvents().first().endsWith(QStringLiteral("](): Connected.")));
        fm.reset();
        platform.sockets = &sockets;
    }
}

// --- animation ----------------------------------------------------------------------------------

TEST_F(PollTest, TheAnimationRunsTheSixteenFramesWhileConnectedAndStopsOnTheDrop)
{
    create();
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    tick();
    ASSERT_TRUE(timer("VantrelAniTimer")->isActive());
    EXPECT_EQ(fm->animFrame(), 0);
    EXPECT_EQ(tip(), kLooking) << "once animated, the poll leaves icon and tip to the animation";

    for (int i = 0; i < 17; ++i) {
        const int expected = i % 16;
        frame();
        EXPECT_EQ(fm->applicationIcon().cacheKey(), fm->animationFrames().at(expected).cacheKey()) << i;
        EXPECT_EQ(fm->animFrame(), (expected + 1) % 16);
        EXPECT_EQ(icon().hIcon, fm->applicationIconHandle());
        EXPECT_EQ(fm->trayIconHandle(), fm->applicationIconHandle());
        EXPECT_EQ(tip(), QStringLiteral("10.0.0.5"));
    }
    EXPECT_EQ(tray.icons().icon(fm->applicationIconHandle()).pixmap(32).toImage(), fm->animationFrames().at(0).toImage());
    EXPECT_TRUE(tray.icons().icon(fm->applicationIconHandle()).availableSizes().contains(QSize(22, 22)))
        << "panels draw at 22 pixels: a frame must not be scaled each time it is shown";

    // A tick while animating does not restart the frames.
    tick();
    EXPECT_EQ(fm->animFrame(), 1);

    rasService.clearConnections();
    tick();
    EXPECT_FALSE(timer("VantrelAniTimer")->isActive());
    EXPECT_EQ(icon().hIcon, fm->mainIconHandle());
    EXPECT_EQ(tip(), kNetworkDown);
    // The application icon is the main icon again (the alarm window copies it).
    EXPECT_EQ(fm->applicationIcon().toImage(), tray.icons().icon(fm->mainIconHandle()).pixmap(32).toImage());
}

TEST_F(PollTest, AnimOffWhileConnectedShowsTheStillIconAndKeepsThePeriod)
{
    setUser(QStringLiteral("Log"), 1u);
    create();
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    tick();
    frame();
    frame();
    ASSERT_TRUE(timer("VantrelAniTimer")->isActive());

    state.AppSettings.Anim = false;
    tick();
    EXPECT_FALSE(timer("VantrelAniTimer")->isActive());
    EXPECT_TRUE(fm->online());
    EXPECT_TRUE(timer("VantrelAlarm")->isActive());
    EXPECT_EQ(icon().hIcon, fm->mainIconHandle());
    EXPECT_EQ(tip(), QStringLiteral("10.0.0.5"));

    state.AppSettings.Anim = true;
    tick();
    EXPECT_TRUE(timer("VantrelAniTimer")->isActive());
    EXPECT_EQ(fm->animFrame(), 0) << "a restarted animation starts at frame 0";
    EXPECT_EQ(logEvents().size(), 1) << "neither change touches the online period";
}

TEST_F(PollTest, AnAnimationTickEnteredAgainReturnsAtOnce)
{
    create();
    fm->setAnimBusy(true);
    const auto commandsBefore = tray.commands.size();
    frame();
    EXPECT_EQ(tray.commands.size(), commandsBefore);
    EXPECT_EQ(fm->animFrame(), 0);
}

// --- details line --------------------------------------------------------------------------

TEST_F(PollTest, TheDetailsLineFollowsTheAddressOnlyWhileTheWindowIsOpen)
{
    create();
    QLabel ip;
    ip.setText(QStringLiteral("untouched"));
    fm->setDetailsLine(&ip);
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    tick();
    EXPECT_EQ(ip.text(), QStringLiteral("untouched"));
    ip.show(); // the details window is showing
    tick();
    EXPECT_EQ(ip.text(), QStringLiteral("IP Address:      10.0.0.5"));
}

// --- settings that cannot be stored ------------------------------------------------------------

TEST_F(PollTest, SettingsThatCannotBeStoredAreToldOncePerKindKeptAndStoredWhenTheStoreWorks)
{
    setUser(QStringLiteral("Anim"), 1u); // settings stored before
    create();
    AppSettings &s = state.AppSettings;
    s.Alarm = s.Log = true;
    s.Cycled = QStringLiteral("2");
    s.CycleEntries = {QStringLiteral("A"), QStringLiteral("B")};
    const auto store = [&](std::int32_t runAtStartup) {
        s.RunAtStartup = runAtStartup;
        state.SettingsStore.storeAlarm(registry, boxes, s);
        EXPECT_TRUE(state.SettingsStore.storeConnection(registry, boxes, s)) << "the cycle is kept";
        state.SettingsStore.storeConfiguration(registry, boxes, s, QStringLiteral("/opt/vantrel/bin/vantrel"));
    };
    const auto stored = [&] {
        FileRegistry fresh(home.configDir() + QStringLiteral("/vantrel"), home.configDir() + QStringLiteral("/autostart"));
        AppSettings read;
        LoadSettings(fresh, boxes, read);
        return QStringLiteral("%1 %2 %3 %4%5")
            .arg(read.Alarm)
            .arg(read.Log)
            .arg(read.RunAtStartup)
            .arg(read.Cycled, read.CycleEntries[1]);
    };
    // A full disk: no file grows.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const struct rlimit full = {0, old.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &full);
    store(0);
    store(0); // the same failure again
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Your settings could not be saved in \"%1\": %2.")
                                                   .arg(registry.hiveFile(Hive::CurrentUser), FileErrorText(EFBIG))));
    EXPECT_EQ(stored(), QStringLiteral("0 0 0 "));
    EXPECT_TRUE(s.Alarm && s.Log && s.Cycled == QStringLiteral("2")) << "kept for the session";

    // Room again, but a folder where the autostart entry goes: another kind.
    const QString entry = home.configDir() + QStringLiteral("/autostart/Vantrel.desktop");
    ASSERT_TRUE(QDir().mkpath(entry));
    store(1);
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(boxes.shown[1].text.startsWith(QStringLiteral("Your settings could not be saved in \"%1\"").arg(entry)));
    EXPECT_EQ(stored(), QStringLiteral("1 1 1 2B"));

    // The poll tries again, not more often than every 30 s, until it works.
    tick();
    ASSERT_TRUE(QDir(entry).removeRecursively());
    clock.set(clock.now().addSecs(10));
    tick();
    EXPECT_FALSE(QFileInfo(entry).isFile());
    clock.set(clock.now().addSecs(30));
    tick();
    EXPECT_TRUE(QFileInfo(entry).isFile());
    EXPECT_EQ(boxes.shown.size(), 2);
}

// --- shutdown ---------------------------------------------------------------------------------

TEST_F(PollTest, ShutdownWritesTheClosingLineOnlyWhileOnlineWithLogOn)
{
    struct Row {
        const char *name;
        bool log;
        bool connected;
        QStringList events;
    };
    const Row rows[] = {
        {"online, log on",
         true,
         true,
         {kStamp + QStringLiteral("(Office): Connected."),
          kStamp + QStringLiteral("(Office): Application closed but still connected.")}},
        {"offline, log on", true, false, {}},
        {"online, log off", false, true, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(logPath());
        rasService.clearConnections();
        sockets.cleanupCalls = 0;
        setUser(QStringLiteral("Log"), row.log ? 1u : 0u);
        create();
        if (row.connected)
            rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
        tick();
        const HWND32 window = fm->windowHandle32();
        const auto hangUpsBefore = rasService.hangUpCalls().size();
        fm->Esci1Click();
        EXPECT_TRUE(fm->isShutDown());
        EXPECT_EQ(logEvents(), row.events);
        EXPECT_FALSE(timer("VantrelTimer")->isActive());
        EXPECT_FALSE(timer("VantrelAniTimer")->isActive());
        EXPECT_FALSE(timer("VantrelAlarm")->isActive());
        EXPECT_FALSE(tray.isShown(window, kTrayIconId));
        EXPECT_EQ(sockets.cleanupCalls, 1);
        EXPECT_EQ(rasService.hangUpCalls().size(), hangUpsBefore) << "the shutdown never hangs up";
        fm.reset();
        EXPECT_EQ(sockets.cleanupCalls, 1) << "the shutdown runs once";
    }
}

TEST_F(PollTest, ShutdownRunsItsStepsInOrder)
{
    setUser(QStringLiteral("Log"), 1u);
    create();
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    tick();
    // Make the log folder disappear: the event is dropped, the rest still runs.
    state.ProgramFolder = programDir.path() + QStringLiteral("/gone");
    bool signalled = false;
    QObject::connect(fm.get(), &TfmVantrel::shutdownComplete, [&] {
        signalled = true;
        EXPECT_FALSE(tray.isShown(fm->windowHandle32(), kTrayIconId)) << "the icon goes before the end is told";
        EXPECT_EQ(sockets.cleanupCalls, 1);
    });
    fm->close();
    EXPECT_TRUE(signalled);
    EXPECT_EQ(tray.commands.last().message, NIM_DELETE);
    EXPECT_EQ(tray.commands.last().data.uID, kTrayIconId);
}

TEST_F(PollTest, WithoutAStackTheShutdownLeavesTheSocketsAlone)
{
    sockets.startupResult = 10091;
    create();
    fm->Shutdown();
    EXPECT_EQ(sockets.cleanupCalls, 0);
}

} // namespace
} // namespace vantrel::test
