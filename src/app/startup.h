// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's entry: the general error report around event dispatch, the
// single-instance check, the splash, ProgramFolder, the main window fmVantrel
// and the dialer (whose progress window, fmConnect, is made at the first dial).
#include "monitor/singleinstance.h"
#include "platform/errorreport.h"

#include <QApplication>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

struct AppState;
struct Platform;
class MessageBoxes;
class TfmVantrel;
class Dialer;
class DialWindows;

inline const QString kMainWindowClass = QStringLiteral("TfmVantrel");
inline constexpr char kAlreadyRunning[] = QT_TRANSLATE_NOOP("vantrel::VantrelStartup", "Vantrel is already running!");
// Said once on stderr when the program starts before any tray host.
inline const QString kNoTrayYet = QStringLiteral(
    "Vantrel: no system tray is there yet; the icon appears as soon as one starts.");

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

// The folder of the program file, without the trailing '/'; "" for the root.
QString ProgramFolderFromPath(const QString &programFile);

// What start-up asks of the desktop; tests replace them.
struct StartupHooks {
    // Opens the splash (default: fmLogo for 3000 ms); `closed` runs when it
    // has closed.
    std::function<void(std::function<void()> closed)> showSplash;
    // Asks whether a tray host is there; the answer may come later (default:
    // ProbeTrayHost).
    std::function<void(std::function<void(bool present)>)> trayAvailable;
    // Tells the user something that needs no answer (default: a line on stderr).
    std::function<void(const QString &)> note;
    // Ends the message loop when the main window has shut down.
    bool quitOnShutdown = true;
};

class VantrelStartup {
public:
    VantrelStartup(AppState &state, Platform &platform, QString programFile, StartupHooks hooks = {});
    ~VantrelStartup();
    VantrelStartup(const VantrelStartup &) = delete;
    VantrelStartup &operator=(const VantrelStartup &) = delete;

    // Starts the start-up sequence and returns; it goes on in the message
    // loop. `running` is called once the main window and the dialer exist;
    // `ended` once with the exit code when the program is to end: another copy
    // runs (after its box, 0), the end was asked for before the main window
    // existed (0), or the main window has shut down (0).
    void start(std::function<void()> running, std::function<void(int exitCode)> ended);

    // The session asks the program to end (logout, a termination signal), at
    // any moment: the main window closes through its shutdown sequence, which
    // ends the program; before the main window exists, start-up ends at once.
    void requestEnd();
    // The shutdown sequence and the end of the class registration, now, with no
    // event loop to come (the display is gone).
    void endNow();

    TfmVantrel *fmVantrel() const { return m_fmVantrel.get(); }
    Dialer *dialer() const { return m_dialer.get(); }
    DialWindows *dialWindows() const { return m_dialWindows.get(); }

private:
    void afterSplash();
    void end(int exitCode);

    AppState &m_state;
    Platform &m_platform;
    QString m_programFile;
    StartupHooks m_hooks;
    std::unique_ptr<WindowClassRegistration> m_instance;
    bool m_endRequested = false;
    bool m_ended = false;
    std::function<void()> m_onRunning;
    std::function<void(int)> m_onEnded;
    std::unique_ptr<TfmVantrel> m_fmVantrel;
    std::unique_ptr<Dialer> m_dialer;
    std::unique_ptr<DialWindows> m_dialWindows;
};

// Opens fmLogo; it closes itself after 3000 ms, and `closed` runs then.
void ShowSplash(std::function<void()> closed);

// The whole program: the real platform, start-up and the message loop.
int RunVantrel(int argc, char **argv);

} // namespace vantrel
