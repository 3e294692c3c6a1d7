// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/fmlogo.h"

#include "monitor/globeicon.h"
#include "platform/vtimer.h"

#include <QApplication>
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

// The window is laid out in fixed pixels, as for an 8 point font at 96 dpi: the
// font size is fixed in pixels so that the layout holds whatever the desktop's
// font size or dpi.
QFont splashFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}

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
        bevel(r, dark, light);            // outer, lowered
        r.adjust(1, 1, -1, -1);
        bevel(r, light, dark);            // inner, raised
    }
};

} // namespace

TfmLogo::TfmLogo(QWidget *parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmLogo"));
    setWindowTitle(QStringLiteral("Logo"));
    setFont(splashFont());
    setFixedSize(kClientWidth, kClientHeight);

    pnLogo = new BevelPanel(this);
    pnLogo->setObjectName(QStringLiteral("pnLogo"));
    pnLogo->setGeometry(0, 0, kClientWidth, kClientHeight);

    Label11 = new QLabel(QStringLiteral("Vantrel"), pnLogo);
    Label11->setObjectName(QStringLiteral("Label11"));
    QFont bold = font();
    bold.setBold(true);
    Label11->setFont(bold);
    Label11->setGeometry(58, 16, 57, 13);

    Label12 = new QLabel(pnLogo);
    Label12->setObjectName(QStringLiteral("Label12"));
    Label12->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label12->setGeometry(136, 14, 85, 13);

    Label13 = new QLabel(tr("Keeps an eye on your line."), pnLogo);
    Label13->setObjectName(QStringLiteral("Label13"));
    QFont serif(QStringLiteral("Times New Roman"));
    serif.setStyleHint(QFont::Serif);
    serif.setPixelSize(11);
    serif.setItalic(true);
    Label13->setFont(serif);
    Label13->move(14, 52);
    Label13->adjustSize();

    Bevel1 = new QFrame(pnLogo);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(14, 68, 207, 3);

    Image1 = new QLabel(pnLogo);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 10, 35, 35);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(MainIconPixmap());

    tmLogo = new VTimer(this);
    tmLogo->setObjectName(QStringLiteral("tmLogo"));
    tmLogo->setInterval(kSplashMs);
    tmLogo->setHandler([this] { tmLogoTimer(); });

    // Centred on the screen.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));

    FormCreate();
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
