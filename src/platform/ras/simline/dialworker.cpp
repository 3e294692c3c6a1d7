// SPDX-License-Identifier: GPL-3.0-or-later
// The dial worker of the simulated line: starting a dial, playing its states on
// a thread of its own, hanging up and reporting the state of a dial.
#include "platform/ras/simline/dialworker.h"

#include <QCoreApplication>

#include <chrono>

#include <unistd.h>

namespace vantrel {

namespace {

struct Step {
    RASCONNSTATE state;
    DWORD error;
    double at; // fraction of the attempt's length
};

std::vector<Step> stepsFor(SimAnswer::Kind kind)
{
    const std::vector<Step> toDevice = {
        {RASCS_OpenPort, 0, 0.0}, {RASCS_PortOpened, 0, 0.05}, {RASCS_ConnectDevice, 0, 0.10}};
    std::vector<Step> steps = toDevice;
    switch (kind) {
    case SimAnswer::Kind::Busy: steps.push_back({RASCS_ConnectDevice, ERROR_LINE_BUSY, 1.0}); return steps;
    case SimAnswer::Kind::NoAnswer: steps.push_back({RASCS_ConnectDevice, ERROR_NO_ANSWER, 1.0}); return steps;
    case SimAnswer::Kind::Connect:
    case SimAnswer::Kind::AuthFail: break;
    }
    steps.push_back({RASCS_DeviceConnected, 0, 0.55});
    steps.push_back({RASCS_AllDevicesConnected, 0, 0.60});
    steps.push_back({RASCS_Authenticate, 0, 0.65});
    if (kind == SimAnswer::Kind::AuthFail) {
        steps.push_back({RASCS_Authenticate, ERROR_AUTHENTICATION_FAILURE, 1.0});
        return steps;
    }
    steps.push_back({RASCS_AuthNotify, 0, 0.75});
    steps.push_back({RASCS_AuthProject, 0, 0.85});
    steps.push_back({RASCS_Authenticated, 0, 0.95});
    steps.push_back({RASCS_Connected, 0, 1.0});
    return steps;
}

} // namespace

DWORD SimLine::startDial(const PhonebookEntry &entry, std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle,
                         QString *problem)
{
    const PhonebookEntry *e = &entry;
    QString &dialProblem = *problem;
    std::lock_guard lock(m_dialMutex);

    // Successive attempts on an entry take the answers in turn, the last repeating;
    // editing the entry's Answer starts the count again.
    auto &[text, count] = m_attempts[e->name.toCaseFolded()];
    if (text != e->answerText) {
        text = e->answerText;
        count = 0;
    }
    const SimAnswer answer = e->answers.at(std::min<qsizetype>(count, e->answers.size() - 1));

    bool alreadyUp = false;
    HRASCONN h = 0;
    QString why;
    const QString device = e->device.isEmpty() ? QString::fromLatin1(kDefaultDevice) : e->device;
    const bool written = m_state.update(
        [&](QList<LineRecord> &records, HRASCONN &next) {
            for (const LineRecord &r : records)
                if (r.connection.entryName.compare(e->name, Qt::CaseInsensitive) == 0)
                    alreadyUp = true;
            if (alreadyUp)
                return false;
            h = LineState::takeHandle(records, next);
            LineRecord r;
            r.connection.handle = h;
            r.connection.entryName = e->name;
            r.connection.deviceType = QString::fromLatin1(kDeviceType);
            r.connection.deviceName = device;
            r.ownerPid = ::getpid();
            records.append(r);
            return true;
        },
        &why);
    if (!written) {
        dialProblem = QCoreApplication::translate("SimLine", "The simulated line cannot dial: %1.").arg(why);
        return ERROR_LINE_UNUSABLE; // told in full through the report
    }
    if (alreadyUp)
        return ERROR_PORT_ALREADY_OPEN; // one line per entry
    ++count;

    auto d = std::make_shared<Dial>();
    d->handle = h;
    d->entry = e->name;
    d->answer = answer;
    if (d->answer.kind == SimAnswer::Kind::Connect && d->answer.address.isEmpty())
        d->answer.address = DerivedAddress(e->name);
    d->progress = std::move(progress);
    m_dials[h] = d;
    m_threads.emplace_back(d, std::thread([this, d] { runDial(d); }));
    *handle = h;
    return 0;
}

bool SimLine::stillListed(HRASCONN handle)
{
    for (const RasLiveConnection &c : m_state.connections())
        if (c.handle == handle)
            return true;
    return false;
}

void SimLine::runDial(std::shared_ptr<Dial> d)
{
    using Clock = std::chrono::steady_clock;
    const double seconds = d->answer.seconds >= 0 ? d->answer.seconds : DefaultAnswerSeconds(d->answer.kind);
    const double scaled = m_options.speed > 0 ? seconds / m_options.speed : 0.0;
    const Clock::time_point start = Clock::now();

    for (const Step &step : stepsFor(d->answer.kind)) {
        const auto deadline = start
                              + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(step.at * scaled));
        // Wait for the step in short slices, so that a line dropped from outside
        // (vantrel-line down) mid-dial is noticed at once, not at the next step.
        bool droppedOutside = false;
        for (;;) {
            const auto sliceEnd = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
            {
                std::unique_lock wl(d->mutex);
                d->wake.wait_until(wl, sliceEnd, [&d] { return d->cancelled.load(); });
            }
            if (d->cancelled || Clock::now() >= deadline)
                break;
            if (!stillListed(d->handle)) {
                droppedOutside = true;
                break;
            }
        }
        RASCONNSTATE state = step.state;
        DWORD error = step.error;
        bool last = false;
        {
            std::lock_guard lock(m_dialMutex);
            if (d->cancelled) {
                // Hung up: the handle is already gone; tell the caller so its wait ends.
                state = d->state;
                error = ERROR_USER_DISCONNECTION;
                last = true;
            } else {
                bool present = true;
                QString why;
                if (step.error) {
                    m_state.update(
                        [&d](QList<LineRecord> &records, HRASCONN &) {
                            return records.removeIf([&d](const LineRecord &r) { return r.connection.handle == d->handle; })
                                   > 0;
                        },
                        &why);
                    last = true;
                } else if (step.state == RASCS_Connected) {
                    const bool ok = m_state.update(
                        [&](QList<LineRecord> &records, HRASCONN &) {
                            for (LineRecord &r : records) {
                                if (r.connection.handle == d->handle) {
                                    r.connection.address = d->answer.address;
                                    r.ownerPid = 0;
                                    return true;
                                }
                            }
                            present = false;
                            return false;
                        },
                        &why);
                    if (!ok) {
                        error = ERROR_HARDWARE_FAILURE;
                        state = d->state;
                    }
                    last = true;
                } else {
                    present = !droppedOutside && stillListed(d->handle);
                }
                if (!present) {
                    state = d->state;
                    error = ERROR_PORT_DISCONNECTED;
                    last = true;
                }
                if (error)
                    m_failed[d->handle] = {state, error};
                if (last)
                    m_dials.erase(d->handle);
                d->state = state;
            }
        }
        if (d->progress)
            d->progress(state, error);
        if (last)
            break;
    }
    d->progress = nullptr;
    d->done = true;
}

