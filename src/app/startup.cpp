// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include "app/factories.h"
#include "dialer/dialer.h"
#include "monitor/appstate.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/notifications.h"
#include "platform/pause.h"
#include "platform/ras/ras.h"
#include "platform/ras/rasbackend.h"
#include "platform/registry/fileregistry.h"
#include "platform/sockets/networkwatch.h"
#include "platform/sockets/posixsockets.h"
#include "platform/stun/stunlookup.h"
#include "platform/translators.h"
#include "ui/bus/busservice.h"
#include "ui/dialer/dialwindows.h"
#include "ui/dialer/fmconnect.h"
#include "ui/monitor/fmlogo.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/monitor/globeicon.h"
#include "ui/platform/desktop/lazywaveplayer.h"
#include "ui/platform/desktop/notifyicon.h"
#include "ui/platform/desktop/session.h"
#include "ui/platform/modal.h"
#include "ui/platform/qtmessageboxes.h"
#include "ui/windows/additions.h"

#include <QFont>
#include <QPixmapCache>
#include <QScopeGuard>
#include <QTimer>

#include <cstdio>
#include <exception>

#include <malloc.h>

namespace vantrel {

namespace {
// Whether this program was built for installing (not a developer build).
#ifdef VANTREL_INSTALLED_PROGRAM
constexpr bool kInstalledProgram = true;
#else
constexpr bool kInstalledProgram = false;
#endif
} // namespace

// --- general error report ------------------------------------------------------------

void ErrorReportingDispatch::report(const QString &text)
{
    if (!m_boxes || m_showing.contains(text))
        return;
    m_showing.append(text);
    try {
        ReportError(*m_boxes, text, [this, text] { m_showing.removeOne(text); });
    } catch (...) {
        // The report itself must never take the program down.
        m_showing.removeOne(text);
    }
}

VantrelApplication::VantrelApplication(int &argc, char **argv)
    : QApplication(argc, argv), m_ownBoxes(std::make_unique<QtMessageBoxes>()), m_dispatch(m_ownBoxes.get())
{
}

VantrelApplication::~VantrelApplication() = default;

void VantrelApplication::setErrorBoxes(MessageBoxes *boxes)
{
    m_dispatch.setBoxes(boxes ? boxes : m_ownBoxes.get());
}

bool VantrelApplication::notify(QObject *receiver, QEvent *event)
{
    return m_dispatch.dispatch([&] { return QApplication::notify(receiver, event); });
}

QString ProgramFolderFromPath(const QString &programFile)
{
    const qsizetype slash = programFile.lastIndexOf(QLatin1Char('/'));
    QString folder = programFile.left(slash + 1); // keeps the '/'
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

// --- start-up -----------------------------------------------------------------------

void ShowSplash(std::function<void()> closed)
{
    // Deleted once it has closed.
    OpenModal(new TfmLogo, nullptr, [closed = std::move(closed)](int) { closed(); });
}

VantrelStartup::VantrelStartup(AppState &state, Platform &platform, QString programFile, StartupHooks hooks)
    : m_state(state), m_platform(platform), m_programFile(std::move(programFile)), m_hooks(std::move(hooks))
{
    if (!m_hooks.showSplash)
        m_hooks.showSplash = ShowSplash;
    if (!m_hooks.trayAvailable)
        m_hooks.trayAvailable = [](std::function<void(bool)> present) {
            ProbeTrayHost(qApp, [present = std::move(present)](TrayHostAnswer answer) { present(answer.present); });
        };
    if (!m_hooks.note)
        m_hooks.note = [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
}

VantrelStartup::~VantrelStartup()
{
    // The dialer with its windows first, then the main window (its destructor
    // runs the shutdown if the window was never closed), then the class
    // registration.
    m_dialWindows.reset();
    m_dialer.reset();
    m_fmVantrel.reset();
    m_instance.reset();
}

void VantrelStartup::start(std::function<void()> running, std::function<void(int exitCode)> ended)
{
    m_onRunning = std::move(running);
    m_onEnded = std::move(ended);
    // Another copy's main window answers: say so and end, touching nothing.
    if (FindWindowClass(kMainWindowClass)) {
        m_platform.boxes->open({MessageBoxes::messageTitle(),
                                QCoreApplication::translate("vantrel::VantrelStartup", kAlreadyRunning),
                                MessageBoxes::Icon::Error},
                               nullptr, [this](MessageBoxes::Answer) { end(0); });
        return;
    }
    m_hooks.showSplash([this] { afterSplash(); });
}

void VantrelStartup::end(int exitCode)
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_onEnded)
        m_onEnded(exitCode);
}

void VantrelStartup::afterSplash()
{
    if (m_endRequested || m_ended) {
        end(0);
        return;
    }

    // At logon the program often starts before the panel that holds the tray.
    // A missing tray is no reason to stop: the icon docks when a host appears.
    // Start-up does not wait for the answer; the note goes out when it comes.
    m_hooks.trayAvailable([note = m_hooks.note](bool present) {
        if (!present)
            note(kNoTrayYet);
    });

    m_state.ProgramFolder = ProgramFolderFromPath(m_programFile);
    m_state.InstalledProgram = kInstalledProgram;

    // The program has no taskbar entry: the main window is never shown, the
    // splash and the progress window are splash and tool windows.
    m_instance = RegisterWindowClass(kMainWindowClass);
    // The dialer is the body of Connect1Click; it follows the poll's view of
    // the connection and ends with the main window.
    m_fmVantrel = std::make_unique<TfmVantrel>(m_state, m_platform,
                                               MakeMainWindowPlugins(m_state, m_platform, m_programFile, [this] {
                                                   if (m_dialer)
                                                       m_dialer->Connect1Click();
                                               }));
    TfmVantrel &fm = *m_fmVantrel;
    m_dialer = std::make_unique<Dialer>(m_state, m_platform, [&fm] { return fm.connected(); });
    m_dialWindows = std::make_unique<DialWindows>(*m_dialer);
    QObject::connect(&fm, &TfmVantrel::shutdownComplete, m_dialer.get(), &Dialer::shutdown);
    if (m_hooks.quitOnShutdown) {
        // Queued: the shutdown sequence returns before the program ends.
        QObject::connect(
            &fm, &TfmVantrel::shutdownComplete, &fm, [this] { end(0); }, Qt::QueuedConnection);
    }
    if (m_onRunning)
        m_onRunning();
}

void VantrelStartup::requestEnd()
{
    m_endRequested = true;
    if (m_fmVantrel) {
        m_fmVantrel->close();
        return;
    }
    // Before the main window: nothing to shut down. A box or the splash that
    // is up goes with the program.
    m_platform.boxes->closeAll();
    end(0);
}

void VantrelStartup::endNow()
{
    m_platform.tray->displayLost();
    if (m_fmVantrel)
        m_fmVantrel->Shutdown();
    m_instance.reset();
}

// --- the program -------------------------------------------------------------------

namespace {

// What start-up used once (the splash, its pictures and fonts) is freed by
// now; hand the freed heap back to the system instead of keeping it for a
// program that allocates little from here on. At the next turn of the loop,
// once the splash's deferred delete has run.
void releaseStartupMemory()
{
    QTimer::singleShot(0, [] {
        QPixmapCache::clear(); // the splash's and the style's pictures
        // Qt keeps every font face it opened, with its glyphs and the mapped
        // font file, until the cache grows past 4 MiB, which this program never
        // reaches: the splash's three faces would stay for the whole session.
        // A new cache takes their place; faces still in use by a font stay, the
        // others load again when a window needs them.
        QFont::cleanup();
        ::malloc_trim(0);
    });
}

} // namespace

int RunVantrel(int argc, char **argv)
{
    PreventSessionBusAutolaunch();
    UseSharedMemoryBuffersOnWayland();
    // Qt's own event dispatcher instead of GLib's: the program has no GLib
    // event sources to serve, and the GLib loop costs memory for nothing.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    // The program takes no arguments, and that includes Qt's own (-platform,
    // -style, -display...): Qt gets the program name only.
    int qtArgc = argc > 0 ? 1 : 0;
    char *qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    VantrelApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    // No display name: Qt would append it to every window title, and the boxes
    // must be titled "Vantrel Message" exactly.
    QApplication::setWindowIcon(QIcon(MainIconPixmap()));
    // The user's language, before any window or box exists.
    InstallTranslators(app);
    // The main window is never shown; the program ends when it closes.
    QApplication::setQuitOnLastWindowClosed(false);

    QtMessageBoxes boxes;
    app.setErrorBoxes(&boxes);

    // The real platform. None of these reads or writes anything until used, so a
    // refused second copy touches no file.
    FileRegistry registry(FileRegistry::defaultDirectory(), FileRegistry::defaultAutostartDirectory(),
                          FileRegistry::reportThrough(boxes));
    SimLine::Options lineOptions = SimLine::defaultOptions();
    lineOptions.report = [&boxes](const QString &text) { boxes.warning(text); };
    const std::unique_ptr<RasService> line = ChooseRasService(lineOptions);
    RasApi ras(*line);
    SystemInterfaces interfaces; // answers the lookup of the machine's own name
    PosixSockets sockets(interfaces);
    QtNotifyIcon tray;
    LazyWavePlayer wave;
    QtBeeper beeper;
    TimerPause pause;
    SystemClock clock;

    Platform platform;
    platform.registry = &registry;
    platform.ras = &ras;
    platform.sockets = &sockets;
    platform.tray = &tray;
    platform.wave = &wave;
    platform.beeper = &beeper;
    platform.pause = &pause;
    platform.clock = &clock;
    platform.boxes = &boxes;

    AppState state;
    VantrelStartup startup(state, platform, QCoreApplication::applicationFilePath());
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app,
                     [&startup](int) { startup.requestEnd(); });
    SetDisplayLossAction([&startup] { startup.endNow(); });
    const auto noDisplayLossAction = qScopeGuard([] { SetDisplayLossAction({}); });
    // The public address lookup, the two windows and the notifications; each
    // off until the user turns it on (nothing is opened or sent before).
    StunLookup stunLookup;
    FreedesktopNotifier notifier;
    std::unique_ptr<Additions> additions;
    std::unique_ptr<VantrelBusService> bus;
    const auto running = [&] {
        additions = std::make_unique<Additions>(
            state, platform, *startup.fmVantrel(), *startup.dialer(),
            Additions::Services{&stunLookup, &notifier, &interfaces, [] { return std::make_unique<NetlinkWatch>(); }});
        bus = StartBusService(state, platform, *startup.fmVantrel(), *startup.dialer(), &additions->publicAddress(),
                              [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
        releaseStartupMemory();
    };
    // Queued: the end may be decided inside a handler that has yet to return.
    const auto ended = [&app](int exitCode) {
        QMetaObject::invokeMethod(
            &app, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
    };
    startup.start(running, ended);
    const int exitCode = app.exec();
    bus.reset(); // answers no call about a main window that is gone
    additions.reset();
    return exitCode;
}

} // namespace vantrel
