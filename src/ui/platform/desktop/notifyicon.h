// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The notify-icon stand-in: the program keeps its tray icon in a notify-icon
// record and hands it to Shell_NotifyIconA with the add, modify or delete
// command, as it was built to. Icons travel as 32-bit handles into a table of
// QIcons; mouse events on the icon come back as the record's callback message
// sent to the owning window's procedure.
#include "platform/wintypes.h"

#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <chrono>

#include <functional>
#include <optional>

namespace vantrel {

using HWND32 = HANDLE32;
using HICON32 = HANDLE32;

// Commands.
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;

// Which fields of the record are valid.
constexpr DWORD NIF_MESSAGE = 1;
constexpr DWORD NIF_ICON = 2;
constexpr DWORD NIF_TIP = 4;

// Window messages that matter here.
constexpr DWORD WM_USER = 0x400;
constexpr DWORD WM_LBUTTONDOWN = 0x201;
constexpr DWORD WM_LBUTTONUP = 0x202;
constexpr DWORD WM_LBUTTONDBLCLK = 0x203;
constexpr DWORD WM_RBUTTONDOWN = 0x204;
constexpr DWORD WM_RBUTTONUP = 0x205;
constexpr DWORD WM_MBUTTONUP = 0x208;

constexpr int kNotifyTipSize = 64; // 63 characters and the terminating NUL

#pragma pack(push, 4)
struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND32 hWnd;
    DWORD uID;
    DWORD uFlags;
    DWORD uCallbackMessage;
    HICON32 hIcon;
    char szTip[kNotifyTipSize];
};
#pragma pack(pop)
static_assert(sizeof(NOTIFYICONDATAA) == 88, "the record size the program was built around");

// Writes `text` into the tip field: its first 63 characters, one byte each
// (Latin-1; a character outside it becomes '?'), NUL-terminated.
void SetNotifyTip(NOTIFYICONDATAA &data, const QString &text);
QString NotifyTip(const NOTIFYICONDATAA &data);

// Handle -> icon. A handle keeps its number while its picture is replaced, as an
// icon object does when a new image is drawn into it; the version tells a
// consumer whether the picture changed since it last looked.
class IconHandles {
public:
    HICON32 add(const QIcon &icon);
    // False for a handle not in the table.
    bool set(HICON32 handle, const QIcon &icon);
    void remove(HICON32 handle);
    bool contains(HICON32 handle) const { return m_icons.contains(handle); }
    QIcon icon(HICON32 handle) const;
    quint64 version(HICON32 handle) const;

private:
    struct Entry {
        QIcon icon;
        quint64 version = 0;
    };
    QHash<HICON32, Entry> m_icons;
    HICON32 m_next = 0x100;
};

class NotifyIcon {
public:
    // A window procedure as far as the tray needs one: (message, wParam, lParam).
    using WindowProc = std::function<void(DWORD message, DWORD wParam, DWORD lParam)>;

    virtual ~NotifyIcon() = default;

    // NIM_ADD, NIM_MODIFY or NIM_DELETE. False when the record is malformed
    // (cbSize not 88), the command is unknown, the icon to add exists already or
    // the icon to modify or delete does not.
    virtual bool Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA *data) = 0;

    // The display and its tray went away with the session: later commands must
    // not talk to them (the icons are gone with the tray anyway).
    virtual void displayLost() {}

    // The menu of the icon (window, id), kept for the icon's whole life (also
    // when set before the icon is added). A tray host that draws menus itself
    // shows it; elsewhere the window still opens it on the right-button-up
    // message. nullptr takes it back.
    virtual void SetIconMenu(HWND32 window, DWORD id, QMenu *menu) = 0;

    // Window handles for the records' hWnd: the tray sends each icon's callback
    // message to the procedure registered under its hWnd.
    HWND32 registerWindow(WindowProc proc);
    void unregisterWindow(HWND32 window);

    IconHandles &icons() { return m_icons; }
    const IconHandles &icons() const { return m_icons; }

protected:
    // Delivers (callbackMessage, id, mouseMessage) to the window; false when the
    // window is gone.
    bool sendToWindow(HWND32 window, DWORD callbackMessage, DWORD id, DWORD mouseMessage) const;

private:
    IconHandles m_icons;
    QHash<HWND32, WindowProc> m_windows;
    HWND32 m_nextWindow = 0x10000;
};

// What a tray host does with the mouse, as far as the mapping needs to know.
enum class TrayHost {
    // An XEmbed system tray: the icon is a small X window of ours that receives
    // every click, so a real double click exists.
    XEmbed,
    // A StatusNotifierItem host (KDE Plasma, GNOME with the AppIndicator
    // extension, most Wayland panels): the host owns the mouse and only calls
    // Activate (primary action), SecondaryActivate and ContextMenu on us. There
    // is no double click, so Activate stands for it.
    StatusNotifier,
};

// The mouse message a tray activation stands for on the given host; none for
// the activations the program ignores (a single click on an XEmbed tray, the
// middle button).
std::optional<DWORD> MouseMessageFor(QSystemTrayIcon::ActivationReason reason, TrayHost host);