DWORD SimLine::hangUp(HRASCONN handle)
{
    std::lock_guard lock(m_dialMutex);
    const auto removeFromFile = [this, handle](bool *found) {
        return m_state.update([handle, found](QList<LineRecord> &records, HRASCONN &) {
            const bool any = records.removeIf([handle](const LineRecord &r) { return r.connection.handle == handle; }) > 0;
            if (found)
                *found = any;
            return any;
        });
    };
    if (const auto it = m_dials.find(handle); it != m_dials.end()) {
        const std::shared_ptr<Dial> d = it->second;
        m_dials.erase(it);
        {
            std::lock_guard wl(d->mutex);
            d->cancelled = true;
        }
        d->wake.notify_all();
        removeFromFile(nullptr);
        return 0;
    }
    if (m_failed.erase(handle) > 0)
        return 0;
    bool found = false;
    if (!removeFromFile(&found))
        return ERROR_UNKNOWN;
    return found ? 0 : ERROR_INVALID_HANDLE;
}

DWORD SimLine::connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error)
{
    {
        std::lock_guard lock(m_dialMutex);
        if (const auto it = m_dials.find(handle); it != m_dials.end()) {
            *state = it->second->state;
            *error = 0;
            return 0;
        }
        if (const auto it = m_failed.find(handle); it != m_failed.end()) {
            *state = it->second.state;
            *error = it->second.error;
            return 0;
        }
    }
    for (const RasLiveConnection &c : m_state.connections()) {
        if (c.handle == handle) {
            // Another process's dial in progress tells us nothing of its state.
            *state = c.address.isEmpty() ? RASCS_OpenPort : RASCS_Connected;
            *error = 0;
            return 0;
        }
    }
    return ERROR_INVALID_HANDLE;
}

} // namespace vantrel
