// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialer/dialer.h"

#include "monitor/appstate.h"
#include "monitor/probe.h"
#include "platform/logging.h"
#include "platform/messageboxes.h"

#include <QPointer>

#include <algorithm>
#include <climits>
#include <cstring>

namespace vantrel {

using namespace dialer_text;

namespace {

// For the log.
const char *DialEndName(DialEnd end)
{
    switch (end) {
    case DialEnd::Connected: return "connected";
    case DialEnd::Failed: return "failed";
    case DialEnd::Aborted: return "aborted";
    case DialEnd::Closed: return "closed";
    }
    return "?";
}

// Copies `text` into a fixed record field as UTF-8, cut at a character
// boundary so that the terminating NUL always fits.
void SetField(char *field, std::size_t size, const QString &text)
{
    QByteArray bytes = text.toUtf8();
    std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(bytes.size()), size - 1);
    while (length > 0 && length < static_cast<std::size_t>(bytes.size())
           && (static_cast<unsigned char>(bytes.at(static_cast<qsizetype>(length))) & 0xC0) == 0x80)
        --length;
    std::memset(field, 0, size);
    std::memcpy(field, bytes.constData(), length);
    explicit_bzero(bytes.data(), static_cast<std::size_t>(bytes.size()));
}

QString FieldText(const char *field, std::size_t size)
{
    return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, size)));
}

// Overwrites the characters before letting the text go, as far as this copy
// is concerned (a QString shared with another copy is detached first).
void WipeText(QString &text)
{
    if (!text.isEmpty() && !text.isDetached())
        text = QString(text.size(), QChar(u'\0'));
    text.fill(QChar(u'\0'));
    text.clear();
}

} // namespace

QString RasStatusText(RasApi &ras, DWORD state, DWORD error)
{
    if (error != 0) {
        char buffer[100] = {};
        if (ras.RasGetErrorStringA(error, buffer, sizeof buffer) == 0)
            // The service's texts are English; shown in the user's language.
            return QCoreApplication::translate("RasStatusText", FieldText(buffer, sizeof buffer).toUtf8().constData());
        return QCoreApplication::translate("RasStatusText", "Remote access error %1.").arg(error);
    }
    switch (state) {
    case RASCS_OpenPort: return QCoreApplication::translate("RasStatusText", "Opening port");
    case RASCS_PortOpened: return QCoreApplication::translate("RasStatusText", "Port opened");
    case RASCS_ConnectDevice: return QCoreApplication::translate("RasStatusText", "Connecting device");
    case RASCS_DeviceConnected: return QCoreApplication::translate("RasStatusText", "Device connected");
    case RASCS_AllDevicesConnected: return QCoreApplication::translate("RasStatusText", "All devices connected");
    case RASCS_Authenticate: return QCoreApplication::translate("RasStatusText", "Authenticating");
    case RASCS_AuthNotify: return QCoreApplication::translate("RasStatusText", "Authentication: notify");
    case RASCS_AuthRetry: return QCoreApplication::translate("RasStatusText", "Authentication: retry");
    case RASCS_AuthCallback: return QCoreApplication::translate("RasStatusText", "Authentication: callback");
    case RASCS_AuthChangePassword: return QCoreApplication::translate("RasStatusText", "Authentication: change password");
    case RASCS_AuthProject: return QCoreApplication::translate("RasStatusText", "Authentication: projecting");
    case RASCS_AuthLinkSpeed: return QCoreApplication::translate("RasStatusText", "Authentication: link speed");
    case RASCS_AuthAck: return QCoreApplication::translate("RasStatusText", "Authentication: acknowledge");
    case RASCS_ReAuthenticate: return QCoreApplication::translate("RasStatusText", "Authentication: reauthenticate");
    case RASCS_Authenticated: return QCoreApplication::translate("RasStatusText", "Authenticated");
    case RASCS_PrepareForCallback: return QCoreApplication::translate("RasStatusText", "Preparing for callback");
    case RASCS_WaitForModemReset: return QCoreApplication::translate("RasStatusText", "Waiting for modem reset");
    case RASCS_WaitForCallback: return QCoreApplication::translate("RasStatusText", "Waiting for callback");
    case RASCS_Projected: return QCoreApplication::translate("RasStatusText", "Projected");
    case RASCS_StartAuthentication: return QCoreApplication::translate("RasStatusText", "Start authentication");
    case RASCS_CallbackComplete: return QCoreApplication::translate("RasStatusText", "Callback complete");
    case RASCS_LogonNetwork: return QCoreApplication::translate("RasStatusText", "Logging on network");
    case RASCS_Interactive: return QCoreApplication::translate("RasStatusText", "Interactive");
    case RASCS_RetryAuthentication: return QCoreApplication::translate("RasStatusText", "Retry Authentication");
    case RASCS_CallbackSetByCaller: return QCoreApplication::translate("RasStatusText", "Callback set by caller");
    case RASCS_PasswordExpired: return QCoreApplication::translate("RasStatusText", "Password expired");
    case RASCS_Connected: return QCoreApplication::translate("RasStatusText", "Connected");
    case RASCS_Disconnected: return QCoreApplication::translate("RasStatusText", "Disconnected");
    default: return QString();
    }
}

