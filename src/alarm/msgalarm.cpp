// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/msgalarm.h"

#include "alarm/formfont.h"
#include "platform/closeguard.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <QtMath>
#include <QTextOption>

namespace vantrel {

namespace {

// The message memo shows exactly two lines: what its height holds beyond two
// lines of its font is split into even margins above and below the text, so no
// sliver of a third line shows.
class TwoLineMemo final : public QTextEdit {
public:
    using QTextEdit::QTextEdit;
    void fitTwoLines()
    {
        QTextDocument probe;
        probe.setDefaultFont(font());
        probe.setDocumentMargin(0);
        probe.setPlainText(QStringLiteral("X\nX"));
        const int twoLines = qCeil(probe.size().height());
        document()->setDocumentMargin(0);
        const int spare = qMax(0, height() - 2 * frameWidth() - twoLines);
        setViewportMargins(0, spare / 2, 0, spare - spare / 2);
    }
};

} // namespace

namespace {
constexpr int kClientWidth = 456;
constexpr int kClientHeight = 36;
constexpr int kFrameCount = 16;
constexpr int kFramePeriodMs = 150;
} // namespace

TMsgAlarm::TMsgAlarm(QList<QPixmap> frames, const QPixmap &applicationIcon, QWidget *parent)
    : QDialog(parent,
              // A title bar with no buttons: no system menu, no close box.
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowStaysOnTopHint),
      m_frames(std::move(frames))
{
    setObjectName(QStringLiteral("MsgAlarm"));
    m_closeGuard = new CloseGuard(*this);
    setWindowTitle(tr("Vantrel Alarm"));
    setFont(alarmFormFont());
    setFixedSize(kClientWidth, kClientHeight);

    Icona = new QLabel(this);
    Icona->setObjectName(QStringLiteral("Icona"));
    Icona->setGeometry(2, 2, 32, 32);
    Icona->setPixmap(applicationIcon); // a copy: later animation of the tray does not reach it

    auto *memo = new TwoLineMemo(this);
    Mesg = memo;
    Mesg->setObjectName(QStringLiteral("Mesg"));
    Mesg->setAccessibleName(tr("Alarm message"));
    Mesg->setGeometry(37, 1, 379, 33);
    Mesg->setFrameShape(QFrame::NoFrame);
    Mesg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Mesg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Mesg->setAcceptRichText(false);
    Mesg->setTabChangesFocus(true);
    Mesg->setFocusPolicy(Qt::ClickFocus); // editable, but not a tab stop
    memo->fitTwoLines();
    QTextOption option = Mesg->document()->defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    Mesg->document()->setDefaultTextOption(option);
    Mesg->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QPalette memoPalette = Mesg->palette();
    const QColor buttonFace = palette().color(QPalette::Button);
    memoPalette.setColor(QPalette::Base, buttonFace);
    memoPalette.setColor(QPalette::Window, buttonFace);
    memoPalette.setColor(QPalette::Text, Qt::black);
    Mesg->setPalette(memoPalette);
    Mesg->installEventFilter(this);

    btClose = new QPushButton(tr("&OK"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    btClose->setGeometry(kClientWidth - 39, 1, 39, 33);
    btClose->setDefault(true); // Enter anywhere in the window presses it
    btClose->setFocusPolicy(Qt::NoFocus);
    connect(btClose, &QPushButton::clicked, this, &TMsgAlarm::btCloseClick);

    Tim.setInterval(kFramePeriodMs);
    Tim.setHandler([this] { TimTimer(); });

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMsgAlarm::~TMsgAlarm()
{
    Tim.stop();
}

void TMsgAlarm::addText(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (Mesg->document()->isEmpty())
        Mesg->setPlainText(lines);
    else
        Mesg->append(lines);
}

void TMsgAlarm::TimTimer()
{
    if (AlarmIconBusy)
        return;
    AlarmIconBusy = true;
    const auto release = qScopeGuard([this] { AlarmIconBusy = false; });
    const CloseGuard::Hold hold(*m_closeGuard); // a tick never loses its window
    if (AlarmIconFrame < m_frames.size())
        Icona->setPixmap(m_frames.at(AlarmIconFrame));
    AlarmIconFrame += 1;
    if (AlarmIconFrame > kFrameCount - 1)
        AlarmIconFrame = 0;
}

void TMsgAlarm::btCloseClick()
{
    close();
}

bool TMsgAlarm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Mesg && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The memo would take Enter as a new line; here it means OK.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            btClose->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMsgAlarm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Tim.start();
}

void TMsgAlarm::hideEvent(QHideEvent *event)
{
    Tim.stop();
    QDialog::hideEvent(event);
}

void TMsgAlarm::closeEvent(QCloseEvent *event)
{
    Tim.stop();
    QDialog::closeEvent(event);
}

void TMsgAlarm::keyPressEvent(QKeyEvent *event)
{
    // There is no cancel: Escape does not close the window, only OK does.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vantrel
