// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An in-memory remote access service for tests: a phonebook, live connections
// with addresses, failing calls on demand and scripted dial answers. Put a RasApi
// in front of it (RasApi api(fake);) to drive the program's code.
//
// Dial answers are taken from a queue, one per dial (the last one repeats; with
// none queued a dial connects at once). Each answer says how its notifications
// are delivered:
//   Synchronous - all of them inside dial(), before it returns;
//   Thread      - from a worker thread, one after another, right after dial();
//   Manual      - not at all until the test calls deliver()/deliverAll(), from
//                 whatever thread it likes (the dial stays "in progress").
// A dial whose script ends in RASCS_Connected without error becomes a live
// connection with the answer's address.
#include "platform/ras/ras.h"
#include "platform/ras/rasservice.h"

#include <QList>
#include <QString>

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace vantrel::test {

class FakeRasService final : public RasService {
public:
    struct Entry {
        QString name;
        QString userName;
        QString password;
        bool passwordSaved = false;
    };

    struct Step {
        RASCONNSTATE state;
        DWORD error = 0;
    };

    enum class Delivery { Synchronous, Thread, Manual };

    struct DialAnswer {
        DWORD startError = 0; // non-zero: dial() fails at once with it, nothing is delivered
        QList<Step> steps;    // what the notifier is told, in order
        Delivery delivery = Delivery::Synchronous;
        QString address = QStringLiteral("10.0.0.1"); // given to the connection once connected
        QString deviceType = QStringLiteral("modem");
        QString deviceName = QStringLiteral("Fake Modem");
    };

    // Ready-made scripts.
    static QList<Step> connectSteps()
    {
        return {{RASCS_OpenPort},
                {RASCS_PortOpened},
                {RASCS_ConnectDevice},
                {RASCS_DeviceConnected},
                {RASCS_AllDevicesConnected},
                {RASCS_Authenticate},
                {RASCS_Authenticated},
                {RASCS_Connected}};
    }
    static QList<Step> failSteps(RASCONNSTATE at, DWORD error)
    {
        QList<Step> out;
        for (const Step &s : connectSteps()) {
            if (s.state == at)
                break;
            out.append(s);
        }
        out.append({at, error});
        return out;
    }
    static DialAnswer connectAnswer(const QString &address = QStringLiteral("10.0.0.1"),
                                    Delivery delivery = Delivery::Synchronous)
    {
        DialAnswer a;
        a.steps = connectSteps();
        a.address = address;
        a.delivery = delivery;
        return a;
    }
    static DialAnswer failAnswer(RASCONNSTATE at, DWORD error, Delivery delivery = Delivery::Synchronous)
    {
        DialAnswer a;
        a.steps = failSteps(at, error);
        a.delivery = delivery;
        return a;
    }

    struct DialCall {
        QString entry;
        QString userName;
        QString password;
        HRASCONN handle = 0;
    };

    ~FakeRasService() override { joinThreads(); }

    // --- set-up (call from the test thread before or between dials) ---
    void addEntry(const QString &name, const QString &user = {}, const QString &password = {}, bool saved = false)
    {
        std::lock_guard lock(m_mutex);
        m_entries.append({name, user, password, saved});
    }
    HRASCONN addConnection(const QString &entry, const QString &address,
                           const QString &deviceType = QStringLiteral("modem"),
                           const QString &deviceName = QStringLiteral("Fake Modem"))
    {
        std::lock_guard lock(m_mutex);
        RasLiveConnection c;
        c.handle = m_nextHandle++;
        c.entryName = entry;
        c.deviceType = deviceType;
        c.deviceName = deviceName;
        c.address = address;
        m_connections.append(c);
        return c.handle;
    }
    // Sets the address of a live connection ("" = projection not complete yet).
    void setAddress(HRASCONN handle, const QString &address)
    {
        std::lock_guard lock(m_mutex);
        for (RasLiveConnection &c : m_connections)
            if (c.handle == handle)
                c.address = address;
    }
    // Drops a connection as a line that goes dead would.
    void dropConnection(HRASCONN handle)
    {
        std::lock_guard lock(m_mutex);
        m_connections.removeIf([handle](const RasLiveConnection &c) { return c.handle == handle; });
    }
    void clearConnections()
    {
        std::lock_guard lock(m_mutex);
        m_connections.clear();
    }
    void queueDialAnswer(DialAnswer a)
    {
        std::lock_guard lock(m_mutex);
        m_answers.append(std::move(a));
    }

    // Failures on demand (0 = the call works).
    DWORD listEntriesError = 0;
    DWORD entryDialParamsError = 0;
    DWORD connectionsError = 0;
    DWORD hangUpError = 0;
    // connectStatus keeps answering "still there" for this many calls after the
    // handle is gone, as a line that takes a while to drop does.
    int statusCallsBeforeGone = 0;

    // --- Manual delivery ---
    // Delivers the next scripted step of the dial in progress; false when none is left.
    bool deliver()
    {
        std::function<void(RASCONNSTATE, DWORD)> progress;
        Step step{};
        {
            std::lock_guard lock(m_mutex);
            if (!m_pending || m_pending->next >= m_pending->answer.steps.size())
                return false;
            step = m_pending->answer.steps.at(m_pending->next++);
            progress = m_pending->progress;
            applyStepLocked(m_pending->handle, m_pending->answer, step);
            if (m_pending->next >= m_pending->answer.steps.size())
                m_pending.reset();
        }
        progress(step.state, step.error);
        return true;
    }
    void deliverAll()
    {
        while (deliver()) {}
    }
    // Delivers any step, outside the script (e.g. a state outside the known table).
    void deliverExtra(RASCONNSTATE state, DWORD error)
    {
        std::function<void(RASCONNSTATE, DWORD)> progress;
        {
            std::lock_guard lock(m_mutex);
            progress = m_lastProgress;
        }
        if (progress)
            progress(state, error);
    }
    bool dialPending() const
    {
        std::lock_guard lock(m_mutex);
        return m_pending.has_value();
    }

    // --- what happened ---
    QList<DialCall> dialCalls() const
    {
        std::lock_guard lock(m_mutex);
        return m_dialCalls;
    }
    QList<HRASCONN> hangUpCalls() const
    {
        std::lock_guard lock(m_mutex);
        return m_hangUps;
    }
    int connectionsCalls() const
    {
        std::lock_guard lock(m_mutex);
        return m_connectionsCalls;
    }
    void joinThreads()
    {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(m_mutex);
            threads.swap(m_threads);
        }
        for (std::thread &t : threads)
            t.join();
    }

    // --- RasService ---
    DWORD listEntries(QList<QString> *names) override
    {
        std::lock_guard lock(m_mutex);
        if (listEntriesError)
            return listEntriesError;
        names->clear();
        for (const Entry &e : m_entries)
            names->append(e.name);
        return 0;
    }
    DWORD entryDialParams(const QString &entry, QString *userName, QString *password, bool *passwordSaved) override
    {
        std::lock_guard lock(m_mutex);
        if (entryDialParamsError)
            return entryDialParamsError;
        for (const Entry &e : m_entries) {
            if (e.name.compare(entry, Qt::CaseInsensitive) == 0) {
                *userName = e.userName;
                *password = e.passwordSaved ? e.password : QString();
                *passwordSaved = e.passwordSaved;
                return 0;
            }
        }
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    }
    DWORD dial(const QString &entry, const QString &userName, const QString &password,
               std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle) override
    {
        DialAnswer answer;
        HRASCONN h = 0;
        {
            std::lock_guard lock(m_mutex);
            if (!m_answers.isEmpty())
                answer = m_answers.size() > 1 ? m_answers.takeFirst() : m_answers.first();
            else
                answer = connectAnswer();
            h = m_nextHandle++;
            m_dialCalls.append({entry, userName, password, answer.startError ? 0 : h});
            if (answer.startError)
                return answer.startError;
            *handle = h;
            m_dialing.append({h, entry, answer.deviceType, answer.deviceName, QString()});
            m_lastProgress = progress;
        }
        switch (answer.delivery) {
        case Delivery::Synchronous:
            for (const Step &s : answer.steps) {
                {
                    std::lock_guard lock(m_mutex);
                    applyStepLocked(h, answer, s);
                }
                progress(s.state, s.error);
            }
            break;
        case Delivery::Thread: {
            std::lock_guard lock(m_mutex);
            m_threads.emplace_back([this, h, answer, progress] {
                for (const Step &s : answer.steps) {
                    {
                        std::lock_guard inner(m_mutex);
                        applyStepLocked(h, answer, s);
                    }
                    progress(s.state, s.error);
                }
            });
            break;
        }
        case Delivery::Manual: {
            std::lock_guard lock(m_mutex);
            m_pending = Pending{h, answer, std::move(progress), 0};
            break;
        }
        }
        return 0;
    }
    DWORD hangUp(HRASCONN handle) override
    {
        std::lock_guard lock(m_mutex);
        m_hangUps.append(handle);
        if (hangUpError)
            return hangUpError;
        const bool wasLive = removeLocked(handle);
        if (wasLive)
            m_goneCountdown[handle] = statusCallsBeforeGone;
        if (m_pending && m_pending->handle == handle)
            m_pending.reset();
        return wasLive ? 0 : ERROR_INVALID_HANDLE;
    }
    DWORD connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error) override
    {
        std::lock_guard lock(m_mutex);
        for (const RasLiveConnection &c : m_connections) {
            if (c.handle == handle) {
                *state = RASCS_Connected;
                *error = 0;
                return 0;
            }
        }
        for (const RasLiveConnection &c : m_dialing) {
            if (c.handle == handle) {
                const auto st = m_dialState.find(handle);
                *state = st == m_dialState.end() ? RASCS_OpenPort : st->second;
                *error = 0;
                return 0;
            }
        }
        auto it = m_goneCountdown.find(handle);
        if (it != m_goneCountdown.end() && it->second > 0) {
            --it->second;
            *state = RASCS_Disconnected;
            *error = 0;
            return 0;
        }
        return ERROR_INVALID_HANDLE;
    }
    DWORD connections(QList<RasLiveConnection> *out) override
    {
        std::lock_guard lock(m_mutex);
        ++m_connectionsCalls;
        if (connectionsError)
            return connectionsError;
        *out = m_connections;
        return 0;
    }

