#include "monitor/probe.h"

#include "platform/ras/ras.h"

#include <array>
#include <cstring>

namespace vantrel {

namespace {
const QString kNetworkDown = QStringLiteral("Network is down");
const QString kLoopback = QStringLiteral("127.0.0.1");
} // namespace

QString ProbeRasAddress(RasApi &ras)
{
    // Room for 100 connections on the stack: nothing outlives the tick. Only the
    // first record's size field is read by the service; every record it hands
    // back is written whole, so the rest need no clearing.
    std::array<RASCONNA, 100> connections;
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof connections;
    DWORD count = 0;
    if (ras.RasEnumConnectionsA(connections.data(), &bytes, &count) != 0 || count == 0)
        return kNetworkDown;

    RASPPPIPA ip{};
    ip.dwSize = sizeof ip;
    DWORD ipBytes = sizeof ip;
    if (ras.RasGetProjectionInfoA(connections[0].hrasconn, RASP_PppIp, &ip, &ipBytes) != 0)
        return kNetworkDown;
    // Up to the terminating NUL, and never past 15 characters even if it is missing.
    const size_t n = strnlen(ip.szIpAddress, RAS_MaxIpAddress);
    return QString::fromLatin1(ip.szIpAddress, static_cast<qsizetype>(n));
}

QString ProbeHostAddress(Sockets &sockets)
{
    std::array<char, 1024> name{};
    if (sockets.gethostname(name.data(), static_cast<int>(name.size())) != 0)
        return kLoopback;
    name.back() = '\0';
    const std::optional<HostEntry> host = sockets.gethostbyname(name.data());
    // A lookup that reports success with no address counts as a failed one.
    if (!host || host->addresses.isEmpty())
        return kLoopback;
    const std::array<BYTE, 4> &a = host->addresses.first();
    QString text;
    text.reserve(16 + host->officialName.size() + 3);
    for (int i = 0; i < 4; ++i) {
        if (i)
            text += QLatin1Char('.');
        text += QString::number(static_cast<unsigned>(a[static_cast<size_t>(i)]));
    }
    text += QStringLiteral(" (") + QString::fromUtf8(host->officialName) + QLatin1Char(')');
    return text;
}

int StartNetworkStack(Sockets &sockets, WSADATA &info, QString &addressText)
{
    const int status = sockets.WSAStartup(0x0101, &info);
    addressText = status != 0 ? QStringLiteral("No TCP/IP Stack available")
                              : QStringLiteral("Looking for IP Address...");
    return status;
}

void StopNetworkStack(Sockets &sockets, int winsockStatus)
{
    if (winsockStatus == 0)
        sockets.WSACleanup();
}

} // namespace vantrel