// What a look for a tray host found.
struct TrayHostAnswer {
    // Some tray host can show an icon now: a StatusNotifierItem host (asked
    // only when a session bus exists) or an XEmbed system tray (the owner of
    // the screen's _NET_SYSTEM_TRAY selection; never on Wayland).
    bool present = false;
    // StatusNotifier when org.kde.StatusNotifierWatcher says a host is
    // registered: the test Qt's platform themes make before they give
    // QSystemTrayIcon a D-Bus item instead of an XEmbed icon.
    TrayHost host = TrayHost::XEmbed;
};
using TrayAnswer = std::function<void(TrayHostAnswer)>;
// Looks for a tray host and calls `answer` with what it found.
using TrayProbe = std::function<void(QObject *context, TrayAnswer answer)>;

// The real look, without waiting: the session bus is asked with an
// asynchronous call (2 s limit), and `answer` runs later from the event loop of
// `context`'s thread, never inside this call, and not at all once `context` is
// gone. It never asks Qt: Qt's platform theme decides once per process whether
// tray icons go over D-Bus, at the first question, and a question asked before
// the panel has started would keep every later icon off a StatusNotifierItem
// host.
void ProbeTrayHost(QObject *context, TrayAnswer answer);

// Tells the user through a desktop notification (org.freedesktop.Notifications
// on the session bus) that the program runs without an icon and how to get
// one. Never waits for the notification daemon; false when there is no session
// bus to send it on.
bool NotifyNoTrayHost();

// Where the tray shows this process's icons, in global screen coordinates, as
// far as the tray host tells (an XEmbed tray does; a StatusNotifierItem host
// keeps it to itself): the rectangle around all of them, or an empty rectangle
// when nothing is known. Windows that stay on top keep clear of it.
QRect TrayIconsGeometry();

// The real tray: one QSystemTrayIcon per (window, identifier).
//
// An icon added while no tray host is there (at logon the program may start
// before the panel) is kept, with every later change, and docks as soon as a
// host appears; until then the add still succeeds, as the program carries on
// without an icon either way.
class QtNotifyIcon final : public QObject, public NotifyIcon {
    Q_OBJECT
public:
    // `probe` is asked when an icon is added; an icon docks when it answers that
    // a host is there, with that host's kind (Qt makes its own choice when the
    // icon is made, too). While the answer is no, it is asked again every
    // second, one question at a time. The default asks the session bus and the
    // X server.
    explicit QtNotifyIcon(TrayProbe probe = ProbeTrayHost, QObject *parent = nullptr);
    ~QtNotifyIcon() override;

    bool Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA *data) override;
    void displayLost() override;
    // On a StatusNotifierItem host the menu becomes the Qt icon's context menu,
    // which Qt exports over DBusMenu (captions, enabled states and separators
    // follow the actions as they change; a click there triggers the action). An
    // XEmbed tray never gets it: Qt would pop it itself on the press, while the
    // window opens it on the right-button-up message.
    void SetIconMenu(HWND32 window, DWORD id, QMenu *menu) override;

    // When an icon has waited `delay` for a tray host, `notify` runs, once in
    // the life of the tray. By default: a minute, then NotifyNoTrayHost.
    void setNoHostNotice(std::chrono::milliseconds delay, std::function<void()> notify);

    // The Qt icon behind (window, id), for tests that emit activations as the
    // platform would; nullptr when there is none.
    QSystemTrayIcon *trayIcon(HWND32 window, DWORD id) const;

    // The rectangle around the icons the tray host has placed; empty when the
    // host does not say where (see TrayIconsGeometry).
    QRect iconsGeometry() const;

    // Asks whether a tray host is there now and docks the icons that wait for
    // one when the answer says so. Runs every second while any icon waits.
    void dockWaitingIcons();

private:
    struct Icon {
        QSystemTrayIcon *tray = nullptr; // none while no host is there
        HWND32 window = 0;
        DWORD id = 0;
        TrayHost host = TrayHost::XEmbed;
        DWORD callbackMessage = 0;
        QString tip;
        HICON32 iconHandle = 0;
        quint64 iconVersion = 0;
        bool hasIcon = false;
    };
    static quint64 key(HWND32 window, DWORD id) { return (quint64(window) << 32) | id; }
    void apply(Icon &icon, const NOTIFYICONDATAA &data);
    void dock(Icon &icon, TrayHost host);
    void hostAnswered(TrayHostAnswer answer);
    void activated(HWND32 window, DWORD id, QSystemTrayIcon::ActivationReason reason);
    void noHostNoticeDue();

    TrayProbe m_probe;
    bool m_asking = false;      // a question to the probe is under way
    bool m_displayLost = false; // no icon is made any more

    QHash<quint64, Icon> m_trayIcons;
    QHash<quint64, QPointer<QMenu>> m_menus;
    QTimer *m_dockTimer;
    QTimer *m_noticeTimer;
    std::function<void()> m_notice = [] { NotifyNoTrayHost(); };
    bool m_noticeGiven = false;
};

} // namespace vantrel
