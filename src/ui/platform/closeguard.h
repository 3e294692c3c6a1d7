// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows that delete themselves when they close (the modeless log viewer and
// alarm message) and the handlers that run while they are open.
//
// A handler that shows a message box runs the box's event loop. Whatever the
// user does meanwhile is delivered in that loop: the window can be shown again
// from the tray, and its OK or its title bar's close box closes it. With
// Qt::WA_DeleteOnClose the deferred delete of that close is carried out by the
// box's loop, so the handler returns from the box into a freed window.
//
// CloseGuard is the one way these windows delete themselves. It sets
// Qt::WA_DeleteOnClose on its window and, while a handler holds it, turns a
// close into a hide and keeps it pending; the close is carried out when the
// last hold ends, in the handler's own frame, so the delete waits until the
// handler has returned to the event loop it was called from. Showing the window
// again (the tray's "View Log..." while the handler's box is up) withdraws a
// pending close: the user wants the window back.
#include <QObject>
#include <QPointer>

class QWidget;

namespace vantrel {

class CloseGuard final : public QObject {
    Q_OBJECT
public:
    // A child of `window`: lives and dies with it.
    explicit CloseGuard(QWidget &window);

    // Held for the whole of a handler that shows a box or runs anything else
    // that delivers events. Holds nest.
    class Hold {
    public:
        explicit Hold(CloseGuard &guard);
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

        // The window was asked to close while held and not shown again since:
        // the handler must not bring it back.
        bool closeRequested() const { return m_guard && m_guard->m_closePending; }

    private:
        // A window deleted by its owner meanwhile (the program shutting down)
        // takes the guard with it; the hold then has nothing left to do.
        QPointer<CloseGuard> m_guard;
    };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void release();

    QWidget &m_window;
    int m_holds = 0;
    bool m_closePending = false;
};

} // namespace vantrel
