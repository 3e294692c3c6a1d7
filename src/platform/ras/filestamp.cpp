#include "platform/ras/filestamp.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

bool StatFile(const QByteArray &nativePath, FileStamp *stamp, int *err)
{
    struct stat st {};
    if (::stat(nativePath.constData(), &st) != 0) {
        if (err)
            *err = errno;
        return false;
    }
    stamp->dev = st.st_dev;
    stamp->ino = st.st_ino;
    stamp->size = st.st_size;
    stamp->mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp->ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

bool ReadWithStamp(const QByteArray &nativePath, QByteArray *content, FileStamp *stamp, int *err)
{
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *err = errno;
        ::close(fd);
        return false;
    }
    stamp->dev = st.st_dev;
    stamp->ino = st.st_ino;
    stamp->size = st.st_size;
    stamp->mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp->ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    content->clear();
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        content->append(buf, n);
    }
    ::close(fd);
    return true;
}

} // namespace vantrel
