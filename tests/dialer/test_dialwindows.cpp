// The progress window and the credentials prompt as windows: where the progress
// window opens, what the prompt lets through.
#include "dialer/fmask.h"
#include "dialer/fmconnect.h"
#include "monitor/appstate.h"

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
    w.Memo1->setPlainText(QStringLiteral("old line"));
    w.move(10, 300);
    w.show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(w.frameGeometry().right(), screen.right());
    EXPECT_EQ(w.frameGeometry().top(), screen.top());
    EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
}

TEST(DialWindows, PromptRefusesCredentialsLongerThanTheRecordAndIgnoresEscape)
{
    AppState state;
    state.CurrentEntry = QStringLiteral("Morvent Online");
    state.PromptUserName = QStringLiteral("guest");
    TfmAsk ask(state, 1);
    EXPECT_EQ(ask.windowTitle(), QStringLiteral("Vantrel - Morvent Online"));
    EXPECT_EQ(ask.edUser->text(), QStringLiteral("guest"));

    // 256 bytes fit; one more character, or a text whose UTF-8 form is longer,
    // cannot be typed or pasted.
    ask.edPass->insert(QString(256, u'p'));
    ask.edPass->insert(QStringLiteral("q"));
    EXPECT_EQ(ask.edPass->text().size(), 256);
    ask.edUser->clear();
    ask.edUser->insert(QString(200, u'\u00e9')); // 400 bytes
    EXPECT_TRUE(ask.edUser->text().isEmpty());

    ask.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&ask, &escape);
    EXPECT_TRUE(ask.isVisible());
}

} // namespace
} // namespace vantrel::test
