// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/simline/filestamp.h"

#include "platform/regularfile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

FileStamp stampOf(const struct stat &st)
{
    FileStamp stamp;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

} // namespace

bool StatFile(const QByteArray &nativePath, FileStamp *stamp, int *err)
{
    struct stat st {};
    if (::stat(nativePath.constData(), &st) != 0) {
        if (err)
            *err = errno;
        return false;
    }
    *stamp = stampOf(st);
    return true;
}

bool ReadWithStamp(const QByteArray &nativePath, qint64 maxBytes, QByteArray *content, FileStamp *stamp, int *err)
{
    struct stat st {};
    const int fd = OpenRegularFile(nativePath, O_RDONLY, 0, err, &st);
    if (fd < 0)
        return false;
    *stamp = stampOf(st);
    const bool ok = ReadOpenFile(fd, maxBytes, content, err);
    ::close(fd);
    return ok;
}

} // namespace vantrel
