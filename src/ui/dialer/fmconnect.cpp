// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialer/fmconnect.h"

#include "ui/monitor/globeicon.h"
#include "ui/platform/desktop/notifyicon.h"
#include "ui/platform/formlayout.h"

#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QWindow>
#include <QtMath>

#include <algorithm>

namespace vantrel {

namespace {

constexpr int kClientWidth = 402;
constexpr int kClientHeight = 46;
constexpr int kMemoHeight = 33;

} // namespace

QPoint ProgressWindowPlace(const QRect &screen, const QRect &available, const QRect &icon, const QSize &window)
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
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmConnect"));
    setWindowTitle(tr("Vantrel Message"));
    setCursor(Qt::WaitCursor);

    Image1 = Designed(new QLabel(this), {2, 6, 32, 32});
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(GlobeOnRedPixmap());
    Image1->setFocusPolicy(Qt::NoFocus);

    // The status line ends where the buttons begin, so that a second line of
    // a long status never runs under Skip; it is as tall as its lines need.
    Memo1 = Designed(new QPlainTextEdit(this), {46, 6, 210, kMemoHeight});
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(tr("Connection state"));
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

    btAbort = new FormButton(tr("&Abort"), this, QStringLiteral("btAbort"), {332, 22, 67, 21});
    btAbort->setCursor(Qt::ArrowCursor);
    btAbort->setAutoDefault(false);

    btSkip = new FormButton(tr("&Skip"), this, QStringLiteral("btSkip"), {262, 22, 67, 21});
    btSkip->setCursor(Qt::ArrowCursor);
    btSkip->setAutoDefault(false);

    // Tab order: Abort, then Skip (the picture and the memo take no tab stop).
    setTabOrder(btAbort, btSkip);
    connect(btAbort, &QPushButton::clicked, this, &TfmConnect::abortClicked);
    connect(btSkip, &QPushButton::clicked, this, &TfmConnect::skipClicked);

    QHBoxLayout *buttons = Row(nullptr, {}, 3);
    buttons->addWidget(btSkip);
    buttons->addWidget(btAbort);
    // The buttons stand lower than the memo's top, at its foot once it is taller.
    QVBoxLayout *right = Column(nullptr, {0, 16, 0, 0});
    right->addStretch();
    right->addLayout(buttons);
    QHBoxLayout *row = Row(this, {2, 6, 3, 3});
    row->addWidget(Image1, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(Memo1, 0, Qt::AlignTop);
    row->addSpacing(6);
    row->addLayout(right);
    // A status line longer than the memo's two lines makes the memo taller.
    connect(Memo1->document(), &QTextDocument::contentsChanged, this, &TfmConnect::fitStatus);
    fitStatus();
    FixWindowToLayout(*this, *row, {kClientWidth, kClientHeight});
}

void TfmConnect::fitStatus()
{
    // Two lines at least, as the design has them.
    const int twoLines = 2 * Memo1->fontMetrics().lineSpacing() + 2 * int(Memo1->document()->documentMargin())
                         + 2 * Memo1->frameWidth();
    FitTextHeight(*Memo1, Scaled(210, font()), std::max(kMemoHeight, twoLines));
}

TfmConnect::~TfmConnect() = default;

void TfmConnect::setStatus(const QString &status)
{
    if (Memo1->toPlainText() == status)
        return;
    Memo1->setPlainText(status);
    Memo1->repaint();
}

void TfmConnect::setButtonsEnabled(bool abort, bool skip)
{
    btAbort->setEnabled(abort);
    btSkip->setEnabled(skip);
}

void TfmConnect::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // frameGeometry() is the outer size once the window manager has framed
        // the window; before that it is the client size. It stays on top for
        // the whole dial, so it must leave the tray icon (menu, Exit) reachable.
        const QPoint outer = ProgressWindowPlace(screen->geometry(), screen->availableGeometry(), TrayIconsGeometry(),
                                                 frameGeometry().size());
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
