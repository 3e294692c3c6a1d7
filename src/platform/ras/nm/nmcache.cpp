// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/nm/nmcache.h"

#include "platform/ras/nm/nmstates.h"

#include <algorithm>

namespace vantrel {

void NmCache::Deliver(const Reports &reports)
{
    for (const Report &r : reports)
        if (r.progress)
            r.progress(r.state, r.error);
}

// --- NetworkManager on the bus -------------------------------------------------------------

void NmCache::setUniqueName(const QString &name)
{
    std::lock_guard lock(m_mutex);
    m_uniqueName = name;
}

QString NmCache::uniqueName() const
{
    std::lock_guard lock(m_mutex);
    return m_uniqueName;
}

void NmCache::wentUp(const QString &owner)
{
    std::lock_guard lock(m_mutex);
    m_up = true;
    m_nmOwner = owner;
}

NmCache::Reports NmCache::wentDown()
{
    Reports out;
    std::lock_guard lock(m_mutex);
    m_up = false;
    m_nmOwner.clear();
    m_profiles.clear();
    m_active.clear();
    m_handles.clear();
    m_deviceReasons.clear();
    std::vector<HRASCONN> dials;
    for (const auto &[handle, dial] : m_dials)
        dials.push_back(handle);
    for (const HRASCONN handle : dials)
        failLocked(handle, ERROR_NM_GONE, out);
    m_retryDue = 0;
    m_retryMs = 0;
    return out;
}

bool NmCache::isUp() const
{
    std::lock_guard lock(m_mutex);
    return m_up;
}

bool NmCache::isNetworkManager(const QString &sender) const
{
    std::lock_guard lock(m_mutex);
    return !m_nmOwner.isEmpty() && sender == m_nmOwner;
}

// --- look-ups ------------------------------------------------------------------------------

DWORD NmCache::entryNames(QList<QString> *names) const
{
    std::lock_guard lock(m_mutex);
    if (!m_up)
        return ERROR_NM_NOT_RUNNING;
    names->clear();
    for (const Profile &p : m_profiles)
        names->append(p.id);
    return 0;
}

DWORD NmCache::profileFor(const QString &entry, Profile *profile) const
{
    std::lock_guard lock(m_mutex);
    if (!m_up)
        return ERROR_NM_NOT_RUNNING;
    const Profile *p = findProfileLocked(entry);
    if (!p)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    *profile = *p;
    return 0;
}

DWORD NmCache::status(HRASCONN handle, RASCONNSTATE *state, DWORD *error) const
{
    std::lock_guard lock(m_mutex);
    if (const auto it = m_dials.find(handle); it != m_dials.end()) {
        *state = it->second->last;
        *error = 0;
        return 0;
    }
    if (const auto it = m_failed.find(handle); it != m_failed.end()) {
        *state = it->second.state;
        *error = it->second.error;
        return 0;
    }
    for (const Active &a : m_active) {
        if (a.handle == handle) {
            *state = a.state == nm::AcActivated ? RASCS_Connected : RASCS_ConnectDevice;
            *error = 0;
            return 0;
        }
    }
    return ERROR_INVALID_HANDLE;
}

QList<RasLiveConnection> NmCache::liveConnections() const
{
    std::lock_guard lock(m_mutex);
    QList<RasLiveConnection> out;
    for (const Active &a : m_active)
        out.append(a.connection);
    return out;
}

DWORD NmCache::address(HRASCONN handle, QString *address) const
{
    std::lock_guard lock(m_mutex);
    for (const Active &a : m_active) {
        if (a.handle == handle) {
            if (a.connection.address.isEmpty())
                return ERROR_PROJECTION_NOT_COMPLETE;
            *address = a.connection.address;
            return 0;
        }
    }
    return ERROR_INVALID_HANDLE;
}

// --- dials ---------------------------------------------------------------------------------

DWORD NmCache::startDial(const QString &entry, const QString &password, Progress progress, HRASCONN *handle, Reports &out)
{
    std::lock_guard lock(m_mutex);
    if (!m_up)
        return ERROR_NM_NOT_RUNNING;
    const Profile *p = findProfileLocked(entry);
    if (!p)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    for (const Active &a : m_active)
        if (a.profilePath == p->path)
            return ERROR_PORT_ALREADY_OPEN;
    for (const auto &[other, d] : m_dials)
        if (d->profilePath == p->path)
            return ERROR_PORT_ALREADY_OPEN;
    auto d = std::make_shared<Dial>();
    d->handle = takeHandleLocked();
    d->serial = m_nextSerial++;
    d->profilePath = p->path;
    d->password = password;
    d->progress = std::move(progress);
    m_dials[d->handle] = d;
    out.push_back({d->progress, RASCS_OpenPort, 0});
    *handle = d->handle;
    return 0;
}

std::optional<NmCache::DialRequest> NmCache::dialRequest(HRASCONN handle) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_dials.find(handle);
    if (it == m_dials.end())
        return std::nullopt;
    return DialRequest{handle, it->second->profilePath, it->second->serial};
}

