#pragma once
// The sockets layer over the POSIX calls of the machine's own network stack.
#include "platform/sockets/sockets.h"

namespace vantrel {

// Error numbers of the sockets layer that this implementation returns.
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
constexpr int SOCKET_ERROR = -1;

// The maximum sockets the start-up record gives for a soft open-file limit: the
// limit itself, and 65535 for anything larger (or unlimited), the field being 16 bits.
std::uint16_t MaxSocketsForFileLimit(unsigned long long softLimit, bool unlimited);

class PosixSockets : public Sockets {
public:
    // Version 1.1 is the only one offered. A request for 1.1 or later gets 1.1; a
    // request below 1.1 is refused (WSAVERNOTSUPPORTED).
    int WSAStartup(WORD versionRequested, WSADATA *data) override;
    // SOCKET_ERROR when there was no matching start-up.
    int WSACleanup() override;
    // 0 on success; SOCKET_ERROR when the stack was not started, the buffer is
    // missing, or the name does not fit with its terminating NUL.
    int gethostname(char *name, int length) override;
    // First IPv4 addresses (in resolver order, no repeats) and the canonical name.
    // Empty when the stack was not started or the lookup fails.
    std::optional<HostEntry> gethostbyname(const char *name) override;

    int startups() const { return m_startups; }

private:
    int m_startups = 0;
};

} // namespace vantrel
