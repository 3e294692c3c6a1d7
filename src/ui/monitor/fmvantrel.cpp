// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/monitor/fmvantrel.h"

#include "monitor/appstate.h"
#include "monitor/connectionlog.h"
#include "monitor/probe.h"
#include "platform/clock.h"
#include "platform/logging.h"
#include "platform/messageboxes.h"
#include "platform/vtimer.h"
#include "ui/monitor/globeicon.h"
#include "ui/platform/desktop/session.h"
#include "ui/platform/desktop/waylandclipboard.h"
#include "ui/platform/modal.h"

#include <QActionEvent>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>

#include <exception>
#include <memory>

namespace vantrel {

using namespace monitor_text;

TfmVantrel::TfmVantrel(AppState &state, Platform &platform, MainWindowPlugins plugins, QWidget *parent)
    : QWidget(parent), m_plugins(std::move(plugins)), m_state(state), m_platform(platform)
{
    Q_ASSERT(platform.registry && platform.ras && platform.sockets && platform.tray && platform.boxes && platform.clock
             && m_plugins.makeAlarm);
    setObjectName(QStringLiteral("fmVantrel"));
    setWindowTitle(QStringLiteral("Vantrel"));
    // Never shown; should anything show it, it must not reach the taskbar.
    setWindowFlag(Qt::Tool);

    Ed = new QLineEdit(QStringLiteral("Ed"), this);
    Ed->setObjectName(QStringLiteral("Ed"));

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    const auto item = [this](const char *name, const QString &caption, void (TfmVantrel::*handler)()) {
        QAction *a = PopupMenu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    Open1 = item("Open1", tr("&Open details..."), &TfmVantrel::Open1Click);
    CopyIP1 = item("CopyIP1", tr("Copy &IP"), &TfmVantrel::CopyIP1Click);
    Connect1 = item("Connect1", translated(kConnect), &TfmVantrel::Connect1Click);
    ViewLog1 = item("ViewLog1", tr("&View Log..."), &TfmVantrel::ViewLog1Click);
    About1 = item("About1", tr("&About..."), &TfmVantrel::About1Click);
    N1 = PopupMenu->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Esci1 = item("Esci1", tr("E&xit"), &TfmVantrel::Esci1Click);

    VantrelTimer = new VTimer(this);
    VantrelTimer->setObjectName(QStringLiteral("VantrelTimer"));
    VantrelTimer->setInterval(kPollInterval);
    VantrelTimer->setHandler([this] { VantrelTimerTimer(); });
    VantrelAniTimer = new VTimer(this);
    VantrelAniTimer->setObjectName(QStringLiteral("VantrelAniTimer"));
    VantrelAniTimer->setInterval(kAnimationInterval);
    VantrelAniTimer->setHandler([this] { VantrelAniTimerTimer(); });
    VantrelAlarm = new VTimer(this);
    VantrelAlarm->setObjectName(QStringLiteral("VantrelAlarm"));
    VantrelAlarm->setHandler([this] { m_alarm->VantrelAlarmTimer(); });

    m_frameIcons = GlobeFrameIcons();
    ImageList1.reserve(m_frameIcons.size());
    for (const QIcon &frame : m_frameIcons)
        ImageList1.append(frame.pixmap(kGlobeIconSize));
    // The application icon starts as MAINICON; the animation draws into it.
    m_applicationIcon = MainIconPixmap();
    m_applicationIconHandle = m_platform.tray->icons().add(QIcon(m_applicationIcon));

    m_alarm = m_plugins.makeAlarm(
        {m_state, m_platform, *VantrelAlarm, ImageList1, [this] { return m_applicationIcon; }, this});

    FormCreate();
}

TfmVantrel::~TfmVantrel()
{
    if (!m_shutDown) {
        try {
            Shutdown();
        } catch (...) {
            // Nothing may leave a destructor; the icon is gone either way below.
        }
    }
    // The windows opened from the tray use this window and the state: they go
    // first (a child window goes with its parent).
    for (const QPointer<QWidget> &window : std::exchange(m_windows, {}))
        delete window.data();
    m_platform.tray->SetIconMenu(m_hwnd, kTrayIconId, nullptr);
    m_platform.tray->unregisterWindow(m_hwnd);
    m_platform.tray->icons().remove(m_mainIconHandle);
    m_platform.tray->icons().remove(m_applicationIconHandle);
}

void TfmVantrel::FormCreate()
{
    // 1. Guards, flags and cycle slots start clear (the dial counters are the
    // dialer's, and start clear with it).
    PollBusy = false;
    AnimBusy = false;
    m_alarm->AlarmBusy = false;
    for (QString &slot : m_state.AppSettings.CycleEntries)
        slot.clear();
    TrayIconId = kTrayIconId;

    // 2. The notify-icon record.
    m_hwnd = m_platform.tray->registerWindow(
        [this](DWORD message, DWORD wParam, DWORD lParam) { TrayCallback(message, wParam, lParam); });
    TrayData = NOTIFYICONDATAA{};
    TrayData.cbSize = sizeof(NOTIFYICONDATAA);
    TrayData.hWnd = m_hwnd;
    TrayData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayData.uCallbackMessage = kTrayCallbackMessage;
    // A tray host that draws menus itself shows this one; it is the same menu,
    // with the same actions, as the popup opened on the right-button-up message.
    m_platform.tray->SetIconMenu(m_hwnd, kTrayIconId, PopupMenu);

    // 3. Settings.
    LoadSettings(*m_platform.registry, *m_platform.boxes, m_state.AppSettings);

    // 4., 5. The menu.
    MakeDefaultItem();
    UpdateConnectItem(ConnectItemMoment::Created);

    // 6., 7. Alarm timer and wave player.
    m_alarm->PrepareWavePlayer();

    // 8. Sockets layer; sets AddressText.
    StartNetworkStack();

    // 9. The window's own icon is a copy of the application icon; the tray gets it.
    m_mainIcon = m_applicationIcon;
    m_mainQIcon = QIcon(m_mainIcon);
    m_mainIconHandle = m_platform.tray->icons().add(m_mainQIcon);
    TrayIconHandle = m_mainIconHandle;
    AddTrayIcon(TrayIconId, TrayIconHandle, AddressText);

    // 10. The poll; its first tick comes one period from now.
    VantrelTimer->start();
}

void TfmVantrel::UpdateConnectItem(ConnectItemMoment moment)
{
    const AppSettings &s = m_state.AppSettings;
    switch (moment) {
    case ConnectItemMoment::Created:
        // Enabled as made, unless there is nothing to dial or no dialling.
        if (s.RASCnx.isEmpty() || s.Conn)
            Connect1->setEnabled(false);
        break;
    case ConnectItemMoment::DialUpChosen: Connect1->setEnabled(true); break;
    case ConnectItemMoment::LanChosen: Connect1->setEnabled(false); break;
    case ConnectItemMoment::EntriesStored: Connect1->setEnabled(!s.RASCnx.isEmpty() || !s.Cycled.isEmpty()); break;
    }
}

void TfmVantrel::MakeDefaultItem()
{
    QAction *const previous = PopupMenu->defaultAction();
    QAction *next = Connect1;
    switch (m_state.AppSettings.Def) {
    case 0: next = Open1; break;
    case 1: next = CopyIP1; break;
    default: break;
    }
    PopupMenu->setDefaultAction(next);
    // QMenu draws its default item bold but measures its items again only when
    // an action tells it of a change; a new default alone would keep the old
    // widths and cut the bold caption short. Both items changed their look.
    for (QAction *changed : {previous, next}) {
        if (changed) {
            QActionEvent event(QEvent::ActionChanged, changed);
            QCoreApplication::sendEvent(PopupMenu, &event);
        }
    }
}

QAction *TfmVantrel::appendMenuItem(const QString &caption)
{
    return PopupMenu->addAction(caption);
}

QAction *TfmVantrel::appendMenuSeparator()
{
    return PopupMenu->addSeparator();
}

// --- tray -----------------------------------------------------------------------

bool TfmVantrel::AddTrayIcon(DWORD id, HICON32 icon, const QString &tip)
{
    TrayData.uID = id;
    TrayData.hIcon = icon;
    SetNotifyTip(TrayData, tip);
    return m_platform.tray->Shell_NotifyIconA(NIM_ADD, &TrayData);
}

bool TfmVantrel::ModifyTrayIcon(DWORD id, HICON32 icon, const QString &tip)
{
    TrayData.uID = id;
    TrayData.hIcon = icon;
    SetNotifyTip(TrayData, tip);
    return m_platform.tray->Shell_NotifyIconA(NIM_MODIFY, &TrayData);
}

bool TfmVantrel::DeleteTrayIcon(DWORD id)
{
    TrayData.uID = id;
    return m_platform.tray->Shell_NotifyIconA(NIM_DELETE, &TrayData);
}

void TfmVantrel::TrayCallback(DWORD message, DWORD /*wParam*/, DWORD lParam)
{
    if (message != kTrayCallbackMessage || m_shutDown)
        return;
    switch (lParam) {
    case WM_LBUTTONDBLCLK: DoubleClickAction(); break;
    case WM_RBUTTONUP: PopupMenu->popup(QCursor::pos()); break;
    default: break; // a single click, and everything else, does nothing
    }
}

void TfmVantrel::DoubleClickAction()
{
    // The handler runs whatever the state of its menu item.
    switch (m_state.AppSettings.Def) {
    case 0: Open1Click(); break;
    case 1: CopyIP1Click(); break;
    default: Connect1Click(); break;
    }
}

// --- network stack and poll ---------------------------------------------------------

void TfmVantrel::StartNetworkStack()
{
    WinsockStatus = vantrel::StartNetworkStack(*m_platform.sockets, m_state.WinsockInfo, AddressText);
}

void TfmVantrel::StopNetworkStack()
{
    vantrel::StopNetworkStack(*m_platform.sockets, WinsockStatus);
}

QString TfmVantrel::tipText() const
{
    return TipFilter && m_connected ? TipFilter(AddressText) : AddressText;
}

void TfmVantrel::refreshTip()
{
    if (!m_shutDown)
        ModifyTrayIcon(TrayIconId, TrayIconHandle, tipText());
}

void TfmVantrel::ShowMainIcon()
{
    if (m_applicationIconFrame != -1) {
        m_applicationIcon = m_mainIcon;
        m_platform.tray->icons().set(m_applicationIconHandle, m_mainQIcon);
        m_applicationIconFrame = -1;
    }
    TrayIconHandle = m_mainIconHandle;
    ModifyTrayIcon(TrayIconId, TrayIconHandle, tipText());
}

void TfmVantrel::VantrelTimerTimer()
{
    if (PollBusy)
        return;
    PollBusy = true;
    const auto release = qScopeGuard([this] { PollBusy = false; });

    // Settings a window could not store are stored as soon as the store works.
    if (m_platform.registry)
        m_state.SettingsStore.retry(*m_platform.registry, *m_platform.boxes, m_state.AppSettings, m_platform.clock->now());

    if (WinsockStatus != 0)
        return;

    const QString previousAddress = AddressText;
    const QString previousEntry = m_connectionEntry;
    const bool wasOnline = Online;
    const bool wasConnected = m_connected;
    // Told once the tick is through, however it ends.
    const auto tell = qScopeGuard([this, previousAddress, previousEntry, wasOnline, wasConnected] {
        // Only a change is logged: a tick that finds things as they were says nothing.
        if (m_connected != wasConnected)
            qCDebug(lcMonitor) << (m_connected ? "Connected:" : "Disconnected:") << AddressText << "entry"
                               << m_connectionEntry;
        else if (AddressText != previousAddress || m_connectionEntry != previousEntry)
            qCDebug(lcMonitor) << "Address changed:" << previousAddress << "->" << AddressText << "entry"
                               << m_connectionEntry;
        if (AddressText != previousAddress || Online != wasOnline || m_connectionEntry != previousEntry)
            emit statusChanged();
    });

    const AppSettings &s = m_state.AppSettings;
    if (s.Conn) {
        m_connectionEntry.clear();
        AddressText = ProbeHostAddress(*m_platform.sockets);
    } else {
        AddressText = ProbeRasAddress(*m_platform.ras, &m_connectionEntry);
    }
    const bool connected = AddressText != translated(kNetworkDown);
    m_connected = connected;
    if (connected)
        m_onlineEntry = m_connectionEntry;

    if (connected && s.Anim) {
        CopyIP1->setEnabled(true);
        Connect1->setText(translated(kDisconnect));
        if (!VantrelAniTimer->isActive()) {
            AnimFrame = 0;
            VantrelAniTimer->start(); // from now on the animation sends icon and tip
        }
        if (!VantrelAlarm->isActive())
            OpenOnlinePeriod();
    } else {
        if (VantrelAniTimer->isActive())
            VantrelAniTimer->stop();
        ShowMainIcon();
        if (!connected) {
            CopyIP1->setEnabled(false);
            Connect1->setText(translated(kConnect));
            if (VantrelAlarm->isActive())
                CloseOnlinePeriod();
        } else {
            CopyIP1->setEnabled(true);
            Connect1->setText(translated(kDisconnect));
            if (!VantrelAlarm->isActive())
                OpenOnlinePeriod();
        }
    }

    if (DetailsOpen())
        DetailsIP->setText(translated(kDetailsAddressPrefix) + AddressText);
}

void TfmVantrel::OpenOnlinePeriod()
{
    // A cue that fails must not keep the period from opening: otherwise the next
    // tick would try to open it again, and again. The failure is passed on to the
    // general error report once the period is open.
    std::exception_ptr cueFailure;
    try {
        m_alarm->ConnectCue();
    } catch (...) {
        cueFailure = std::current_exception();
    }
    Online = true;
    m_state.AlarmElapsedMinutes = 0;
    m_state.AlarmWarningCount = 0;
    VantrelAlarm->start();
    if (m_state.AppSettings.Log)
        WriteLogEvent(logFolder(), loggedEntry(), LogConnected, *m_platform.clock, m_state.InstalledProgram);
    if (cueFailure)
        std::rethrow_exception(cueFailure);
}

void TfmVantrel::CloseOnlinePeriod()
{
    Online = false;
    VantrelAlarm->stop();
    if (m_state.AppSettings.Log)
        WriteLogEvent(logFolder(), loggedEntry(), LogDisconnected, *m_platform.clock, m_state.InstalledProgram);
}

QString TfmVantrel::logFolder() const
{
    return m_state.ProgramFolder;
}

QString TfmVantrel::loggedEntry() const
{
    // The connection's own entry, as the poll last saw it while online: a
    // connection brought up by other means is not the one dialled or tried
    // last. Where the service names none (LAN mode, a backend without names),
    // the entry dialled or tried last, empty before the first dial.
    return m_onlineEntry.isEmpty() ? m_state.CurrentEntry : m_onlineEntry;
}

void TfmVantrel::VantrelAniTimerTimer()
{
    if (AnimBusy)
        return;
    AnimBusy = true;
    const auto release = qScopeGuard([this] { AnimBusy = false; });

    const int frame = (AnimFrame >= 0 && AnimFrame < ImageList1.size()) ? AnimFrame : 0;
    m_applicationIcon = ImageList1.at(frame);
    m_platform.tray->icons().set(m_applicationIconHandle, m_frameIcons.at(frame));
    m_applicationIconFrame = frame;
    AnimFrame = frame + 1;
    if (AnimFrame > kGlobeFrameCount - 1)
        AnimFrame = 0;
    TrayIconHandle = m_applicationIconHandle;
    ModifyTrayIcon(TrayIconId, TrayIconHandle, tipText());
}

// --- menu handlers -----------------------------------------------------------------

bool TfmVantrel::DetailsOpen() const
{
    return DetailsIP && DetailsIP->isVisible();
}

void TfmVantrel::setDetailsLine(QLabel *line)
{
    DetailsIP = line;
}

QLabel *TfmVantrel::detailsLine() const
{
    return DetailsIP;
}

void TfmVantrel::Open1Click()
{
    if (DetailsOpen() || !Open1->isEnabled() || m_shutDown)
        return;
    if (!m_plugins.DetailsWindowFactory)
        return; // the details window is not part of this build yet
    QDialog *window = m_plugins.DetailsWindowFactory(*this);
    if (!window)
        return;
    // Open and Exit stay off while the window is up.
    Open1->setEnabled(false);
    Esci1->setEnabled(false);
    openWindow(window, [this] {
        Open1->setEnabled(true);
        Esci1->setEnabled(true);
    });
}

void TfmVantrel::openWindow(QDialog *window, std::function<void()> closed)
{
    m_windows.removeAll(nullptr);
    m_windows.append(window);
    OpenModal(window, this, [closed = std::move(closed)](int) {
        if (closed)
            closed();
    });
}

void TfmVantrel::CopyIP1Click()
{
    Ed->setText(AddressText);
    Ed->selectAll();
    if (RunsOnWayland()) {
        // The compositor would refuse Qt's copy from a program without input
        // (see waylandclipboard.h); when its own way fails too, the user is
        // told, and the box shows the text.
        const QString address = AddressText;
        CopyOnWayland(address, this, [this, address](const QString &reason) {
            m_platform.boxes->warning(tr("Vantrel could not put \"%1\" on the clipboard: %2.").arg(address, reason));
        });
        return;
    }
    Ed->copy();
}

void TfmVantrel::Connect1Click()
{
    if (m_plugins.DialerHook)
        m_plugins.DialerHook();
}

void TfmVantrel::ViewLog1Click()
{
    if (LogWindowOpen()) {
        if (fmLog) {
            fmLog->show();
            fmLog->raise();
            fmLog->activateWindow();
            fmLog->setFocus();
        }
        return;
    }
    if (QFileInfo::exists(LogFilePath(m_state))) {
        if (m_plugins.LogViewerFactory) {
            fmLog = m_plugins.LogViewerFactory(*this);
            if (fmLog) {
                m_windows.removeAll(nullptr);
                m_windows.append(fmLog);
                fmLog->show();
            }
        }
        return;
    }
    m_platform.boxes->error(translated(kLogNotFound), /*setAsideTopMost=*/true);
}

void TfmVantrel::About1Click()
{
    if (!About1->isEnabled() || m_shutDown)
        return; // the about window is up already
    if (!m_plugins.AboutWindowFactory)
        return; // the about window is not part of this build yet
    QDialog *window = m_plugins.AboutWindowFactory(*this);
    if (!window)
        return;
    About1->setEnabled(false);
    openWindow(window, [this] { About1->setEnabled(true); });
}

void TfmVantrel::OpenConnectionEntries(QWidget *owner)
{
    if (!m_plugins.ConnectionEntriesFactory || m_shutDown)
        return; // the connection entries window is not part of this build yet
    QDialog *window = m_plugins.ConnectionEntriesFactory(*this);
    if (!window)
        return;
    if (owner)
        window->setParent(owner, window->windowFlags());
    openWindow(window, {});
}

void TfmVantrel::Esci1Click()
{
    close();
}

// --- shutdown -------------------------------------------------------------------------

void TfmVantrel::closeEvent(QCloseEvent *event)
{
    Shutdown();
    event->accept();
}

void TfmVantrel::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    // Whatever fails on the way, the icon leaves the tray and the program ends.
    const auto finish = qScopeGuard([this] {
        DeleteTrayIcon(TrayIconId);
        emit shutdownComplete();
    });
    VantrelAlarm->stop();
    VantrelTimer->stop();
    VantrelAniTimer->stop();
    // Whatever is still up has lost its purpose: boxes close unanswered, and
    // the windows opened from the tray go (deleted with this window).
    m_platform.boxes->closeAll();
    for (const QPointer<QWidget> &window : std::as_const(m_windows))
        if (window)
            window->hide();
    if (Online && m_state.AppSettings.Log)
        WriteLogEvent(logFolder(), loggedEntry(), LogClosedWhileConnected, *m_platform.clock, m_state.InstalledProgram);
    StopNetworkStack();
}

} // namespace vantrel
