// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/qtmessageboxes.h"

#include "ui/platform/topmost.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>

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

QtMessageBoxes::~QtMessageBoxes()
{
    closeAll();
}

void QtMessageBoxes::open(const Box &box, QObject *context, Answered answered)
{
    // Window-modal to the window the user is working in, if any; a box raised
    // from the tray or a timer with none of ours active blocks nothing, so the
    // tray, the timers and an alarm message that pops up meanwhile go on.
    QWidget *owner = box.blocksActiveWindow ? QApplication::activeWindow() : nullptr;
    auto *shown = new QMessageBox(toQt(box.icon), box.title, box.text,
                                  box.buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                                  owner);
    shown->setAttribute(Qt::WA_DeleteOnClose);
    // Lowered for as long as the box lives, whoever ends it.
    auto aside = std::make_shared<TopMostSetAside>(box.setAsideTopMost);
    const bool guarded = context != nullptr;
    const QPointer<QObject> guard(context);
    QObject::connect(shown, &QDialog::finished, shown,
                     [buttons = box.buttons, guarded, guard, answered = std::move(answered), aside](int result) {
                         aside->restore();
                         if (!answered || (guarded && !guard))
                             return;
                         if (buttons == Buttons::YesNo)
                             answered(result == QMessageBox::Yes ? Answer::Yes : Answer::No);
                         else
                             answered(Answer::Ok);
                     });
    m_open.removeAll(nullptr);
    m_open.append(shown);
    shown->open();
}

void QtMessageBoxes::closeAll()
{
    const QList<QPointer<QMessageBox>> open = std::exchange(m_open, {});
    for (const QPointer<QMessageBox> &box : open) {
        if (!box)
            continue;
        // No answer: whatever was to follow has no purpose any more.
        QObject::disconnect(box.data(), &QDialog::finished, nullptr, nullptr);
        delete box.data();
    }
}

} // namespace vantrel