private:
    struct Pending {
        HRASCONN handle;
        DialAnswer answer;
        std::function<void(RASCONNSTATE, DWORD)> progress;
        qsizetype next;
    };

    void applyStepLocked(HRASCONN h, const DialAnswer &answer, const Step &s)
    {
        m_dialState[h] = s.state;
        if (s.error) {
            removeLocked(h);
        } else if (s.state == RASCS_Connected) {
            for (qsizetype i = 0; i < m_dialing.size(); ++i) {
                if (m_dialing.at(i).handle == h) {
                    RasLiveConnection c = m_dialing.takeAt(i);
                    c.address = answer.address;
                    m_connections.append(c);
                    break;
                }
            }
        }
    }
    bool removeLocked(HRASCONN h)
    {
        const auto match = [h](const RasLiveConnection &c) { return c.handle == h; };
        return m_connections.removeIf(match) + m_dialing.removeIf(match) > 0;
    }

    mutable std::mutex m_mutex;
    QList<Entry> m_entries;
    QList<RasLiveConnection> m_connections;
    QList<RasLiveConnection> m_dialing;
    std::map<HRASCONN, RASCONNSTATE> m_dialState;
    std::map<HRASCONN, int> m_goneCountdown;
    QList<DialAnswer> m_answers;
    QList<DialCall> m_dialCalls;
    QList<HRASCONN> m_hangUps;
    int m_connectionsCalls = 0;
    HRASCONN m_nextHandle = 0x100;
    std::optional<Pending> m_pending;
    std::function<void(RASCONNSTATE, DWORD)> m_lastProgress;
    std::vector<std::thread> m_threads;
};

} // namespace vantrel::test
