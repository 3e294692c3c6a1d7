// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its creation sequence, the tray callback, the menu and its
// handlers, and the general error report.
#include "app/startup.h"
#include "monitor/connectionlog.h"
#include "platform/errorreport.h"
#include "ui/monitor/globeicon.h"
#include "ui/monitor/monitorfixture.h"

#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace vantrel::test {
namespace {

using namespace monitor_text;

class MainWindowTest : public MonitorFixture {
protected:
    void SetUp() override { QGuiApplication::clipboard()->setText(QStringLiteral("before")); }
    QString clipboard() const { return QGuiApplication::clipboard()->text(); }
    bool click(DWORD mouse) { return tray.click(fm->windowHandle32(), kTrayIconId, mouse); }
};

// --- creation -------------------------------------------------------------------------

TEST_F(MainWindowTest, CreationFillsTheTrayRecordAndAddsTheIconWithTheStartingText)
{
    create();
    ASSERT_FALSE(tray.commands.isEmpty());
    const RecordingNotifyIcon::Command add = tray.commands.first();
    EXPECT_EQ(add.message, NIM_ADD);
    EXPECT_EQ(add.data.cbSize, 88u);
    EXPECT_EQ(add.data.hWnd, fm->windowHandle32());
    EXPECT_EQ(add.data.uID, 100u);
    EXPECT_EQ(add.data.uFlags, 7u);
    EXPECT_EQ(add.data.uCallbackMessage, 0x464u);
    EXPECT_EQ(add.data.hIcon, fm->mainIconHandle());
    EXPECT_EQ(NotifyTip(add.data), kLooking);
    EXPECT_EQ(tray.menu(fm->windowHandle32(), 100), popupMenu()) << "a host that draws menus gets this one";
    EXPECT_EQ(tray.commands.size(), 1) << "one add, nothing else, until the first tick";
    EXPECT_EQ(fm->trayIconId(), 100u);
    EXPECT_EQ(fm->trayIconHandle(), fm->mainIconHandle());
    EXPECT_EQ(sockets.lastVersionRequested, 0x0101);
    EXPECT_EQ(QString::fromLatin1(state.WinsockInfo.szDescription), QStringLiteral("Fake Sockets 1.1"));
    EXPECT_FALSE(fm->isVisible()) << "the main window is never shown";
    EXPECT_EQ(fm->windowTitle(), QStringLiteral("Vantrel"));
    EXPECT_EQ(Child<QLineEdit>(*fm, "Ed")->text(), QStringLiteral("Ed"));
    EXPECT_EQ(fm->animationFrames().size(), 16);
    for (const QPixmap &p : fm->animationFrames())
        EXPECT_EQ(p.size(), QSize(32, 32));
}

TEST_F(MainWindowTest, CreationClearsTheAlarmState)
{
    create();
    EXPECT_FALSE(fm->alarm().AlarmBusy);
    EXPECT_FALSE(timer("VantrelAlarm")->isActive());
}

TEST_F(MainWindowTest, TheMenuHasItsItemsInOrder)
{
    create();
    const QList<QAction *> actions = popupMenu()->actions();
    ASSERT_EQ(actions.size(), 7);
    const QStringList captions = {QStringLiteral("&Open details..."),
                                  QStringLiteral("Copy &IP"),
                                  QStringLiteral("&Connect"),
                                  QStringLiteral("&View Log..."),
                                  QStringLiteral("&About..."),
                                  QString(),
                                  QStringLiteral("E&xit")};
    const QList<QAction *> named = {item("Open1"),  item("CopyIP1"), item("Connect1"), item("ViewLog1"),
                                    item("About1"), item("N1"),      item("Esci1")};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(actions.at(i), named.at(i)) << i;
        if (i != 5) {
            EXPECT_EQ(actions.at(i)->text(), captions.at(i)) << i;
        }
    }
    EXPECT_TRUE(item("N1")->isSeparator());
}