std::int32_t CycleLengthOf(const QString &cycled)
{
    // Only the texts the entries window writes make a cycle; anything edited in
    // by hand ("08", " 3", "9", "x") dials the one selected entry.
    if (cycled.size() == 1 && cycled.at(0) >= u'2' && cycled.at(0) <= u'8')
        return cycled.at(0).unicode() - u'0';
    return 1;
}

QString EntryFromRasCnx(const QString &rasCnx)
{
    const qsizetype comma = rasCnx.indexOf(u',');
    return comma < 0 ? rasCnx : rasCnx.mid(comma + 1);
}

std::int32_t PastLimit(std::int32_t limit)
{
    return limit == INT32_MAX ? INT32_MAX : limit + 1;
}

namespace {

// Failures that concern every entry alike (the phonebook as a whole, the
// service, the line itself): the next entry would only bring the same box.
bool ConcernsEveryEntry(DWORD rc)
{
    return rc == ERROR_CANNOT_OPEN_PHONEBOOK || rc == ERROR_CANNOT_LOAD_PHONEBOOK || rc == ERROR_CORRUPT_PHONEBOOK
           || rc == ERROR_NM_NOT_RUNNING || rc == ERROR_LINE_UNUSABLE;
}

} // namespace

Dialer::Dialer(AppState &state, Platform &platform, std::function<bool()> connectionShown)
    : m_state(state), m_platform(platform), m_connectionShown(std::move(connectionShown))
{
}

Dialer::~Dialer()
{
    m_pause.reset();
    m_buttonPause.reset();
    wipeEntryParams();
    WipeText(m_promptPassword);
}

Dialer::Progress Dialer::progress() const
{
    Progress p = m_progress;
    // Both buttons steer a run that has no connection yet; a hang-up and the
    // prompt's moment offer neither. Abort also overrides a Skip at work.
    const bool steerable = m_phase != Phase::Idle && m_phase != Phase::HangingUp && !m_connected && !m_prompting;
    p.abortEnabled = steerable && m_button != Button::Abort;
    p.skipEnabled = steerable && m_button == Button::None && m_cycleLength > 1
                    && (m_phase == Phase::Dialing || m_phase == Phase::AttemptEnd);
    return p;
}

std::int32_t Dialer::AttemptLimit() const
{
    // Fixed for a run: the entries window may change Redial while a run goes on,
    // and Abort must still set the counter past the limit the run tests.
    if (m_runLimit > 0)
        return m_runLimit;
    return m_state.AppSettings.Redial < 1 ? 1 : m_state.AppSettings.Redial;
}

std::function<void()> Dialer::guarded(std::function<void()> then)
{
    return [self = QPointer<Dialer>(this), generation = m_generation, then = std::move(then)] {
        if (self && self->m_generation == generation && self->m_phase != Phase::Idle && !self->m_ended)
            then();
    };
}

