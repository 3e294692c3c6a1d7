// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading, locking and replacing the program's own files safely: a FIFO or a
// device in a file's place is refused at once instead of blocking open() or
// read() for ever, a file larger than its reader accepts is refused before it is
// read, locks are ones the kernel drops when their holder dies, and a file is
// replaced whole or not at all.
#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace vantrel {

// Error codes of these helpers beyond errno: the path names something that is
// neither a regular file nor a folder (a FIFO, a socket, a device).
constexpr int kNotRegularFile = -1;

// Text for an errno value or kNotRegularFile.
QString FileErrorText(int err);

// Opens `path` (O_RDONLY, O_WRONLY or O_RDWR, plus O_APPEND/O_CREAT/O_EXCL as
// given) without blocking on a FIFO or device, and refuses anything but a
// regular file: -1 with *err set (EISDIR for a folder, kNotRegularFile for the
// rest). The descriptor is close-on-exec and blocking again for its reads and
// writes. `st` receives the file's status when given.
int OpenRegularFile(const QByteArray &path, int flags, mode_t mode, int *err, struct stat *st = nullptr);

// Reads the whole of an open file, refusing it (EFBIG) when it holds more than
// `maxBytes`, also when it grows while being read.
bool ReadOpenFile(int fd, qint64 maxBytes, QByteArray *out, int *err);

// OpenRegularFile + ReadOpenFile.
bool ReadRegularFile(const QByteArray &path, qint64 maxBytes, QByteArray *out, int *err, struct stat *st = nullptr);

// Writes all of `data` at the descriptor's position, continuing short writes.
bool WriteAll(int fd, const QByteArray &data, int *err);

// Takes an exclusive flock() on an open file, polling for up to `timeoutMs`
// while another holder has it. False with *err set (ETIMEDOUT when the holder
// keeps it that long). The lock goes when the descriptor is closed.
bool LockOpenFile(int fd, int timeoutMs, int *err);

// An exclusive flock() on a lock file that is created when missing and never
// removed. The kernel releases it when the holder's descriptor closes, also when
// the process dies, so a crashed writer never leaves a lock behind and no lock
// has to be judged stale. Locks of separate FileLock objects exclude each other
// also within one process.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { unlock(); }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Waits up to `timeoutMs` for the lock. False with *err set: the errno of
    // open() (EACCES/EROFS: the folder cannot be written), kNotRegularFile, or
    // ETIMEDOUT when another holder keeps it that long.
    bool lock(const QByteArray &path, int timeoutMs, int *err);
    void unlock();
    bool isLocked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Replaces the file at `path` with `data`, whole or not at all: the text goes to
// `path` + ".tmp", is synced and renamed over `path`. Only a holder of the
// file's lock may call this: the temporary name is fixed, so whatever is found
// under it belongs to a writer that died before its rename and is removed first.
// A file that exists keeps its permission bits. False with *err set on failure;
// `path` is then unchanged and no temporary file stays.
bool ReplaceFileLocked(const QByteArray &path, const QByteArray &data, mode_t newMode, int *err);

} // namespace vantrel
