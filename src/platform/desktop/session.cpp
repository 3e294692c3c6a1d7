#include "platform/desktop/session.h"

#include <QGuiApplication>
#include <QSocketNotifier>

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

extern "C" void runDisplayLossAction()
{
    std::function<void()> action = std::move(displayLossAction());
    displayLossAction() = nullptr;
    if (!action)
        return; // an ordinary exit: the program has shut down already
    action();
    // The rest of the exit sequence would run Qt's own clean-up against a
    // display that is gone; the program's own state is saved by now.
    ::_exit(0);
}

} // namespace

void SetDisplayLossAction(std::function<void()> action)
{
    static const bool registered = std::atexit(runDisplayLossAction) == 0;
    Q_UNUSED(registered);
    displayLossAction() = std::move(action);
}

} // namespace vantrel