TEST_F(MainWindowTest, TheDefaultItemAndTheConnectItemFollowTheSettings)
{
    struct Row {
        DWORD def;
        DWORD conn;
        const char *rasCnx;
        int defaultItem; // 0 Open1, 1 CopyIP1, 2 Connect1
        bool connectEnabled;
    };
    const Row rows[] = {
        {0, 0, "", 0, false},         {1, 0, "0,Office", 1, true},
        {2, 0, "0,Office", 2, true},  {7, 0, "Multiple selections", 2, true},
        {2, 1, "0,Office", 2, false}, {0xFFFFFFFF, 0, "0,Office", 2, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "Def " << row.def << " Conn " << row.conn << " RASCnx " << row.rasCnx);
        fm.reset();
        setUser(QStringLiteral("Def"), row.def);
        setUser(QStringLiteral("Conn"), row.conn);
        setUser(QStringLiteral("RASCnx"), row.rasCnx);
        create();
        const QAction *expected[] = {item("Open1"), item("CopyIP1"), item("Connect1")};
        EXPECT_EQ(popupMenu()->defaultAction(), expected[row.defaultItem]);
        EXPECT_EQ(item("Connect1")->isEnabled(), row.connectEnabled);
    }
}

TEST_F(MainWindowTest, ANewDefaultItemIsMeasuredInBold)
{
    // The configuration window moves the default; the menu must then be as
    // wide as one made with that default from the start, or the bold caption
    // is cut short.
    const std::pair<DWORD, DWORD> moves[] = {{1, 0}, {2, 0}, {0, 1}, {0, 2}};
    for (const auto &[from, to] : moves) {
        SCOPED_TRACE(testing::Message() << "Def " << from << " -> " << to);
        fm.reset();
        setUser(QStringLiteral("Def"), from);
        create();
        popupMenu()->sizeHint(); // measured once, as a first popup does
        state.AppSettings.Def = to;
        fm->MakeDefaultItem();
        const QSize moved = popupMenu()->sizeHint();

        fm.reset();
        setUser(QStringLiteral("Def"), to);
        create();
        EXPECT_EQ(moved, popupMenu()->sizeHint());
    }
}

TEST_F(MainWindowTest, AnEmptyWaveNameIsReportedOnceAndTheIconIsStillAdded)
{
    setUser(QStringLiteral("Sound"), 2u);
    setUser(QStringLiteral("Wave"), "");
    create();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("No Sound File selected."));
    EXPECT_EQ(boxes.shown.first().title, QStringLiteral("Vantrel Message"));
    EXPECT_TRUE(tray.isShown(fm->windowHandle32(), kTrayIconId));
}

TEST_F(MainWindowTest, AFailedTrayCallIsIgnored)
{
    tray.failAll = true;
    create();
    rasService.addConnection(QStringLiteral("Office"), QStringLiteral("10.0.0.5"));
    EXPECT_NO_THROW(tick());
    EXPECT_NO_THROW(frame());
    EXPECT_TRUE(fm->online());
    EXPECT_EQ(fm->addressText(), QStringLiteral("10.0.0.5"));
}

// --- tray callback ---------------------------------------------------------------------

TEST_F(MainWindowTest, ADoubleClickRunsTheDefaultActionWhateverItsItemSays)
{
    int dials = 0;
    int detailsOpened = 0;
    struct Row {
        DWORD def;
        bool lan;
        QString clipboard;
        int dials, details;
    };
    const Row rows[] = {
        {0, false, QStringLiteral("before"), 0, 1},
        // While down, CopyIP1 is disabled; the double click copies all the same.
        {1, false, kNetworkDown, 0, 0},
        // In LAN mode Connect1 is disabled; the double click runs it all the same.
        {2, true, QStringLiteral("before"), 1, 0},
        {5, false, QStringLiteral("before"), 1, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "Def " << row.def);
        fm.reset();
        dials = 0;
        detailsOpened = 0;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        setUser(QStringLiteral("Def"), row.def);
        setUser(QStringLiteral("Conn"), row.lan ? 1u : 0u);
        create({.DetailsWindowFactory = [&](TfmVantrel &) -> QDialog * {
                    ++detailsOpened;
                    return nullptr;
                },
                .DialerHook = [&] { ++dials; }});
        if (!row.lan)
            tick(); // down: CopyIP1 disabled
        ASSERT_TRUE(click(WM_LBUTTONDBLCLK));
        EXPECT_EQ(clipboard(), row.clipboard);
        EXPECT_EQ(dials, row.dials);
        EXPECT_EQ(detailsOpened, row.details);
        EXPECT_FALSE(popupMenu()->isVisible());
    }
}