void Dialer::pause(qint64 ms, std::function<void()> then)
{
    m_pause = m_platform.pause->start(ms, guarded(std::move(then)));
}

void Dialer::box(const QString &text, std::function<void()> then)
{
    m_platform.boxes->error(text, this, guarded(std::move(then)));
}

void Dialer::wipeEntryParams()
{
    explicit_bzero(&m_entryParams, sizeof m_entryParams);
}

void Dialer::shutdown()
{
    if (m_ended)
        return;
    m_ended = true;
    // The program is ending: a half-made line must not stay behind; an
    // established connection is never hung up.
    if (m_phase == Phase::Dialing)
        m_platform.ras->RasHangUpA(m_rasConnection);
    m_abandoned = true;
    if (m_phase != Phase::Idle)
        finishRun();
}

bool Dialer::abort()
{
    if (m_ended || m_phase == Phase::Idle || m_phase == Phase::HangingUp)
        return false;
    if (m_prompting && m_phase == Phase::Preparing) {
        // Answered for the user: the prompt goes, as its own Abort would take it.
        emit promptClosed();
        promptAnswered(PromptAnswer::Abort, {}, {});
        return true;
    }
    if (m_button == Button::Abort)
        return true;
    if (!progress().abortEnabled)
        return false;
    btAbortClick();
    return true;
}

void Dialer::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit stateChanged();
}

void Dialer::Connect1Click()
{
    if (m_ended)
        return;
    const bool connectionShown = m_connectionShown && m_connectionShown();
    if (m_phase == Phase::Idle) {
        // The poll owns the state the item's caption shows.
        if (connectionShown)
            hangUp();
        else
            startRun();
        return;
    }
    // The run has its connection and only shows its result or waits out its
    // pause: "&Disconnect" means the user wants that connection gone now.
    if (m_connected && connectionShown && (m_phase == Phase::AttemptEnd || m_phase == Phase::Waiting)) {
        finishRun();
        hangUp();
        return;
    }
    // One run or hang-up at a time. The progress window may have been closed by
    // its close box, or be hidden during the pause between attempts: Connect
    // brings it back, with Abort as the way to stop the run.
    m_progress.takesFocus = true;
    if (!m_prompting && !m_progress.shown) {
        m_progress.shown = true;
        m_progress.status.clear();
        emit progressChanged();
    }
    emit raiseRequested();
}

void Dialer::DialEntry(const QString &entry)
{
    if (m_ended || m_phase != Phase::Idle || entry.isEmpty())
        return;
    m_onlyEntry = entry;
    startRun();
}

// --- the dial run -------------------------------------------------------------------

void Dialer::startRun()
{
    ++m_generation;
    m_entry.clear();
    setPhase(Phase::Preparing);
    m_shownInRun = false;
    m_cycleLength = m_onlyEntry.isEmpty() ? CycleLengthOf(m_state.AppSettings.Cycled) : 1;
    m_cyclePosition = 0;
    m_redialAttempt = 0;
    m_unreadable.clear();
    m_connected = false;
    m_runAborted = false;
    m_runError = 0;
    m_failureTold = false;
    m_connectedTold = false;
    m_abandoned = false;
    m_inEntry = false;
    m_runLimit = 0;
    m_runLimit = AttemptLimit();
    qCDebug(lcDialer) << "Dial run starts:" << m_cycleLength << "entries," << m_runLimit << "attempts each";
    advance();
}

