// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sockets/interfaces.h"

#include "platform/logging.h"

#include <QByteArrayView>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <limits>
#include <tuple>

#include <cerrno>

#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

// Route flags of the kernel's route tables.
constexpr unsigned kRouteUp = 0x0001;
constexpr unsigned kRouteReject = 0x0200;
// IPv6 address flags of if_inet6.
constexpr unsigned kAddrTemporary = 0x01;
constexpr unsigned kAddrDadFailed = 0x08;
constexpr unsigned kAddrDeprecated = 0x20;
constexpr unsigned kAddrTentative = 0x40;

constexpr int kMaxFields = 12;
using Fields = QVarLengthArray<QByteArrayView, kMaxFields>;

// The blank-separated fields of one line; more than kMaxFields gives none.
Fields splitFields(QByteArrayView line)
{
    Fields fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == n)
            break;
        const qsizetype start = i;
        while (i < n && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (fields.size() == kMaxFields)
            return {};
        fields.append(line.sliced(start, i - start));
    }
    return fields;
}

template <typename F>
void forEachLine(const QByteArray &text, F f)
{
    QByteArrayView rest(text);
    while (!rest.isEmpty()) {
        const qsizetype nl = rest.indexOf('\n');
        // A last line without its newline may have been cut by the read bound.
        if (nl < 0)
            return;
        f(rest.first(nl));
        rest = rest.sliced(nl + 1);
    }
}

bool parseHex(QByteArrayView text, unsigned &value)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    unsigned v = 0;
    for (const char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * 16 + static_cast<unsigned>(d);
    }
    value = v;
    return true;
}

bool parseDecimal(QByteArrayView text, unsigned long long &value)
{
    if (text.isEmpty() || text.size() > 19)
        return false;
    unsigned long long v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    value = v;
    return true;
}

bool parseAddress6(QByteArrayView text, std::array<BYTE, 16> &bytes)
{
    if (text.size() != 32)
        return false;
    for (int i = 0; i < 16; ++i) {
        unsigned b = 0;
        if (!parseHex(text.sliced(2 * i, 2), b))
            return false;
        bytes[static_cast<size_t>(i)] = static_cast<BYTE>(b);
    }
    return true;
}

// Interface names are at most 15 bytes; anything else in these files is not one.
bool isInterfaceName(QByteArrayView text)
{
    if (text.isEmpty() || text.size() >= IFNAMSIZ)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F && c != '/'; });
}

bool isAllZeros(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c == '0'; });
}

bool isLinkLocal6(const std::array<BYTE, 16> &a)
{
    return a[0] == 0xFE && (a[1] & 0xC0) == 0x80;
}
bool isUniqueLocal6(const std::array<BYTE, 16> &a)
{
    return (a[0] & 0xFE) == 0xFC;
}
bool isLoopback6(const std::array<BYTE, 16> &a)
{
    return std::all_of(a.begin(), a.end() - 1, [](BYTE b) { return b == 0; }) && a[15] == 1;
}
bool isUnspecified6(const std::array<BYTE, 16> &a)
{
    return std::all_of(a.begin(), a.end(), [](BYTE b) { return b == 0; });
}
bool isMapped6(const std::array<BYTE, 16> &a)
{
    return std::all_of(a.begin(), a.begin() + 10, [](BYTE b) { return b == 0; }) && a[10] == 0xFF && a[11] == 0xFF;
}

} // namespace

QByteArray ReadBoundedFile(const QString &path, qsizetype limit)
{
    const QByteArray native = path.toLocal8Bit();
    // Non-blocking, so that a FIFO put in the file's place cannot hold the caller.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {};
    QByteArray data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // The kernel's files report a size of 0: read in steps up to the bound.
        data.resize(std::min<qsizetype>(limit, 8192));
        qsizetype used = 0;
        while (used < limit) {
            if (used == data.size())
                data.resize(std::min<qsizetype>(limit, data.size() * 2));
            const ssize_t got = ::read(fd, data.data() + used, static_cast<size_t>(data.size() - used));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                if (got < 0)
                    used = 0;
                break;
            }
            used += got;
        }
        data.truncate(used);
    }
    ::close(fd);
    return data;
}

