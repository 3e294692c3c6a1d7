// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/alarm/msgalarm.h"

#include "ui/platform/closeguard.h"
#include "ui/platform/formlayout.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>
#include <QtMath>

namespace vantrel {

namespace {

// The message memo shows exactly two lines: what its height holds beyond two
// lines of its font is split into even margins above and below the text, so no
// sliver of a third line shows.
class TwoLineMemo final : public QTextEdit {
public:
    using QTextEdit::QTextEdit;
    // As tall as its design, or as two lines of its font need.
    void fitTwoLines(int designHeight)
    {
        QTextDocument probe;
        probe.setDefaultFont(font());
        probe.setDocumentMargin(0);
        probe.setPlainText(QStringLiteral("X\nX"));
        const int twoLines = qCeil(probe.size().height());
        document()->setDocumentMargin(0);
        setFixedHeight(qMax(designHeight, twoLines + 2 * frameWidth()));
        const int spare = qMax(0, height() - 2 * frameWidth() - twoLines);
        setViewportMargins(0, spare / 2, 0, spare - spare / 2);
    }
};

// What a screen reader is told of the window: an alert, whose description is
// the message. A screen reader speaks an alert when it comes up (its showing
// state changes), although the window takes no focus (its only button is no
// tab stop) and a reader would otherwise leave it unsaid.
class AlarmAccessible final : public QAccessibleWidget {
public:
    explicit AlarmAccessible(TMsgAlarm *window) : QAccessibleWidget(window, QAccessible::AlertMessage) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description)
            return static_cast<TMsgAlarm *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *alarmAccessible(const QString & /*className*/, QObject *object)
{
    auto *window = qobject_cast<TMsgAlarm *>(object);
    return window ? new AlarmAccessible(window) : nullptr;
}

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
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_frames(std::move(frames))
{
    setObjectName(QStringLiteral("MsgAlarm"));
    m_closeGuard = new CloseGuard(*this);
    setWindowTitle(tr("Vantrel Alarm"));
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(alarmAccessible);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);

    Icona = Designed(new QLabel(this), {2, 2, 32, 32});
    Icona->setObjectName(QStringLiteral("Icona"));
    Icona->setPixmap(applicationIcon); // a copy: later animation of the tray does not reach it

    auto *memo = Designed(new TwoLineMemo(this), {37, 1, 379, 33});
    Mesg = memo;
    Mesg->setObjectName(QStringLiteral("Mesg"));
    Mesg->setAccessibleName(tr("Alarm message"));
    // As many words a line as in the design at a larger font, too.
    Mesg->setFixedWidth(Scaled(379, font()));
    Mesg->setFrameShape(QFrame::NoFrame);
    Mesg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Mesg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Mesg->setAcceptRichText(false);
    Mesg->setTabChangesFocus(true);
    Mesg->setFocusPolicy(Qt::ClickFocus); // editable, but not a tab stop
    memo->fitTwoLines(33);
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

    btClose = new FormButton(tr("&OK"), this, QStringLiteral("btClose"), {kClientWidth - 39, 1, 39, 33});
    btClose->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred); // as tall as the memo
    btClose->setDefault(true);                                            // Enter anywhere in the window presses it
    btClose->setFocusPolicy(Qt::NoFocus);
    connect(btClose, &QPushButton::clicked, this, &TMsgAlarm::btCloseClick);

    QHBoxLayout *row = Row(this, {2, 1, 0, 2});
    row->addWidget(Icona, 0, Qt::AlignVCenter);
    row->addSpacing(3);
    row->addWidget(Mesg);
    row->addSpacing(1);
    row->addWidget(btClose);
    FixWindowToLayout(*this, *row, {kClientWidth, kClientHeight});

    Tim = new VTimer(this);
    Tim->setObjectName(QStringLiteral("Tim"));
    Tim->setInterval(kFramePeriodMs);
    Tim->setHandler([this] { TimTimer(); });

    CentreOnScreen(*this);
}

TMsgAlarm::~TMsgAlarm()
{
    Tim->stop();
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

void TMsgAlarm::clearText()
{
    Mesg->clear();
}

QString TMsgAlarm::text() const
{
    return Mesg->toPlainText();
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
    Tim->start();
}

void TMsgAlarm::hideEvent(QHideEvent *event)
{
    Tim->stop();
    QDialog::hideEvent(event);
}

void TMsgAlarm::closeEvent(QCloseEvent *event)
{
    Tim->stop();
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
