// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on the lookup threads only (LookUpPublicAddress): it resolves names and
// waits for answers. StunLookup hands the results back to the asking thread.
#include "platform/stun/stunlookup.h"

#include "platform/stun/stunmessage.h"

#include <QCoreApplication>
#include <QPointer>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr qsizetype kMaxHostLength = 253;
constexpr qsizetype kShownBadLength = 40;

QString shown(const QString &entry)
{
    QString text = entry;
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QChar::ReplacementCharacter;
    return text.size() > kShownBadLength ? text.left(kShownBadLength) + QChar(0x2026) : text;
}

bool isIpv6Literal(const QString &host)
{
    in6_addr a{};
    return ::inet_pton(AF_INET6, host.toLatin1().constData(), &a) == 1;
}

// A host name the resolver takes: letters, digits, '-' and '.', labels of 1 to
// 63 characters that neither begin nor end with '-', or an IPv4 address
// (which is such a name too). No regular expression: the lookup's settings
// are read at every start, and PCRE's compiler is not worth its pages here.
bool isHostName(const QString &host)
{
    if (host.isEmpty() || host.size() > kMaxHostLength)
        return false;
    const QStringList labels = host.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const QString &l = labels[i];
        if (l.isEmpty() && i == labels.size() - 1 && i > 0)
            continue; // one final dot
        if (l.isEmpty() || l.size() > 63 || l.front() == QLatin1Char('-') || l.back() == QLatin1Char('-'))
            return false;
        for (const QChar c : l)
            if (!(c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                  || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('-'))
                || c.unicode() > 0x7F)
                return false;
    }
    return true;
}

bool parsePort(const QString &text, quint16 &port)
{
    bool ok = false;
    const uint n = text.toUInt(&ok);
    if (!ok || n == 0 || n > 65535 || text.size() > 5 || !text.front().isDigit())
        return false;
    port = quint16(n);
    return true;
}

bool parseEntry(const QString &entry, StunServer &out)
{
    QString host = entry;
    quint16 port = stun::kDefaultPort;
    if (entry.startsWith(QLatin1Char('['))) {
        const qsizetype close = entry.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        host = entry.mid(1, close - 1);
        const QString rest = entry.mid(close + 1);
        if (!rest.isEmpty() && (!rest.startsWith(QLatin1Char(':')) || !parsePort(rest.mid(1), port)))
            return false;
        if (!isIpv6Literal(host))
            return false;
    } else if (entry.count(QLatin1Char(':')) > 1) {
        if (!isIpv6Literal(entry))
            return false;
    } else {
        const qsizetype colon = entry.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            host = entry.left(colon);
            if (!parsePort(entry.mid(colon + 1), port))
                return false;
        }
        if (!isHostName(host))
            return false;
    }
    out.host = host;
    out.port = port;
    return true;
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool cancelled(int cancelFd)
{
    if (cancelFd < 0)
        return false;
    pollfd p{cancelFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// One server: resolve, send one request, wait for its answer. True with the
// address; otherwise `why` says what went wrong.
bool askServer(AddressFamily family, const StunServer &server, int timeoutMs, int cancelFd, stun::MappedAddress &address,
               QString &why, int &requests)
{
    addrinfo hints{};
    hints.ai_family = family == AddressFamily::V4 ? AF_INET : AF_INET6;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const QByteArray port = QByteArray::number(server.port);
    const int rc = ::getaddrinfo(server.host.toLatin1().constData(), port.constData(), &hints, &found);
    if (rc != 0 || !found) {
        why = QCoreApplication::translate("vantrel::PublicAddress", "%1: the name was not found (%2)")
                  .arg(server.text(), QString::fromLocal8Bit(::gai_strerror(rc)));
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, ::freeaddrinfo);
    if (cancelled(cancelFd))
        return false;

    Fd sock(::socket(found->ai_family, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_UDP));
    if (sock.get() < 0 || ::connect(sock.get(), found->ai_addr, found->ai_addrlen) != 0) {
        why = QStringLiteral("%1: %2").arg(server.text(), systemError(errno));
        return false;
    }
    stun::TransactionId id;
    std::random_device random;
    for (auto &b : id)
        b = std::uint8_t(random());
    const QByteArray request = stun::BindingRequest(id);
    ++requests;
    if (::send(sock.get(), request.constData(), size_t(request.size()), 0) != request.size()) {
        why = QStringLiteral("%1: %2").arg(server.text(), systemError(errno));
        return false;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buf[1500];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p[2] = {{sock.get(), POLLIN, 0}, {cancelFd, POLLIN, 0}};
        const int ready = ::poll(p, cancelFd >= 0 ? 2 : 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (cancelFd >= 0 && (p[1].revents & POLLIN)))
            return false;
        if (ready == 0)
            break;
        const ssize_t got = ::recv(sock.get(), buf, sizeof buf, 0);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            // ECONNREFUSED: nothing listens there (the kernel saw the ICMP answer).
            why = QStringLiteral("%1: %2").arg(server.text(), systemError(errno));
            return false;
        }
        const stun::Answer answer = stun::ReadBindingAnswer(QByteArrayView(buf, got), id);
        switch (answer.outcome) {
        case stun::Outcome::NotAnAnswer:
        case stun::Outcome::OtherTransaction: continue; // not ours: the answer may still come
        case stun::Outcome::Malformed:
            why = QCoreApplication::translate("vantrel::PublicAddress", "%1: the answer cannot be read: %2")
                      .arg(server.text(), answer.reason);
            return false;
        case stun::Outcome::ErrorResponse:
            why = QCoreApplication::translate("vantrel::PublicAddress", "%1: refused (%2 %3)")
                      .arg(server.text())
                      .arg(answer.errorCode)
                      .arg(answer.reason);
            return false;
        case stun::Outcome::Mapped:
            if (answer.address.ipv6 != (family == AddressFamily::V6)) {
                why = QCoreApplication::translate("vantrel::PublicAddress",
                                                  "%1: the answer names an address of the other family")
                          .arg(server.text());
                return false;
            }
            address = answer.address;
            return true;
        }
    }
    why = QCoreApplication::translate("vantrel::PublicAddress", "%1: no answer within %2 s")
              .arg(server.text())
              .arg(timeoutMs / 1000.0);
    return false;
}

} // namespace

