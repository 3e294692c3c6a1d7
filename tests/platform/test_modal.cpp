// SPDX-License-Identifier: GPL-3.0-or-later
// Modal windows block only the window they were opened from: an alarm message
// that pops up while a box is up still takes a click, and the window a box was
// raised from does not.
#include "alarm/msgalarm.h"
#include "platform/modal.h"

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
// Qt applies modal blocking) while `modal` runs, and tells whether it was
// pressed.
bool clickedUnder(QDialog &modal, QPushButton *button, bool viaExecModal)
{
    bool pressed = false;
    QObject::connect(button, &QPushButton::clicked, [&pressed] { pressed = true; });
    QTimer::singleShot(0, &modal, [&] {
        QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(button->window(), button->rect().center()));
        modal.done(0);
    });
    if (viaExecModal)
        ExecModal(modal);
    else
        modal.exec();
    return pressed;
}

TEST(ExecModal, BlocksItsOwnerOnlyAndNeverAWindowOpenedFromElsewhere)
{
    const struct {
        bool viaExecModal;
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
        QMessageBox box(QMessageBox::Information, QStringLiteral("Vantrel Message"), QStringLiteral("x"),
                        QMessageBox::Ok, row.ownedByTheClickedWindow ? &alarm : nullptr);
        EXPECT_EQ(clickedUnder(box, alarm.btClose, row.viaExecModal), row.pressed)
            << row.viaExecModal << row.ownedByTheClickedWindow;
    }
}

} // namespace
} // namespace vantrel::test
