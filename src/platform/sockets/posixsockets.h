// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sockets layer over the POSIX calls of the machine's own network stack.
#include "platform/sockets/interfaces.h"
#include "platform/sockets/sockets.h"

#include <QCoreApplication>
#include <QString>

#include <memory>

namespace vantrel {

// The start-up record's texts. The record holds them in English, as a sockets
// layer gives them; the details window shows them in the user's language.
namespace sockets_text {
inline constexpr char kDescription[] = QT_TRANSLATE_NOOP("sockets_text",
                                                         "Vantrel sockets layer 1.1 on the POSIX network stack");
inline constexpr char kRunning[] = QT_TRANSLATE_NOOP("sockets_text", "Running");
// %1: the system's name and release, as uname gives them.
inline constexpr char kRunningOn[] = QT_TRANSLATE_NOOP("sockets_text", "Running on %1");
// A description or system status from the record in the user's language; the
// text of another sockets layer stays as it is.
QString TranslatedDescription(const QString &text);
QString TranslatedStatus(const QString &text);
} // namespace sockets_text

// Error numbers of the sockets layer that this implementation returns.
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
constexpr int SOCKET_ERROR = -1;

// The maximum sockets the start-up record gives for a soft open-file limit: the
// limit itself, and 65535 for anything larger (or unlimited), the field being 16 bits.
std::uint16_t MaxSocketsForFileLimit(unsigned long long softLimit, bool unlimited);

// The machine's own name is looked up in its interfaces, never through the
// resolver: the hosts file of many systems maps it to a loopback address, and a
// resolver that goes to DNS can wait for seconds while the network is down.
// True when `name` is `ownName`, letter case and one final dot aside.
bool IsOwnHostName(const char *name, const char *ownName);

class PosixSockets : public Sockets {
public:
    // The own name is answered from `interfaces`, which must outlive this object.
    explicit PosixSockets(InterfaceSource &interfaces);
    // The same with the system's interfaces.
    PosixSockets();
    ~PosixSockets() override;

    // Version 1.1 is the only one offered. A request for 1.1 or later gets 1.1; a
    // request below 1.1 is refused (WSAVERNOTSUPPORTED).
    int WSAStartup(WORD versionRequested, WSADATA *data) override;
    // SOCKET_ERROR when there was no matching start-up.
    int WSACleanup() override;
    // 0 on success; SOCKET_ERROR when the stack was not started, the buffer is
    // missing, or the name does not fit with its terminating NUL.
    int gethostname(char *name, int length) override;
    // The machine's own name (as gethostname gives it): that name and the
    // addresses ChooseOwnAddresses picks from the interfaces, without the
    // resolver; empty when no interface has one. Any other name: the resolver's
    // IPv4 and IPv6 addresses (in its order, no repeats) and canonical name.
    // Empty when the stack was not started or the lookup fails.
    std::optional<HostEntry> gethostbyname(const char *name) override;

    int startups() const { return m_startups; }

private:
    std::optional<HostEntry> ownHostEntry(const char *ownName);

    std::unique_ptr<InterfaceSource> m_ownInterfaces;
    InterfaceSource &m_interfaces;
    int m_startups = 0;
};

} // namespace vantrel
