// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/topmost.h"

#include "ui/platform/desktop/session.h"

#include <QApplication>

#include <utility>

namespace vantrel {

namespace {
void setOnTop(QWidget *w, bool onTop)
{
    // Changing a window flag hides the window; show it again where it was,
    // unless someone hid it meanwhile.
    const bool visible = w->isVisible();
    const QRect geometry = w->geometry();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    w->setGeometry(geometry);
    if (visible)
        w->show();
}
} // namespace

TopMostSetAside::TopMostSetAside(bool active)
{
    // A Wayland compositor keeps no window on top for a client (Qt drops the
    // hint there), while changing the flag would unmap and map each window
    // again, to wherever the compositor then puts it.
    if (!active || RunsOnWayland())
        return;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint)) {
            m_lowered.append(w);
            setOnTop(w, false);
        }
    }
}

TopMostSetAside::~TopMostSetAside()
{
    restore();
}

void TopMostSetAside::restore()
{
    for (const QPointer<QWidget> &w : std::exchange(m_lowered, {}))
        if (w)
            setOnTop(w, true);
}

} // namespace vantrel