bool NmCache::currentLocked(const DialRequest &request) const
{
    const auto it = m_dials.find(request.handle);
    return it != m_dials.end() && it->second->serial == request.serial;
}

NmCache::Reports NmCache::activationAccepted(const DialRequest &request, const QString &activePath, QString *undo)
{
    Reports out;
    std::lock_guard lock(m_mutex);
    const bool hungUp = m_hungUpUnanswered.erase(request.serial) > 0;
    if (currentLocked(request)) {
        const std::shared_ptr<Dial> dial = m_dials[request.handle];
        dial->activePath = activePath;
        m_handles[activePath] = dial->handle;
        stepLocked(*dial, RASCS_PortOpened, out);
    } else if (hungUp) {
        // Hung up before NetworkManager answered: undo what it started.
        *undo = activePath;
    }
    return out;
}

NmCache::Reports NmCache::activationRefused(const DialRequest &request, DWORD error)
{
    Reports out;
    std::lock_guard lock(m_mutex);
    m_hungUpUnanswered.erase(request.serial);
    if (currentLocked(request))
        failLocked(request.handle, error, out);
    return out;
}

DWORD NmCache::hangUp(HRASCONN handle, Reports &out, QString *deactivate)
{
    std::lock_guard lock(m_mutex);
    if (const auto it = m_dials.find(handle); it != m_dials.end()) {
        // Without a path yet, the answer to the activation undoes it.
        const std::shared_ptr<Dial> dial = it->second;
        if (dial->activePath.isEmpty())
            m_hungUpUnanswered.insert(dial->serial);
        *deactivate = dial->activePath;
        out.push_back({dial->progress, dial->last, ERROR_USER_DISCONNECTION});
        m_dials.erase(it);
        m_active.erase(
            std::remove_if(m_active.begin(), m_active.end(), [&](const Active &x) { return x.path == dial->activePath; }),
            m_active.end());
        return 0;
    }
    if (m_failed.erase(handle))
        return 0;
    const auto a = std::find_if(m_active.begin(), m_active.end(), [handle](const Active &x) { return x.handle == handle; });
    if (a == m_active.end())
        return m_up ? ERROR_INVALID_HANDLE : ERROR_NM_NOT_RUNNING;
    // A live connection stays what it is until NetworkManager says it is
    // going: the poll must not log a disconnection that a slow or refusing
    // NetworkManager never made.
    *deactivate = a->path;
    return 0;
}

std::optional<QString> NmCache::takePassword(const QString &profilePath, bool askedAnew)
{
    std::lock_guard lock(m_mutex);
    for (auto &[handle, dial] : m_dials) {
        if (dial->profilePath != profilePath || dial->password.isEmpty())
            continue;
        if (askedAnew && dial->passwordGiven)
            return std::nullopt;
        dial->passwordGiven = true;
        return dial->password;
    }
    return std::nullopt;
}

