// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/singleinstance.h"

#include "platform/privatefolder.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vantrel {

namespace {

std::optional<sockaddr_un> socketAddress(const QString &path)
{
    const QByteArray native = path.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || static_cast<size_t>(native.size()) >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    return address;
}

// A listening copy is accepted by the kernel at once (its backlog holds the
// connection until the copy drops it); a socket file nobody listens on refuses
// at once; no file fails at once. So a look never waits.
bool answers(const sockaddr_un &address)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// Registration and removal of the socket are serialised between copies by a
// lock the kernel releases when its holder dies, so a copy never removes the
// socket another copy has just made.
class RegistrationLock {
public:
    explicit RegistrationLock(const QString &socketPath)
        : m_fd(::open((socketPath + QStringLiteral(".lock")).toLocal8Bit().constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
    {
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {}
    }
    ~RegistrationLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RegistrationLock(const RegistrationLock &) = delete;
    RegistrationLock &operator=(const RegistrationLock &) = delete;

private:
    int m_fd;
};

} // namespace

QString WindowClassSocket(const QString &className)
{
    const QString folder = UserRuntimeFolder();
    if (folder.isEmpty())
        return {};
    return folder + QLatin1Char('/') + className;
}

bool FindWindowClass(const QString &className)
{
    const std::optional<sockaddr_un> address = socketAddress(WindowClassSocket(className));
    return address && answers(*address);
}

std::unique_ptr<WindowClassRegistration> RegisterWindowClass(const QString &className)
{
    const QString path = WindowClassSocket(className);
    const std::optional<sockaddr_un> address = socketAddress(path);
    if (!address)
        return nullptr;
    RegistrationLock lock(path);
    if (answers(*address))
        return nullptr;          // a copy that started at about the same time got here first
    ::unlink(address->sun_path); // nobody answers: left by a copy that crashed

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) != 0 || ::listen(fd, 8) != 0
        || ::stat(address->sun_path, &st) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<WindowClassRegistration>(
        new WindowClassRegistration(path, fd, static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)));
}

WindowClassRegistration::WindowClassRegistration(QString path, int fd, quint64 device, quint64 inode)
    : m_path(std::move(path)), m_fd(fd), m_device(device), m_inode(inode),
      m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &WindowClassRegistration::answer);
}

WindowClassRegistration::~WindowClassRegistration()
{
    delete m_notifier;
    {
        RegistrationLock lock(m_path);
        const QByteArray native = m_path.toLocal8Bit();
        struct stat st {};
        if (::stat(native.constData(), &st) == 0 && static_cast<quint64>(st.st_dev) == m_device
            && static_cast<quint64>(st.st_ino) == m_inode)
            ::unlink(native.constData());
    }
    ::close(m_fd);
}

void WindowClassRegistration::answer()
{
    // Being found is all a look needs: take each connection and drop it.
    for (;;) {
        const int peer = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0)
            break;
        ::close(peer);
    }
}

} // namespace vantrel
