// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command behind "&Connect"/"&Disconnect": the dial run over one entry or a
// cycle of entries with its attempts and pauses, the notifier that follows each
// attempt, the hang-up, and what the buttons of the progress window and of the
// credentials prompt do. No window lives here: the windows render what the
// dialer publishes (progress(), the prompt signals) and send their buttons back.
#include "platform/pause.h"
#include "platform/ras/ras.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>

namespace vantrel {

struct AppState;
struct Platform;

namespace dialer_text {
inline constexpr char kCaptionPrefix[] = QT_TRANSLATE_NOOP("dialer_text", "Vantrel - ");
inline constexpr char kDisconnecting[] = QT_TRANSLATE_NOOP("dialer_text", "disconnecting");
inline constexpr char kDisconnected[] = QT_TRANSLATE_NOOP("dialer_text", "disconnected");
inline constexpr char kLineNotGone[] = QT_TRANSLATE_NOOP(
    "dialer_text", "The line did not report that it was gone. Vantrel goes on with the next entry.");
// One of the texts above in the user's language.
inline QString translated(const char *text)
{
    return QCoreApplication::translate("dialer_text", text);
}
} // namespace dialer_text

// The text for a connection state, or the service's text for a non-zero error.
QString RasStatusText(RasApi &ras, DWORD state, DWORD error);

// The number of entries in a run: the number in `cycled` when it reads "2" to
// "8", else 1 (no cycle).
std::int32_t CycleLengthOf(const QString &cycled);

// The entry of a run without a cycle: `rasCnx` after its first comma, or the
// whole text when it has none.
QString EntryFromRasCnx(const QString &rasCnx);

// `limit` + 1 without overflow: a counter set "past the limit" ends the loop
// that tests it even when the limit is the largest stored value.
std::int32_t PastLimit(std::int32_t limit);

// How the credentials prompt was left: by one of its buttons, or closed any
// other way (nothing changes, and the same entry is asked for again).
enum class PromptAnswer { OK, Skip, Abort, Closed };

// How a dial ended.
enum class DialEnd {
    Connected, // the line is up
    Failed,    // the attempt failed, or nothing could be dialled
    Aborted,   // Abort ended the run (the progress window's or the prompt's)
    Closed,    // the program ended during the run
};

// The dial run and the hang-up, as a state machine: each step ends by starting a
// pause, a dial whose notifications follow, the prompt or a box, and the next
// step runs when that ends. Nothing waits inside the dialer, so whatever window
// is up (details, about, configuration, a box), the run goes on on time, and
// the buttons act at once in every phase.
class Dialer : public QObject {
    Q_OBJECT
public:
    // The fixed pauses, in ms.
    static constexpr int kFailedStartPause = 3000;
    static constexpr int kResultPause = 4000;
    static constexpr int kButtonPause = 3000;
    static constexpr int kHangUpPause = 3000;
    // Skip's wait for the line to be gone: a status check every kSkipPollPause
    // ms, at most kSkipPolls of them (30 s).
    static constexpr int kSkipPollPause = 250;
    static constexpr int kSkipPolls = 120;

    // `connectionShown` tells whether the poll shows a connection (the menu
    // item reads "&Disconnect"). `state` and `platform` outlive the dialer.
    Dialer(AppState &state, Platform &platform, std::function<bool()> connectionShown);
    ~Dialer() override;

    void Connect1Click();
    // A dial run over `entry` alone, as the tray's would be with that entry
    // chosen and no cycle; the settings are not touched. Only while idle.
    void DialEntry(const QString &entry);
    void DialNotifier(unsigned message, RASCONNSTATE state, DWORD error);
    // The progress window's buttons, and its close box.
    void btAbortClick();
    void btSkipClick();
    void progressClosed();
    // The credentials prompt's answer, with what was typed (used after OK only).
    void promptAnswered(PromptAnswer answer, const QString &userName, const QString &password);
    // The program is ending: a half-made line is hung up, the run ends and its
    // windows close. Nothing starts after this.
    void shutdown();
    // Ends the run under way as its Abort would: the progress window's, or the
    // prompt's (the prompt is withdrawn). True when the run is ending (also when
    // an Abort is at work already); false with nothing to abort: no run, a
    // hang-up, or a run that has its connection.
    bool abort();

