// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The NetworkManager backend of the remote access service. Entries are
// NetworkManager's saved profiles of the kinds a person dials or brings up by
// hand; a dial activates one; connections are its active connections of those
// kinds, whoever made them. All D-Bus work runs on a thread of the service's
// own, which keeps what the poll reads up to date from NetworkManager's
// signals: no call of the service waits for the bus; a hang-up only asks, and
// the connection is gone when NetworkManager says so.
#include "platform/ras/nm/nmcache.h"
#include "platform/ras/rasservice.h"

#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace vantrel {

class NmWorker;
class NmAgent;

class NmService final : public RasService {
public:
    struct Options {
        // Empty: the system bus (libdbus honours DBUS_SYSTEM_BUS_ADDRESS).
        QString busAddress;
        // The longest any one D-Bus call may take.
        int callTimeoutMs = 2000;
        // How long the constructor waits for the first listing of profiles and
        // connections, so that the first poll already sees them.
        int startWaitMs = 3000;
    };

    explicit NmService(Options options);
    NmService() : NmService(Options{}) {}
    ~NmService() override;
    NmService(const NmService &) = delete;
    NmService &operator=(const NmService &) = delete;

    // NetworkManager is on the bus (as last seen by the service's thread).
    bool serviceUp() const;
    // The service's own unique name on the bus; the secret agent answers there.
    QString uniqueName() const;

    // The identifier the secret agent registers with.
    static constexpr const char *kAgentIdentifier = "com.morvent.vantrel";

    // RasService
    DWORD listEntries(QList<QString> *names) override;
    DWORD entryDialParams(const QString &entry, QString *userName, QString *password, bool *passwordSaved) override;
    DWORD dial(const QString &entry, const QString &userName, const QString &password,
               std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle) override;
    DWORD hangUp(HRASCONN handle) override;
    DWORD connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error) override;
    DWORD connections(QList<RasLiveConnection> *out) override;
    DWORD ipProjection(HRASCONN handle, QString *address) override;

private:
    Options m_options;
    NmCache m_cache;
    std::unique_ptr<QThread> m_thread;
    NmWorker *m_worker = nullptr; // lives on m_thread
    // The secret agent answers on a thread of its own: NetworkManager may ask
    // while the service's thread waits for one of its answers.
    std::unique_ptr<QThread> m_agentThread;
    NmAgent *m_agent = nullptr; // lives on m_agentThread

    // The constructor waits for the first listing.
    std::mutex m_startMutex;
    std::condition_variable m_started;
    bool m_startDone = false;
};

} // namespace vantrel
