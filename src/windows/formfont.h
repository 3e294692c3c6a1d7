// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the configuration and information windows share: their font and their
// place on the screen.
#include "alarm/formfont.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace vantrel {

// These windows are laid out in fixed pixels for the same 8 point dialog font
// as the alarm windows.
inline QFont windowsFormFont()
{
    return alarmFormFont();
}

// Centred on the primary screen's available area.
inline void centreOnScreen(QWidget &window)
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

} // namespace vantrel
