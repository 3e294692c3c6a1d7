// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sockets stand-in: start-up and clean-up of the stack, the host name and the
// host lookup, in the shape the program calls them.
#include "platform/wintypes.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <optional>

namespace vantrel {

struct WSADATA {
    WORD wVersion = 0;
    WORD wHighVersion = 0;
    char szDescription[257] = {};
    char szSystemStatus[129] = {};
    std::uint16_t iMaxSockets = 0;
    std::uint16_t iMaxUdpDg = 0;
    char *lpVendorInfo = nullptr;
};

struct HostEntry {
    QByteArray officialName;
    QList<std::array<BYTE, 4>> addresses;   // IPv4, network order, best first
    QList<std::array<BYTE, 16>> addresses6; // IPv6, network order, best first
};

class Sockets {
public:
    virtual ~Sockets() = default;
    virtual int WSAStartup(WORD versionRequested, WSADATA *data) = 0; // 0: the stack is present
    virtual int WSACleanup() = 0;
    virtual int gethostname(char *name, int length) = 0; // 0 on success
    virtual std::optional<HostEntry> gethostbyname(const char *name) = 0;
};

} // namespace vantrel
