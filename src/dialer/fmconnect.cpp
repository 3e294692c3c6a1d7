// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialer/fmconnect.h"

#include "monitor/globeicon.h"
#include "platform/desktop/notifyicon.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace vantrel {

namespace {

constexpr int kClientWidth = 402;
constexpr int kClientHeight = 46;

// Fixed pixel layout, as for an 8 point font at 96 dpi (see the splash).
QFont formFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}

} // namespace

QPoint ProgressWindowPlace(const QRect &screen, const QRect &available, const QRect &icon,
                           const QSize &window)
{
    const QRect area = available.isEmpty() ? screen : available;
    QRect place(QPoint(area.right() + 1 - window.width(), area.top()), window);
    if (icon.isEmpty() || !place.intersects(icon))
        return place.topLeft();

    // The panel that holds the icon runs along the screen edge nearest to it.
    const int toTop = icon.top() - screen.top();
    const int toBottom = screen.bottom() - icon.bottom();
    const int toLeft = icon.left() - screen.left();
    const int toRight = screen.right() - icon.right();
    if (std::min(toTop, toBottom) <= std::min(toLeft, toRight)) {
        if (toTop <= toBottom)
            place.moveTop(icon.bottom() + 1);
        else
            place.moveBottom(icon.top() - 1);
    } else if (toRight <= toLeft) {
        place.moveRight(icon.left() - 1);
    } else {
        place.moveLeft(icon.right() + 1);
    }
    // Still on the screen, should the icon sit far from every edge.
    place.moveLeft(std::clamp(place.left(), area.left(), std::max(area.left(), area.right() + 1 - window.width())));
    place.moveTop(std::clamp(place.top(), area.top(), std::max(area.top(), area.bottom() + 1 - window.height())));
    return place.topLeft();
}

TfmConnect::TfmConnect(QWidget *parent)
    // A tool window: it never gives the program a taskbar button. Title bar with
    // the close box only; stays on top while a dial runs.
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmConnect"));
    setWindowTitle(tr("Vantrel Message"));
    setFont(formFont());
    setFixedSize(kClientWidth, kClientHeight);
    setCursor(Qt::WaitCursor);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(2, 6, 32, 32);
    Image1->setPixmap(GlobeOnRedPixmap());
    Image1->setFocusPolicy(Qt::NoFocus);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(tr("Connection state"));
    Memo1->setGeometry(46, 6, 277, 33);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    Memo1->setTabChangesFocus(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->document()->setDocumentMargin(2);
    QPalette memoPalette = Memo1->palette();
    const QColor buttonFace = palette().color(QPalette::Button);
    memoPalette.setColor(QPalette::Base, buttonFace);
    memoPalette.setColor(QPalette::Window, buttonFace);
    Memo1->setPalette(memoPalette);
    Memo1->viewport()->setCursor(Qt::WaitCursor);

    btAbort = new QPushButton(tr("&Abort"), this);
    btAbort->setObjectName(QStringLiteral("btAbort"));
    btAbort->setGeometry(332, 22, 67, 21);
    btAbort->setCursor(Qt::ArrowCursor);
    btAbort->setAutoDefault(false);

    btSkip = new QPushButton(tr("&Skip"), this);
    btSkip->setObjectName(QStringLiteral("btSkip"));
    btSkip->setGeometry(262, 22, 67, 21);
    btSkip->setCursor(Qt::ArrowCursor);
    btSkip->setAutoDefault(false);

    // Tab order: Abort, then Skip (the picture and the memo take no tab stop).
    setTabOrder(btAbort, btSkip);
}

TfmConnect::~TfmConnect() = default;

void TfmConnect::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // frameGeometry() is the outer size once the window manager has framed
        // the window; before that it is the client size. It stays on top for
        // the whole dial, so it must leave the tray icon (menu, Exit) reachable.
        const QPoint outer = ProgressWindowPlace(screen->geometry(), screen->availableGeometry(),
                                                 TrayIconsGeometry(), frameGeometry().size());
        move(outer); // move() places the frame's top left corner
    }
    Memo1->clear();
    QDialog::showEvent(event);
    // Qt gives a dialog without a parent the active window as its transient
    // parent; a modal window up at that moment (details, configuration) would
    // then block Abort and Skip. The progress window belongs to no window.
    if (QWindow *handle = windowHandle())
        handle->setTransientParent(nullptr);
}

} // namespace vantrel
