// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Asking STUN servers for the address the machine is seen from, one family at
// a time. The lookup itself (name resolution, one request per server, waiting
// for the answer) blocks, so it runs on a thread of its own; its result comes
// back to the thread that asked, from the event loop.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace vantrel {

enum class AddressFamily { V4, V6 };

struct StunServer {
    QString host; // a name, an IPv4 address or an IPv6 address (without brackets)
    quint16 port = 3478;
    // host:port, with brackets around an IPv6 address.
    QString text() const;
    bool operator==(const StunServer &) const = default;
};

// The servers a user wrote: entries separated by white space or commas, each
// "host", "host:port", "IPv4:port", "IPv6" or "[IPv6]:port". Entries that are
// not one of these (control characters, a bad port, a name no resolver takes)
// are listed in `bad` as written, shortened for display; at most kMaxServers
// entries are kept.
struct ServerList {
    QList<StunServer> servers;
    QStringList bad;
};
ServerList ParseServerList(const QString &text);
// The entries of such a text, as written, without their separators.
QStringList SplitServerEntries(const QString &text);
constexpr int kMaxServers = 8;
// Servers that answer Binding requests without an account, over IPv4 and IPv6.
inline const QString kDefaultStunServers = QStringLiteral("stun.cloudflare.com:3478 stun.l.google.com:19302");

struct LookupResult {
    AddressFamily family = AddressFamily::V4;
    bool ok = false;
    QString address;  // the mapped address (ok)
    QString server;   // the server that answered (ok), as StunServer::text()
    QString error;    // why no server gave an address (not ok): the last server's reason
    int requests = 0; // requests sent: at most one per server
};

// The lookup, blocking: each server in turn, one Binding request each, until
// one answers with an address of `family`; `timeoutMs` per server. Returns
// early when `cancelFd` (an eventfd, or -1) becomes readable. For a worker
// thread only.
LookupResult LookUpPublicAddress(AddressFamily family, const QList<StunServer> &servers, int timeoutMs, int cancelFd = -1);

// The platform stand-in: starts lookups without waiting for them.
class PublicAddressLookup {
public:
    virtual ~PublicAddressLookup() = default;
    // Starts a lookup and returns at once. `done` runs later on the calling
    // thread, from its event loop, unless `context` is gone by then.
    virtual void start(AddressFamily family, const QList<StunServer> &servers, QObject *context,
                       std::function<void(const LookupResult &)> done) = 0;
};

// The real one: a thread per lookup. Destroying it cancels what still runs
// and never waits: a thread still resolving a name ends on its own, and its
// result goes nowhere.
class StunLookup final : public QObject, public PublicAddressLookup {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 2000;
    explicit StunLookup(QObject *parent = nullptr);
    ~StunLookup() override;
    void start(AddressFamily family, const QList<StunServer> &servers, QObject *context,
               std::function<void(const LookupResult &)> done) override;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

} // namespace vantrel