QByteArray SystemInterfaces::DefaultRoute4(const QByteArray &routeFile, std::array<BYTE, 4> *gateway)
{
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
    QByteArray best;
    unsigned bestGateway = 0;
    unsigned long long bestMetric = std::numeric_limits<unsigned long long>::max();
    forEachLine(routeFile, [&](QByteArrayView line) {
        const Fields f = splitFields(line);
        unsigned flags = 0, via = 0;
        unsigned long long metric = 0;
        if (f.size() < 8 || !isInterfaceName(f[0]) || f[1].size() != 8 || !isAllZeros(f[1]) || f[7].size() != 8
            || !isAllZeros(f[7]) || !parseHex(f[3], flags) || !parseDecimal(f[6], metric) || !parseHex(f[2], via))
            return; // the header line, or not a default route
        if (!(flags & kRouteUp) || (flags & kRouteReject))
            return;
        if (best.isEmpty() || metric < bestMetric) {
            best = f[0].toByteArray();
            bestMetric = metric;
            bestGateway = via;
        }
    });
    // The kernel prints the address as the number it holds in memory: its
    // bytes, in memory order, are the network order.
    if (gateway)
        std::memcpy(gateway->data(), &bestGateway, 4);
    return best;
}

QByteArray SystemInterfaces::DefaultRoute6(const QByteArray &ipv6RouteFile)
{
    // dest dest_plen src src_plen next_hop metric refcnt use flags iface
    QByteArray best;
    unsigned bestMetric = 0;
    forEachLine(ipv6RouteFile, [&](QByteArrayView line) {
        const Fields f = splitFields(line);
        unsigned plen = 1, metric = 0, flags = 0;
        if (f.size() != 10 || f[0].size() != 32 || !isAllZeros(f[0]) || !parseHex(f[1], plen) || plen != 0
            || !parseHex(f[5], metric) || !parseHex(f[8], flags) || !isInterfaceName(f[9]))
            return;
        // The kernel keeps unreachable default routes on lo: they lead nowhere.
        if (!(flags & kRouteUp) || (flags & kRouteReject) || f[9] == "lo")
            return;
        if (best.isEmpty() || metric < bestMetric) {
            best = f[9].toByteArray();
            bestMetric = metric;
        }
    });
    return best;
}

void SystemInterfaces::ApplyIpv6States(const QByteArray &ifInet6File, QList<InterfaceAddress> &addresses)
{
    // address ifindex prefix_len scope flags iface
    forEachLine(ifInet6File, [&](QByteArrayView line) {
        const Fields f = splitFields(line);
        std::array<BYTE, 16> bytes{};
        unsigned flags = 0;
        if (f.size() != 6 || !parseAddress6(f[0], bytes) || !parseHex(f[4], flags) || !isInterfaceName(f[5]))
            return;
        for (InterfaceAddress &a : addresses) {
            if (!a.ipv6 || a.bytes != bytes || a.interfaceName != f[5])
                continue;
            a.temporary = flags & kAddrTemporary;
            a.deprecated = flags & kAddrDeprecated;
            a.tentative = flags & (kAddrTentative | kAddrDadFailed);
        }
    });
}

SystemInterfaces::SystemInterfaces(const QString &procNet)
    : m_route(procNet + QStringLiteral("/route")), m_ipv6Route(procNet + QStringLiteral("/ipv6_route")),
      m_ifInet6(procNet + QStringLiteral("/if_inet6"))
{
    m_netlink = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (m_netlink < 0) {
        const int err = errno;
        qCDebug(lcMonitor) << "No netlink socket:" << qt_error_string(err) << "- interfaces are read at every lookup";
        return;
    }
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(m_netlink, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        const int err = errno;
        qCDebug(lcMonitor) << "The netlink socket cannot listen:" << qt_error_string(err)
                           << "- interfaces are read at every lookup";
        ::close(m_netlink);
        m_netlink = -1;
    }
}

