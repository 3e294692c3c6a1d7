#pragma once
#include <QApplication>
#include <QFont>

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

} // namespace vantrel