// --- signals -------------------------------------------------------------------------------

NmCache::Reports NmCache::activeStateChanged(const QString &activePath, unsigned state, unsigned reason)
{
    Reports out;
    std::lock_guard lock(m_mutex);
    for (auto &[handle, dial] : m_dials) {
        if (dial->activePath != activePath)
            continue;
        dial->activeReason = reason;
        if (state == nm::AcDeactivated)
            failLocked(handle, nm::ErrorForActiveReason(reason, deviceReasonLocked(*dial)), out);
        else if (state == nm::AcActivating)
            stepLocked(*dial, RASCS_ConnectDevice, out);
        // Activated is reported by the refresh, once the address is read.
        break;
    }
    return out;
}

NmCache::Reports NmCache::deviceStateChanged(const QString &device, unsigned newState, unsigned reason)
{
    Reports out;
    std::lock_guard lock(m_mutex);
    // A device starting a new activation forgets why its last one failed.
    if (newState == nm::DevPrepare)
        m_deviceReasons.erase(device);
    else if (reason != 0)
        m_deviceReasons[device] = reason;
    const std::optional<RASCONNSTATE> step = nm::StepForDeviceState(newState);
    for (auto &[handle, dial] : m_dials) {
        if (step && dial->devices.contains(device)) {
            stepLocked(*dial, *step, out);
            break;
        }
    }
    return out;
}

// --- reads ---------------------------------------------------------------------------------

std::optional<NmCache::Profile> NmCache::lastRead(const QString &profilePath) const
{
    std::lock_guard lock(m_mutex);
    for (const Profile &p : m_profiles)
        if (p.path == profilePath)
            return p;
    return std::nullopt;
}

void NmCache::applyProfiles(QList<Profile> profiles)
{
    std::lock_guard lock(m_mutex);
    if (m_up)
        m_profiles = std::move(profiles);
}

NmCache::ActiveApplied NmCache::applyActive(const QList<ActiveRead> &seen)
{
    ActiveApplied result;
    std::lock_guard lock(m_mutex);
    if (!m_up)
        return result;
    result.applied = true;
    std::map<QString, HRASCONN> handles;
    QList<Active> active;
    for (const ActiveRead &s : seen) {
        const auto known = m_handles.find(s.path);
        if (s.unread) {
            // A failed or late read says nothing about the connection: keep it
            // as it was last seen, live or not.
            if (known == m_handles.end())
                continue;
            handles[s.path] = known->second;
            const auto was = std::find_if(m_active.cbegin(), m_active.cend(),
                                          [&](const Active &a) { return a.path == s.path; });
            if (was != m_active.cend())
                active.append(*was);
            continue;
        }
        // Bluetooth counts only as dial-up networking, which the profile says.
        if (s.type == QLatin1String("bluetooth")) {
            const bool dun = std::any_of(m_profiles.cbegin(), m_profiles.cend(),
                                         [&](const Profile &p) { return p.path == s.profilePath; });
            if (!dun)
                continue;
        }
        Active a;
        a.path = s.path;
        a.profilePath = s.profilePath;
        a.state = s.state;
        a.connection = s.connection;
        a.handle = known != m_handles.end() ? known->second : takeHandleLocked();
        a.connection.handle = a.handle;
        handles[a.path] = a.handle;
        if (a.state == nm::AcActivating || a.state == nm::AcActivated)
            active.append(a);
    }
    // Dials whose connection is known: follow it.
    std::vector<HRASCONN> handlesOfDials;
    for (const auto &[handle, dial] : m_dials)
        handlesOfDials.push_back(handle);
    for (const HRASCONN handle : handlesOfDials) {
        const auto found = m_dials.find(handle);
        if (found == m_dials.end())
            continue;
        const std::shared_ptr<Dial> dial = found->second;
        if (dial->activePath.isEmpty())
            continue;
        handles[dial->activePath] = handle;
        const auto it = std::find_if(seen.cbegin(), seen.cend(),
                                     [&](const ActiveRead &s) { return s.path == dial->activePath; });
        if (it != seen.cend() && it->unread)
            continue; // nothing new learnt; the retry looks again
        if (it == seen.cend() || it->state == nm::AcDeactivated) {
            // Ended. The signal that carries the reason may still be queued
            // behind this refresh: look once more a little later, and only
            // then fail with what is known.
            if (!dial->endSeen) {
                dial->endSeen = true;
                result.recheck = true;
            } else {
                failLocked(handle, nm::ErrorForActiveReason(dial->activeReason, deviceReasonLocked(*dial)), result.reports);
            }
            continue;
        }
        dial->devices = it->devices;
        if (const std::optional<RASCONNSTATE> step = nm::StepForActiveState(it->state))
            stepLocked(*dial, *step, result.reports);
    }
    m_handles = std::move(handles);
    m_active = std::move(active);
    return result;
}