// The run's loop tests: the next attempt on the entry, else the next entry,
// else the end. Abort and Skip act on the counters, so a button still at work
// has its say first.
void Dialer::advance()
{
    if (m_button != Button::None) {
        m_resumeAfterButton = true;
        return;
    }
    if (m_inEntry) {
        if (m_redialAttempt < m_runLimit) {
            if (wantedConnectionUp()) {
                endRunAsConnected();
                finishRun();
                return;
            }
            ++m_redialAttempt;
            makeAttempt(m_entry);
            return;
        }
        nextEntry();
    }
    const std::int32_t position = m_cyclePosition;
    if (position < 0 || position >= m_cycleLength) {
        finishRun();
        return;
    }
    if (m_unreadable.count(position) != 0) {
        nextEntry();
        advance();
        return;
    }
    const AppSettings &s = m_state.AppSettings;
    prepareEntry(!m_onlyEntry.isEmpty() ? m_onlyEntry
                 : m_cycleLength == 1
                     ? EntryFromRasCnx(s.RASCnx)
                     : s.CycleEntries.at(static_cast<std::size_t>(std::clamp(position, 0, kCycleSlots - 1))));
}

void Dialer::nextEntry()
{
    m_inEntry = false;
    wipeEntryParams();
    m_redialAttempt = 0;
    if (m_cyclePosition < m_cycleLength)
        ++m_cyclePosition;
    if (m_cyclePosition == m_cycleLength)
        m_cyclePosition = 0;
}

void Dialer::prepareEntry(const QString &entry)
{
    RasApi &ras = *m_platform.ras;
    m_entry = entry;
    m_phase = Phase::Preparing;
    emit stateChanged(); // the phase, or at least the entry
    wipeEntryParams();
    m_entryParams.dwSize = sizeof(RASDIALPARAMSA);
    SetField(m_entryParams.szEntryName, sizeof m_entryParams.szEntryName, entry);
    int passwordSaved = 0;
    if (const DWORD rc = ras.RasGetEntryDialParamsA(nullptr, &m_entryParams, &passwordSaved)) {
        m_runError = rc;
        m_failureTold = false;
        box(RasStatusText(ras, 0, rc), [this, rc] {
            // The same error would come back at every pass: the entry is left
            // out for the rest of the run, and a run with no entry left ends. An
            // error of the whole phonebook ends the run at once.
            m_unreadable.insert(m_cyclePosition);
            if (ConcernsEveryEntry(rc) || static_cast<std::int32_t>(m_unreadable.size()) >= m_cycleLength) {
                finishRun();
                return;
            }
            nextEntry();
            advance();
        });
        return;
    }
    m_state.CurrentEntry = entry;
    if (!m_state.AppSettings.Ask) {
        m_inEntry = true;
        advance();
        return;
    }

    m_promptUserName = FieldText(m_entryParams.szUserName, sizeof m_entryParams.szUserName);
    m_promptPassword = passwordSaved ? FieldText(m_entryParams.szPassword, sizeof m_entryParams.szPassword) : QString();
    // Opened, not run: its answer carries the run on.
    setPrompting(true);
}

void Dialer::setPrompting(bool on)
{
    if (m_prompting == on)
        return;
    m_prompting = on;
    if (on)
        emit promptOpened();
    else
        emit promptClosed();
}

void Dialer::promptAnswered(PromptAnswer answer, const QString &userName, const QString &password)
{
    if (!m_prompting || m_phase != Phase::Preparing || m_ended)
        return;
    // The prompt closes itself: no promptClosed() for it.
    m_prompting = false;
    switch (answer) {
    case PromptAnswer::OK:
        m_promptUserName = userName;
        m_promptPassword = password;
        break;
    case PromptAnswer::Abort:
        m_runAborted = true;
        m_abandoned = true;
        m_redialAttempt = PastLimit(m_runLimit);
        m_cyclePosition = PastLimit(m_cycleLength);
        break;
    case PromptAnswer::Skip: m_cyclePosition = PastLimit(m_cyclePosition); break;
    case PromptAnswer::Closed: break; // nothing moved: the same entry is asked for again
    }
    SetField(m_entryParams.szUserName, sizeof m_entryParams.szUserName, m_promptUserName);
    SetField(m_entryParams.szPassword, sizeof m_entryParams.szPassword, m_promptPassword);
    // The dial parameters have the password now; no other copy is kept.
    WipeText(m_promptPassword);
    m_inEntry = answer == PromptAnswer::OK;
    advance();
}