TEST_F(MainWindowTest, ARightClickOpensTheMenuAndOtherClicksDoNothing)
{
    setUser(QStringLiteral("Def"), 1u);
    int dials = 0;
    create({.DialerHook = [&] { ++dials; }});
    for (DWORD mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MBUTTONUP, DWORD(0x200)}) {
        SCOPED_TRACE(mouse);
        ASSERT_TRUE(click(mouse));
        EXPECT_FALSE(popupMenu()->isVisible());
        EXPECT_EQ(clipboard(), QStringLiteral("before"));
    }
    // A message other than the callback message does nothing either.
    fm->TrayCallback(WM_USER + 1, kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_EQ(clipboard(), QStringLiteral("before"));

    ASSERT_TRUE(click(WM_RBUTTONUP));
    EXPECT_TRUE(popupMenu()->isVisible());
    popupMenu()->hide();
    EXPECT_EQ(dials, 0);
}

// --- menu handlers -------------------------------------------------------------------------

TEST_F(MainWindowTest, CopyIpPutsTheWholeAddressOnTheClipboard)
{
    const QByteArray longName = QByteArray(70, 'h');
    setUser(QStringLiteral("Conn"), 1u);
    sockets.lookup = FakeSockets::entry(longName, {192, 168, 0, 7});
    create();
    tick();
    item("CopyIP1")->trigger();
    EXPECT_EQ(clipboard(), QStringLiteral("192.168.0.7 (") + QString::fromLatin1(longName) + QLatin1Char(')'));
}

TEST_F(MainWindowTest, OpenDetailsBlocksItselfAndExitWhileTheWindowIsUp)
{
    int made = 0;
    QPointer<QDialog> window;
    create({.DetailsWindowFactory = [&](TfmVantrel &) -> QDialog * {
        ++made;
        return window = new QDialog;
    }});
    item("Open1")->trigger();
    ASSERT_EQ(made, 1);
    ASSERT_TRUE(window && window->isVisible()) << "opened, not run: the handler has returned";
    EXPECT_FALSE(item("Open1")->isEnabled());
    EXPECT_FALSE(item("Esci1")->isEnabled());
    // While it is up, a second open does nothing.
    fm->Open1Click();
    EXPECT_EQ(made, 1);
    window->reject();
    EXPECT_TRUE(item("Open1")->isEnabled());
    EXPECT_TRUE(item("Esci1")->isEnabled());
}

TEST_F(MainWindowTest, AWindowThatFailsToShowStillGivesItsItemsBack)
{
    create({.DetailsWindowFactory = [](TfmVantrel &) -> QDialog * { throw VantrelError(QStringLiteral("no details")); },
            .AboutWindowFactory = [](TfmVantrel &) -> QDialog * { throw std::runtime_error("no about"); }});
    EXPECT_THROW(fm->Open1Click(), VantrelError);
    EXPECT_TRUE(item("Open1")->isEnabled());
    EXPECT_TRUE(item("Esci1")->isEnabled());
    EXPECT_THROW(fm->About1Click(), std::runtime_error);
    EXPECT_TRUE(item("About1")->isEnabled());
}

TEST_F(MainWindowTest, AboutRunsOnlyWhileItsItemIsEnabled)
{
    int made = 0;
    QPointer<QDialog> window;
    create({.AboutWindowFactory = [&](TfmVantrel &) -> QDialog * {
        ++made;
        return window = new QDialog;
    }});
    fm->About1Click();
    ASSERT_EQ(made, 1);
    EXPECT_FALSE(item("About1")->isEnabled());
    fm->About1Click();
    EXPECT_EQ(made, 1);
    window->reject();
    EXPECT_TRUE(item("About1")->isEnabled());
}

TEST_F(MainWindowTest, WithoutTheirWindowsOpenAndAboutChangeNothing)
{
    create();
    fm->Open1Click();
    fm->About1Click();
    EXPECT_TRUE(item("Open1")->isEnabled());
    EXPECT_TRUE(item("Esci1")->isEnabled());
    EXPECT_TRUE(item("About1")->isEnabled());
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_F(MainWindowTest, ViewLogShowsTheBoxForAMissingFileAndOneViewerAtMost)
{
    int made = 0;
    create({.LogViewerFactory = [&](TfmVantrel &) -> QWidget * {
        ++made;
        return new QWidget(nullptr, Qt::Tool);
    }});

    item("ViewLog1")->trigger();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("  Log File not found.  "));
    EXPECT_EQ(boxes.shown.first().title, QStringLiteral("Vantrel Message"));
    EXPECT_EQ(boxes.shown.first().icon, MessageBoxes::Icon::Error);
    EXPECT_TRUE(boxes.shown.first().setAsideTopMost);
    EXPECT_EQ(made, 0);

    QFile log(logPath());
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("@(#)>> Vantrel Log File created at: 06-19-2024 22h 05m 09s\r\n@(#)>> Please, do not edit.\r\n");
    log.close();
    fm->ViewLog1Click();
    EXPECT_EQ(made, 1);
    ASSERT_TRUE(fm->logViewer());
    EXPECT_TRUE(fm->logViewer()->isVisible());

    fm->logViewer()->hide();
    fm->ViewLog1Click();
    EXPECT_EQ(made, 1) << "the viewer that exists is brought forward, no second one";
    EXPECT_TRUE(fm->logViewer()->isVisible());
    EXPECT_EQ(boxes.shown.size(), 1);
    delete fm->logViewer();

    // An installed program's log is in the state folder, not beside it.
    state.InstalledProgram = true;
    WriteLogEvent(state.ProgramFolder, QStringLiteral("x"), LogConnected, clock, true);
    ASSERT_TRUE(QFile::remove(logPath()));
    fm->ViewLog1Click();
    EXPECT_EQ(made, 2);
    EXPECT_EQ(boxes.shown.size(), 1);
    delete fm->logViewer();
}