SystemInterfaces::~SystemInterfaces()
{
    if (m_netlink >= 0)
        ::close(m_netlink);
}

// Empties the socket's queue; true when anything was announced, or when
// announcements were lost because the queue overflowed.
bool SystemInterfaces::changed()
{
    bool any = false;
    char buf[8192];
    // A bounded number of receives per call: a flood of route changes is read
    // again on the next call rather than holding this one.
    for (int i = 0; i < 64; ++i) {
        const ssize_t got = ::recv(m_netlink, buf, sizeof buf, MSG_DONTWAIT);
        if (got > 0) {
            any = true;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return any;
        return true; // an overflow (ENOBUFS) or another error: read afresh
    }
    return true;
}

InterfaceSnapshot SystemInterfaces::snapshot()
{
    // The queue is emptied before reading, so a change made during the
    // reading stays announced for the next call.
    if (m_netlink < 0 || changed() || !m_haveReading) {
        InterfaceSnapshot now = read();
        // LAN mode shows the address of the default route's interface: say
        // which that is when it changes (not at every reading).
        if (!m_haveReading || now.defaultRoute4 != m_reading.defaultRoute4 || now.defaultRoute6 != m_reading.defaultRoute6
            || now.gateway4 != m_reading.gateway4)
            qCDebug(lcMonitor) << "Default route: IPv4 through" << now.defaultRoute4 << "gateway"
                               << QStringLiteral("%1.%2.%3.%4")
                                      .arg(uint(now.gateway4[0]))
                                      .arg(uint(now.gateway4[1]))
                                      .arg(uint(now.gateway4[2]))
                                      .arg(uint(now.gateway4[3]))
                               << "- IPv6 through" << now.defaultRoute6;
        m_reading = std::move(now);
        m_haveReading = true;
        ++m_readings;
    }
    return m_reading;
}

InterfaceSnapshot SystemInterfaces::read()
{
    InterfaceSnapshot snap;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return snap;
    // The link entries carry the interface index; the address entries come later
    // in the list, so the indexes are collected first.
    QVarLengthArray<std::pair<QByteArrayView, unsigned>, 16> indexes;
    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        if (i->ifa_addr && i->ifa_name && i->ifa_addr->sa_family == AF_PACKET) {
            const auto *ll = reinterpret_cast<const sockaddr_ll *>(i->ifa_addr);
            indexes.append({QByteArrayView(i->ifa_name), static_cast<unsigned>(ll->sll_ifindex)});
        }
    }
    bool anyIpv6 = false;
    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || !i->ifa_name)
            continue;
        const int family = i->ifa_addr->sa_family;
        if (family != AF_INET && family != AF_INET6)
            continue;
        InterfaceAddress a;
        a.interfaceName = QByteArray(i->ifa_name);
        a.up = (i->ifa_flags & IFF_UP) && (i->ifa_flags & IFF_RUNNING);
        a.loopback = i->ifa_flags & IFF_LOOPBACK;
        a.ipv6 = family == AF_INET6;
        if (a.ipv6) {
            const auto *sin6 = reinterpret_cast<const sockaddr_in6 *>(i->ifa_addr);
            std::memcpy(a.bytes.data(), &sin6->sin6_addr, 16);
            anyIpv6 = true;
        } else {
            const auto *sin = reinterpret_cast<const sockaddr_in *>(i->ifa_addr);
            std::memcpy(a.bytes.data(), &sin->sin_addr.s_addr, 4);
            if (i->ifa_netmask && i->ifa_netmask->sa_family == AF_INET)
                std::memcpy(a.netmask4.data(), &reinterpret_cast<const sockaddr_in *>(i->ifa_netmask)->sin_addr.s_addr, 4);
        }
        for (const auto &[name, index] : indexes)
            if (name == a.interfaceName)
                a.index = index;
        snap.addresses.append(std::move(a));
    }
    ::freeifaddrs(list);

    snap.defaultRoute4 = DefaultRoute4(ReadBoundedFile(m_route, kMaxFileBytes), &snap.gateway4);
    if (anyIpv6) {
        snap.defaultRoute6 = DefaultRoute6(ReadBoundedFile(m_ipv6Route, kMaxFileBytes));
        ApplyIpv6States(ReadBoundedFile(m_ifInet6, kMaxFileBytes), snap.addresses);
    }
    return snap;
}

