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

    // The window's parts, by their object names.
    QLabel *icona() const { return Child<QLabel>(*window, "Icona"); }
    QTextEdit *mesg() const { return Child<QTextEdit>(*window, "Mesg"); }
    QPushButton *btClose() const { return Child<QPushButton>(*window, "btClose"); }
    VTimer *tim() const { return Child<VTimer>(*window, "Tim"); }

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

    EXPECT_EQ(icona()->size(), QSize(32, 32));
    EXPECT_EQ(mesg()->size(), QSize(379, 33));
    EXPECT_EQ(mesg()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(mesg()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(mesg()->isReadOnly());
    EXPECT_FALSE(mesg()->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(btClose()->text(), QStringLiteral("&OK"));
    EXPECT_EQ(btClose()->size(), QSize(39, 33));
    EXPECT_EQ(btClose()->geometry().right(), 455); // at the right edge
    EXPECT_TRUE(btClose()->isDefault());
    EXPECT_FALSE(btClose()->focusPolicy() & Qt::TabFocus);
    // Icon, memo and button do not overlap.
    EXPECT_FALSE(icona()->geometry().intersects(mesg()->geometry()));
    EXPECT_FALSE(mesg()->geometry().intersects(btClose()->geometry()));
}

TEST_F(MsgAlarmTest, TextIsCentredOnItsLinesWithoutScrollBars)
{
    window->addText(QStringLiteral("Elapsed time: 30 minutes.\r\n1 warning(s)\r\nthird line"));
    EXPECT_EQ(mesg()->toPlainText(), QStringLiteral("Elapsed time: 30 minutes.\n1 warning(s)\nthird line"));
    EXPECT_EQ(mesg()->document()->blockCount(), 3);
    EXPECT_TRUE(mesg()->document()->defaultTextOption().alignment() & Qt::AlignHCenter);
    window->show();
    EXPECT_FALSE(mesg()->verticalScrollBar()->isVisible());
    // Exactly two lines show: the second ends inside the visible area, and the
    // third starts at or below its bottom (no sliver of it).
    QAbstractTextDocumentLayout *layout = mesg()->document()->documentLayout();
    const QTextBlock second = mesg()->document()->findBlockByNumber(1);
    const int visible = mesg()->viewport()->height();
    EXPECT_LE(layout->blockBoundingRect(second).bottom(), visible);
    EXPECT_GE(layout->blockBoundingRect(second.next()).top(), visible);
}

TEST_F(MsgAlarmTest, AnimatesThroughTheSixteenFramesWhileShown)
{
    EXPECT_EQ(icona()->pixmap().toImage(), icon.toImage());
    EXPECT_FALSE(tim()->isActive());
    EXPECT_EQ(tim()->interval(), 150);
    window->show();
    EXPECT_TRUE(tim()->isActive());

    for (int tick = 0; tick < 16; ++tick) {
        tim()->fire();
        ASSERT_EQ(icona()->pixmap().toImage(), frames[tick].toImage()) << "tick " << tick;
    }
    EXPECT_EQ(window->alarmIconFrame(), 0); // a full turn
    tim()->fire();
    EXPECT_EQ(icona()->pixmap().toImage(), frames[0].toImage());
    EXPECT_EQ(window->alarmIconFrame(), 1);

    window->setAlarmIconBusy(true); // a tick entered again does nothing
    tim()->fire();
    EXPECT_EQ(window->alarmIconFrame(), 1);
    window->setAlarmIconBusy(false);

    window->hide();
    EXPECT_FALSE(tim()->isActive());
}

TEST_F(MsgAlarmTest, EnterInTheMemoClosesInsteadOfAddingALine)
{
    window->addText(QStringLiteral("one line"));
    window->show();
    typeKey(mesg(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(mesg()->toPlainText(), QStringLiteral("one line"));
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
