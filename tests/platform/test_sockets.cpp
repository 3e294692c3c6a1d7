// SPDX-License-Identifier: GPL-3.0-or-later
// The sockets layer over POSIX: start-up record, clean-up, host name, the
// lookup (loopback and the hosts file only), and the kernel's interface tables
// read as outside input.
#include "platform/sockets/interfaces.h"
#include "platform/sockets/posixsockets.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

namespace {

// Sets the soft open-file limit for the life of the object.
class ScopedFileLimit {
public:
    explicit ScopedFileLimit(rlim_t soft)
    {
        getrlimit(RLIMIT_NOFILE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = std::min(soft, m_old.rlim_max);
        m_ok = setrlimit(RLIMIT_NOFILE, &lim) == 0;
    }
    ~ScopedFileLimit() { setrlimit(RLIMIT_NOFILE, &m_old); }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    bool m_ok = false;
};

} // namespace

TEST(PosixSockets, StartUpFillsTheRecordForVersionOneOne)
{
    PosixSockets s;
    WSADATA data;
    data.iMaxSockets = 0;
    data.lpVendorInfo = data.szDescription; // must be cleared
    ASSERT_EQ(s.WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
    EXPECT_EQ(data.wHighVersion, 0x0101);
    EXPECT_GT(std::strlen(data.szDescription), 10u);
    EXPECT_LT(std::strlen(data.szDescription), sizeof data.szDescription);
    EXPECT_EQ(std::strncmp(data.szSystemStatus, "Running", 7), 0) << data.szSystemStatus;
    EXPECT_GT(data.iMaxSockets, 0);
    EXPECT_EQ(data.lpVendorInfo, nullptr);

    // A later version asked for gets the one offered; an earlier one is refused.
    WSADATA later{};
    EXPECT_EQ(s.WSAStartup(0x0202, &later), 0);
    EXPECT_EQ(later.wVersion, 0x0101);
    WSADATA earlier{};
    EXPECT_EQ(s.WSAStartup(0x0001, &earlier), WSAVERNOTSUPPORTED);
    EXPECT_EQ(s.WSAStartup(0x0000, &earlier), WSAVERNOTSUPPORTED);
    EXPECT_EQ(s.WSAStartup(0x0101, nullptr), WSAEFAULT);

    // Two start-ups, two clean-ups, and no third.
    EXPECT_EQ(s.WSACleanup(), 0);
    EXPECT_EQ(s.WSACleanup(), 0);
    EXPECT_EQ(s.WSACleanup(), SOCKET_ERROR);
}

TEST(PosixSockets, MaxSocketsIsTheOpenFileLimitCappedAt16Bits)
{
    PosixSockets s;
    {
        ScopedFileLimit limit(1000);
        ASSERT_TRUE(limit.ok());
        WSADATA data{};
        ASSERT_EQ(s.WSAStartup(0x0101, &data), 0);
        EXPECT_EQ(data.iMaxSockets, 1000);
    }
    struct Case {
        unsigned long long soft;
        bool unlimited;
        std::uint16_t expected;
    };
    for (const Case &c : {Case{0, false, 0}, Case{1024, false, 1024}, Case{65535, false, 65535}, Case{65536, false, 65535},
                          Case{1048576, false, 65535}, Case{0, true, 65535}})
        EXPECT_EQ(MaxSocketsForFileLimit(c.soft, c.unlimited), c.expected) << c.soft;
}

TEST(PosixSockets, HostNameAndLookupNeedTheStackStarted)
{
    PosixSockets s;
    char name[1024];
    EXPECT_EQ(s.gethostname(name, sizeof name), SOCKET_ERROR);
    EXPECT_FALSE(s.gethostbyname("localhost").has_value());

    WSADATA data{};
    ASSERT_EQ(s.WSAStartup(0x0101, &data), 0);
    ASSERT_EQ(s.gethostname(name, sizeof name), 0);
    char expected[1024] = {};
    ASSERT_EQ(::gethostname(expected, sizeof expected - 1), 0);
    EXPECT_STREQ(name, expected);

    // A buffer too small for the name and its NUL fails and is still terminated.
    char tiny[2] = {'x', 'x'};
    if (std::strlen(expected) >= 2) {
        EXPECT_EQ(s.gethostname(tiny, sizeof tiny), SOCKET_ERROR);
        EXPECT_EQ(tiny[1], '\0');
    }
    EXPECT_EQ(s.gethostname(nullptr, 10), SOCKET_ERROR);
    EXPECT_EQ(s.gethostname(name, 0), SOCKET_ERROR);
}

TEST(PosixSockets, LookupGivesTheFirstIpv4AddressAndTheOfficialName)
{
    PosixSockets s;
    WSADATA data{};
    ASSERT_EQ(s.WSAStartup(0x0101, &data), 0);

    const std::optional<HostEntry> local = s.gethostbyname("localhost");
    ASSERT_TRUE(local.has_value());
    ASSERT_FALSE(local->addresses.isEmpty());
    EXPECT_EQ(local->addresses.first(), (std::array<BYTE, 4>{127, 0, 0, 1}));
    EXPECT_EQ(local->officialName, QByteArray("localhost"));
    // No address twice, although the resolver has one result per socket type.
    for (qsizetype i = 0; i < local->addresses.size(); ++i)
        for (qsizetype j = i + 1; j < local->addresses.size(); ++j)
            EXPECT_NE(local->addresses[i], local->addresses[j]);

    const std::optional<HostEntry> numeric = s.gethostbyname("127.0.0.2");
    ASSERT_TRUE(numeric.has_value());
    EXPECT_EQ(numeric->addresses.first(), (std::array<BYTE, 4>{127, 0, 0, 2}));

    EXPECT_FALSE(s.gethostbyname(nullptr).has_value());
    EXPECT_FALSE(s.gethostbyname("").has_value());
}

TEST(PosixSockets, OwnNameMatchesItsCaseAndOneFinalDotAside)
{
    struct Case {
        const char *name, *own;
        bool same;
    };
    for (const Case &c :
         {Case{"myhost", "myhost", true}, Case{"MyHost", "myhost", true}, Case{"myhost.", "myhost", true},
          Case{"myhost", "myhost.", true}, Case{"myhost..", "myhost", false}, Case{"myhost.lan", "myhost", false},
          Case{"myhos", "myhost", false}, Case{"", "", false}, Case{".", "myhost", false}})
        EXPECT_EQ(IsOwnHostName(c.name, c.own), c.same) << c.name << " / " << c.own;
}

TEST(SystemInterfaces, DefaultRoutesFromTheKernelTables)
{
    const QByteArray header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    struct Case {
        const char *what;
        QByteArray file;
        QByteArray expected;
    };
    const Case route4[] = {
        {"one default route",
         header
             + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
               "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n",
         "eth0"},
        {"the lowest metric wins",
         header
             + "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
               "tun0\t00000000\t0100080A\t0003\t0\t0\t50\t00000000\t0\t0\t0\n",
         "tun0"},
        {"a route that is down or rejects is no way out",
         header
             + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
               "eth1\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n",
         ""},
        {"control characters, a name too long, a metric beyond 64 bits, a cut last line",
         header
             + "et\x01h\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
               "abcdefghijklmnop\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
               "eth2\t00000000\t010200C0\t0003\t0\t0\t99999999999999999999999\t00000000\t0\t0\t0\n"
               "eth3\t00000000\t010200C0\t0003\t0\t0\t0\t00000000",
         ""},
        {"empty", "", ""},
    };
    for (const Case &c : route4)
        EXPECT_EQ(SystemInterfaces::DefaultRoute4(c.file), c.expected) << c.what;

    const QByteArray zeros(32, '0');
    const Case route6[] = {
        {"the default route, not the unreachable ones on lo",
         zeros + " 00 " + zeros + " 00 " + zeros + " ffffffff 00000001 00000000 00200200       lo\n"
             + "fd000000000000000000000000000000 40 " + zeros + " 00 " + zeros
             + " 00000100 00000001 00000000 00000001     eth0\n" + zeros + " 00 " + zeros
             + " 00 fe800000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n",
         "eth0"},
        {"a malformed address field",
         QByteArray(31, '0') + " 00 " + zeros + " 00 " + zeros + " 00000400 00000002 00000000 00000003 eth0\n", ""},
    };
    for (const Case &c : route6)
        EXPECT_EQ(SystemInterfaces::DefaultRoute6(c.file), c.expected) << c.what;
}

TEST(SystemInterfaces, Ipv6StatesApplyToTheMatchingAddressOnly)
{
    InterfaceAddress a;
    a.interfaceName = "eth0";
    a.ipv6 = true;
    a.bytes = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x07};
    InterfaceAddress sameOnOther = a;
    sameOnOther.interfaceName = "eth1";
    QList<InterfaceAddress> list{a, sameOnOther};
    SystemInterfaces::ApplyIpv6States("20010db8000000000000000000000007 02 40 00 21     eth0\n"
                                      "20010db8000000000000000000000007 03 40 00 4z     eth1\n",
                                      list);
    EXPECT_TRUE(list[0].temporary && list[0].deprecated && !list[0].tentative);
    EXPECT_FALSE(list[1].temporary || list[1].deprecated || list[1].tentative) << "its flags do not parse";
    SystemInterfaces::ApplyIpv6States("20010db8000000000000000000000007 02 40 00 c8 eth0\n", list);
    EXPECT_TRUE(list[0].tentative) << "duplicate detection failed";
}

TEST(SystemInterfaces, FilesAreReadWithABoundAndNeverBlock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A FIFO in a table's place: no wait, nothing read.
    const QString fifo = dir.filePath(QStringLiteral("route"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_TRUE(ReadBoundedFile(fifo, 100).isEmpty());
    // A directory, a missing file.
    EXPECT_TRUE(ReadBoundedFile(dir.path(), 100).isEmpty());
    EXPECT_TRUE(ReadBoundedFile(dir.filePath(QStringLiteral("none")), 100).isEmpty());
    // A long file: its first bytes only.
    QFile big(dir.filePath(QStringLiteral("big")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(100000, 'x'));
    big.close();
    EXPECT_EQ(ReadBoundedFile(big.fileName(), 20000), QByteArray(20000, 'x'));
    // The kernel's own files, which report a size of 0, are read whole.
    EXPECT_TRUE(ReadBoundedFile(QStringLiteral("/proc/self/status"), 1 << 20).contains("Name:"));

    // With every table a FIFO or missing, the snapshot still lists the interfaces.
    SystemInterfaces interfaces(dir.path());
    const InterfaceSnapshot snap = interfaces.snapshot();
    EXPECT_TRUE(snap.defaultRoute4.isEmpty());
    EXPECT_FALSE(snap.addresses.isEmpty()) << "at least the loopback interface";
}
