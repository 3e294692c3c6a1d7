// SPDX-License-Identifier: GPL-3.0-or-later
// The details window: what it shows with and without a network stack, the
// address line the poll keeps up to date, and its opening from the tray with
// the configuration window over it.
#include "ui/monitor/monitorfixture.h"

#include "app/factories.h"
#include "ui/windows/fmconfig.h"
#include "ui/windows/vantrelwsinfo.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace vantrel::test {
namespace {

template <typename Window>
QList<Window *> openWindows()
{
    QList<Window *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<Window *>(w); window && window->isVisible())
            found.append(window);
    return found;
}

class DetailsTest : public MonitorFixture {};

TEST_F(DetailsTest, ShowsTheStackOrSaysThereIsNone)
{
    struct Row {
        int startupResult;
        std::uint16_t maxSockets;
        const char *ver, *status, *maxSock, *config;
        bool addressFollowsPoll;
    };
    const Row rows[] = {
        {0, 65535, "Fake Sockets 1.1", "Running", "65535", "Configured as:  LAN connection", true},
        {10091, 256, "N/A", "No TCP/IP Stack available", "N/A", "N/A", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.status);
        sockets.startupResult = row.startupResult;
        sockets.maxSockets = row.maxSockets;
        setUser(QStringLiteral("Conn"), DWORD(1));
        create();
        {
            TVantrelWSInfo window(state, platform, *fm, QString());
            window.show();
            EXPECT_TRUE(fm->DetailsOpen());
            EXPECT_EQ(Child<QLabel>(window, "Ver")->text(), QString::fromUtf8(row.ver));
            EXPECT_EQ(Child<QLabel>(window, "Status")->text(), QString::fromUtf8(row.status));
            EXPECT_EQ(Child<QLabel>(window, "MaxSock")->text(), QString::fromUtf8(row.maxSock));
            EXPECT_EQ(Child<QLabel>(window, "Config")->text(), QString::fromUtf8(row.config));

            sockets.lookup = FakeSockets::entry("pc2.example", {10, 0, 0, 9});
            tick();
            const QString expectedIP = row.addressFollowsPoll ? QStringLiteral("IP Address:      10.0.0.9")
                                                              : QStringLiteral("N/A");
            const QString ip = Child<QLabel>(window, "IP")->text();
            EXPECT_TRUE(ip.startsWith(expectedIP)) << ip.toStdString();
        }
        EXPECT_FALSE(fm->DetailsOpen());
        fm.reset();
    }
}

TEST_F(DetailsTest, EscapeDoesNothingButTheWindowManagerCanStillCloseIt)
{
    create();
    TVantrelWSInfo window(state, platform, *fm, QString());
    window.open();
    for (QWidget *target :
         {static_cast<QWidget *>(&window), Child<QWidget>(window, "btClose"), Child<QWidget>(window, "btConfig")}) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &escape);
        EXPECT_TRUE(window.isVisible()) << target->objectName().toStdString();
    }
    window.close(); // what the window manager's close asks for
    EXPECT_FALSE(window.isVisible());
}

TEST_F(DetailsTest, OneWindowFromTheTrayWithExitBlockedAndConfigureChangingTheModeLine)
{
    setUser(QStringLiteral("Conn"), DWORD(0));
    setUser(QStringLiteral("Def"), DWORD(0));
    create(MakeMainWindowPlugins(state, platform, QStringLiteral("/usr/bin/vantrel"), {}));

    fm->DoubleClickAction();
    const auto windows = openWindows<TVantrelWSInfo>();
    ASSERT_EQ(windows.size(), 1);
    TVantrelWSInfo *window = windows.first();
    EXPECT_FALSE(item("Open1")->isEnabled());
    EXPECT_FALSE(item("Esci1")->isEnabled());
    fm->DoubleClickAction();
    fm->Open1Click();
    EXPECT_EQ(openWindows<TVantrelWSInfo>().size(), 1);
    EXPECT_EQ(Child<QLabel>(*window, "Config")->text(), QStringLiteral("Configured as:  Dialup connection"));

    Child<QPushButton>(*window, "btConfig")->click();
    const auto configs = openWindows<TfmConfig>();
    ASSERT_EQ(configs.size(), 1);
    Child<QCheckBox>(*configs.first(), "cxLAN")->click();
    Child<QPushButton>(*configs.first(), "btClose")->click();
    EXPECT_EQ(Child<QLabel>(*window, "Config")->text(), QStringLiteral("Configured as:  LAN connection"));
    Child<QPushButton>(*window, "btClose")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(openWindows<TVantrelWSInfo>().isEmpty());
    EXPECT_TRUE(item("Open1")->isEnabled());
    EXPECT_TRUE(item("Esci1")->isEnabled());
    EXPECT_FALSE(fm->DetailsOpen());
    EXPECT_EQ(fm->detailsLine(), nullptr);
}

} // namespace
} // namespace vantrel::test
