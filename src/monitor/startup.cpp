#include "monitor/startup.h"

#include "dialer/fmconnect.h"
#include "monitor/appstate.h"
#include "monitor/fmlogo.h"
#include "monitor/fmvantrel.h"
#include "monitor/globeicon.h"
#include "platform/clock.h"
#include "platform/desktop/notifyicon.h"
#include "platform/desktop/qtwaveplayer.h"
#include "platform/errorreport.h"
#include "platform/messageboxes.h"
#include "platform/modal.h"
#include "platform/pause.h"
#include "platform/ras/ras.h"
#include "platform/ras/rasbackend.h"
#include "platform/registry/fileregistry.h"
#include "platform/sockets/posixsockets.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QSystemTrayIcon>
#include <QTimer>

#include <exception>

#include <unistd.h>

namespace vantrel {

// --- general error report ------------------------------------------------------------

void ErrorReportingDispatch::report(const QString &text)
{
    if (!m_boxes || m_showing.contains(text))
        return;
    m_showing.append(text);
    const auto done = qScopeGuard([this, text] { m_showing.removeOne(text); });
    try {
        ReportError(*m_boxes, text);
    } catch (...) {
        // The report itself must never take the program down.
    }
}

VantrelApplication::VantrelApplication(int &argc, char **argv)
    : QApplication(argc, argv), m_ownBoxes(std::make_unique<QtMessageBoxes>()),
      m_dispatch(m_ownBoxes.get())
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

// --- single instance -----------------------------------------------------------------

QString WindowClassSocket(const QString &className)
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::tempPath();
    return dir + QLatin1Char('/') + className + QLatin1Char('-') + QString::number(::getuid());
}

bool FindWindowClass(const QString &className)
{
    QLocalSocket socket;
    socket.connectToServer(WindowClassSocket(className));
    // A listening copy is answered by the kernel at once; a socket file left by a
    // crash refuses at once; no file fails at once. The wait only matters for a
    // copy too busy to have its queue emptied.
    const bool found = socket.waitForConnected(1000);
    socket.abort();
    return found;
}

std::unique_ptr<QLocalServer> RegisterWindowClass(const QString &className)
{
    const QString name = WindowClassSocket(className);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Only reached when FindWindowClass found nobody listening: what is left is
    // the socket file of a copy that crashed.
    QLocalServer::removeServer(name);
    if (!server->listen(name))
        return nullptr;
    QLocalServer *raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [raw] {
        while (QLocalSocket *peer = raw->nextPendingConnection()) {
            peer->abort();
            peer->deleteLater();
        }
    });
    return server;
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

void ShowSplash()
{
    std::unique_ptr<TfmLogo> fmLogo = std::make_unique<TfmLogo>();
    ExecModal(*fmLogo); // destroyed when the modal run ends, also by an error
}

namespace {

bool waitForTrayPolling(const std::function<bool()> &available, int ms)
{
    if (available())
        return true;
    QEventLoop loop;
    QTimer poll;
    QTimer deadline;
    bool found = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (available()) {
            found = true;
            loop.quit();
        }
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.setSingleShot(true);
    poll.start(250);
    deadline.start(ms);
    loop.exec();
    return found;
}

} // namespace

VantrelStartup::VantrelStartup(AppState &state, Platform &platform, QString programFile,
                               StartupHooks hooks)
    : m_state(state), m_platform(platform), m_programFile(std::move(programFile)),
      m_hooks(std::move(hooks))
{
    if (!m_hooks.showSplash)
        m_hooks.showSplash = ShowSplash;
    if (!m_hooks.trayAvailable)
        m_hooks.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    if (!m_hooks.waitForTray) {
        const auto available = m_hooks.trayAvailable;
        m_hooks.waitForTray = [available](int ms) { return waitForTrayPolling(available, ms); };
    }
}

VantrelStartup::~VantrelStartup()
{
    // fmConnect first, then the main window (its destructor runs the shutdown if
    // the window was never closed), then the class registration.
    m_fmConnect.reset();
    m_fmVantrel.reset();
    m_instance.reset();
}

std::optional<int> VantrelStartup::start()
{
    // Another copy's main window answers: say so and end, touching nothing.
    if (FindWindowClass(kMainWindowClass)) {
        m_platform.boxes->show(QStringLiteral("Vantrel Message"), kAlreadyRunning,
                               MessageBoxes::Icon::Error);
        return 0;
    }

    m_hooks.showSplash();

    // Without a tray the program would run with nothing to show for it and no
    // way to end it. Give a tray that is still starting a little time, then tell
    // the user instead of running unseen.
    if (!m_hooks.trayAvailable() && !m_hooks.waitForTray(m_hooks.trayGraceMs)) {
        m_platform.boxes->show(QStringLiteral("Vantrel Message"), kNoSystemTray,
                               MessageBoxes::Icon::Error);
        return kNoTrayExitCode;
    }

    m_state.ProgramFolder = ProgramFolderFromPath(m_programFile);

    // The program has no taskbar entry: the main window is never shown, the
    // splash and the progress window are splash and tool windows.
    m_instance = RegisterWindowClass(kMainWindowClass);
    m_fmVantrel = std::make_unique<TfmVantrel>(m_state, m_platform);
    if (m_hooks.quitOnShutdown) {
        // Queued: the shutdown sequence returns before the loop ends.
        QObject::connect(m_fmVantrel.get(), &TfmVantrel::shutdownComplete, qApp,
                         &QCoreApplication::quit, Qt::QueuedConnection);
    }

    m_fmConnect = std::make_unique<TfmConnect>();
    return std::nullopt;
}

// --- the program -------------------------------------------------------------------

int RunVantrel(int argc, char **argv)
{
    VantrelApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    // No display name: Qt would append it to every window title, and the boxes
    // must be titled "Vantrel Message" exactly.
    QApplication::setWindowIcon(QIcon(MainIconPixmap()));
    // The main window is never shown; the program ends when it closes.
    QApplication::setQuitOnLastWindowClosed(false);

    QtMessageBoxes boxes;
    app.setErrorBoxes(&boxes);

    // The real platform. None of these reads or writes anything until used, so a
    // refused second copy touches no file.
    FileRegistry registry(FileRegistry::defaultDirectory(), FileRegistry::defaultAutostartDirectory(),
                          FileRegistry::reportThrough(boxes));
    SimLine::Options lineOptions = SimLine::defaultOptions();
    lineOptions.report = [&boxes](const QString &text) {
        static_cast<MessageBoxes &>(boxes).show(QStringLiteral("Vantrel Message"), text, MessageBoxes::Icon::Warning);
    };
    const std::unique_ptr<RasService> line = ChooseRasService(lineOptions);
    RasApi ras(*line);
    PosixSockets sockets;
    QtNotifyIcon tray;
    QtWavePlayer wave;
    QtBeeper beeper;
    ThreadPause pause;
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
    if (const std::optional<int> exitCode = startup.start())
        return *exitCode;
    app.exec();
    return 0;
}

} // namespace vantrel
