// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/regularfile.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantrel {

QString FileErrorText(int err)
{
    if (err == kNotRegularFile)
        return QCoreApplication::translate("RegularFile", "not a regular file");
    return QString::fromLocal8Bit(std::strerror(err));
}

int OpenRegularFile(const QByteArray &path, int flags, mode_t mode, int *err, struct stat *st)
{
    // O_NONBLOCK: opening a FIFO without a writer (or a reader) would wait for
    // one for ever; a device may block the same way.
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *err = errno;
        // A FIFO opened for writing with nobody reading says ENXIO.
        struct stat s {};
        if (*err == ENXIO && ::stat(path.constData(), &s) == 0 && !S_ISREG(s.st_mode))
            *err = kNotRegularFile;
        return -1;
    }
    struct stat own {};
    struct stat &s = st ? *st : own;
    if (::fstat(fd, &s) != 0) {
        *err = errno;
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(s.st_mode)) {
        *err = S_ISDIR(s.st_mode) ? EISDIR : kNotRegularFile;
        ::close(fd);
        return -1;
    }
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0)
        ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

bool ReadOpenFile(int fd, qint64 maxBytes, QByteArray *out, int *err)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *err = errno;
        return false;
    }
    if (st.st_size > maxBytes) {
        *err = EFBIG;
        return false;
    }
    QByteArray data;
    data.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            return false;
        }
        if (n == 0)
            break;
        if (data.size() + n > maxBytes) {
            *err = EFBIG;
            return false;
        }
        data.append(buffer, n);
    }
    *out = std::move(data);
    return true;
}

bool ReadRegularFile(const QByteArray &path, qint64 maxBytes, QByteArray *out, int *err, struct stat *st)
{
    const int fd = OpenRegularFile(path, O_RDONLY, 0, err, st);
    if (fd < 0)
        return false;
    const bool ok = ReadOpenFile(fd, maxBytes, out, err);
    ::close(fd);
    return ok;
}

bool WriteAll(int fd, const QByteArray &data, int *err)
{
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            return false;
        }
        if (n == 0) {
            *err = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool LockOpenFile(int fd, int timeoutMs, int *err)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *err = errno;
            return false;
        }
        // Holders keep the lock for a few milliseconds; poll rather than block,
        // so the wait has an end even when a holder hangs.
        if (Clock::now() >= deadline) {
            *err = ETIMEDOUT;
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

bool FileLock::lock(const QByteArray &path, int timeoutMs, int *err)
{
    unlock();
    const int fd = OpenRegularFile(path, O_RDWR | O_CREAT, 0600, err);
    if (fd < 0)
        return false;
    if (!LockOpenFile(fd, timeoutMs, err)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void FileLock::unlock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor releases the flock
    m_fd = -1;
}

bool ReplaceFileLocked(const QByteArray &path, const QByteArray &data, mode_t newMode, int *err)
{
    const QByteArray tmp = path + ".tmp";
    // A file under the temporary name is a dead writer's; whatever it is (even a
    // FIFO), it goes.
    if (::unlink(tmp.constData()) != 0 && errno != ENOENT) {
        *err = errno;
        return false;
    }
    mode_t mode = newMode;
    struct stat old {};
    const bool exists = ::stat(path.constData(), &old) == 0;
    if (exists)
        mode = old.st_mode & 07777;
    const int fd = OpenRegularFile(tmp, O_WRONLY | O_CREAT | O_EXCL, mode, err);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, data, err);
    // The mode given to open() is cut by the umask; an existing file's mode is
    // kept as it was.
    if (ok && exists && ::fchmod(fd, mode) != 0) {
        *err = errno;
        ok = false;
    }
    if (ok && ::fdatasync(fd) != 0) {
        *err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *err = errno;
        ok = false;
    }
    if (ok && ::rename(tmp.constData(), path.constData()) != 0) {
        *err = errno;
        ok = false;
    }
    if (!ok)
        ::unlink(tmp.constData());
    return ok;
}

} // namespace vantrel
