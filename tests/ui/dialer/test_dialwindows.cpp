// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window and the credentials prompt as windows: where the progress
// window opens, what the prompt lets through.
#include "monitor/appstate.h"
#include "support/child.h"
#include "ui/dialer/fmask.h"
#include "ui/dialer/fmconnect.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

TEST(DialWindows, ProgressWindowOpensEmptyAtTheTopRightWhereverItWasMoved)
{
    TfmConnect w;
    Child<QPlainTextEdit>(w, "Memo1")->setPlainText(QStringLiteral("old line"));
    w.move(10, 300);
    w.show();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(w.frameGeometry().right(), area.right());
    EXPECT_EQ(w.frameGeometry().top(), area.top());
    EXPECT_TRUE(Child<QPlainTextEdit>(w, "Memo1")->toPlainText().isEmpty());
}

TEST(DialWindows, ProgressWindowKeepsClearOfPanelsAndTheTrayIcon)
{
    const QRect screen(0, 0, 1920, 1080);
    const QRect second(1920, 0, 1280, 1024); // a second screen to the right
    const QSize window(404, 70);
    struct Row {
        const char *what;
        QRect screen, available, icon;
        QPoint expected;
    };
    const Row rows[] = {
        {"no panel, icon unknown", screen, screen, QRect(), {1516, 0}},
        {"top panel", screen, QRect(0, 24, 1920, 1056), QRect(1890, 2, 20, 20), {1516, 24}},
        {"bottom panel", screen, QRect(0, 0, 1920, 1056), QRect(1890, 1058, 20, 20), {1516, 0}},
        {"left panel", screen, QRect(40, 0, 1880, 1080), QRect(10, 4, 20, 20), {1516, 0}},
        {"right panel", screen, QRect(0, 0, 1880, 1080), QRect(1890, 4, 20, 20), {1476, 0}},
        {"unreserved top panel, icon unknown", screen, screen, QRect(), {1516, 0}},
        {"unreserved top panel, icon under the corner", screen, screen, QRect(1880, 0, 24, 24), {1516, 24}},
        {"unreserved top panel, icon under the window's left end", screen, screen, QRect(1500, 0, 24, 24), {1516, 24}},
        {"unreserved bottom panel, icon far below", screen, screen, QRect(1890, 1056, 24, 24), {1516, 0}},
        {"unreserved right panel, icon high up", screen, screen, QRect(1896, 40, 24, 24), {1492, 0}},
        {"unreserved left panel, tiny screen", QRect(0, 0, 420, 600), QRect(0, 0, 420, 600), QRect(0, 30, 24, 24), {16, 0}},
        {"second screen, top panel", second, QRect(1920, 24, 1280, 1000), QRect(3170, 2, 20, 20), {2796, 24}},
        {"no free area reported", screen, QRect(), QRect(1880, 0, 24, 24), {1516, 24}},
    };
    for (const Row &row : rows) {
        const QPoint at = ProgressWindowPlace(row.screen, row.available, row.icon, window);
        EXPECT_EQ(at, row.expected) << row.what;
        EXPECT_TRUE((row.available.isEmpty() ? row.screen : row.available).contains(QRect(at, window))) << row.what;
    }
}

TEST(DialWindows, PromptRefusesCredentialsLongerThanTheRecordAndIgnoresEscape)
{
    TfmAsk ask(QStringLiteral("Morvent Online"), QStringLiteral("guest"), QString());
    EXPECT_EQ(ask.windowTitle(), QStringLiteral("Vantrel - Morvent Online"));
    EXPECT_EQ(Child<QLineEdit>(ask, "edUser")->text(), QStringLiteral("guest"));

    // 256 bytes fit; one more character, or a text whose UTF-8 form is longer,
    // cannot be typed or pasted.
    Child<QLineEdit>(ask, "edPass")->insert(QString(256, u'p'));
    Child<QLineEdit>(ask, "edPass")->insert(QStringLiteral("q"));
    EXPECT_EQ(Child<QLineEdit>(ask, "edPass")->text().size(), 256);
    Child<QLineEdit>(ask, "edUser")->clear();
    Child<QLineEdit>(ask, "edUser")->insert(QString(200, u'\u00e9')); // 400 bytes
    EXPECT_TRUE(Child<QLineEdit>(ask, "edUser")->text().isEmpty());

    ask.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&ask, &escape);
    EXPECT_TRUE(ask.isVisible());
}

} // namespace
} // namespace vantrel::test
