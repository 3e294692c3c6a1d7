// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine's network interfaces and their addresses, as the sockets layer
// needs them to answer a lookup of the machine's own name without the resolver.
#include "platform/wintypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

namespace vantrel {

// One address of one interface, with what the choice of the shown address needs.
struct InterfaceAddress {
    QByteArray interfaceName;
    unsigned index = 0;    // the kernel's interface index: the stable order
    bool up = false;       // administratively up and running (carrier)
    bool loopback = false; // the interface is a loopback one
    bool ipv6 = false;
    std::array<BYTE, 16> bytes{};   // network order; an IPv4 address uses the first four
    std::array<BYTE, 4> netmask4{}; // an IPv4 address's network mask
    // IPv6 address states (the kernel's IFA_F_* flags); always false for IPv4.
    bool temporary = false;  // privacy address, replaced every day or so
    bool deprecated = false; // preferred lifetime over: kept for old connections only
    bool tentative = false;  // duplicate detection not finished or failed: not usable
};

struct InterfaceSnapshot {
    QList<InterfaceAddress> addresses;
    // The interface of the default route with the lowest metric, per family;
    // empty when there is none (or the route table could not be read).
    QByteArray defaultRoute4;
    QByteArray defaultRoute6;
    // The IPv4 default route's gateway, network order; 0.0.0.0 for none.
    std::array<BYTE, 4> gateway4{};
};

// Where the interfaces come from: the system, or a test's own table.
class InterfaceSource {
public:
    virtual ~InterfaceSource() = default;
    virtual InterfaceSnapshot snapshot() = 0;
};

// The addresses the machine shows for its own name, best first, per family.
struct OwnAddresses {
    QList<std::array<BYTE, 4>> ipv4;
    QList<std::array<BYTE, 16>> ipv6;
    bool isEmpty() const { return ipv4.isEmpty() && ipv6.isEmpty(); }
};

// What an IPv6 address is worth as the one to show, better kinds greater:
// never (link-local fe80::/10, IPv4-mapped, the unspecified address), loopback
// (::1, only when nothing else is left), unique local (fc00::/7), global.
enum class Ipv6Kind { NeverShown, Loopback, UniqueLocal, Global };
Ipv6Kind ClassifyIpv6(const std::array<BYTE, 16> &address);

// Chooses and orders the addresses of up interfaces:
// - never: addresses of interfaces that are down, tentative IPv6 addresses,
//   IPv6 link-local (fe80::/10), IPv4-mapped IPv6, the unspecified address;
// - loopback addresses (a loopback interface, 127/8, ::1) only when no other
//   address is left;
// - per family: the default route's interface first (for IPv6 that of the IPv6
//   default route, else that of the IPv4 one), then stable addresses before
//   temporary ones, valid before deprecated, global IPv6 before unique local
//   (fc00::/7), then by interface index and in the order the kernel lists
//   them; an IPv4 address in the subnet of the default route's gateway comes
//   first, as the kernel sends from it (else from the interface's first);
// - no IPv4 address when there is an IPv6 default route and no IPv4 one, as
//   IPv4 then reaches no further than its own link.
OwnAddresses ChooseOwnAddresses(const InterfaceSnapshot &snapshot);

// The system's interfaces: getifaddrs() for the interfaces, their flags and
// addresses; <procNet>/route and <procNet>/ipv6_route for the default routes;
// <procNet>/if_inet6 for the IPv6 address states. The files are read with a
// bound, as outside input: a file that is missing, not a regular file, too
// long or malformed costs only what it would have told (no default route, no
// address states); a line that does not parse is skipped.
//
// Reading all that costs tens of microseconds of system calls, so the last
// reading is kept and read again only after the kernel announced a change of a
// link, an address or a route on a netlink socket of our own (one non-blocking
// receive per snapshot). Without that socket every snapshot reads afresh.
class SystemInterfaces final : public InterfaceSource {
public:
    explicit SystemInterfaces(const QString &procNet = QStringLiteral("/proc/net"));
    ~SystemInterfaces() override;
    SystemInterfaces(const SystemInterfaces &) = delete;
    SystemInterfaces &operator=(const SystemInterfaces &) = delete;

    InterfaceSnapshot snapshot() override;
    // How many snapshots read the system (the others were the kept reading).
    int readings() const { return m_readings; }

    // Most bytes read of one file; the rest of a longer file is ignored.
    static constexpr qsizetype kMaxFileBytes = 256 * 1024;

    // The parsers of the three files, for tests with crafted contents.
    static QByteArray DefaultRoute4(const QByteArray &routeFile, std::array<BYTE, 4> *gateway = nullptr);
    static QByteArray DefaultRoute6(const QByteArray &ipv6RouteFile);
    // Sets the IPv6 states of the matching addresses in `addresses`.
    static void ApplyIpv6States(const QByteArray &ifInet6File, QList<InterfaceAddress> &addresses);

private:
    InterfaceSnapshot read();
    bool changed();

    int m_netlink = -1;
    bool m_haveReading = false;
    int m_readings = 0;
    InterfaceSnapshot m_reading;
    QString m_route;
    QString m_ipv6Route;
    QString m_ifInet6;
};

// Reads at most `limit` bytes of a regular file without blocking on a FIFO or a
// device: empty for anything else, a missing file or a read error.
QByteArray ReadBoundedFile(const QString &path, qsizetype limit);

} // namespace vantrel