    // What the progress window shows. Abort and Skip are enabled exactly when
    // pressing them would act.
    struct Progress {
        bool shown = false;
        QString caption;
        QString status;
        bool abortEnabled = false;
        bool skipEnabled = false;
        // Shown at the user's asking (the run's or hang-up's first show, or
        // Connect during a run): it may take the keyboard focus. A later
        // attempt of the same run shows it without taking the focus from
        // whatever the user works in meanwhile.
        bool takesFocus = true;
    };
    Progress progress() const;

    std::int32_t AttemptLimit() const;
    // The run's counters and the prompt's credentials (handed to the prompt
    // and taken back from it).
    std::int32_t RedialAttempt() const { return m_redialAttempt; }
    std::int32_t CyclePosition() const { return m_cyclePosition; }
    std::int32_t CycleLength() const { return m_cycleLength; }
    const QString &PromptUserName() const { return m_promptUserName; }
    const QString &PromptPassword() const { return m_promptPassword; }
    // The entry being prepared or dialled (the prompt's caption names it).
    const QString &entry() const { return m_entry; }
    // A dial has been started and its attempt has not ended yet.
    bool DialInProgress() const { return m_phase == Phase::Dialing || m_phase == Phase::AttemptEnd; }
    // A dial run or a hang-up is under way.
    bool busy() const { return m_phase != Phase::Idle; }
    // A dial run is under way, from its start to its end (prompts, boxes and
    // pauses included).
    bool running() const { return m_phase != Phase::Idle && m_phase != Phase::HangingUp; }
    // A hang-up is under way and has not failed (yet).
    bool hangingUp() const { return m_phase == Phase::HangingUp && !m_hangUpFailed; }
    // A dial has been started and its next notification is awaited.
    bool awaitingService() const { return m_phase == Phase::Dialing; }
    // The prompt is wanted (between promptOpened() and promptClosed()).
    bool prompting() const { return m_prompting; }

    // The dial state: the connection last dialled (0: none) and the parameters
    // it was dialled with (the password wiped once the dial has it).
    HRASCONN rasConnection() const { return m_rasConnection; }
    const RASDIALPARAMSA &dialParams() const { return m_dialParams; }
    // Forgets the connection handle, as for a line brought up from outside.
    void forgetConnection() { m_rasConnection = 0; }

signals:
    // progress() has changed.
    void progressChanged();
    // Connect was chosen during a run: the prompt or the progress window comes
    // to the front.
    void raiseRequested();
    // The prompt is to open for CurrentEntry with PromptUserName() and
    // PromptPassword(), and to close again (without an answer).
    void promptOpened();
    void promptClosed();
    // busy(), running(), hangingUp(), DialInProgress() or entry() may have changed.
    void stateChanged();
    // A dial has ended: an attempt (connected, or failed with the service's
    // `error`), or the run when no attempt has told how it ends (Abort, the
    // program's end, an entry that cannot be dialled at all, the connection
    // made by other means meanwhile). An attempt that Abort or Skip hangs up
    // is not told: what follows is.
    void dialFinished(const QString &entry, vantrel::DialEnd end, DWORD error);
    // The outcome of a hang-up: `gone` when the connection is no longer up;
    // otherwise `error` is the service's refusal, or 0 when the service took
    // the request but the connection stayed up.
    void hangUpFinished(bool gone, DWORD error);
    // The user asked for a hang-up ("&Disconnect", by menu, double click or bus).
    void hangUpAsked();
    // A dial run is over: with its connection, or without; `abandoned` when the
    // user aborted it or the program is ending.
    void runEnded(bool connected, bool abandoned);

private:
    enum class Phase {
        Idle,
        Preparing,  // the entry's prompt or box is up
        Dialing,    // RasDialA started; the notifications lead on
        AttemptEnd, // the 3000 ms or 4000 ms before the window hides, or the box after it
        Waiting,    // the run's pause of Wait seconds after an attempt
        HangingUp,
    };
    // A progress button at work: its hang-up done, its pause or wait running.
    enum class Button { None, Abort, Skip };

