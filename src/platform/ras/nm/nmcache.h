// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the NetworkManager backend knows of NetworkManager: whether it is on the
// bus, the dial profiles, the active connections of dial kinds with the handles
// the program knows them by, the dials under way and those that failed, and
// which failed read is due again. The service's thread feeds it NetworkManager's
// answers and signals; the secret agent and the program's calls read it. Each
// method takes the lock itself and none calls out while holding it: the
// progress reports a change causes come back to the caller, who delivers them
// once the lock is released.
#include "platform/ras/rasservice.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace vantrel {

class NmCache {
public:
    using Progress = std::function<void(RASCONNSTATE, DWORD)>;

    struct Profile {
        QString path;
        QString id;
        QString type;
        QString userName;
        bool passwordSaved = true;
    };
    // One active connection as NetworkManager listed it.
    struct ActiveRead {
        QString path;
        QString profilePath;
        QString type;
        QStringList devices;
        unsigned state = 0;
        RasLiveConnection connection; // the handle is the cache's to give
        // Listed, but its own properties could not be read: what was known of
        // it stands until a read succeeds.
        bool unread = false;
    };
    struct Report {
        Progress progress;
        RASCONNSTATE state;
        DWORD error;
    };
    using Reports = std::vector<Report>;
    static void Deliver(const Reports &reports);

    // What asking NetworkManager to activate a dial takes. `serial` tells this
    // dial from any other that held the handle.
    struct DialRequest {
        HRASCONN handle = 0;
        QString profilePath;
        quint64 serial = 0;
    };
    struct ActiveApplied {
        Reports reports;
        bool applied = false; // false: NetworkManager went away meanwhile
        bool recheck = false; // a dial's connection ended: look again shortly for the reason
    };

    // The reads that can fail and be tried again.
    enum Read : unsigned { ReadActive = 1, ReadProfiles = 2 };
    // A failed read waits this long before it is tried again, twice as long
    // after each further failure, up to the longest.
    static constexpr int kRetryFirstMs = 250;
    static constexpr int kRetryLongestMs = 16000;

    static constexpr HRASCONN kFirstHandle = 0x4E4D0001;
    explicit NmCache(HRASCONN firstHandle = kFirstHandle) : m_nextHandle(firstHandle) {}
    NmCache(const NmCache &) = delete;
    NmCache &operator=(const NmCache &) = delete;

    // --- NetworkManager on the bus
    void setUniqueName(const QString &name);
    QString uniqueName() const;
    void wentUp(const QString &owner);
    // Forgets everything NetworkManager said, fails every dial under way and
    // drops what was due for retry.
    Reports wentDown();
    bool isUp() const;
    // Only NetworkManager itself may learn a typed password.
    bool isNetworkManager(const QString &sender) const;

    // --- look-ups for the program
    DWORD entryNames(QList<QString> *names) const;
    // The exact id first: NetworkManager's ids are case-sensitive, the
    // program's entry names are not.
    DWORD profileFor(const QString &entry, Profile *profile) const;
    DWORD status(HRASCONN handle, RASCONNSTATE *state, DWORD *error) const;
    QList<RasLiveConnection> liveConnections() const;
    DWORD address(HRASCONN handle, QString *address) const;

    // --- dials
    // Refuses a profile that is up or being dialled: activating it anew would
    // first take it down.
    DWORD startDial(const QString &entry, const QString &password, Progress progress, HRASCONN *handle, Reports &out);
    std::optional<DialRequest> dialRequest(HRASCONN handle) const;
    // NetworkManager accepted the activation. `*undo` is set to the connection
    // it started when the dial was hung up before the answer came.
    Reports activationAccepted(const DialRequest &request, const QString &activePath, QString *undo);
    Reports activationRefused(const DialRequest &request, DWORD error);
    // A dial ends for its caller at once; a failed one is forgotten; a live
    // connection stays until NetworkManager says it is going. `*deactivate`:
    // the connection to ask NetworkManager to take down, if any.
    DWORD hangUp(HRASCONN handle, Reports &out, QString *deactivate);
    // The typed password of the dial of that profile, once per dial: asked
    // again after a failure (`askedAnew`), it was wrong and is not repeated.
    std::optional<QString> takePassword(const QString &profilePath, bool askedAnew);

    // --- NetworkManager's signals
    Reports activeStateChanged(const QString &activePath, unsigned state, unsigned reason);
    Reports deviceStateChanged(const QString &device, unsigned newState, unsigned reason);

    // --- reads
    // The profile as last read, for one that did not answer this time.
    std::optional<Profile> lastRead(const QString &profilePath) const;
    void applyProfiles(QList<Profile> profiles);
    ActiveApplied applyActive(const QList<ActiveRead> &seen);

    // --- retries
    // Returns how long to wait before trying again.
    int readFailed(unsigned reads);
    // True when nothing is due any more.
    bool readSucceeded(unsigned reads);
    unsigned dueForRetry() const;

private:
    struct Active {
        QString path;
        QString profilePath;
        HRASCONN handle = 0;
        RasLiveConnection connection;
        unsigned state = 0;
    };
    struct Dial {
        HRASCONN handle = 0;
        quint64 serial = 0;
        QString profilePath;
        QString password; // typed for this dial only; empty: none
        bool passwordGiven = false;
        Progress progress;
        QString activePath;  // known once NetworkManager accepted the dial
        QStringList devices; // the active connection's devices
        RASCONNSTATE last = RASCS_OpenPort;
        unsigned activeReason = 0; // last reason of the active connection
        bool endSeen = false;      // a refresh found it ended; the reason may be on its way
    };
    struct Failed {
        RASCONNSTATE state;
        DWORD error;
    };

    // All of these are called with m_mutex held.
    const Profile *findProfileLocked(const QString &entry) const;
    HRASCONN takeHandleLocked();
    bool currentLocked(const DialRequest &request) const;
    void stepLocked(Dial &dial, RASCONNSTATE state, Reports &out);
    void failLocked(HRASCONN handle, DWORD error, Reports &out);
    unsigned deviceReasonLocked(const Dial &dial) const;

    mutable std::mutex m_mutex;
    bool m_up = false;
    QString m_uniqueName;
    QString m_nmOwner;                     // NetworkManager's unique name on the bus
    QList<Profile> m_profiles;             // NetworkManager's order
    QList<Active> m_active;                // NetworkManager's order, dial kinds only
    std::map<QString, HRASCONN> m_handles; // active connection path -> handle
    std::map<HRASCONN, std::shared_ptr<Dial>> m_dials;
    std::map<HRASCONN, Failed> m_failed;         // kept until hung up, as a real port is
    std::map<QString, unsigned> m_deviceReasons; // device path -> last failure reason
    std::set<quint64> m_hungUpUnanswered;        // dials hung up before NetworkManager accepted them
    HRASCONN m_nextHandle;
    quint64 m_nextSerial = 1;
    int m_retryMs = 0;       // the last wait before a retry; 0: nothing to retry
    unsigned m_retryDue = 0; // Read flags
};

} // namespace vantrel
