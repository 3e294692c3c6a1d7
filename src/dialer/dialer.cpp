#include "dialer/dialer.h"

#include "dialer/fmask.h"
#include "dialer/fmconnect.h"
#include "monitor/appstate.h"
#include "monitor/fmvantrel.h"
#include "platform/messageboxes.h"
#include "platform/modal.h"
#include "platform/pause.h"

#include <QAction>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>

#include <algorithm>
#include <climits>
#include <cstring>

namespace vantrel {

using namespace dialer_text;

namespace {

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
            return FieldText(buffer, sizeof buffer);
        return QStringLiteral("Remote access error %1.").arg(error);
    }
    switch (state) {
    case RASCS_OpenPort: return QStringLiteral("Opening port");
    case RASCS_PortOpened: return QStringLiteral("Port opened");
    case RASCS_ConnectDevice: return QStringLiteral("Connecting device");
    case RASCS_DeviceConnected: return QStringLiteral("Device connected");
    case RASCS_AllDevicesConnected: return QStringLiteral("All devices connected");
    case RASCS_Authenticate: return QStringLiteral("Authenticating");
    case RASCS_AuthNotify: return QStringLiteral("Authentication: notify");
    case RASCS_AuthRetry: return QStringLiteral("Authentication: retry");
    case RASCS_AuthCallback: return QStringLiteral("Authentication: callback");
    case RASCS_AuthChangePassword: return QStringLiteral("Authentication: change password");
    case RASCS_AuthProject: return QStringLiteral("Authentication: projecting");
    case RASCS_AuthLinkSpeed: return QStringLiteral("Authentication: link speed");
    case RASCS_AuthAck: return QStringLiteral("Authentication: acknowledge");
    case RASCS_ReAuthenticate: return QStringLiteral("Authentication: reauthenticate");
    case RASCS_Authenticated: return QStringLiteral("Authenticated");
    case RASCS_PrepareForCallback: return QStringLiteral("Preparing for callback");
    case RASCS_WaitForModemReset: return QStringLiteral("Waiting for modem reset");
    case RASCS_WaitForCallback: return QStringLiteral("Waiting for callback");
    case RASCS_Projected: return QStringLiteral("Projected");
    case RASCS_StartAuthentication: return QStringLiteral("Start authentication");
    case RASCS_CallbackComplete: return QStringLiteral("Callback complete");
    case RASCS_LogonNetwork: return QStringLiteral("Logging on network");
    case RASCS_Interactive: return QStringLiteral("Interactive");
    case RASCS_RetryAuthentication: return QStringLiteral("Retry Authentication");
    case RASCS_CallbackSetByCaller: return QStringLiteral("Callback set by caller");
    case RASCS_PasswordExpired: return QStringLiteral("Password expired");
    case RASCS_Connected: return QStringLiteral("Connected");
    case RASCS_Disconnected: return QStringLiteral("Disconnected");
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

Dialer::Dialer(AppState &state, Platform &platform, TfmVantrel &fmVantrel)
    : m_state(state), m_platform(platform), m_fm(fmVantrel)
{
    RunPrompt = [](TfmAsk &ask) { return ExecModal(ask); };
    m_fm.DialerHook = [this] { Connect1Click(); };
    // Exit ends the attempt's wait at once; the run then stops (see ending()).
    connect(&m_fm, &TfmVantrel::shutdownComplete, this, [this] {
        if (m_attemptLoop)
            m_attemptLoop->quit();
    });
}

Dialer::~Dialer()
{
    m_fm.DialerHook = nullptr;
    wipeEntryParams();
}

TfmConnect &Dialer::progressWindow()
{
    if (!m_fmConnect) {
        m_fmConnect = std::make_unique<TfmConnect>();
        connect(m_fmConnect->btAbort, &QPushButton::clicked, this, &Dialer::btAbortClick);
        connect(m_fmConnect->btSkip, &QPushButton::clicked, this, &Dialer::btSkipClick);
    }
    return *m_fmConnect;
}

std::int32_t Dialer::AttemptLimit() const
{
    // Fixed for a run: the entries window may change Redial while a run goes on,
    // and Abort must still set the counter past the limit the run tests.
    if (m_runLimit > 0)
        return m_runLimit;
    return m_state.AppSettings.Redial < 1 ? 1 : m_state.AppSettings.Redial;
}

bool Dialer::ending() const
{
    return m_fm.isShutDown();
}

bool Dialer::pause(int ms)
{
    if (ending())
        return false;
    m_platform.pause->sleep(ms);
    return !ending();
}

void Dialer::wipeEntryParams()
{
    explicit_bzero(&m_entryParams, sizeof m_entryParams);
}

void Dialer::Connect1Click()
{
    // One run or hang-up at a time: the progress window may have been closed by
    // its close box, or be hidden during a pause, while a run still goes on.
    if (m_busy || (m_fmConnect && m_fmConnect->isVisible()) || ending())
        return;
    m_busy = true;
    const auto done = qScopeGuard([this] { m_busy = false; });
    const QString caption = m_fm.Connect1->text();
    if (caption == monitor_text::kConnect)
        DialRun();
    else if (caption == monitor_text::kDisconnect)
        HangUp();
}

void Dialer::DialRun()
{
    const AppSettings &s = m_state.AppSettings;
    m_state.CycleLength = CycleLengthOf(s.Cycled);
    m_state.CyclePosition = 0;
    m_state.RedialAttempt = 0;
    m_unreadable.clear();
    m_runLimit = 0;
    const std::int32_t limit = AttemptLimit();
    m_runLimit = limit;
    const auto cleanUp = qScopeGuard([this] {
        wipeEntryParams();
        m_runLimit = 0;
    });

    while (m_state.CyclePosition < m_state.CycleLength) {
        if (ending())
            return;
        const std::int32_t position = m_state.CyclePosition;
        if (m_unreadable.count(position) == 0) {
            const QString entry = m_state.CycleLength == 1
                ? EntryFromRasCnx(s.RASCnx)
                : s.CycleEntries.at(static_cast<std::size_t>(std::clamp(position, 0, kCycleSlots - 1)));
            const Prepared prepared = PrepareEntry(entry);
            if (ending())
                return;
            if (prepared == Prepared::NotReady)
                continue; // the prompt's buttons have moved the counters
            if (prepared == Prepared::Unreadable) {
                // The same error would come back at every pass: the entry is left
                // out for the rest of the run, and a run with no entry left ends.
                m_unreadable.insert(position);
                if (static_cast<std::int32_t>(m_unreadable.size()) >= m_state.CycleLength)
                    return;
            } else {
                while (m_state.RedialAttempt < limit) {
                    ++m_state.RedialAttempt;
                    MakeAttempt(entry);
                    const qint64 wait = std::max<qint64>(0, qint64(s.Wait) * 1000);
                    if (!pause(static_cast<int>(std::min<qint64>(wait, INT_MAX))))
                        return;
                }
            }
        }
        wipeEntryParams();
        m_state.RedialAttempt = 0;
        ++m_state.CyclePosition;
        if (m_state.CyclePosition == m_state.CycleLength)
            m_state.CyclePosition = 0;
    }
}

Dialer::Prepared Dialer::PrepareEntry(const QString &entry)
{
    RasApi &ras = *m_platform.ras;
    wipeEntryParams();
    m_entryParams.dwSize = sizeof(RASDIALPARAMSA);
    SetField(m_entryParams.szEntryName, sizeof m_entryParams.szEntryName, entry);
    int passwordSaved = 0;
    if (const DWORD rc = ras.RasGetEntryDialParamsA(nullptr, &m_entryParams, &passwordSaved)) {
        m_platform.boxes->error(RasStatusText(ras, 0, rc));
        return Prepared::Unreadable;
    }
    m_state.CurrentEntry = entry;
    if (!m_state.AppSettings.Ask)
        return Prepared::Ready;

    m_state.PromptUserName = FieldText(m_entryParams.szUserName, sizeof m_entryParams.szUserName);
    m_state.PromptPassword = passwordSaved
        ? FieldText(m_entryParams.szPassword, sizeof m_entryParams.szPassword) : QString();
    int result = PromptCancel;
    {
        TfmAsk ask(m_state, AttemptLimit());
        result = RunPrompt(ask);
    }
    SetField(m_entryParams.szUserName, sizeof m_entryParams.szUserName, m_state.PromptUserName);
    SetField(m_entryParams.szPassword, sizeof m_entryParams.szPassword, m_state.PromptPassword);
    // The dial parameters have the password now; no other copy is kept.
    WipeText(m_state.PromptPassword);
    if (ending())
        return Prepared::NotReady;
    return result == PromptOK ? Prepared::Ready : Prepared::NotReady;
}

void Dialer::ShowProgress(const QString *caption)
{
    TfmConnect &window = progressWindow();
    if (caption)
        window.setWindowTitle(*caption);
    // Abort and Skip only steer a dial in progress; Skip only where there is a
    // next entry to go on with.
    window.btAbort->setEnabled(caption != nullptr);
    window.btSkip->setEnabled(caption != nullptr && m_state.CycleLength > 1);
    window.show();
    window.raise();
    window.repaint();
}

void Dialer::SetStatusLine(const QString &text)
{
    TfmConnect &window = progressWindow();
    window.Memo1->setPlainText(text);
    window.Memo1->repaint();
}

void Dialer::MakeAttempt(const QString &entry)
{
    RasApi &ras = *m_platform.ras;
    const QString caption = kCaptionPrefix + entry;
    ShowProgress(&caption);

    m_state.DialInProgress = true;
    m_attempt = Attempt::InProgress;
    m_fm.RasConnection = 0;
    m_fm.DialParams = m_entryParams;
    const QPointer<Dialer> self(this);
    const DWORD rc = ras.RasDialA(
        nullptr, nullptr, &m_fm.DialParams, 0,
        [self](unsigned message, RASCONNSTATE state, DWORD error) {
            if (self)
                self->DialNotifier(message, state, error);
        },
        &m_fm.RasConnection);
    explicit_bzero(m_fm.DialParams.szPassword, sizeof m_fm.DialParams.szPassword);

    if (rc != 0) {
        ras.RasHangUpA(m_fm.RasConnection);
        // The service reports nothing for a dial that never started, so the
        // attempt ends here, as failed.
        m_attempt = Attempt::Failed;
        m_state.DialInProgress = false;
        if (!pause(kFailedStartPause))
            return;
        progressWindow().hide();
        m_platform.boxes->error(RasStatusText(ras, 0, rc));
        return;
    }

    QEventLoop loop;
    m_attemptLoop = &loop;
    while (m_state.DialInProgress && !ending())
        loop.exec();
    m_attemptLoop = nullptr;

    if (ending() && m_attempt == Attempt::InProgress) {
        // The program is ending in the middle of a dial: a half-made line must
        // not stay behind. An established connection is never hung up.
        ras.RasHangUpA(m_fm.RasConnection);
        m_state.DialInProgress = false;
    }
    m_attempt = Attempt::None;
}

void Dialer::DialNotifier(unsigned /*message*/, RASCONNSTATE state, DWORD error)
{
    if (m_attempt != Attempt::InProgress)
        return; // a late report of an attempt already ended
    RasApi &ras = *m_platform.ras;
    SetStatusLine(RasStatusText(ras, state, error));
    const auto endAttempt = [this] {
        m_state.DialInProgress = false;
        if (m_attemptLoop)
            m_attemptLoop->quit();
    };
    if (error != 0) {
        m_attempt = Attempt::Failed;
        ras.RasHangUpA(m_fm.RasConnection);
        if (pause(kResultPause))
            progressWindow().hide();
        endAttempt();
    } else if (state == RASCS_Connected) {
        m_attempt = Attempt::Connected;
        // The run is over: nothing may hang up the new connection now.
        progressWindow().btAbort->setEnabled(false);
        progressWindow().btSkip->setEnabled(false);
        const bool goOn = pause(kResultPause);
        if (goOn)
            progressWindow().hide();
        m_state.RedialAttempt = AttemptLimit() + 1;
        m_state.CyclePosition = m_state.CycleLength + 1;
        endAttempt();
    }
}

void Dialer::btAbortClick()
{
    if (m_buttonBusy || m_attempt == Attempt::Connected || !progressWindow().btAbort->isEnabled())
        return;
    m_buttonBusy = true;
    const auto release = qScopeGuard([this] { m_buttonBusy = false; });
    m_platform.ras->RasHangUpA(m_fm.RasConnection);
    if (!pause(kButtonPause))
        return;
    m_state.RedialAttempt = AttemptLimit() + 1;
    m_state.CyclePosition = m_state.CycleLength + 1;
}

void Dialer::btSkipClick()
{
    if (m_buttonBusy || m_attempt == Attempt::Connected || !progressWindow().btSkip->isEnabled())
        return;
    m_buttonBusy = true;
    const auto release = qScopeGuard([this] { m_buttonBusy = false; });
    RasApi &ras = *m_platform.ras;
    ras.RasHangUpA(m_fm.RasConnection);
    if (!pause(kButtonPause))
        return;
    m_state.RedialAttempt = AttemptLimit() + 1;
    // Wait for the line to be gone before the next entry is dialled; a service
    // that never says so must not keep the run here for ever.
    for (int poll = 0;; ++poll) {
        RASCONNSTATUSA status{};
        status.dwSize = sizeof(RASCONNSTATUSA);
        if (ras.RasGetConnectStatusA(m_fm.RasConnection, &status) == ERROR_INVALID_HANDLE)
            return;
        if (poll == kSkipPolls) {
            m_platform.boxes->error(kLineNotGone);
            return;
        }
        if (!pause(kSkipPollPause))
            return;
    }
}

void Dialer::HangUp()
{
    RasApi &ras = *m_platform.ras;
    m_state.RedialAttempt = 0;
    ShowProgress(nullptr);
    SetStatusLine(kDisconnecting);
    if (const DWORD rc = ras.RasHangUpA(m_fm.RasConnection)) {
        m_platform.boxes->error(RasStatusText(ras, 0, rc));
        if (ending())
            return;
    } else if (!pause(kHangUpPause)) {
        return;
    }
    SetStatusLine(kDisconnected);
    if (!pause(kHangUpPause))
        return;
    progressWindow().hide();
}

} // namespace vantrel
