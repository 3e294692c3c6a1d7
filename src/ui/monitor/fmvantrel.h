// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window fmVantrel: never shown, it owns the tray icon and its menu, the
// three timers of the program, the icon animation and the poll that follows the
// connection and the address. Its creation sequence loads the settings, starts
// the network stack and adds the icon; its shutdown sequence undoes all of it.
#include "monitor/monitortext.h"
#include "platform/ras/ras.h"
#include "ui/monitor/onlinealarm.h"
#include "ui/platform/desktop/notifyicon.h"

#include <QCoreApplication>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;

namespace vantrel {

struct AppState;
struct Platform;
class VTimer;

constexpr DWORD kTrayIconId = 100;
constexpr DWORD kTrayCallbackMessage = WM_USER + 100; // 0x464
constexpr int kPollInterval = 2000;
constexpr int kAnimationInterval = 150;

class TfmVantrel;

// What the composition root plugs into the main window when it makes it: the
// windows of the layers above (each factory returns a new window, or nullptr;
// without a factory its menu item does nothing beyond its enabling logic), the
// dial decision and the online-time alarm. Every member has an initialiser, so
// that a designated list may name only some without a warning.
struct MainWindowPlugins {
    // Makes the online-time alarm the window then owns; required.
    OnlineAlarmMaker makeAlarm{};
    std::function<QDialog *(TfmVantrel &)> DetailsWindowFactory{};     // VantrelWSInfo, modal
    std::function<QDialog *(TfmVantrel &)> AboutWindowFactory{};       // fmAbout, modal
    std::function<QWidget *(TfmVantrel &)> LogViewerFactory{};         // fmLog, modeless
    std::function<QDialog *(TfmVantrel &)> ConnectionEntriesFactory{}; // fmCnx, modal
    // The dial or hang-up decision behind "&Connect"/"&Disconnect"; without
    // it Connect1Click does nothing.
    std::function<void()> DialerHook{};
};

class TfmVantrel : public QWidget {
    Q_OBJECT
public:
    // Runs the creation sequence. `state` and `platform` outlive the window;
    // the alarm `plugins.makeAlarm` makes is the window's.
    TfmVantrel(AppState &state, Platform &platform, MainWindowPlugins plugins, QWidget *parent = nullptr);
    ~TfmVantrel() override;

    // What the poll found, for those who show it: the address or status text,
    // the stack's start-up result (0 = present), whether an online period is
    // open, and whether the last tick saw a connection. statusChanged() tells of
    // a change of the address text, of the online state or of the connection's
    // entry.
    QString addressText() const { return AddressText; }
    std::int32_t winsockStatus() const { return WinsockStatus; }
    bool online() const { return Online; }
    bool connected() const { return m_connected; }
    // The phonebook entry of the connection the last poll tick found (the one
    // whose address the tip shows), as the remote access service names it;
    // empty in LAN mode, while no connection is up, or when the service gives
    // no name. The log names this entry, else the entry dialled or tried last.
    QString connectionEntry() const { return m_connectionEntry; }
    // The tray icon's identifier (100 once created) and the icon last sent.
    DWORD trayIconId() const { return TrayIconId; }
    HICON32 trayIconHandle() const { return TrayIconHandle; }

    // The one place that decides whether "&Connect"/"&Disconnect" can be chosen,
    // asked at each moment that can change it.
    enum class ConnectItemMoment {
        Created,       // settings loaded: off without an entry, or in LAN mode
        DialUpChosen,  // the configuration window chose dial-up mode
        LanChosen,     // the configuration window chose LAN mode
        EntriesStored, // the connection entries window stored its choice
    };
    void UpdateConnectItem(ConnectItemMoment moment);

    OnlineAlarm &alarm() { return *m_alarm; }

    // The shared application icon as it is now (the animation draws into it),
    // and the handles of the application icon and of the window's own icon.
    QPixmap applicationIcon() const { return m_applicationIcon; }
    HICON32 applicationIconHandle() const { return m_applicationIconHandle; }
    HICON32 mainIconHandle() const { return m_mainIconHandle; }
    HWND32 windowHandle32() const { return m_hwnd; }

    // Items other parts append below Exit: every item above keeps its place
    // and its key.
    QAction *appendMenuItem(const QString &caption);
    QAction *appendMenuSeparator();

    // The poll's timer, for those who follow its ticks (it tells of a tick
    // before the tick runs).
    const VTimer *pollTimer() const { return VantrelTimer; }

    // The details window's address line while the window exists: the poll
    // keeps it up to date while it is visible. Cleared with the line.
    void setDetailsLine(QLabel *line);
    // The log viewer exists; the details window is showing.
    bool LogWindowOpen() const { return !fmLog.isNull(); }
    bool DetailsOpen() const;
    // What the tip shows for the address text; without it (nullptr), the text
    // itself. Only a connected poll's text is given to it.
    void setTipFilter(std::function<QString(const QString &addressText)> filter) { TipFilter = std::move(filter); }
    QString tipText() const;
    // Gives the tray the tip as it is now, between ticks: for a tip filter
    // whose source changed.
    void refreshTip();

