// The two address probes and the start and stop of the sockets layer.
#include "monitor/probe.h"
#include "platform/ras/ras.h"
#include "platform/sockets/posixsockets.h"
#include "support/fakeras.h"
#include "support/fakesockets.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vantrel;
using vantrel::test::FakeRasService;
using vantrel::test::FakeSockets;

namespace {

// The real sockets layer with the host name pinned to one the hosts file knows.
class LocalhostSockets final : public PosixSockets {
public:
    int gethostname(char *name, int length) override
    {
        if (PosixSockets::gethostname(name, length) != 0)
            return SOCKET_ERROR;
        std::strncpy(name, "localhost", static_cast<size_t>(length));
        return 0;
    }
};

} // namespace

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
        {"the longest address", [](FakeRasService &f) { f.addConnection(QStringLiteral("A"), QStringLiteral("255.255.255.255")); },
         QStringLiteral("255.255.255.255")},
        {"an address text longer than its field is cut at 15",
         [](FakeRasService &f) { f.addConnection(QStringLiteral("A"), QStringLiteral("1234567890123456789")); },
         QStringLiteral("123456789012345")},
        {"more connections than the 100 records hold: the enumeration fails",
         [](FakeRasService &f) {
             for (int i = 0; i < 101; ++i)
                 f.addConnection(QStringLiteral("E%1").arg(i), QStringLiteral("10.0.0.1"));
         },
         down},
        {"exactly 100", [](FakeRasService &f) {
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
        {"a long official name is kept whole",
         [](FakeSockets &s) { s.lookup = FakeSockets::entry(QByteArray(300, 'h'), {1, 1, 1, 1}); },
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

TEST(ProbeHostAddress, RealSocketsOnLoopback)
{
    LocalhostSockets s;
    EXPECT_EQ(ProbeHostAddress(s), QStringLiteral("127.0.0.1")); // stack not started: the name fails
    WSADATA data{};
    ASSERT_EQ(s.WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(ProbeHostAddress(s), QStringLiteral("127.0.0.1 (localhost)"));
    s.WSACleanup();
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
