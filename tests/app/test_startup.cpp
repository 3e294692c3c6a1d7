// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: ProgramFolder, the single-instance check with a running copy, a
// stale socket and no copy, the refusal, the missing tray, the splash and the
// hidden dial progress window.
#include "app/startup.h"
#include "dialer/dialer.h"
#include "ui/dialer/dialwindows.h"
#include "ui/dialer/fmconnect.h"
#include "ui/monitor/fmlogo.h"
#include "ui/monitor/monitorfixture.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace vantrel::test {
namespace {

TEST(ProgramFolder, IsTheFolderOfTheProgramFileWithoutItsTrailingSlash)
{
    const struct {
        const char *file;
        const char *folder;
    } rows[] = {
        {"/usr/local/bin/vantrel", "/usr/local/bin"},
        {"/opt/Vantrel Tools/vantrel", "/opt/Vantrel Tools"},
        {"/vantrel", ""}, // the root: the log is then /Vantrel.log
        {"/home/u/.local/bin/vantrel", "/home/u/.local/bin"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(ProgramFolderFromPath(QString::fromUtf8(row.file)), QString::fromUtf8(row.folder)) << row.file;
}

// Leaves a socket file nobody listens on, as a copy that crashed would.
bool makeStaleSocket(const QString &path)
{
    const QByteArray native = path.toLocal8Bit();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (static_cast<size_t>(native.size()) >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, native.constData(), static_cast<size_t>(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

class SingleInstanceTest : public ::testing::Test {
protected:
    ScopedHome home; // a runtime folder of this test's own
};

TEST_F(SingleInstanceTest, ARunningCopyIsFoundAStaleSocketAndNoSocketAreNot)
{
    const QString socket = WindowClassSocket(kMainWindowClass);
    EXPECT_TRUE(socket.startsWith(home.path() + QStringLiteral("/runtime/"))) << qPrintable(socket);
    EXPECT_TRUE(socket.contains(QStringLiteral("TfmVantrel")));

    EXPECT_FALSE(FindWindowClass(kMainWindowClass)) << "no socket";

    ASSERT_TRUE(makeStaleSocket(socket));
    EXPECT_FALSE(FindWindowClass(kMainWindowClass)) << "a socket file with nobody listening";

    auto running = RegisterWindowClass(kMainWindowClass);
    ASSERT_TRUE(running) << "the stale socket is taken over";
    EXPECT_TRUE(FindWindowClass(kMainWindowClass));
    EXPECT_TRUE(FindWindowClass(kMainWindowClass)) << "found again: each look is answered and dropped";
    EXPECT_FALSE(FindWindowClass(QStringLiteral("TfmOther")));

    EXPECT_FALSE(RegisterWindowClass(kMainWindowClass)) << "a later copy never takes a live copy's socket";
    EXPECT_TRUE(FindWindowClass(kMainWindowClass)) << "and the first copy can still be found";

    running.reset();
    EXPECT_FALSE(FindWindowClass(kMainWindowClass)) << "the copy has ended";
    EXPECT_FALSE(QFileInfo::exists(socket)) << "an orderly end leaves no socket behind";
}

// --- the start-up sequence --------------------------------------------------------------

class StartupTest : public MonitorFixture {
protected:
    StartupHooks hooks()
    {
        StartupHooks h;
        h.showSplash = [this](std::function<void()> closed) {
            ++splashes;
            splashSawMainWindow = FindWindowClass(kMainWindowClass);
            closed();
        };
        h.trayAvailable = [this](std::function<void(bool)> answer) { trayAnswer = std::move(answer); };
        h.note = [this](const QString &text) { notes.append(text); };
        h.quitOnShutdown = false;
        return h;
    }
    std::unique_ptr<VantrelStartup> startup(const QString &programFile = QStringLiteral("/opt/vantrel/bin/vantrel"))
    {
        return std::make_unique<VantrelStartup>(state, platform, programFile, hooks());
    }

    // Starts `s`; the exit code when it ended before returning (the boxes and
    // the splash of these tests close at once), nothing when it runs.
    std::optional<int> run(VantrelStartup &s)
    {
        endedWith.reset();
        s.start({}, [this](int code) { endedWith = code; });
        return endedWith;
    }

    std::optional<int> endedWith;
    int splashes = 0;
    bool splashSawMainWindow = false;
    std::function<void(bool)> trayAnswer; // the tray check's answer, when the test gives it
    QStringList notes;
};

TEST_F(StartupTest, ASecondCopyIsRefusedWithOneBoxAndLeavesNothingBehind)
{
    auto running = RegisterWindowClass(kMainWindowClass);
    ASSERT_TRUE(running);
    auto second = startup();
    const std::optional<int> exitCode = run(*second);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, QStringLiteral("Vantrel is already running!"));
    EXPECT_EQ(boxes.shown.first().title, QStringLiteral("Vantrel Message"));
    EXPECT_EQ(boxes.shown.first().icon, MessageBoxes::Icon::Error);
    EXPECT_EQ(splashes, 0);
    EXPECT_EQ(second->fmVantrel(), nullptr);
    EXPECT_EQ(second->dialer(), nullptr);
    EXPECT_TRUE(tray.commands.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(registry.hiveFile(Hive::LocalMachine))) << "no setting read or written";
    EXPECT_TRUE(state.ProgramFolder == programDir.path()) << "ProgramFolder untouched";
    second.reset();
    EXPECT_TRUE(FindWindowClass(kMainWindowClass)) << "the running copy is not disturbed";
}

TEST_F(StartupTest, AStaleSocketDoesNotRefuseAndTheNewCopyRegistersOnlyWithItsMainWindow)
{
    ASSERT_TRUE(makeStaleSocket(WindowClassSocket(kMainWindowClass)));
    auto first = startup(QStringLiteral("/opt/vantrel/bin/vantrel"));
    EXPECT_FALSE(run(*first).has_value());
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(splashes, 1);
    EXPECT_FALSE(splashSawMainWindow) << "a copy in its splash is not yet found";
    ASSERT_NE(first->fmVantrel(), nullptr);
    ASSERT_NE(first->dialer(), nullptr);
    EXPECT_FALSE(first->fmVantrel()->isVisible());
    EXPECT_EQ(first->dialWindows()->fmConnect(), nullptr) << "the progress window waits for the first dial";
    EXPECT_EQ(state.ProgramFolder, QStringLiteral("/opt/vantrel/bin"));
    EXPECT_TRUE(tray.isShown(first->fmVantrel()->windowHandle32(), kTrayIconId));
    EXPECT_TRUE(FindWindowClass(kMainWindowClass)) << "the main window is there: a later copy is refused";

    first->fmVantrel()->Esci1Click();
    first.reset();
    EXPECT_FALSE(FindWindowClass(kMainWindowClass));
}

TEST_F(StartupTest, WithoutATrayTheProgramRunsOnAndSaysSoOnce)
{
    auto s = startup();
    EXPECT_FALSE(run(*s).has_value());
    ASSERT_TRUE(trayAnswer);
    EXPECT_TRUE(notes.isEmpty()) << "start-up goes on without waiting for the answer";
    trayAnswer(false);
    EXPECT_TRUE(boxes.shown.isEmpty()) << "no box: nobody may be there to answer it at logon";
    EXPECT_EQ(notes, QStringList{kNoTrayYet});
    ASSERT_NE(s->fmVantrel(), nullptr);
    EXPECT_TRUE(FindWindowClass(kMainWindowClass));
}

TEST_F(StartupTest, AnEndAskedForDuringTheSplashStopsStartUp)
{
    std::unique_ptr<VantrelStartup> s;
    StartupHooks h = hooks();
    h.showSplash = [&s](std::function<void()> closed) {
        s->requestEnd();
        closed();
    };
    s = std::make_unique<VantrelStartup>(state, platform, QStringLiteral("/opt/vantrel/bin/vantrel"), h);
    EXPECT_EQ(run(*s), std::optional<int>(0));
    EXPECT_EQ(s->fmVantrel(), nullptr);
    EXPECT_FALSE(FindWindowClass(kMainWindowClass));
}

TEST_F(StartupTest, ClosingTheMainWindowEndsTheMessageLoop)
{
    StartupHooks h = hooks();
    h.quitOnShutdown = true;
    VantrelStartup s(state, platform, QStringLiteral("/opt/vantrel/bin/vantrel"), h);
    s.start({}, [](int code) { QCoreApplication::exit(code); });
    ASSERT_NE(s.fmVantrel(), nullptr);
    QTimer::singleShot(0, s.fmVantrel(), [&s] { s.fmVantrel()->Esci1Click(); });
    QTimer failSafe;
    failSafe.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&failSafe, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    failSafe.start(20000); // only a broken quit would get here
    const int rc = QCoreApplication::exec();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(s.fmVantrel()->isShutDown());
}

// --- splash ---------------------------------------------------------------------------------

TEST(Splash, ShowsForOneTickOfItsTimerWithTheHourglass)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    TfmLogo fmLogo;
    EXPECT_EQ(fmLogo.minimumSize(), fmLogo.maximumSize()) << "a fixed size (test_windowfit: which)";
    EXPECT_TRUE(fmLogo.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(fmLogo.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Child<QLabel>(fmLogo, "Label11")->text(), QStringLiteral("Vantrel"));
    EXPECT_TRUE(Child<QLabel>(fmLogo, "Label11")->font().bold());
    EXPECT_EQ(Child<QLabel>(fmLogo, "Label12")->text(), QStringLiteral("Version 4.12"));
    EXPECT_TRUE(Child<QLabel>(fmLogo, "Label12")->alignment() & Qt::AlignRight);
    EXPECT_FALSE(Child<QLabel>(fmLogo, "Label13")->text().isEmpty());
    EXPECT_TRUE(Child<QLabel>(fmLogo, "Label13")->font().italic());
    EXPECT_LE(Child<QLabel>(fmLogo, "Label13")->geometry().right(), fmLogo.width() - 3)
        << "the notice fits inside the bevels";
    EXPECT_EQ(Child<VTimer>(fmLogo, "tmLogo")->interval(), 3000);
    EXPECT_FALSE(Child<VTimer>(fmLogo, "tmLogo")->isActive()) << "disabled until shown";

    fmLogo.show();
    EXPECT_TRUE(Child<VTimer>(fmLogo, "tmLogo")->isActive());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&fmLogo, &escape);
    fmLogo.close();
    EXPECT_TRUE(fmLogo.isVisible()) << "neither Escape nor a close cuts the splash short";

    Child<VTimer>(fmLogo, "tmLogo")->fire();
    EXPECT_FALSE(fmLogo.isVisible());
    EXPECT_FALSE(Child<VTimer>(fmLogo, "tmLogo")->isActive()) << "fires at most once";
    EXPECT_EQ(fmLogo.result(), QDialog::Rejected);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Splash, DestroyedEarlyItGivesThePointerBack)
{
    {
        TfmLogo fmLogo;
        fmLogo.show();
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// --- dial progress window ----------------------------------------------------------------

TEST(DialProgressWindow, IsMadeHiddenWithItsControlsWhereTheyBelong)
{
    TfmConnect fmConnect;
    EXPECT_FALSE(fmConnect.isVisible());
    EXPECT_EQ(fmConnect.windowTitle(), QStringLiteral("Vantrel Message"));
    EXPECT_EQ(fmConnect.minimumSize(), fmConnect.maximumSize()) << "a fixed size (test_windowfit: which)";
    const Qt::WindowFlags flags = fmConnect.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(Child<QLabel>(fmConnect, "Image1")->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(Child<QPlainTextEdit>(fmConnect, "Memo1")->isReadOnly());
    EXPECT_FALSE(Child<QPlainTextEdit>(fmConnect, "Memo1")->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(Child<QPushButton>(fmConnect, "btAbort")->text(), QStringLiteral("&Abort"));
    EXPECT_EQ(Child<QPushButton>(fmConnect, "btSkip")->text(), QStringLiteral("&Skip"));
    EXPECT_EQ(fmConnect.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(Child<QPlainTextEdit>(fmConnect, "Memo1")->viewport()->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(Child<QPushButton>(fmConnect, "btAbort")->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(Child<QPushButton>(fmConnect, "btSkip")->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(Child<QPushButton>(fmConnect, "btAbort")->nextInFocusChain(), Child<QPushButton>(fmConnect, "btSkip"))
        << "tab order: Abort, then Skip";
}

} // namespace
} // namespace vantrel::test