Ipv6Kind ClassifyIpv6(const std::array<BYTE, 16> &address)
{
    if (isLinkLocal6(address) || isUnspecified6(address) || isMapped6(address))
        return Ipv6Kind::NeverShown;
    if (isLoopback6(address))
        return Ipv6Kind::Loopback;
    return isUniqueLocal6(address) ? Ipv6Kind::UniqueLocal : Ipv6Kind::Global;
}

OwnAddresses ChooseOwnAddresses(const InterfaceSnapshot &snapshot)
{
    struct Ranked {
        const InterfaceAddress *a;
        std::tuple<bool, bool, bool, bool, unsigned, qsizetype> key;
    };
    const QByteArray &route6 = snapshot.defaultRoute6.isEmpty() ? snapshot.defaultRoute4 : snapshot.defaultRoute6;
    QVarLengthArray<Ranked, 16> v4, v6, loop4, loop6;
    for (qsizetype position = 0; position < snapshot.addresses.size(); ++position) {
        const InterfaceAddress &a = snapshot.addresses.at(position);
        if (!a.up)
            continue;
        if (a.ipv6) {
            const Ipv6Kind kind = ClassifyIpv6(a.bytes);
            if (a.tentative || kind == Ipv6Kind::NeverShown)
                continue;
            const bool loop = a.loopback || kind == Ipv6Kind::Loopback;
            const bool onRoute = !route6.isEmpty() && a.interfaceName == route6;
            (loop ? loop6 : v6)
                .append({&a, {!onRoute, a.deprecated, a.temporary, kind == Ipv6Kind::UniqueLocal, a.index, position}});
        } else {
            if (a.bytes[0] == 0 && a.bytes[1] == 0 && a.bytes[2] == 0 && a.bytes[3] == 0)
                continue;
            const bool loop = a.loopback || a.bytes[0] == 127;
            const bool onRoute = !snapshot.defaultRoute4.isEmpty() && a.interfaceName == snapshot.defaultRoute4;
            bool gatewaySubnet = true;
            for (size_t b = 0; b < 4; ++b)
                gatewaySubnet = gatewaySubnet && ((a.bytes[b] ^ snapshot.gateway4[b]) & a.netmask4[b]) == 0;
            (loop ? loop4 : v4).append({&a, {!onRoute, !gatewaySubnet, false, false, a.index, position}});
        }
    }
    // With the IPv6 default route alone, an IPv4 address reaches no further
    // than its own link (a container bridge, a LAN without a gateway): the
    // name answers what routing would use.
    if (snapshot.defaultRoute4.isEmpty() && !snapshot.defaultRoute6.isEmpty() && !v6.isEmpty())
        v4.clear();
    if (v4.isEmpty() && v6.isEmpty()) {
        v4 = loop4;
        v6 = loop6;
    }
    const auto byKey = [](const Ranked &x, const Ranked &y) { return x.key < y.key; };
    std::sort(v4.begin(), v4.end(), byKey);
    std::sort(v6.begin(), v6.end(), byKey);
    OwnAddresses own;
    for (const Ranked &r : v4) {
        std::array<BYTE, 4> b{};
        std::copy_n(r.a->bytes.begin(), 4, b.begin());
        if (!own.ipv4.contains(b))
            own.ipv4.append(b);
    }
    for (const Ranked &r : v6)
        if (!own.ipv6.contains(r.a->bytes))
            own.ipv6.append(r.a->bytes);
    return own;
}

} // namespace vantrel