    // For tests: the guards of the poll and animation ticks (a test sets one
    // to play a tick entered again), the next animation frame (0..15), the 16
    // frames, the log viewer and the details line while they exist.
    bool pollBusy() const { return PollBusy; }
    void setPollBusy(bool busy) { PollBusy = busy; }
    void setAnimBusy(bool busy) { AnimBusy = busy; }
    std::int32_t animFrame() const { return AnimFrame; }
    const QList<QPixmap> &animationFrames() const { return ImageList1; }
    QWidget *logViewer() const { return fmLog; }
    QLabel *detailsLine() const;

    // --- sequences and handlers ---------------------------------------------------
    // Opens the connection entries window modally over `owner` (the window it is
    // opened from, or nullptr), without waiting for it.
    void OpenConnectionEntries(QWidget *owner);
    // The window procedure for the tray's callback message.
    void TrayCallback(DWORD message, DWORD wParam, DWORD lParam);
    void DoubleClickAction();
    void Open1Click();
    void CopyIP1Click();
    void Connect1Click();
    void ViewLog1Click();
    void About1Click();
    void Esci1Click();

    // The default item from Def (set at creation and by the configuration window).
    void MakeDefaultItem();

    // The shutdown sequence; runs once (the close of the window runs it, and so
    // does the destructor of a window that was never closed).
    void Shutdown();
    bool isShutDown() const { return m_shutDown; }

signals:
    // The shutdown sequence has run: the program ends.
    void shutdownComplete();
    // The poll changed the address text, the online state or the connection's
    // entry.
    void statusChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool PollBusy = false;      // guard of the poll tick
    bool AnimBusy = false;      // guard of the animation tick
    std::int32_t AnimFrame = 0; // next animation frame, 0..15

    // Controls and components, named as their object names.
    QLineEdit *Ed = nullptr; // puts text on the clipboard
    QMenu *PopupMenu = nullptr;
    QAction *Open1 = nullptr;
    QAction *CopyIP1 = nullptr;
    QAction *Connect1 = nullptr;
    QAction *ViewLog1 = nullptr;
    QAction *About1 = nullptr;
    QAction *N1 = nullptr;
    QAction *Esci1 = nullptr;
    VTimer *VantrelTimer = nullptr;    // the poll, 2000 ms
    VTimer *VantrelAniTimer = nullptr; // the animation, 150 ms
    VTimer *VantrelAlarm = nullptr;    // the alarm, Interval minutes
    QList<QPixmap> ImageList1;         // the 16 animation frames

    MainWindowPlugins m_plugins;
    std::function<QString(const QString &addressText)> TipFilter;
    QPointer<QWidget> fmLog;    // the log viewer while it exists
    QPointer<QLabel> DetailsIP; // the details window's address line while it exists

    void FormCreate();
    void StartNetworkStack();
    void StopNetworkStack();
    void VantrelTimerTimer();
    void VantrelAniTimerTimer();
    bool AddTrayIcon(DWORD id, HICON32 icon, const QString &tip);
    bool ModifyTrayIcon(DWORD id, HICON32 icon, const QString &tip);
    bool DeleteTrayIcon(DWORD id);
    void OpenOnlinePeriod();
    void CloseOnlinePeriod();
    void ShowMainIcon();
    // Opens `window` modally, kept until it closes (`closed` runs then) or the
    // program ends.
    void openWindow(QDialog *window, std::function<void()> closed);
    QString logFolder() const;
    // The entry a log line names.
    QString loggedEntry() const;

    // What the poll and the tray calls keep; read through the accessors above.
    QString AddressText;            // last probe result or a status text
    std::int32_t WinsockStatus = 0; // result of the stack start-up; 0 = present
    bool Online = false;            // an online period is open
    NOTIFYICONDATAA TrayData{};     // the notify-icon record
    DWORD TrayIconId = 0;           // always 100 once created
    HICON32 TrayIconHandle = 0;     // the icon last sent to the tray

    AppState &m_state;
    Platform &m_platform;
    OnlineAlarm *m_alarm = nullptr;
    QList<QIcon> m_frameIcons;
    QPixmap m_mainIcon; // the window's own icon (a copy of MAINICON)
    QIcon m_mainQIcon;
    QPixmap m_applicationIcon;       // the shared application icon
    int m_applicationIconFrame = -1; // frame drawn into it; -1: the main icon
    HICON32 m_applicationIconHandle = 0;
    HICON32 m_mainIconHandle = 0;
    HWND32 m_hwnd = 0;
    bool m_shutDown = false;
    bool m_connected = false;           // the last poll tick found a connection
    QString m_connectionEntry;          // that connection's entry name
    QString m_onlineEntry;              // the entry of the connection last seen while connected
    QList<QPointer<QWidget>> m_windows; // opened from the tray, while they exist
};

} // namespace vantrel
