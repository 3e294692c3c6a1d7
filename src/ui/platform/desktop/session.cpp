// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/desktop/session.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

bool RunsOnWayland()
{
    // "wayland", "wayland-egl" and the like.
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool SessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return false;
    struct stat st {};
    return ::stat((runtime + "/bus").constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

void PreventSessionBusAutolaunch()
{
    // The D-Bus library itself looks at $XDG_RUNTIME_DIR/bus when no address
    // is set, so that case needs nothing.
    if (!SessionBusExists())
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

namespace {

QtMessageHandler g_beforeBufferWarningFilter = nullptr;

// Qt's Wayland platform, asked for a client buffer integration it does not
// have, names it and then lists the ones it has, and goes on with shared memory.
void dropNoBufferIntegrationWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && qstrcmp(context.category, "qt.qpa.wayland") == 0
        && (message.startsWith(QLatin1String("Failed to load client buffer integration:"))
            || message.startsWith(QLatin1String("Available client buffer integrations:"))))
        return;
    if (g_beforeBufferWarningFilter)
        g_beforeBufferWarningFilter(type, context, message);
}

} // namespace

void UseSharedMemoryBuffersOnWayland()
{
    // Qt takes an empty value for no value: its default, EGL.
    if (!qEnvironmentVariableIsEmpty("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION"))
        return;
    qputenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", "none");
    g_beforeBufferWarningFilter = qInstallMessageHandler(dropNoBufferIntegrationWarnings);
}

// --- termination signals ------------------------------------------------------

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals)
        ::sigaction(s, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    for (const int s : kSignals)
        ::signal(s, SIG_DFL);
    delete m_notifier;
    for (int &fd : g_signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_signalPipe[0], &byte, 1) == 1)
        emit terminationRequested(byte);
}

// --- display loss ---------------------------------------------------------------

namespace {

std::function<void()> &displayLossAction()
{
    static std::function<void()> action;
    return action;
}

// The display-loss action is under way on the main thread.
std::atomic<bool> g_lossActionRunning{false};

extern "C" void runDisplayLossAction()
{
    std::function<void()> action = std::move(displayLossAction());
    displayLossAction() = nullptr;
    if (!action)
        return; // an ordinary exit: the program has shut down already
    g_lossActionRunning = true;
    action();
    // The rest of the exit sequence would run Qt's own clean-up against a
    // display that is gone; the program's own state is saved by now.
    ::_exit(0);
}

QtMessageHandler g_previousMessageHandler = nullptr;

// Qt's Wayland platform, when the compositor connection breaks, prints one of
// these warnings and then calls _exit, which runs no atexit hook: the warning
// is the last moment the program gets.
bool isWaylandConnectionLoss(QtMsgType type, const QString &message)
{
    return (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
           && (message.startsWith(QLatin1String("The Wayland connection broke"))
               || message.startsWith(QLatin1String("The Wayland connection experienced a fatal error")));
}

void onQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_previousMessageHandler)
        g_previousMessageHandler(type, context, message);
    if (!isWaylandConnectionLoss(type, message))
        return;
    QCoreApplication *app = QCoreApplication::instance();
    const bool mainThread = !app || QThread::currentThread() == app->thread();
    // The shutdown itself may touch the display (hiding a window) and meet the
    // loss again on the main thread; Qt would end the process with 1 as soon as
    // this returns. The closing log line is written before anything in that
    // shutdown draws, so ending here with 0 loses nothing of the program's.
    if (mainThread && g_lossActionRunning)
        ::_exit(0);
    if (!displayLossAction())
        return;
    if (mainThread) {
        runDisplayLossAction();
        return;
    }
    // Qt 6.4 reports it from its Wayland reader thread and ends the process
    // as soon as this returns. The program's objects belong to the main
    // thread: the action runs there (and ends the process itself), while
    // this thread waits. A main thread stuck for that long gets Qt's end.
    QMetaObject::invokeMethod(
        app, [] { runDisplayLossAction(); }, Qt::QueuedConnection);
    QThread::sleep(10);
}

} // namespace

void SetDisplayLossAction(std::function<void()> action)
{
    static const bool registered = std::atexit(runDisplayLossAction) == 0;
    Q_UNUSED(registered);
    static const bool watching = [] {
        g_previousMessageHandler = qInstallMessageHandler(onQtMessage);
        return true;
    }();
    Q_UNUSED(watching);
    displayLossAction() = std::move(action);
}

} // namespace vantrel
