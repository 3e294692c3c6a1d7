// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/messageboxes.h"

#include "platform/modal.h"
#include "platform/topmost.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace vantrel {

namespace {

QMessageBox::Icon toQt(MessageBoxes::Icon icon)
{
    switch (icon) {
    case MessageBoxes::Icon::Information: return QMessageBox::Information;
    case MessageBoxes::Icon::Warning: return QMessageBox::Warning;
    case MessageBoxes::Icon::Error: return QMessageBox::Critical;
    case MessageBoxes::Icon::Question: return QMessageBox::Question;
    case MessageBoxes::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBoxes::Answer QtMessageBoxes::show(const QString &title, const QString &text, Icon icon,
                                          Buttons buttons, bool setAsideTopMost)
{
    TopMostSetAside aside(setAsideTopMost);
    // Modal to the window the user is working in, if any (a box raised by a
    // window's handler keeps that window from taking more input); a box raised
    // from the tray or a timer with none of ours active blocks nothing.
    // On the heap: closing its owner deletes the box while it runs.
    QPointer<QMessageBox> box =
        new QMessageBox(toQt(icon), title, text,
                        buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                        QApplication::activeWindow());
    const int result = ExecModal(*box);
    delete box.data();
    if (buttons == Buttons::YesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

void QtMessageBoxes::openError(const QString &text, std::function<void()> closed)
{
    // Owned by no window, so that closing some other window cannot take the box
    // (and what follows it) away; window-modal without a parent, it blocks nothing.
    auto *box = new QMessageBox(QMessageBox::Critical, QCoreApplication::translate("vantrel::MessageBoxes", "Vantrel Message"), text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)](int) { closed(); });
    box->open();
}

} // namespace vantrel
