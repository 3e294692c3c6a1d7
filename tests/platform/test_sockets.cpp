// The sockets layer over POSIX: start-up record, clean-up, host name and the
// IPv4 lookup (loopback and the hosts file only).
#include "platform/sockets/posixsockets.h"

#include <gtest/gtest.h>

#include <cstring>

#include <sys/resource.h>
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
    for (const Case &c : {Case{0, false, 0}, Case{1024, false, 1024}, Case{65535, false, 65535},
                          Case{65536, false, 65535}, Case{1048576, false, 65535},
                          Case{0, true, 65535}})
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
