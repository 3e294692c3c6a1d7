// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/monitor/fmlogo.h"

#include "platform/vtimer.h"
#include "ui/monitor/globeicon.h"
#include "ui/platform/formlayout.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace vantrel {

namespace {

constexpr int kClientWidth = 231;
constexpr int kClientHeight = 81;
constexpr int kSplashMs = 3000;

// A panel with a lowered outer and a raised inner bevel.
class BevelPanel final : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QPalette &pal = palette();
        const QColor light = pal.color(QPalette::Light);
        const QColor dark = pal.color(QPalette::Dark);
        QRect r = rect().adjusted(0, 0, -1, -1);
        const auto bevel = [&p](const QRect &box, const QColor &topLeft, const QColor &bottomRight) {
            p.setPen(topLeft);
            p.drawLine(box.topLeft(), box.topRight());
            p.drawLine(box.topLeft(), box.bottomLeft());
            p.setPen(bottomRight);
            p.drawLine(box.bottomLeft(), box.bottomRight());
            p.drawLine(box.topRight(), box.bottomRight());
        };
        bevel(r, dark, light); // outer, lowered
        r.adjust(1, 1, -1, -1);
        bevel(r, light, dark); // inner, raised
    }
};

} // namespace

TfmLogo::TfmLogo(QWidget *parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmLogo"));
    setWindowTitle(QStringLiteral("Logo"));

    pnLogo = Designed(new BevelPanel(this), {0, 0, kClientWidth, kClientHeight});
    pnLogo->setObjectName(QStringLiteral("pnLogo"));

    Label11 = MakeLabel(QStringLiteral("Vantrel"), pnLogo, QStringLiteral("Label11"), {58, 16, 57, 13});
    QFont bold = font();
    bold.setBold(true);
    Label11->setFont(bold);

    Label12 = MakeLabel(QString(), pnLogo, QStringLiteral("Label12"), {136, 14, 85, 13});
    Label12->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Label13 = new QLabel(tr("Keeps an eye on your line."), pnLogo);
    Label13->setObjectName(QStringLiteral("Label13"));
    QFont serif = font(); // the window's size, the serif face
    serif.setFamilies({QStringLiteral("Times New Roman")});
    serif.setStyleHint(QFont::Serif);
    serif.setItalic(true);
    Label13->setFont(serif);

    Bevel1 = Designed(new QFrame(pnLogo), {14, 68, 207, 3});
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Image1 = Designed(new QLabel(pnLogo), {16, 10, 35, 35});
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(MainIconPixmap());

    QVBoxLayout *name = Column(nullptr, {0, 6, 0, 0});
    name->addWidget(Label11, 0, kAtLeft);
    name->addStretch();
    QVBoxLayout *version = Column(nullptr, {0, 4, 0, 0});
    version->addWidget(Label12, 0, Qt::AlignRight | Qt::AlignVCenter);
    version->addStretch();
    QHBoxLayout *top = Row(nullptr, {16, 0, 10, 0});
    top->addWidget(Image1, 0, Qt::AlignLeft | Qt::AlignTop);
    top->addSpacing(7);
    top->addLayout(name);
    top->addSpacing(21);
    top->addStretch();
    top->addLayout(version);
    QHBoxLayout *notice = Row(nullptr, {14, 0, 10, 0});
    notice->addWidget(Label13, 0, kAtLeft);
    notice->addStretch();
    QVBoxLayout *panel = Column(pnLogo, {0, 10, 0, 10});
    panel->addLayout(top);
    panel->addSpacing(7);
    panel->addLayout(notice);
    panel->addSpacing(3);
    QHBoxLayout *rule = Row(nullptr, {14, 0, 10, 0});
    rule->addWidget(Bevel1);
    panel->addLayout(rule);
    QVBoxLayout *window = Column(this, {});
    window->addWidget(pnLogo);
    FixWindowToLayout(*this, *window, {kClientWidth, kClientHeight});

    tmLogo = new VTimer(this);
    tmLogo->setObjectName(QStringLiteral("tmLogo"));
    tmLogo->setInterval(kSplashMs);
    tmLogo->setHandler([this] { tmLogoTimer(); });

    FormCreate();

    // Centred on the screen, at the size its texts need.
    Relayout(*this);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

TfmLogo::~TfmLogo()
{
    // Closed early (an error during the modal run): the pointer must not stay
    // an hourglass for the rest of the program.
    restoreCursor();
}

void TfmLogo::FormCreate()
{
    tmLogo->stop();
    Label12->setText(tr("Version 4.12"));
}

void TfmLogo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfmLogo::FormShow()
{
    if (!m_hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_hourglass = true;
    }
    tmLogo->start();
}

void TfmLogo::tmLogoTimer()
{
    tmLogo->stop();
    restoreCursor();
    m_timeUp = true;
    close(); // a modal run ends with the result Cancel (Rejected)
}

void TfmLogo::reject()
{
    if (m_timeUp)
        QDialog::reject();
}

void TfmLogo::restoreCursor()
{
    if (m_hourglass) {
        QApplication::restoreOverrideCursor();
        m_hourglass = false;
    }
}

} // namespace vantrel
