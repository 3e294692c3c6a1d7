#pragma once
// The program's entry: the general error report around event dispatch, the
// single-instance check, the splash, ProgramFolder, and the two long-lived
// windows fmVantrel and fmConnect.
#include "platform/errorreport.h"

#include <QApplication>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;

namespace vantrel {

struct AppState;
struct Platform;
class MessageBoxes;
class TfmVantrel;
class TfmConnect;

inline const QString kMainWindowClass = QStringLiteral("TfmVantrel");
inline const QString kAlreadyRunning = QStringLiteral("Vantrel is already running!");
inline const QString kNoSystemTray = QStringLiteral(
    "No system tray was found.\n\n"
    "Vantrel has no window of its own: it lives as an icon in the system tray (the "
    "notification area of a desktop panel). Add a system tray to your panel (on "
    "GNOME, install and enable the \"AppIndicator and KStatusNotifierItem Support\" "
    "extension; on other desktops, add the panel's \"System Tray\" or "
    "\"Notification Area\" item), then start Vantrel again.");
constexpr int kNoTrayExitCode = 1;

// Runs one event dispatch and turns an exception that escapes it into the
// general error report (a box titled "Vantrel"); the program carries on. While
// a report is on screen, the same text is not reported again (a poll failing
// every two seconds would otherwise pile up boxes).
class ErrorReportingDispatch {
public:
    explicit ErrorReportingDispatch(MessageBoxes *boxes = nullptr) : m_boxes(boxes) {}
    void setBoxes(MessageBoxes *boxes) { m_boxes = boxes; }
    // A template, not std::function: it wraps every event the program gets.
    template <typename Deliver>
    bool dispatch(Deliver &&deliver)
    {
        try {
            return deliver();
        } catch (const VantrelError &e) {
            report(e.text());
        } catch (const std::exception &e) {
            report(QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

private:
    void report(const QString &text);
    MessageBoxes *m_boxes;
    QStringList m_showing;
};

class VantrelApplication : public QApplication {
    Q_OBJECT
public:
    VantrelApplication(int &argc, char **argv);
    ~VantrelApplication() override;
    // The boxes the general error report uses; without them it makes its own.
    void setErrorBoxes(MessageBoxes *boxes);
    bool notify(QObject *receiver, QEvent *event) override;

private:
    std::unique_ptr<MessageBoxes> m_ownBoxes;
    ErrorReportingDispatch m_dispatch;
};

// --- single instance ----------------------------------------------------------
// The main window registers its class name with a per-user local socket while it
// exists; a second copy looks for it. The socket lives in $XDG_RUNTIME_DIR (a
// folder only the user can enter), else in the temporary folder, named after the
// class and the user id.
QString WindowClassSocket(const QString &className);
// True when a running copy's main window answers.
bool FindWindowClass(const QString &className);
// Registers the class: a socket file left by a crash (nobody listening) is
// removed first. Returns nullptr when the socket cannot be made; the program
// then runs without being found.
std::unique_ptr<QLocalServer> RegisterWindowClass(const QString &className);

// The folder of the program file, without the trailing '/'; "" for the root.
QString ProgramFolderFromPath(const QString &programFile);

// What start-up asks of the desktop; tests replace them.
struct StartupHooks {
    // Shows the splash modally (default: fmLogo for 3000 ms).
    std::function<void()> showSplash;
    // Whether a system tray is there (default: QSystemTrayIcon::isSystemTrayAvailable).
    std::function<bool()> trayAvailable;
    // Waits up to `ms` for a tray to appear; true when one did (default: polls
    // trayAvailable every 250 ms while the event loop runs).
    std::function<bool(int ms)> waitForTray;
    // How long to wait for a tray that is not there yet: at logon the program may
    // start before the panel that holds the tray.
    int trayGraceMs = 10000;
    // Ends the message loop when the main window has shut down.
    bool quitOnShutdown = true;
};

class VantrelStartup {
public:
    VantrelStartup(AppState &state, Platform &platform, QString programFile, StartupHooks hooks = {});
    ~VantrelStartup();
    VantrelStartup(const VantrelStartup &) = delete;
    VantrelStartup &operator=(const VantrelStartup &) = delete;

    // The start-up sequence up to the message loop. Returns the exit code when
    // the program must end now (another copy runs: 0; no tray: kNoTrayExitCode),
    // nothing when the message loop is to run.
    std::optional<int> start();

    TfmVantrel *fmVantrel() const { return m_fmVantrel.get(); }
    TfmConnect *fmConnect() const { return m_fmConnect.get(); }

private:
    AppState &m_state;
    Platform &m_platform;
    QString m_programFile;
    StartupHooks m_hooks;
    std::unique_ptr<QLocalServer> m_instance;
    std::unique_ptr<TfmVantrel> m_fmVantrel;
    std::unique_ptr<TfmConnect> m_fmConnect;
};

// Shows fmLogo modally; it closes itself after 3000 ms.
void ShowSplash();

// The whole program: the real platform, start-up and the message loop.
int RunVantrel(int argc, char **argv);

} // namespace vantrel
