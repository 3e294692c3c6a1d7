// SPDX-License-Identifier: GPL-3.0-or-later
// Modal windows block only the window they were opened from: an alarm message
// that pops up while a box is up still takes a click, and the window a box was
// raised from does not.
#include "support/child.h"
#include "ui/alarm/msgalarm.h"
#include "ui/platform/modal.h"
#include "ui/platform/topmost.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

// Clicks `button` as the platform would (through the window system, where
// Qt applies modal blocking) while `modal` is open, and tells whether it was
// pressed. `modal` is deleted once closed.
bool clickedUnder(QDialog *modal, QPushButton *button, bool viaOpenModal)
{
    bool pressed = false;
    QObject::connect(button, &QPushButton::clicked, [&pressed] { pressed = true; });
    if (viaOpenModal) {
        OpenModal(modal);
    } else {
        modal->setAttribute(Qt::WA_DeleteOnClose);
        modal->setWindowModality(Qt::ApplicationModal); // what exec() would do
        modal->show();
    }
    QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, {},
                      button->mapTo(button->window(), button->rect().center()));
    modal->done(0);
    return pressed;
}

TEST(OpenModal, BlocksItsOwnerOnlyAndNeverAWindowOpenedFromElsewhere)
{
    const struct {
        bool viaOpenModal;
        bool ownedByTheClickedWindow;
        bool pressed;
    } rows[] = {
        {true, false, true},   // an alarm message pops up while a tray box is up: it answers
        {true, true, false},   // a box raised from a window blocks that window
        {false, false, false}, // Qt's application-modal default would block it (the fault mended)
    };
    for (const auto &row : rows) {
        TMsgAlarm alarm({}, QPixmap());
        alarm.setAttribute(Qt::WA_DeleteOnClose, false);
        alarm.show();
        auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Vantrel Message"), QStringLiteral("x"),
                                    QMessageBox::Ok, row.ownedByTheClickedWindow ? &alarm : nullptr);
        EXPECT_EQ(clickedUnder(box, Child<QPushButton>(alarm, "btClose"), row.viaOpenModal), row.pressed)
            << row.viaOpenModal << row.ownedByTheClickedWindow;
    }
}

// A stay-on-top window that was set aside for a box and hidden meanwhile (the
// dial run hid its progress window) gets its flag back but stays hidden.
TEST(TopMostSetAside, AWindowHiddenMeanwhileIsNotShownAgain)
{
    QWidget progress(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    progress.show();
    {
        TopMostSetAside aside(true);
        EXPECT_FALSE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
        progress.hide();
    }
    EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(progress.isVisible());
}

} // namespace
} // namespace vantrel::test