QStringList SplitServerEntries(const QString &text)
{
    QStringList entries;
    QString entry;
    for (const QChar c : text) {
        if (c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';')) {
            if (!entry.isEmpty())
                entries.append(std::exchange(entry, {}));
        } else {
            entry.append(c);
        }
    }
    if (!entry.isEmpty())
        entries.append(entry);
    return entries;
}

QString StunServer::text() const
{
    const QString shownHost = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shownHost + QLatin1Char(':') + QString::number(port);
}

ServerList ParseServerList(const QString &text)
{
    ServerList list;
    // Each entry is short; a text of thousands of characters holds no list a
    // person wrote, and is not split further than needed.
    const QStringList entries = SplitServerEntries(text.left(4096));
    for (const QString &entry : entries) {
        StunServer server;
        if (!parseEntry(entry, server)) {
            list.bad.append(shown(entry));
            continue;
        }
        if (list.servers.size() < kMaxServers && !list.servers.contains(server))
            list.servers.append(server);
    }
    return list;
}

LookupResult LookUpPublicAddress(AddressFamily family, const QList<StunServer> &servers, int timeoutMs, int cancelFd)
{
    LookupResult result;
    result.family = family;
    bool any = false;
    for (const StunServer &server : servers) {
        if (cancelled(cancelFd))
            break;
        // An address of the other family cannot be asked over this one.
        in_addr v4{};
        const bool literal4 = ::inet_pton(AF_INET, server.host.toLatin1().constData(), &v4) == 1;
        if ((family == AddressFamily::V6 && literal4) || (family == AddressFamily::V4 && isIpv6Literal(server.host)))
            continue;
        any = true;
        stun::MappedAddress address;
        if (askServer(family, server, timeoutMs, cancelFd, address, result.error, result.requests)) {
            result.ok = true;
            result.address = address.text();
            result.server = server.text();
            result.error.clear();
            return result;
        }
    }
    if (!any)
        result.error = family == AddressFamily::V4
                           ? QCoreApplication::translate("vantrel::PublicAddress",
                                                         "no server of the list is reached over IPv4")
                           : QCoreApplication::translate("vantrel::PublicAddress",
                                                         "no server of the list is reached over IPv6");
    return result;
}

// What a lookup thread shares with the object that started it: the cancel
// signal, and the object to hand the result to while it exists.
struct StunLookup::Shared {
    std::mutex mutex;
    StunLookup *owner = nullptr;
    int cancelFd = -1;
    ~Shared()
    {
        if (cancelFd >= 0)
            ::close(cancelFd);
    }
};

StunLookup::StunLookup(QObject *parent) : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
}

StunLookup::~StunLookup()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->owner = nullptr;
    if (m_shared->cancelFd >= 0) {
        const std::uint64_t one = 1;
        (void)!::write(m_shared->cancelFd, &one, sizeof one);
    }
}

void StunLookup::start(AddressFamily family, const QList<StunServer> &servers, QObject *context,
                       std::function<void(const LookupResult &)> done)
{
    // Made at the first lookup: while the lookup is off, nothing is opened.
    if (m_shared->cancelFd < 0)
        m_shared->cancelFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    QPointer<QObject> guard(context);
    std::thread([shared = m_shared, family, servers, guard, done = std::move(done)] {
        const LookupResult result = LookUpPublicAddress(family, servers, kTimeoutMs, shared->cancelFd);
        std::lock_guard lock(shared->mutex);
        if (!shared->owner)
            return;
        // Queued to the owner's thread; the guard is read there.
        QMetaObject::invokeMethod(
            shared->owner,
            [guard, done, result] {
                if (guard)
                    done(result);
            },
            Qt::QueuedConnection);
    }).detach();
}

} // namespace vantrel
