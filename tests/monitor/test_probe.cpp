// SPDX-License-Identifier: GPL-3.0-or-later
// The two address probes, the own-name lookup behind the LAN probe, and the
// start and stop of the sockets layer.
#include "monitor/probe.h"
#include "platform/ras/ras.h"
#include "platform/sockets/interfaces.h"
#include "platform/sockets/posixsockets.h"
#include "support/fakeras.h"
#include "support/fakesockets.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace vantrel;
using vantrel::test::FakeRasService;
using vantrel::test::FakeSockets;

TEST(ProbeRasAddress, Rules)
{
    const QString down = QStringLiteral("Network is down");
    struct Case {
        const char *what;
        std::function<void(FakeRasService &)> setUp;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"no connection", [](FakeRasService &) {}, down},
        {"enumeration fails",
         [](FakeRasService &f) {
             f.addConnection(QStringLiteral("A"), QStringLiteral("10.0.0.1"));
             f.connectionsError = ERROR_CANNOT_LOAD_PHONEBOOK;
         },
         down},
        {"one connection", [](FakeRasService &f) { f.addConnection(QStringLiteral("A"), QStringLiteral("10.0.0.1")); },
         QStringLiteral("10.0.0.1")},
        {"the first of two is taken",
         [](FakeRasService &f) {
             f.addConnection(QStringLiteral("A"), QStringLiteral("10.0.0.1"));
             f.addConnection(QStringLiteral("B"), QStringLiteral("10.0.0.2"));
         },
         QStringLiteral("10.0.0.1")},
        {"first still negotiating, even with a second one up",
         [](FakeRasService &f) {
             f.addConnection(QStringLiteral("A"), QString());
             f.addConnection(QStringLiteral("B"), QStringLiteral("10.0.0.2"));
         },
         down},
        {"the longest address",
         [](FakeRasService &f) { f.addConnection(QStringLiteral("A"), QStringLiteral("255.255.255.255")); },
         QStringLiteral("255.255.255.255")},
        {"an address text longer than its field is cut at 15",
         [](FakeRasService &f) { f.addConnection(QStringLiteral("A"), QStringLiteral("1234567890123456789")); },
         QStringLiteral("123456789012345")},
        {"an IPv6 address, longer than the record holds, is shown whole",
         [](FakeRasService &f) {
             f.addConnection(QStringLiteral("A"), QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678"));
         },
         QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678")},
        {"more connections than the 100 records hold: the enumeration fails",
         [](FakeRasService &f) {
             for (int i = 0; i < 101; ++i)
                 f.addConnection(QStringLiteral("E%1").arg(i), QStringLiteral("10.0.0.1"));
         },
         down},
        {"exactly 100",
         [](FakeRasService &f) {
             for (int i = 0; i < 100; ++i)
                 f.addConnection(QStringLiteral("E%1").arg(i), QStringLiteral("10.0.%1.1").arg(i));
         },
         QStringLiteral("10.0.0.1")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FakeRasService fake;
        c.setUp(fake);
        RasApi api(fake);
        EXPECT_EQ(ProbeRasAddress(api), c.expected);
        // Nothing is kept: the next call asks the service again.
        const int calls = fake.connectionsCalls();
        ProbeRasAddress(api);
        EXPECT_GT(fake.connectionsCalls(), calls);
    }
}

TEST(ProbeHostAddress, Rules)
{
    const QString loopback = QStringLiteral("127.0.0.1");
    struct Case {
        const char *what;
        std::function<void(FakeSockets &)> setUp;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"the usual shape", [](FakeSockets &) {}, QStringLiteral("192.168.0.7 (pc1.example)")},
        {"host name fails", [](FakeSockets &s) { s.hostNameResult = -1; }, loopback},
        {"lookup fails", [](FakeSockets &s) { s.lookup.reset(); }, loopback},
        {"lookup with no address", [](FakeSockets &s) { s.lookup->addresses.clear(); }, loopback},
        {"bytes without leading zeros, first address only",
         [](FakeSockets &s) {
             s.lookup = FakeSockets::entry("Host-9", {10, 0, 255, 0});
             s.lookup->addresses.append({1, 2, 3, 4});
         },
         QStringLiteral("10.0.255.0 (Host-9)")},
        {"IPv6 only: the shortest form",
         [](FakeSockets &s) {
             s.lookup = FakeSockets::entry("pc1", {0, 0, 0, 0});
             s.lookup->addresses.clear();
             s.lookup->addresses6.append({0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x07});
         },
         QStringLiteral("2001:db8::7 (pc1)")},
        {"IPv4 before IPv6",
         [](FakeSockets &s) {
             s.lookup->addresses6.append({0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x07});
         },
         QStringLiteral("192.168.0.7 (pc1.example)")},
        {"a long official name is kept whole",
         [](FakeSockets &s) {
             s.lookup = FakeSockets::entry(QByteArray(300, 'h'), {1, 1, 1, 1});
         },
         QStringLiteral("1.1.1.1 (") + QString(300, QLatin1Char('h')) + QStringLiteral(")")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FakeSockets s;
        c.setUp(s);
        EXPECT_EQ(ProbeHostAddress(s), c.expected);
        EXPECT_EQ(s.lastHostNameLength, 1024);
        if (s.hostNameResult == 0) {
            ASSERT_EQ(s.lookedUp.size(), 1);
            EXPECT_EQ(s.lookedUp.first(), s.hostName); // the name given back is the one looked up
        } else {
            EXPECT_TRUE(s.lookedUp.isEmpty());
        }
    }
}

TEST(NetworkStack, StartAndStop)
{
    FakeSockets ok;
    WSADATA info{};
    QString text;
    EXPECT_EQ(StartNetworkStack(ok, info, text), 0);
    EXPECT_EQ(ok.lastVersionRequested, 0x0101);
    EXPECT_EQ(text, QStringLiteral("Looking for IP Address..."));
    EXPECT_STREQ(info.szDescription, "Fake Sockets 1.1");
    StopNetworkStack(ok, 0);
    EXPECT_EQ(ok.cleanupCalls, 1);

    FakeSockets missing;
    missing.startupResult = 10091;
    EXPECT_EQ(StartNetworkStack(missing, info, text), 10091);
    EXPECT_EQ(text, QStringLiteral("No TCP/IP Stack available"));
    StopNetworkStack(missing, 10091);
    EXPECT_EQ(missing.cleanupCalls, 0);
}

// The program's own sockets layer and interface source, in a network namespace
// of their own whose hosts file maps the host name to 127.0.1.1 as stock
// desktop systems do: the probe must show the interface's address instead.
TEST(OwnNameLookup, InANamespaceTheHostsFileIsNotConsulted)
{
    struct Case {
        const char *what;
        const char *addresses; // ip commands for the interface v0
        const char *expected;
    };
    // b0 stands for a container bridge; `ip route get` names the source the kernel routes from.
    const Case cases[] = {
        {"IPv4 and IPv6", "ip addr add 10.9.8.7/24 dev v0 && ip -6 addr add 2001:db8::7/64 dev v0 nodad",
         "10.9.8.7 (vantrel-e2e)"},
        {"IPv6 only", "ip -6 addr add 2001:db8::7/64 dev v0 nodad", "2001:db8::7 (vantrel-e2e)"},
        {"the IPv6 default route, an IPv4 address on a bridge without a way out",
         "ip -6 addr add 2001:db8::7/64 dev v0 nodad && ip link add b0 type veth peer name b1 && "
         "ip addr add 172.17.0.1/16 dev b0 && ip link set b1 up && ip link set b0 up && "
         "ip -6 route add default dev v0 && ip -6 route get 2001:db8:ffff::1 | grep -q 'src 2001:db8::7'",
         "2001:db8::7 (vantrel-e2e)"},
        {"two IPv4 addresses on the default route's link",
         "ip addr add 10.9.8.200/24 dev v0 && ip addr add 10.9.8.7/24 dev v0 && "
         "ip route add default via 10.9.8.1 && ip route get 192.0.2.1 | grep -q 'src 10.9.8.200'",
         "10.9.8.200 (vantrel-e2e)"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile hosts(dir.filePath(QStringLiteral("hosts")));
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("127.0.0.1 localhost\n127.0.1.1 vantrel-e2e\n");
    hosts.close();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString script = QStringLiteral("ip link set lo up && ip link add v0 type veth peer name v1 && "
                                              "ip link set v1 up && ip link set v0 up && %1 && "
                                              "mount --bind \"$1\" /etc/hosts && hostname vantrel-e2e && "
                                              "getent hosts vantrel-e2e | grep -q 127.0.1.1 && "
                                              "exec \"$0\" --gtest_filter=OwnNameLookup.InsideTheNamespace")
                                   .arg(QString::fromLatin1(c.addresses));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VANTREL_NETNS_EXPECT"), QString::fromLatin1(c.expected));
        p.setProcessEnvironment(env);
        // $0 is this test program, $1 the hosts file.
        p.start(QStringLiteral("unshare"), {QStringLiteral("-rnmu"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                                            QFile::symLinkTarget(QStringLiteral("/proc/self/exe")), hosts.fileName()});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QByteArray out = p.readAllStandardOutput() + p.readAllStandardError();
        if (!out.contains("[ RUN      ] OwnNameLookup.InsideTheNamespace"))
            GTEST_SKIP() << "no private network namespace here: " << out.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
    }
}

// Runs inside the namespace above only.
TEST(OwnNameLookup, InsideTheNamespace)
{
    const QByteArray expected = qgetenv("VANTREL_NETNS_EXPECT");
    if (expected.isEmpty())
        GTEST_SKIP() << "run by OwnNameLookup.InANamespaceTheHostsFileIsNotConsulted";
    SystemInterfaces interfaces;
    PosixSockets sockets(interfaces);
    WSADATA data{};
    ASSERT_EQ(sockets.WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(ProbeHostAddress(sockets).toStdString(), expected.toStdString());
    // The kept reading serves while nothing changes; the interface going down
    // is seen at the next probe.
    EXPECT_EQ(ProbeHostAddress(sockets).toStdString(), expected.toStdString());
    EXPECT_EQ(interfaces.readings(), 1);
    // Nothing but loopback left.
    ASSERT_EQ(QProcess::execute(QStringLiteral("sh"),
                                {QStringLiteral("-c"), QStringLiteral("ip link set v0 down && "
                                                                      "{ ! ip link show b0 || ip link set b0 down; }")}),
              0);
    EXPECT_EQ(ProbeHostAddress(sockets), QStringLiteral("127.0.0.1 (vantrel-e2e)"));
    EXPECT_EQ(interfaces.readings(), 2);
    // Another name still goes to the resolver, and so to the hosts file.
    const std::optional<HostEntry> viaResolver = sockets.gethostbyname("localhost");
    ASSERT_TRUE(viaResolver.has_value());
    EXPECT_EQ(viaResolver->addresses.value(0), (std::array<BYTE, 4>{127, 0, 0, 1}));
    sockets.WSACleanup();
}
