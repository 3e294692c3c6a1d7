// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shared state of the simulated line: the connections up now, in one file
// that every process of the user reads and writes.
#include "platform/ras/rasservice.h"
#include "platform/ras/simline/filestamp.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <mutex>

namespace vantrel {

// The state lists the connections up now, a few lines; a larger file is refused.
constexpr qint64 kMaxStateBytes = 1024 * 1024;

// One live (or being dialled) connection in the shared state file.
struct LineRecord {
    RasLiveConnection connection;
    qint64 ownerPid = 0; // process dialling it; 0 once connected or brought up by hand
};

// The shared state file `lines` in a folder. Reading takes no lock: writers
// replace the file by atomic rename, and a reader keeps the last parse until the
// file's inode, size or times change, so an unchanged file costs one stat().
// Writers take a kernel lock (flock on lines.lock, released when the holder
// dies), re-read, change and replace the file whole.
class LineState {
public:
    explicit LineState(QString dir);

    QString path() const { return m_path; }
    QString dir() const { return m_dir; }

    // Why the folder cannot hold the state, or empty when it can: it must be
    // private to the user (see PrivateFolderProblem), or not exist yet, when
    // the first write makes it so. A folder that is not private is never read
    // or written: another user could put a forged state there.
    QString folderProblem() const;

    // The records, dials of processes that have died left out. Thread-safe.
    QList<LineRecord> read();
    // The same as connections, for the service.
    QList<RasLiveConnection> connections();

    // Locked read-modify-write. `change` gets the fresh records and the next free
    // handle; it returns false to leave the file as it was. False with a reason
    // in `why` when the lock cannot be had or the file cannot be written.
    bool update(const std::function<bool(QList<LineRecord> &, HRASCONN &nextHandle)> &change, QString *why = nullptr);

    static QByteArray serialize(const QList<LineRecord> &records, HRASCONN nextHandle);
    static QList<LineRecord> parse(const QByteArray &text, HRASCONN *nextHandle);
    // Takes a fresh handle (never 0, never one in use) and advances the counter.
    static HRASCONN takeHandle(const QList<LineRecord> &records, HRASCONN &nextHandle);

private:
    // Brings the cache up to date; m_mutex must be held.
    void refreshLocked();
    static bool hasDeadDials(const QList<LineRecord> &records);
    static QList<LineRecord> withoutDeadDials(QList<LineRecord> records);

    QString m_dir;
    QString m_path;
    QByteArray m_nativePath;
    std::mutex m_mutex;
    bool m_cacheValid = false;
    FileStamp m_stamp;
    QList<LineRecord> m_cache;
    QList<RasLiveConnection> m_cacheConnections;
    bool m_cacheHasDials = false; // some record belongs to a dial in progress
};
} // namespace vantrel