// --- retries -------------------------------------------------------------------------------

int NmCache::readFailed(unsigned reads)
{
    std::lock_guard lock(m_mutex);
    m_retryDue |= reads;
    m_retryMs = m_retryMs == 0 ? kRetryFirstMs : std::min(m_retryMs * 2, kRetryLongestMs);
    return m_retryMs;
}

bool NmCache::readSucceeded(unsigned reads)
{
    std::lock_guard lock(m_mutex);
    m_retryDue &= ~reads;
    if (m_retryDue != 0)
        return false;
    m_retryMs = 0;
    return true;
}

unsigned NmCache::dueForRetry() const
{
    std::lock_guard lock(m_mutex);
    return m_retryDue;
}

// --- with the lock held --------------------------------------------------------------------

const NmCache::Profile *NmCache::findProfileLocked(const QString &entry) const
{
    for (const Profile &p : m_profiles)
        if (p.id == entry)
            return &p;
    for (const Profile &p : m_profiles)
        if (p.id.compare(entry, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

HRASCONN NmCache::takeHandleLocked()
{
    auto inUse = [this](HRASCONN h) {
        if (h == 0 || m_dials.count(h) || m_failed.count(h))
            return true;
        for (const auto &[path, handle] : m_handles)
            if (handle == h)
                return true;
        return false;
    };
    while (inUse(m_nextHandle))
        ++m_nextHandle;
    return m_nextHandle++;
}

void NmCache::stepLocked(Dial &dial, RASCONNSTATE state, Reports &out)
{
    // States only move forward; a late or repeated signal says nothing new.
    if (state <= dial.last)
        return;
    dial.last = state;
    out.push_back({dial.progress, state, 0});
    if (state == RASCS_Connected)
        m_dials.erase(dial.handle);
}

void NmCache::failLocked(HRASCONN handle, DWORD error, Reports &out)
{
    const auto it = m_dials.find(handle);
    if (it == m_dials.end())
        return;
    const std::shared_ptr<Dial> dial = it->second;
    out.push_back({dial->progress, dial->last, error});
    m_failed[handle] = {dial->last, error};
    m_dials.erase(it);
    // Its connection, if NetworkManager still lists it, is dead: not a live
    // connection for the poll, nor a reason to refuse the next dial.
    if (!dial->activePath.isEmpty()) {
        m_active.erase(
            std::remove_if(m_active.begin(), m_active.end(), [&](const Active &a) { return a.path == dial->activePath; }),
            m_active.end());
        m_handles.erase(dial->activePath);
    }
}

unsigned NmCache::deviceReasonLocked(const Dial &dial) const
{
    for (const QString &device : dial.devices) {
        const auto it = m_deviceReasons.find(device);
        if (it != m_deviceReasons.end())
            return it->second;
    }
    return 0;
}

} // namespace vantrel