void Dialer::showProgress(const QString *caption)
{
    if (caption)
        m_progress.caption = *caption;
    m_progress.shown = true;
    m_progress.takesFocus = !m_shownInRun;
    m_shownInRun = true;
    m_progress.status.clear();
    emit progressChanged();
    emit raiseRequested();
}

void Dialer::setStatusLine(const QString &text)
{
    m_progress.status = text;
    emit progressChanged();
}

void Dialer::progressClosed()
{
    m_progress.shown = false;
}

void Dialer::makeAttempt(const QString &entry)
{
    RasApi &ras = *m_platform.ras;
    setPhase(Phase::Dialing);
    const QString caption = dialer_text::translated(kCaptionPrefix) + entry;
    showProgress(&caption);

    qCDebug(lcDialer) << "Attempt" << m_redialAttempt << "on" << entry;
    m_rasConnection = 0;
    m_dialParams = m_entryParams;
    const QPointer<Dialer> self(this);
    const DWORD rc = ras.RasDialA(
        nullptr, nullptr, &m_dialParams, 0,
        [self](unsigned message, RASCONNSTATE state, DWORD error) {
            if (self)
                self->DialNotifier(message, state, error);
        },
        &m_rasConnection);
    explicit_bzero(m_dialParams.szPassword, sizeof m_dialParams.szPassword);
    if (rc == 0)
        return; // the notifications lead on

    ras.RasHangUpA(m_rasConnection);
    tellDial(DialEnd::Failed, rc);
    // The service reports nothing for a dial that never started, so the
    // attempt ends here, as failed.
    setPhase(Phase::AttemptEnd);
    emit progressChanged();
    pause(kFailedStartPause, [this, rc] {
        hideProgress();
        if (wantedConnectionUp()) {
            // Refused because the connection is up already: nothing to report.
            endRunAsConnected();
            attemptEnded();
            return;
        }
        // A line that cannot dial at all has said why itself.
        if (rc == ERROR_LINE_UNUSABLE) {
            finishRun();
            return;
        }
        box(RasStatusText(*m_platform.ras, 0, rc), [this, rc] {
            if (ConcernsEveryEntry(rc))
                finishRun();
            else
                attemptEnded();
        });
    });
}

void Dialer::hideProgress()
{
    if (!m_progress.shown)
        return;
    m_progress.shown = false;
    emit progressChanged();
}

void Dialer::DialNotifier(unsigned /*message*/, RASCONNSTATE state, DWORD error)
{
    if (m_phase != Phase::Dialing)
        return; // a late report of an attempt already ended
    RasApi &ras = *m_platform.ras;
    if (error != 0) {
        setPhase(Phase::AttemptEnd);
        if (m_button == Button::None)
            tellDial(DialEnd::Failed, error);
        setStatusLine(RasStatusText(ras, state, error));
        ras.RasHangUpA(m_rasConnection);
        pause(kResultPause, [this] {
            hideProgress();
            // Refused or dropped because the connection came up from elsewhere:
            // the run has what it wanted.
            if (wantedConnectionUp())
                endRunAsConnected();
            attemptEnded();
        });
    } else if (state == RASCS_Connected) {
        setPhase(Phase::AttemptEnd);
        // The run is over: nothing may hang up the new connection now.
        m_connected = true;
        tellDial(DialEnd::Connected, 0);
        setStatusLine(RasStatusText(ras, state, error));
        pause(kResultPause, [this] {
            hideProgress();
            endRunAsConnected();
            attemptEnded();
        });
    } else {
        setStatusLine(RasStatusText(ras, state, error));
    }
}

// The run's pause of Wait seconds follows every attempt; then the loop tests.
void Dialer::attemptEnded()
{
    setPhase(Phase::Waiting);
    emit progressChanged();
    pause(std::max<qint64>(0, qint64(m_state.AppSettings.Wait) * 1000), [this] { advance(); });
}

void Dialer::endRunAsConnected()
{
    m_connected = true;
    m_redialAttempt = PastLimit(m_runLimit);
    m_cyclePosition = PastLimit(m_cycleLength);
}

