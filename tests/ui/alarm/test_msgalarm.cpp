// SPDX-License-Identifier: GPL-3.0-or-later
// The alarm message window: its shape, its animation, and how it closes.
#include "alarmfixture.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>

namespace vantrel::test {
namespace {

class MsgAlarmTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frames = makeFrames();
        icon = makeApplicationIcon();
        window = new TMsgAlarm(frames, icon);
    }
    void TearDown() override
    {
        delete window.data();
        flushDeletes();
    }

    QList<QPixmap> frames;
    QPixmap icon;
    QPointer<TMsgAlarm> window;
};

TEST_F(MsgAlarmTest, HasTheFixedShapeOfTheAlarmWindow)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantrel Alarm"));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_EQ(window->size(), QSize(456, 36));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));

    EXPECT_EQ(window->Icona->size(), QSize(32, 32));
    EXPECT_EQ(window->Mesg->size(), QSize(379, 33));
    EXPECT_EQ(window->Mesg->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(window->Mesg->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(window->Mesg->isReadOnly());
    EXPECT_FALSE(window->Mesg->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(window->btClose->text(), QStringLiteral("&OK"));
    EXPECT_EQ(window->btClose->size(), QSize(39, 33));
    EXPECT_EQ(window->btClose->geometry().right(), 455); // at the right edge
    EXPECT_TRUE(window->btClose->isDefault());
    EXPECT_FALSE(window->btClose->focusPolicy() & Qt::TabFocus);
    // Icon, memo and button do not overlap.
    EXPECT_FALSE(window->Icona->geometry().intersects(window->Mesg->geometry()));
    EXPECT_FALSE(window->Mesg->geometry().intersects(window->btClose->geometry()));
}

TEST_F(MsgAlarmTest, TextIsCentredOnItsLinesWithoutScrollBars)
{
    window->addText(QStringLiteral("Elapsed time: 30 minutes.\r\n1 warning(s)\r\nthird line"));
    EXPECT_EQ(window->Mesg->toPlainText(),
              QStringLiteral("Elapsed time: 30 minutes.\n1 warning(s)\nthird line"));
    EXPECT_EQ(window->Mesg->document()->blockCount(), 3);
    EXPECT_TRUE(window->Mesg->document()->defaultTextOption().alignment() & Qt::AlignHCenter);
    window->show();
    EXPECT_FALSE(window->Mesg->verticalScrollBar()->isVisible());
    // Exactly two lines show: the second ends inside the visible area, and the
    // third starts at or below its bottom (no sliver of it).
    QAbstractTextDocumentLayout *layout = window->Mesg->document()->documentLayout();
    const QTextBlock second = window->Mesg->document()->findBlockByNumber(1);
    const int visible = window->Mesg->viewport()->height();
    EXPECT_LE(layout->blockBoundingRect(second).bottom(), visible);
    EXPECT_GE(layout->blockBoundingRect(second.next()).top(), visible);
}

TEST_F(MsgAlarmTest, AnimatesThroughTheSixteenFramesWhileShown)
{
    EXPECT_EQ(window->Icona->pixmap().toImage(), icon.toImage());
    EXPECT_FALSE(window->Tim.isActive());
    EXPECT_EQ(window->Tim.interval(), 150);
    window->show();
    EXPECT_TRUE(window->Tim.isActive());

    for (int tick = 0; tick < 16; ++tick) {
        window->Tim.fire();
        ASSERT_EQ(window->Icona->pixmap().toImage(), frames[tick].toImage()) << "tick " << tick;
    }
    EXPECT_EQ(window->AlarmIconFrame, 0); // a full turn
    window->Tim.fire();
    EXPECT_EQ(window->Icona->pixmap().toImage(), frames[0].toImage());
    EXPECT_EQ(window->AlarmIconFrame, 1);

    window->AlarmIconBusy = true; // a tick entered again does nothing
    window->Tim.fire();
    EXPECT_EQ(window->AlarmIconFrame, 1);
    window->AlarmIconBusy = false;

    window->hide();
    EXPECT_FALSE(window->Tim.isActive());
}

TEST_F(MsgAlarmTest, EnterInTheMemoClosesInsteadOfAddingALine)
{
    window->addText(QStringLiteral("one line"));
    window->show();
    typeKey(window->Mesg, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->Mesg->toPlainText(), QStringLiteral("one line"));
    flushDeletes();
    EXPECT_TRUE(window.isNull());
}

TEST_F(MsgAlarmTest, EnterOnTheWindowPressesOk)
{
    window->show();
    typeKey(window.data(), Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
    flushDeletes();
    EXPECT_TRUE(window.isNull());
}

TEST_F(MsgAlarmTest, EscapeDoesNotCloseIt)
{
    window->show();
    typeKey(window.data(), Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    flushDeletes();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
}

} // namespace
} // namespace vantrel::test
