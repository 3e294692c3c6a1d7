// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/closeguard.h"

#include <QEvent>
#include <QWidget>

namespace vantrel {

CloseGuard::CloseGuard(QWidget &window) : QObject(&window), m_window(window)
{
    m_window.setAttribute(Qt::WA_DeleteOnClose);
    m_window.installEventFilter(this);
}

CloseGuard::Hold::Hold(CloseGuard &guard) : m_guard(&guard)
{
    ++guard.m_holds;
}

CloseGuard::Hold::~Hold()
{
    if (m_guard)
        m_guard->release();
}

void CloseGuard::release()
{
    if (--m_holds > 0 || !m_closePending)
        return;
    m_closePending = false;
    m_window.close(); // not held now: the window's own close runs and deletes it later
}

bool CloseGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window) {
        if (event->type() == QEvent::Close && m_holds > 0) {
            m_closePending = true;
            m_window.hide();
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::Show)
            m_closePending = false;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vantrel
