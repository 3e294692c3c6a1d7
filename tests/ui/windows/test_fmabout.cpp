// SPDX-License-Identifier: GPL-3.0-or-later
// The about window's picture hint: where it goes as the pointer moves over the
// notice line, what hides it and what does not, its shape, and that it goes
// with the window.
#include "support/child.h"
#include "support/testenv.h"

#include "ui/windows/fmabout.h"
#include "ui/windows/fmhintip.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

// The pointer moves to `local` in `widget`, as the window system reports it.
void moveTo(QWidget *widget, QPoint local)
{
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

TEST(FmAbout, HintFollowsThePointerOverTheNoticeLineOnly)
{
    TfmAbout about;
    about.move(300, 200);
    about.show();
    TfmHintIP *hint = Child<TfmHintIP>(about, "fmHintIP");
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isVisible());

    struct Step {
        const char *where;
        QWidget *widget;
        QPoint at;
        bool shown;
        bool moved; // placed relative to this pointer position
    };
    QWidget *background = &about;
    const Step steps[] = {
        {"notice", Child<QLabel>(about, "Label13"), {3, 4}, true, true},
        {"notice, further right", Child<QLabel>(about, "Label13"), {60, 7}, true, true},
        {"OK button", Child<QPushButton>(about, "btClose"), {10, 10}, true, false},
        {"rule", Child<QFrame>(about, "Bevel2"), {50, 1}, true, false},
        {"icon", Child<QLabel>(about, "Image3"), {5, 5}, false, false},
        {"notice", Child<QLabel>(about, "Label13"), {10, 2}, true, true},
        {"disclaimer", Child<QPlainTextEdit>(about, "Memo")->viewport(), {20, 20}, false, false},
        {"notice", Child<QLabel>(about, "Label13"), {10, 2}, true, true},
        {"name", Child<QLabel>(about, "Label11"), {5, 5}, false, false},
        {"notice", Child<QLabel>(about, "Label13"), {10, 2}, true, true},
        {"version", Child<QLabel>(about, "Label12"), {50, 5}, false, false},
        {"notice", Child<QLabel>(about, "Label13"), {10, 2}, true, true},
        {"background", background, {5, 170}, false, false},
        {"notice", Child<QLabel>(about, "Label13"), {10, 2}, true, true},
        {"the hint itself", Child<QLabel>(*hint, "Image1"), {40, 40}, false, false},
    };
    QPoint expected;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.where);
        moveTo(step.widget, step.at);
        EXPECT_EQ(hint->isVisible(), step.shown);
        if (step.moved) {
            // Its top left corner 26 pixels right of and 108 above the pointer:
            // all 98 pixels of it end 10 pixels above the pointer.
            expected = step.widget->mapToGlobal(step.at) + QPoint(26, -108);
        }
        if (step.shown) {
            EXPECT_EQ(hint->pos(), expected);
        }
    }
}

TEST(FmAbout, HintHasRoundedCornersAndGoesWithTheWindow)
{
    for (int opening = 0; opening < 3; ++opening) {
        QPointer<TfmHintIP> hint;
        {
            TfmAbout about;
            about.show();
            hint = about.findChild<TfmHintIP *>(QStringLiteral("fmHintIP"));
            ASSERT_FALSE(hint.isNull());
            // Inside takes input; the corners and the last two columns and rows do not.
            EXPECT_TRUE(hint->mask().contains(QPoint(98, 48)));
            EXPECT_TRUE(hint->mask().contains(QPoint(193, 48)));
            for (const QPoint outside : {QPoint(1, 1), QPoint(194, 48), QPoint(98, 96), QPoint(193, 95)})
                EXPECT_FALSE(hint->mask().contains(outside)) << outside.x() << "," << outside.y();
            moveTo(Child<QLabel>(about, "Label13"), {3, 4});
            ASSERT_TRUE(hint->isVisible());
            Child<QPushButton>(about, "btClose")->click();
            EXPECT_TRUE(hint.isNull()); // closed with the window, while showing
        }
        int hints = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            hints += qobject_cast<TfmHintIP *>(w) ? 1 : 0;
        EXPECT_EQ(hints, 0);
    }
}

TEST(FmAbout, EscapeDoesNothingButTheWindowManagerCanStillCloseIt)
{
    TfmAbout about;
    const QPointer<TfmHintIP> hint = Child<TfmHintIP>(about, "fmHintIP");
    about.open();
    // Escape typed on the window itself and on the focused OK button (which
    // passes it on to the window).
    for (QWidget *target : {static_cast<QWidget *>(&about), Child<QWidget>(about, "btClose")}) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &escape);
        EXPECT_TRUE(about.isVisible()) << target->objectName().toStdString();
    }
    about.close(); // what the window manager's close asks for
    EXPECT_FALSE(about.isVisible());
    EXPECT_FALSE(hint);
}

} // namespace
} // namespace vantrel::test