    void startRun();
    void advance();
    void nextEntry();
    void prepareEntry(const QString &entry);
    void makeAttempt(const QString &entry);
    void attemptEnded();
    void endRunAsConnected();
    void finishRun();
    void buttonDone();
    void skipPoll(int poll);
    void hangUp();
    void hangUpDone();
    void endHangUp(bool gone, DWORD error);
    void tellDial(DialEnd end, DWORD error);
    // The service lists `handle` as connected.
    bool stillUp(HRASCONN handle);
    void setPhase(Phase phase);
    HRASCONN connectionToHangUp();
    bool wantedConnectionUp();
    void showProgress(const QString *caption);
    void hideProgress();
    void setStatusLine(const QString &text);
    void setPrompting(bool on);
    // Starts the run's next pause; `then` runs when it ends, unless the run or
    // the program has ended by then.
    void pause(qint64 ms, std::function<void()> then);
    // A box that the run waits for without blocking; `then` as for pause().
    void box(const QString &text, std::function<void()> then);
    std::function<void()> guarded(std::function<void()> then);
    void wipeEntryParams();

    AppState &m_state;
    Platform &m_platform;
    std::function<bool()> m_connectionShown;
    Phase m_phase = Phase::Idle;
    bool m_ended = false;
    // Each run or hang-up has its own number: what a finished one left pending
    // (a box still up, a late pause) does nothing to the next.
    quint64 m_generation = 0;
    std::unique_ptr<PendingPause> m_pause;       // the run's own pause
    std::unique_ptr<PendingPause> m_buttonPause; // Abort's or Skip's
    Button m_button = Button::None;
    bool m_resumeAfterButton = false;
    bool m_connected = false; // the run has its connection: nothing may hang it up
    bool m_inEntry = false;   // the current entry is prepared and gets attempts
    bool m_prompting = false;
    bool m_runAborted = false;    // Abort was pressed in this run
    DWORD m_runError = 0;         // the error of the run's last failure
    bool m_failureTold = false;   // the run's last failure has been told
    bool m_connectedTold = false; // the run's connection has been told
    HRASCONN m_hangUpHandle = 0;  // the connection being hung up
    bool m_hangUpOver = true;     // the hang-up's outcome has been told
    bool m_hangUpFailed = false;  // and it was a failure
    bool m_abandoned = false;     // the user aborted the run, or the program is ending
    bool m_shownInRun = false;    // the progress window has been shown in this run or hang-up
    QString m_entry;
    QString m_onlyEntry;         // the run's one entry, given by DialEntry
    std::int32_t m_runLimit = 0; // the attempt limit of the run under way
    std::int32_t m_redialAttempt = 0;
    std::int32_t m_cyclePosition = 0;
    std::int32_t m_cycleLength = 0;
    QString m_promptUserName;
    QString m_promptPassword;
    Progress m_progress; // shown, caption and status; the buttons are derived
    // The entry's dial parameters as prepared, kept apart from m_dialParams
    // (which each attempt hands the service) for the entry's attempts; wiped
    // when the entry is done.
    RASDIALPARAMSA m_entryParams{};
    HRASCONN m_rasConnection = 0;
    RASDIALPARAMSA m_dialParams{};
    // Run positions whose dial parameters could not be read in this run.
    std::set<std::int32_t> m_unreadable;
};

} // namespace vantrel
