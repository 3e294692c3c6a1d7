// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/probe.h"

#include "monitor/monitortext.h"
#include "platform/ras/ras.h"

#include <array>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace vantrel {

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");

// The first live connection the service lists; false when there is none or
// the enumeration fails.
bool firstConnection(RasApi &ras, RASCONNA *first)
{
    // Room for 100 connections on the stack: nothing outlives the call. Only the
    // first record's size field is read by the service; every record it hands
    // back is written whole, so the rest need no clearing.
    std::array<RASCONNA, 100> connections;
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof connections;
    DWORD count = 0;
    if (ras.RasEnumConnectionsA(connections.data(), &bytes, &count) != 0 || count == 0)
        return false;
    *first = connections[0];
    return true;
}

} // namespace

HRASCONN FirstRasConnection(RasApi &ras)
{
    RASCONNA first;
    return firstConnection(ras, &first) ? first.hrasconn : 0;
}

QString ProbeRasAddress(RasApi &ras, QString *entry)
{
    if (entry)
        entry->clear();
    RASCONNA first;
    if (!firstConnection(ras, &first))
        return monitor_text::translated(monitor_text::kNetworkDown);

    QString address;
    RASPPPIPA ip{};
    ip.dwSize = sizeof ip;
    DWORD ipBytes = sizeof ip;
    const DWORD rc = ras.RasGetProjectionInfoA(first.hrasconn, RASP_PppIp, &ip, &ipBytes);
    if (rc == 0 && ip.szIpAddress[0] != '\0') {
        // Up to the terminating NUL, and never past 15 characters even if it is missing.
        const size_t n = strnlen(ip.szIpAddress, RAS_MaxIpAddress);
        address = QString::fromLatin1(ip.szIpAddress, static_cast<qsizetype>(n));
    } else if (rc == 0 || rc == ERROR_PROTOCOL_NOT_CONFIGURED) {
        // No IPv4 address: an IPv6 one does not fit the record and comes whole
        // from the extension.
        QString text;
        if (ras.RasGetProjectionTextA(first.hrasconn, &text) == 0)
            address = text;
    }
    // Without either the connection has nothing to show.
    if (address.isEmpty())
        return monitor_text::translated(monitor_text::kNetworkDown);
    if (entry)
        *entry = QString::fromUtf8(first.szEntryName, qsizetype(strnlen(first.szEntryName, sizeof first.szEntryName)));
    return address;
}

AddressParts SplitAddressText(const QString &addressText)
{
    // "address" or "address (host name)"; a status text holds blanks elsewhere.
    const qsizetype blank = addressText.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {addressText, {}};
    if (!addressText.mid(blank).startsWith(QLatin1String(" (")) || !addressText.endsWith(QLatin1Char(')')))
        return {};
    return {addressText.left(blank), addressText.mid(blank + 2).chopped(1)};
}

QString ProbeHostAddress(Sockets &sockets)
{
    std::array<char, 1024> name{};
    if (sockets.gethostname(name.data(), static_cast<int>(name.size())) != 0)
        return kLoopback;
    name.back() = '\0';
    const std::optional<HostEntry> host = sockets.gethostbyname(name.data());
    // A lookup that reports success with no address counts as a failed one.
    if (!host || (host->addresses.isEmpty() && host->addresses6.isEmpty()))
        return kLoopback;
    QString text;
    text.reserve(INET6_ADDRSTRLEN + host->officialName.size() + 3);
    if (!host->addresses.isEmpty()) {
        // IPv4 whenever there is one.
        const std::array<BYTE, 4> &a = host->addresses.first();
        for (int i = 0; i < 4; ++i) {
            if (i)
                text += QLatin1Char('.');
            text += QString::number(static_cast<unsigned>(a[static_cast<size_t>(i)]));
        }
    } else {
        // The shortest form (RFC 5952): at most 39 characters for the addresses
        // an interface can show, so with the address first a tip cut at 63
        // characters never cuts into it.
        char buf[INET6_ADDRSTRLEN] = {};
        if (!inet_ntop(AF_INET6, host->addresses6.first().data(), buf, sizeof buf))
            return kLoopback;
        text += QLatin1StringView(buf);
    }
    text += QStringLiteral(" (") + QString::fromUtf8(host->officialName) + QLatin1Char(')');
    return text;
}

int StartNetworkStack(Sockets &sockets, WSADATA &info, QString &addressText)
{
    const int status = sockets.WSAStartup(0x0101, &info);
    addressText = status != 0 ? monitor_text::translated(monitor_text::kNoStack)
                              : monitor_text::translated(monitor_text::kLooking);
    return status;
}

void StopNetworkStack(Sockets &sockets, int winsockStatus)
{
    if (winsockStatus == 0)
        sockets.WSACleanup();
}

} // namespace vantrel