void Dialer::finishRun()
{
    const Phase ending = m_phase;
    const bool wasRun = m_phase != Phase::Idle && m_phase != Phase::HangingUp;
    ++m_generation;
    setPhase(Phase::Idle);
    m_pause.reset();
    m_buttonPause.reset();
    m_button = Button::None;
    m_resumeAfterButton = false;
    m_inEntry = false;
    wipeEntryParams();
    WipeText(m_promptPassword);
    m_runLimit = 0;
    m_onlyEntry.clear();
    setPrompting(false);
    m_progress.shown = false;
    emit progressChanged();
    if (ending == Phase::HangingUp) {
        if (!m_hangUpOver)
            endHangUp(!stillUp(m_hangUpHandle), 0);
    } else if (ending != Phase::Idle) {
        if (m_connected) {
            if (!m_connectedTold)
                tellDial(DialEnd::Connected, 0);
        } else if (m_ended) {
            tellDial(DialEnd::Closed, m_runError);
        } else if (m_runAborted) {
            tellDial(DialEnd::Aborted, m_runError);
        } else if (!m_failureTold) {
            tellDial(DialEnd::Failed, m_runError);
        }
    }
    if (wasRun)
        emit runEnded(m_connected, m_abandoned);
}

void Dialer::tellDial(DialEnd end, DWORD error)
{
    if (end == DialEnd::Connected)
        m_connectedTold = true;
    m_runError = error;
    m_failureTold = true;
    qCDebug(lcDialer) << "Dial of" << m_entry << "ended:" << DialEndName(end) << "error" << error;
    emit dialFinished(m_entry, end, error);
}

// Whether the connection the run wants is up, whoever brought it up: a
// connection of one of the run's entries, other than the dial under way, that
// the service reports as connected.
bool Dialer::wantedConnectionUp()
{
    RasApi &ras = *m_platform.ras;
    std::vector<RASCONNA> list(4);
    DWORD count = 0;
    const DWORD rc = ras.EnumConnections(list, count);
    if (rc != 0)
        return false;
    const AppSettings &s = m_state.AppSettings;
    QStringList wanted;
    if (!m_onlyEntry.isEmpty())
        wanted.append(m_onlyEntry);
    else if (m_cycleLength == 1)
        wanted.append(EntryFromRasCnx(s.RASCnx));
    else
        for (std::int32_t i = 0; i < std::min(m_cycleLength, kCycleSlots); ++i)
            wanted.append(s.CycleEntries.at(static_cast<std::size_t>(i)));
    for (DWORD i = 0; i < std::min<DWORD>(count, static_cast<DWORD>(list.size())); ++i) {
        const RASCONNA &c = list.at(i);
        if (m_phase == Phase::Dialing && c.hrasconn == m_rasConnection)
            continue;
        if (!wanted.contains(FieldText(c.szEntryName, sizeof c.szEntryName), Qt::CaseInsensitive))
            continue;
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        if (ras.RasGetConnectStatusA(c.hrasconn, &status) == 0 && status.rasconnstate == RASCS_Connected
            && status.dwError == 0)
            return true;
    }
    return false;
}

// --- the progress window's buttons --------------------------------------------------

void Dialer::btAbortClick()
{
    if (m_ended || !progress().abortEnabled)
        return;
    // A Skip at work gives way: Abort ends the run whatever Skip was waiting for.
    m_button = Button::Abort;
    m_runAborted = true;
    m_abandoned = true;
    m_platform.ras->RasHangUpA(m_rasConnection);
    emit progressChanged();
    m_buttonPause = m_platform.pause->start(kButtonPause, guarded([this] {
                                                m_redialAttempt = PastLimit(m_runLimit);
                                                m_cyclePosition = PastLimit(m_cycleLength);
                                                // Between attempts nothing more is to come: the rest of the pause goes.
                                                if (m_phase == Phase::Waiting) {
                                                    m_pause.reset();
                                                    m_resumeAfterButton = true;
                                                }
                                                buttonDone();
                                            }));
}

