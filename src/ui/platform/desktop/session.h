// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a desktop session does to a long-running tray program: a session bus that
// may not exist, signals at logout, a display that may go away.
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace vantrel {

// True when Qt runs on its Wayland platform (QT_QPA_PLATFORM=wayland, or a
// Wayland session where Qt chose it). There is no X display to ask then, window
// positions and stacking are the compositor's, and the clipboard is handed
// out only to a client that has had input.
bool RunsOnWayland();

// True when the user's session bus can be reached: its address is set, or the
// standard per-user bus socket ($XDG_RUNTIME_DIR/bus) exists.
bool SessionBusExists();

// To be called before the application object exists. Without a session bus, the
// D-Bus library would start one of its own on the first D-Bus call (its X11
// "autolaunch"), whoever makes that call (Qt's platform theme asks about tray
// hosts and menus), and the daemon it starts outlives the program. Pointing the
// session bus at an address that cannot be used makes those calls fail at once
// instead, and leaves no process behind.
void PreventSessionBusAutolaunch();

// To be called before the application object exists. On Wayland, Qt's platform
// plugin gives its windows EGL client buffers by default, which brings up Mesa
// and a driver (without a GPU the software one, with LLVM): some 50 MiB of a tray
// program's memory, although every window here is drawn by the raster engine.
// QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none makes Qt use shared-memory buffers;
// a value the user's environment gives wins. Qt warns twice that it found no
// integration called "none"; those two warnings are dropped. Nothing changes on
// X11, where Qt reads no such variable. The price: Qt 6.4 draws its own window
// frames only with a client buffer integration, so where the compositor draws
// none either (GNOME, weston) the windows have no title bar.
void UseSharedMemoryBuffersOnWayland();

// Turns SIGTERM, SIGHUP and SIGINT (logout, a closed terminal, Ctrl+C, kill)
// into a Qt signal delivered by the event loop, so that the program can end in
// order instead of dying where it stands. One instance per process.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier *m_notifier = nullptr;
};

// Runs `action` if the process is ended by Qt because the display connection
// broke. The X server went away: Qt's xcb platform then calls exit(1) from
// inside its event handling, so no destructor runs, and the action runs at
// exit. The Wayland compositor went away: Qt's Wayland platform prints "The
// Wayland connection broke..." and calls _exit, which skips even the exit
// hooks, so the action runs from Qt's message handler at that warning (the
// program's own handler chains to the one installed before). Either way the
// process then ends with code 0: losing the display is the session ending, not
// a failure of the program. Cleared by passing an empty function, which must be
// done before the objects the action uses go away.
void SetDisplayLossAction(std::function<void()> action);

} // namespace vantrel
