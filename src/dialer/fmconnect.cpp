#include "dialer/fmconnect.h"

#include "monitor/globeicon.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

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

TfmConnect::TfmConnect(QWidget *parent)
    // A tool window: it never gives the program a taskbar button. Title bar with
    // the close box only; stays on top while a dial runs.
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmConnect"));
    setWindowTitle(QStringLiteral("Vantrel Message"));
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

    btAbort = new QPushButton(QStringLiteral("&Abort"), this);
    btAbort->setObjectName(QStringLiteral("btAbort"));
    btAbort->setGeometry(332, 22, 67, 21);
    btAbort->setCursor(Qt::ArrowCursor);
    btAbort->setAutoDefault(false);

    btSkip = new QPushButton(QStringLiteral("&Skip"), this);
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
        const QRect area = screen->geometry();
        // frameGeometry() is the outer size once the window manager has framed
        // the window; before that it is the client size.
        move(area.x() + area.width() - frameGeometry().width(), area.y());
    }
    Memo1->clear();
    QDialog::showEvent(event);
}

} // namespace vantrel
