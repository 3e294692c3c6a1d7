// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address probes of the poll tick, and the start and stop of the sockets layer.
#include "platform/ras/ras.h"
#include "platform/sockets/sockets.h"

#include <QString>

namespace vantrel {

class RasApi;

// The connection the dial-up probe shows: the first the service lists; 0 when
// there is none or the enumeration fails.
HRASCONN FirstRasConnection(RasApi &ras);

// Dial-up mode: the IP address of the first remote access connection, or
// "Network is down" when there is none, the enumeration fails, or the first
// connection has no address yet. `entry`, when given, receives the name of the
// phonebook entry of the connection whose address is shown, as the service
// lists it (empty with "Network is down", or when the service gives no name).
QString ProbeRasAddress(RasApi &ras, QString *entry = nullptr);

// LAN mode: "a.b.c.d (official name)" for the first IPv4 address of the local
// host name; with no IPv4 address, its first IPv6 address in the shortest form
// ("2001:db8::7 (official name)"); "127.0.0.1" when the host name or its lookup
// fails.
QString ProbeHostAddress(Sockets &sockets);

// The parts of an address text as the probes make it: the address alone and,
// in LAN mode, the host name in parentheses after it. Empty parts for a status
// text (an address never holds a blank).
struct AddressParts {
    QString address;
    QString hostName;
};
AddressParts SplitAddressText(const QString &addressText);

// Starts the sockets layer with version 1.1 into `info`; sets `addressText` to
// "No TCP/IP Stack available" when it fails, else "Looking for IP Address...".
// Returns the start-up result (0: the stack is present), to be kept as WinsockStatus.
int StartNetworkStack(Sockets &sockets, WSADATA &info, QString &addressText);

// Cleans the sockets layer up, only when it had started (winsockStatus 0).
void StopNetworkStack(Sockets &sockets, int winsockStatus);

} // namespace vantrel