TEST_F(MainWindowTest, ExitClosesTheWindowAndTellsTheProgramToEnd)
{
    create();
    bool ended = false;
    QObject::connect(fm.get(), &TfmVantrel::shutdownComplete, [&] { ended = true; });
    const HWND32 window = fm->windowHandle32();
    item("Esci1")->trigger();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(tray.isShown(window, kTrayIconId));
    // After the shutdown the tray callback is ignored.
    fm->TrayCallback(kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP);
    EXPECT_FALSE(popupMenu()->isVisible());
}

// --- the general error report --------------------------------------------------------------

// The artwork comes as pixel data made at build time: every frame must be a
// turn further than the one before, and each small picture the same frame.
TEST(GlobeArtwork, EveryFrameTurnsTheGlobeAndItsSmallPictureShowsTheSameFrame)
{
    const QList<QIcon> frames = GlobeFrameIcons();
    ASSERT_EQ(frames.size(), kGlobeFrameCount);
    EXPECT_EQ(frames.first().pixmap(kGlobeIconSize).toImage(), MainIconPixmap().toImage());
    for (int i = 0; i < frames.size(); ++i) {
        const QImage big = frames[i].pixmap(kGlobeIconSize).toImage();
        const QImage small = frames[i].pixmap(kTraySmallIconSize).toImage();
        ASSERT_EQ(small.size(), QSize(kTraySmallIconSize, kTraySmallIconSize));
        EXPECT_NE(big, frames[(i + 1) % frames.size()].pixmap(kGlobeIconSize).toImage()) << i;
        const QImage expected =
            big.scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(small.format());
        int worst = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x) {
                const QRgb a = small.pixel(x, y), b = expected.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            }
        EXPECT_LT(worst, 48) << "frame " << i;
    }
}

TEST(GeneralErrorReport, AnExceptionFromAHandlerBecomesOneBoxAndTheProgramGoesOn)
{
    RecordingMessageBoxes boxes;
    ErrorReportingDispatch dispatch(&boxes);
    EXPECT_FALSE(dispatch.dispatch([]() -> bool { throw VantrelError(QStringLiteral("Cannot open the port")); }));
    EXPECT_FALSE(dispatch.dispatch([]() -> bool { throw std::runtime_error("bad things."); }));
    EXPECT_TRUE(dispatch.dispatch([] { return true; }));
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown.at(0).title, QStringLiteral("Vantrel"));
    EXPECT_EQ(boxes.shown.at(0).text, QStringLiteral("Cannot open the port."));
    EXPECT_EQ(boxes.shown.at(0).icon, MessageBoxes::Icon::Error);
    EXPECT_EQ(boxes.shown.at(1).text, QStringLiteral("bad things."));
}

TEST(GeneralErrorReport, TheSameFailureIsNotStackedWhileItsBoxIsUp)
{
    RecordingMessageBoxes boxes;
    boxes.hold = true;
    ErrorReportingDispatch dispatch(&boxes);
    const auto failing = []() -> bool { throw VantrelError(QStringLiteral("poll failed")); };
    dispatch.dispatch(failing);
    dispatch.dispatch(failing);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("poll failed."));
    boxes.answerNext();
    dispatch.dispatch(failing);
    EXPECT_EQ(boxes.shown.size(), 2) << "once the box is gone, the next failure is shown again";
}

} // namespace
} // namespace vantrel::test
