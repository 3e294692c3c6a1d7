// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Telling one version of a file from the next, and reading a file whole so that
// the content matches the stamp.
#include <QByteArray>
#include <QtGlobal>

#include <sys/types.h>

namespace vantrel {

// What identifies one version of a file: a change of content replaces the file
// (new inode) or changes its size or times.
struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    bool operator==(const FileStamp &) const = default;
};
// False when the file does not exist or cannot be looked at.
bool StatFile(const QByteArray &nativePath, FileStamp *stamp, int *err = nullptr);
// Reads a whole file through one descriptor, so the stamp matches the content.
// A FIFO or device is refused at once (kNotRegularFile), a file larger than
// `maxBytes` with EFBIG.
bool ReadWithStamp(const QByteArray &nativePath, qint64 maxBytes, QByteArray *content, FileStamp *stamp, int *err);

} // namespace vantrel
