#pragma once
// The command behind "&Connect"/"&Disconnect": the dial run over one entry or a
// cycle of entries with its attempts and pauses, the notifier that follows each
// attempt, the hang-up, and what the progress window's Abort and Skip do.
#include "platform/ras/ras.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>

class QEventLoop;

namespace vantrel {

struct AppState;
struct Platform;
class TfmVantrel;
class TfmConnect;
class TfmAsk;

namespace dialer_text {
inline const QString kCaptionPrefix = QStringLiteral("Vantrel - ");
inline const QString kDisconnecting = QStringLiteral("disconnecting");
inline const QString kDisconnected = QStringLiteral("disconnected");
inline const QString kLineNotGone = QStringLiteral(
    "The line did not report that it was gone. Vantrel goes on with the next entry.");
} // namespace dialer_text

// The text for a connection state, or the service's text for a non-zero error.
QString RasStatusText(RasApi &ras, DWORD state, DWORD error);

// The number of entries in a run: the number in `cycled` when it reads "2" to
// "8", else 1 (no cycle).
std::int32_t CycleLengthOf(const QString &cycled);

// The entry of a run without a cycle: `rasCnx` after its first comma, or the
// whole text when it has none.
QString EntryFromRasCnx(const QString &rasCnx);

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

    // Wires itself to fmVantrel (DialerHook and the end of the program). All
    // three outlive the dialer.
    Dialer(AppState &state, Platform &platform, TfmVantrel &fmVantrel);
    ~Dialer() override;

    void Connect1Click();
    void DialNotifier(unsigned message, RASCONNSTATE state, DWORD error);
    // fmConnect's buttons.
    void btAbortClick();
    void btSkipClick();

    std::int32_t AttemptLimit() const;
    // The progress window, fmConnect; nullptr until the first run or hang-up
    // needs it (most sessions never dial, and a window costs memory).
    TfmConnect *fmConnect() const { return m_fmConnect.get(); }
    // A dial run or a hang-up is under way.
    bool busy() const { return m_busy; }

    // Shows the credentials prompt modally and returns its result; tests answer
    // it here.
    std::function<int(TfmAsk &)> RunPrompt;

private:
    enum class Prepared { Ready, NotReady, Unreadable };
    enum class Attempt { None, InProgress, Failed, Connected };

    void DialRun();
    Prepared PrepareEntry(const QString &entry);
    void MakeAttempt(const QString &entry);
    void HangUp();
    TfmConnect &progressWindow(); // made on first use, wired to its buttons
    void ShowProgress(const QString *caption);
    void SetStatusLine(const QString &text);
    // Pauses through the injected pause; false when the program is ending.
    bool pause(int ms);
    bool ending() const;
    void wipeEntryParams();

    AppState &m_state;
    Platform &m_platform;
    TfmVantrel &m_fm;
    std::unique_ptr<TfmConnect> m_fmConnect;
    bool m_busy = false;
    bool m_buttonBusy = false;
    std::int32_t m_runLimit = 0; // the attempt limit of the run under way
    Attempt m_attempt = Attempt::None;
    QEventLoop *m_attemptLoop = nullptr;
    // The entry's dial parameters as prepared, kept apart from fmVantrel's
    // DialParams (which the connection entries window also fills) for the
    // entry's attempts; wiped when the entry is done.
    RASDIALPARAMSA m_entryParams{};
    // Run positions whose dial parameters could not be read in this run.
    std::set<std::int32_t> m_unreadable;
};

} // namespace vantrel
