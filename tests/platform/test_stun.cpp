// SPDX-License-Identifier: GPL-3.0-or-later
// The public address lookup against servers on loopback only: a real STUN
// server (coturn's turnserver, started and stopped here) and a small fake one
// in this process for what a real server will not do (another address, a
// malformed, truncated or foreign answer, an error, no answer at all).
#include "platform/stun/stunlookup.h"
#include "platform/stun/stunmessage.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vantrel;

namespace {

using Reply = std::function<QList<QByteArray>(const QByteArray &request)>;

// A STUN server of our own on 127.0.0.1 or ::1: each request gets the
// datagrams `reply` makes of it. Counts the requests.
class FakeServer {
public:
    FakeServer(bool ipv6, Reply reply) : m_reply(std::move(reply))
    {
        m_fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in6 a6{AF_INET6, 0, 0, in6addr_loopback, 0};
        sockaddr_in a4{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        auto *a = ipv6 ? reinterpret_cast<sockaddr *>(&a6) : reinterpret_cast<sockaddr *>(&a4);
        socklen_t len = ipv6 ? sizeof a6 : sizeof a4;
        if (::bind(m_fd, a, len) != 0 || ::getsockname(m_fd, a, &len) != 0)
            return;
        m_server = {ipv6 ? QStringLiteral("::1") : QStringLiteral("127.0.0.1"), ntohs(ipv6 ? a6.sin6_port : a4.sin_port)};
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }
    StunServer server() const { return m_server; }
    int requests() const { return m_requests; }

private:
    void serve()
    {
        char buf[1500];
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            sockaddr_storage from{};
            socklen_t len = sizeof from;
            const ssize_t got = ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &len);
            if (got <= 0)
                continue;
            ++m_requests;
            for (const QByteArray &out : m_reply(QByteArray(buf, got)))
                ::sendto(m_fd, out.constData(), size_t(out.size()), 0, reinterpret_cast<sockaddr *>(&from), len);
        }
    }
    Reply m_reply;
    int m_fd = -1;
    StunServer m_server;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
};

// Answer building: a header for the request's transaction, then attributes.
QByteArray be16(unsigned v)
{
    QByteArray b;
    b.append(char(v >> 8)).append(char(v & 0xFF));
    return b;
}
QByteArray attribute(unsigned type, const QByteArray &value)
{
    QByteArray a = be16(type) + be16(unsigned(value.size())) + value;
    while (a.size() % 4)
        a.append('\0');
    return a;
}
// XOR-MAPPED-ADDRESS (or MAPPED-ADDRESS) for an IPv4 or IPv6 text address.
QByteArray mapped(const QString &address, const QByteArray &request, bool xored = true)
{
    const bool v6 = address.contains(QLatin1Char(':'));
    unsigned char bytes[16] = {};
    ::inet_pton(v6 ? AF_INET6 : AF_INET, address.toLatin1().constData(), bytes);
    QByteArray mask = request.mid(4, 16); // cookie and transaction id
    QByteArray value = QByteArray(1, '\0') + char(v6 ? 2 : 1) + be16(xored ? (40000 ^ 0x2112) : 40000);
    for (int i = 0; i < (v6 ? 16 : 4); ++i)
        value.append(char(bytes[i] ^ (xored ? quint8(mask[i]) : 0)));
    return attribute(xored ? 0x0020 : 0x0001, value);
}
QByteArray message(unsigned type, const QByteArray &request, const QByteArray &attributes, int lengthDelta = 0)
{
    return be16(type) + be16(unsigned(attributes.size() + lengthDelta)) + request.mid(4, 16) + attributes;
}
QByteArray withFingerprint(QByteArray m, bool right)
{
    m[2] = char(0);
    m[3] = char(m.size() - 20 + 8);
    const std::uint32_t crc = stun::Crc32(m) ^ 0x5354554E ^ (right ? 0 : 1);
    return m + be16(0x8028) + be16(4) + be16(crc >> 16) + be16(crc & 0xFFFF);
}
QByteArray foreign(const QByteArray &request)
{
    QByteArray other = request;
    other[19] = char(other[19] ^ 0x5A);
    return other;
}

struct Case {
    const char *what;
    bool ipv6;
    Reply reply;
    bool ok;
    QString addressOrError; // the address, or a part of the reason
};

