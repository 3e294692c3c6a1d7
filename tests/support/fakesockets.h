// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A sockets layer for tests: the host name, the lookup answer and every failure
// are set by the test, and every call is recorded.
#include "platform/sockets/interfaces.h"
#include "platform/sockets/posixsockets.h"
#include "platform/sockets/sockets.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cstring>
#include <optional>

#include <arpa/inet.h>

namespace vantrel::test {

class FakeSockets final : public Sockets {
public:
    FakeSockets()
    {
        HostEntry e;
        e.officialName = "pc1.example";
        e.addresses.append({192, 168, 0, 7});
        lookup = e;
    }

    // What the calls answer.
    int startupResult = 0; // 0: the stack is present
    QByteArray description = "Fake Sockets 1.1";
    QByteArray systemStatus = "Running";
    std::uint16_t maxSockets = 256;
    int cleanupResult = 0;
    QByteArray hostName = "pc1";
    int hostNameResult = 0;          // non-zero: gethostname fails
    std::optional<HostEntry> lookup; // nullopt: gethostbyname fails

    // What happened.
    int startupCalls = 0;
    WORD lastVersionRequested = 0;
    int cleanupCalls = 0;
    int hostNameCalls = 0;
    int lastHostNameLength = 0;
    QList<QByteArray> lookedUp;

    static HostEntry entry(const QByteArray &officialName, std::array<BYTE, 4> first)
    {
        HostEntry e;
        e.officialName = officialName;
        e.addresses.append(first);
        return e;
    }

    int WSAStartup(WORD versionRequested, WSADATA *data) override
    {
        ++startupCalls;
        lastVersionRequested = versionRequested;
        if (startupResult != 0)
            return startupResult;
        if (data) {
            *data = WSADATA{};
            data->wVersion = 0x0101;
            data->wHighVersion = 0x0101;
            copy(data->szDescription, sizeof data->szDescription, description);
            copy(data->szSystemStatus, sizeof data->szSystemStatus, systemStatus);
            data->iMaxSockets = maxSockets;
        }
        return 0;
    }
    int WSACleanup() override
    {
        ++cleanupCalls;
        return cleanupResult;
    }
    int gethostname(char *name, int length) override
    {
        ++hostNameCalls;
        lastHostNameLength = length;
        if (hostNameResult != 0)
            return hostNameResult;
        if (!name || length <= hostName.size())
            return -1;
        std::memcpy(name, hostName.constData(), static_cast<size_t>(hostName.size()));
        name[hostName.size()] = '\0';
        return 0;
    }
    std::optional<HostEntry> gethostbyname(const char *name) override
    {
        lookedUp.append(QByteArray(name ? name : ""));
        return lookup;
    }

private:
    static void copy(char *dst, size_t room, const QByteArray &src)
    {
        const size_t n = std::min(room - 1, static_cast<size_t>(src.size()));
        std::memcpy(dst, src.constData(), n);
        dst[n] = '\0';
    }
};

// Interfaces set by the test; each snapshot is counted.
class FakeInterfaces final : public InterfaceSource {
public:
    InterfaceSnapshot current;
    int snapshots = 0;

    InterfaceSnapshot snapshot() override
    {
        ++snapshots;
        return current;
    }

    // One address of an up interface, from its text form ("10.0.0.2", "2001:db8::7").
    static InterfaceAddress address(const char *interfaceName, unsigned index, const char *text)
    {
        InterfaceAddress a;
        a.interfaceName = interfaceName;
        a.index = index;
        a.up = true;
        a.loopback = std::strncmp(interfaceName, "lo", 3) == 0;
        a.ipv6 = std::strchr(text, ':') != nullptr;
        inet_pton(a.ipv6 ? AF_INET6 : AF_INET, text, a.bytes.data());
        return a;
    }
};

// The real sockets layer with a host name of the test's choosing, so that the
// own-name lookup can be told from any other.
class NamedPosixSockets final : public PosixSockets {
public:
    NamedPosixSockets(InterfaceSource &interfaces, QByteArray name) : PosixSockets(interfaces), hostName(std::move(name)) {}
    QByteArray hostName;

    int gethostname(char *name, int length) override
    {
        if (PosixSockets::gethostname(name, length) != 0 || length <= hostName.size())
            return SOCKET_ERROR;
        std::memcpy(name, hostName.constData(), static_cast<size_t>(hostName.size()) + 1);
        return 0;
    }
};

} // namespace vantrel::test
