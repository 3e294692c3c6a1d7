// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QRect>

namespace vantrel {

// The alarm windows are laid out in fixed pixels for an 8 point
// dialog font at 96 dots per inch. The application's own family is kept; its
// size is fixed in pixels (11 px, the height of 8 points at 96 dpi) so that the
// fixed layout fits whatever the desktop's font size or dpi setting is.
inline QFont alarmFormFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}

// A label of a fixed-layout form: named, placed, text left and centred
// vertically.
inline QLabel *makeLabel(const QString &text, QWidget *parent, const QString &name, QRect geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

} // namespace vantrel
