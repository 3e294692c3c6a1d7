// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sockets/posixsockets.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace vantrel {

namespace {

void copyText(char *field, size_t room, const QByteArray &text)
{
    const size_t n = std::min(room - 1, static_cast<size_t>(text.size()));
    std::memcpy(field, text.constData(), n);
    std::memset(field + n, 0, room - n);
}

// The sockets a process may hold is bounded by its open-file limit.
std::uint16_t maxSockets()
{
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) != 0)
        return 65535;
    return MaxSocketsForFileLimit(lim.rlim_cur, lim.rlim_cur == RLIM_INFINITY);
}

} // namespace

bool IsOwnHostName(const char *name, const char *ownName)
{
    if (!name || !ownName || !*ownName)
        return false;
    const auto withoutDot = [](const char *s) {
        size_t n = std::strlen(s);
        if (n > 1 && s[n - 1] == '.')
            --n;
        return n;
    };
    const size_t n = withoutDot(name);
    return n == withoutDot(ownName) && ::strncasecmp(name, ownName, n) == 0;
}

PosixSockets::PosixSockets(InterfaceSource &interfaces) : m_interfaces(interfaces) {}

PosixSockets::PosixSockets() : m_ownInterfaces(std::make_unique<SystemInterfaces>()), m_interfaces(*m_ownInterfaces) {}

PosixSockets::~PosixSockets() = default;

namespace sockets_text {

QString TranslatedDescription(const QString &text)
{
    return text == QLatin1String(kDescription) ? QCoreApplication::translate("sockets_text", kDescription) : text;
}

QString TranslatedStatus(const QString &text)
{
    if (text == QLatin1String(kRunning))
        return QCoreApplication::translate("sockets_text", kRunning);
    const QString on = QString::fromLatin1(kRunningOn).section(QStringLiteral("%1"), 0, 0);
    if (text.startsWith(on))
        return QCoreApplication::translate("sockets_text", kRunningOn).arg(text.mid(on.size()));
    return text;
}

} // namespace sockets_text

std::uint16_t MaxSocketsForFileLimit(unsigned long long softLimit, bool unlimited)
{
    if (unlimited || softLimit > 65535)
        return 65535;
    return static_cast<std::uint16_t>(softLimit);
}

int PosixSockets::WSAStartup(WORD versionRequested, WSADATA *data)
{
    const int major = versionRequested & 0xFF;
    const int minor = (versionRequested >> 8) & 0xFF;
    if (major < 1 || (major == 1 && minor < 1))
        return WSAVERNOTSUPPORTED;
    if (!data)
        return WSAEFAULT;
    *data = WSADATA{};
    data->wVersion = 0x0101;
    data->wHighVersion = 0x0101;
    copyText(data->szDescription, sizeof data->szDescription, QByteArray(sockets_text::kDescription));
    QByteArray status = sockets_text::kRunning;
    utsname u{};
    if (uname(&u) == 0)
        status = QString::fromLatin1(sockets_text::kRunningOn)
                     .arg(QString::fromLocal8Bit(QByteArray(u.sysname) + ' ' + u.release))
                     .toLocal8Bit();
    copyText(data->szSystemStatus, sizeof data->szSystemStatus, status);
    data->iMaxSockets = maxSockets();
    data->iMaxUdpDg = 65507; // largest UDP payload over IPv4
    data->lpVendorInfo = nullptr;
    ++m_startups;
    return 0;
}

int PosixSockets::WSACleanup()
{
    if (m_startups == 0)
        return SOCKET_ERROR;
    --m_startups;
    return 0;
}

int PosixSockets::gethostname(char *name, int length)
{
    if (m_startups == 0 || !name || length <= 0)
        return SOCKET_ERROR;
    // POSIX leaves the result unterminated when the name is cut; refuse that case
    // instead of handing back a partial name.
    std::memset(name, 0, static_cast<size_t>(length));
    if (::gethostname(name, static_cast<size_t>(length)) != 0 || name[length - 1] != '\0') {
        name[length - 1] = '\0';
        return SOCKET_ERROR;
    }
    return 0;
}

std::optional<HostEntry> PosixSockets::gethostbyname(const char *name)
{
    if (m_startups == 0 || !name || !*name)
        return std::nullopt;
    std::array<char, 1024> own{};
    if (gethostname(own.data(), static_cast<int>(own.size())) == 0 && IsOwnHostName(name, own.data()))
        return ownHostEntry(own.data());

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM; // one result per address, not one per socket type
    hints.ai_flags = AI_CANONNAME;
    addrinfo *res = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &res) != 0 || !res)
        return std::nullopt;
    HostEntry entry;
    entry.officialName = res->ai_canonname ? QByteArray(res->ai_canonname) : QByteArray(name);
    for (const addrinfo *ai = res; ai; ai = ai->ai_next) {
        if (!ai->ai_addr)
            continue;
        if (ai->ai_family == AF_INET) {
            const auto *sin = reinterpret_cast<const sockaddr_in *>(ai->ai_addr);
            std::array<BYTE, 4> bytes{};
            std::memcpy(bytes.data(), &sin->sin_addr.s_addr, 4); // already in network order
            if (!entry.addresses.contains(bytes))
                entry.addresses.append(bytes);
        } else if (ai->ai_family == AF_INET6) {
            const auto *sin6 = reinterpret_cast<const sockaddr_in6 *>(ai->ai_addr);
            std::array<BYTE, 16> bytes{};
            std::memcpy(bytes.data(), &sin6->sin6_addr, 16);
            if (!entry.addresses6.contains(bytes))
                entry.addresses6.append(bytes);
        }
    }
    freeaddrinfo(res);
    if (entry.addresses.isEmpty() && entry.addresses6.isEmpty())
        return std::nullopt;
    return entry;
}

std::optional<HostEntry> PosixSockets::ownHostEntry(const char *ownName)
{
    OwnAddresses own = ChooseOwnAddresses(m_interfaces.snapshot());
    if (own.isEmpty())
        return std::nullopt;
    HostEntry entry;
    entry.officialName = QByteArray(ownName);
    entry.addresses = std::move(own.ipv4);
    entry.addresses6 = std::move(own.ipv6);
    return entry;
}

} // namespace vantrel