TEST(StunLookup, AnswersOfAFakeServerOnLoopback)
{
    const auto ok4 = [](const QByteArray &r) { return QList{message(0x0101, r, mapped("203.0.113.7", r))}; };
    const Case cases[] = {
        {"XOR-MAPPED-ADDRESS", false, ok4, true, "203.0.113.7"},
        {"MAPPED-ADDRESS of an older server", false,
         [](const QByteArray &r) { return QList{message(0x0101, r, mapped("203.0.113.8", r, false))}; }, true,
         "203.0.113.8"},
        {"a right FINGERPRINT", false,
         [](const QByteArray &r) { return QList{withFingerprint(message(0x0101, r, mapped("203.0.113.7", r)), true)}; },
         true, "203.0.113.7"},
        {"IPv6", true, [](const QByteArray &r) { return QList{message(0x0101, r, mapped("2001:db8::7", r))}; }, true,
         "2001:db8::7"},
        {"another transaction's answer first, then ours", false,
         [](const QByteArray &r) {
             return QList{message(0x0101, foreign(r), mapped("192.0.2.66", r)), QByteArray("not stun at all"),
                          message(0x0101, r, mapped("203.0.113.7", r))};
         },
         true, "203.0.113.7"},
        {"no answer", false, [](const QByteArray &) { return QList<QByteArray>{}; }, false, "no answer"},
        {"truncated: shorter than its header says", false,
         [](const QByteArray &r) { return QList{message(0x0101, r, mapped("203.0.113.7", r)).chopped(4)}; }, false,
         "shorter than its header"},
        {"an attribute longer than the message", false,
         [](const QByteArray &r) { return QList{message(0x0101, r, be16(0x0020) + be16(200) + QByteArray(8, 'x'))}; },
         false, "longer than the message"},
        {"no address at all", false, [](const QByteArray &r) { return QList{message(0x0101, r, {})}; }, false,
         "names no address"},
        {"a wrong FINGERPRINT", false,
         [](const QByteArray &r) { return QList{withFingerprint(message(0x0101, r, mapped("203.0.113.7", r)), false)}; },
         false, "FINGERPRINT"},
        {"an unknown attribute that must be understood", false,
         [](const QByteArray &r) {
             return QList{message(0x0101, r, mapped("203.0.113.7", r) + attribute(0x0042, "abcd"))};
         },
         false, "does not know"},
        {"an error response, its reason with control characters", false,
         [](const QByteArray &r) {
             return QList{message(0x0111, r, attribute(0x0009, QByteArray("\0\0\4\1", 4) + "Go\naway\x1b[2J"))};
         },
         false, QString::fromUtf8("401 Go\uFFFDaway\uFFFD[2J")},
        {"an IPv6 address to an IPv4 request", false,
         [](const QByteArray &r) { return QList{message(0x0101, r, mapped("2001:db8::7", r))}; }, false, "other family"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FakeServer server(c.ipv6, c.reply);
        const LookupResult result = LookUpPublicAddress(c.ipv6 ? AddressFamily::V6 : AddressFamily::V4, {server.server()},
                                                        400);
        EXPECT_EQ(result.ok, c.ok) << qPrintable(result.error);
        if (c.ok) {
            EXPECT_EQ(result.address, c.addressOrError);
            EXPECT_EQ(result.server, server.server().text());
        } else {
            EXPECT_TRUE(result.error.contains(c.addressOrError)) << qPrintable(result.error);
        }
        EXPECT_EQ(result.requests, 1);
        EXPECT_EQ(server.requests(), 1) << "one request per server and lookup, never a second";
    }
}

TEST(StunLookup, ServersAreTriedInTurnUntilOneAnswers)
{
    FakeServer silent(false, [](const QByteArray &) { return QList<QByteArray>{}; });
    FakeServer refusing(false, [](const QByteArray &r) {
        return QList{message(0x0111, r, attribute(0x0009, QByteArray("\0\0\5\0", 4) + "busy"))};
    });
    FakeServer answering(false, [](const QByteArray &r) { return QList{message(0x0101, r, mapped("203.0.113.7", r))}; });
    const LookupResult result = LookUpPublicAddress(AddressFamily::V4,
                                                    {silent.server(), refusing.server(), answering.server()}, 300);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.server, answering.server().text());
    EXPECT_EQ(result.requests, 3);
    EXPECT_EQ(silent.requests() + refusing.requests() + answering.requests(), 3);
}

TEST(StunServers, TheUsersListIsReadEntryByEntry)
{
    const ServerList list = ParseServerList(
        QStringLiteral("stun.example.org, 192.0.2.1:19302\n[2001:db8::1]:3479 2001:db8::2 bad_name host:0 host:99999 [::1 "
                       "stun.example.org evil\x1b[31m"));
    const QList<StunServer> expected{
        {"stun.example.org", 3478}, {"192.0.2.1", 19302}, {"2001:db8::1", 3479}, {"2001:db8::2", 3478}};
    EXPECT_EQ(list.servers, expected);
    EXPECT_EQ(list.bad, (QStringList{"bad_name", "host:0", "host:99999", "[::1", QString::fromUtf8("evil\uFFFD[31m")}));
    EXPECT_EQ(expected[2].text(), QStringLiteral("[2001:db8::1]:3479"));
    EXPECT_TRUE(ParseServerList(kDefaultStunServers).bad.isEmpty());
}

// coturn's turnserver as a plain STUN server on 127.0.0.1 and ::1: it answers
// with the address the request came from, the loopback address itself.
TEST(StunLookup, ARealServerOnLoopbackGivesTheLoopbackAddress)
{
    const QString turnserver = QStandardPaths::findExecutable(QStringLiteral("turnserver"));
    if (turnserver.isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "turnserver (coturn) is not installed";
        GTEST_SKIP() << "turnserver (coturn) is not installed";
    }
    const quint16 port = FakeServer(false, {}).server().port; // free: bound and released
    QTemporaryDir dir;
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(turnserver, {"-n", "--stun-only", "--no-tls", "--no-dtls", "--no-cli", "--listening-ip=127.0.0.1",
                              "--listening-ip=::1", QStringLiteral("--listening-port=%1").arg(port), "--log-file=stdout",
                              QStringLiteral("--pidfile=%1/turnserver.pid").arg(dir.path()), "--no-stdout-log"});
    ASSERT_TRUE(server.waitForStarted(10000));
    for (const auto &[family, address] :
         {std::pair{AddressFamily::V4, QStringLiteral("127.0.0.1")}, std::pair{AddressFamily::V6, QStringLiteral("::1")}}) {
        LookupResult result;
        // The server takes a moment to listen (until then the kernel refuses
        // at once); each try is one request.
        for (const QDeadlineTimer deadline(10000); !result.ok && !deadline.hasExpired(); QThread::msleep(100))
            result = LookUpPublicAddress(family, {{address, port}}, 500);
        EXPECT_TRUE(result.ok) << qPrintable(result.error) << server.readAll().constData();
        EXPECT_EQ(result.address, address);
    }
    server.kill(); // the server this test started, by its own handle
    server.waitForFinished(10000);
}

} // namespace