void Dialer::btSkipClick()
{
    if (m_ended || !progress().skipEnabled)
        return;
    m_button = Button::Skip;
    m_platform.ras->RasHangUpA(m_rasConnection);
    emit progressChanged();
    m_buttonPause = m_platform.pause->start(kButtonPause, guarded([this] {
                                                m_redialAttempt = PastLimit(m_runLimit);
                                                skipPoll(0);
                                            }));
}

// Waits for the line to be gone before the next entry is dialled; a service
// that never says so must not keep the run here for ever.
void Dialer::skipPoll(int poll)
{
    RASCONNSTATUSA status{};
    status.dwSize = sizeof(RASCONNSTATUSA);
    if (m_platform.ras->RasGetConnectStatusA(m_rasConnection, &status) == ERROR_INVALID_HANDLE) {
        buttonDone();
        return;
    }
    if (poll == kSkipPolls) {
        box(dialer_text::translated(kLineNotGone), [this] {
            if (m_button == Button::Skip)
                buttonDone();
        });
        return;
    }
    m_buttonPause = m_platform.pause->start(kSkipPollPause, guarded([this, poll] { skipPoll(poll + 1); }));
}

void Dialer::buttonDone()
{
    m_button = Button::None;
    emit progressChanged();
    if (m_resumeAfterButton) {
        m_resumeAfterButton = false;
        advance();
    }
}

// --- hang-up ---------------------------------------------------------------------------

void Dialer::hangUp()
{
    emit hangUpAsked();
    ++m_generation;
    m_hangUpOver = false;
    m_hangUpFailed = false;
    setPhase(Phase::HangingUp);
    m_shownInRun = false;
    RasApi &ras = *m_platform.ras;
    m_redialAttempt = 0;
    showProgress(nullptr);
    setStatusLine(dialer_text::translated(kDisconnecting));
    m_hangUpHandle = connectionToHangUp();
    qCDebug(lcDialer) << "Hanging up connection" << m_hangUpHandle;
    if (const DWORD rc = ras.RasHangUpA(m_hangUpHandle)) {
        endHangUp(false, rc);
        box(RasStatusText(ras, 0, rc), [this] { hangUpDone(); });
    } else {
        // A service that only passes the request on (NetworkManager) takes the
        // line down a moment later, or not at all: the outcome is read from
        // its list once the pause is over, and again at the end.
        pause(kHangUpPause, [this] {
            if (!m_hangUpOver && !stillUp(m_hangUpHandle))
                endHangUp(true, 0);
            hangUpDone();
        });
    }
}

void Dialer::endHangUp(bool gone, DWORD error)
{
    qCDebug(lcDialer) << "Hang-up over:" << (gone ? "the line is down" : "the line is still up") << "error" << error;
    m_hangUpOver = true;
    m_hangUpFailed = !gone;
    emit stateChanged();
    emit hangUpFinished(gone, error);
}

bool Dialer::stillUp(HRASCONN handle)
{
    if (handle == 0)
        return false;
    RASCONNSTATUSA status{};
    status.dwSize = sizeof status;
    return m_platform.ras->RasGetConnectStatusA(handle, &status) == 0 && status.rasconnstate == RASCS_Connected
           && status.dwError == 0;
}

// The connection of Vantrel's own dial while the service still knows it;
// otherwise (a line brought up by other means, or after a restart) the one the
// poll shows, so that "&Disconnect" hangs up what the tip says is up.
HRASCONN Dialer::connectionToHangUp()
{
    RasApi &ras = *m_platform.ras;
    if (m_rasConnection != 0) {
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        if (ras.RasGetConnectStatusA(m_rasConnection, &status) != ERROR_INVALID_HANDLE)
            return m_rasConnection;
    }
    return FirstRasConnection(ras);
}

void Dialer::hangUpDone()
{
    setStatusLine(dialer_text::translated(kDisconnected));
    pause(kHangUpPause, [this] { finishRun(); });
}

} // namespace vantrel
