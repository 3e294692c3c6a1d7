// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/fmhintip.h"

#include "ui/monitor/globeicon.h"

#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vantrel {

namespace {

constexpr int kClientWidth = 196;
constexpr int kClientHeight = 98;
constexpr int kCornerEllipse = 40;
constexpr int kPictureWidth = 200;
constexpr int kPictureHeight = 100;

// The sixteen colours of the classic palette.
QList<QRgb> classicPalette()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// A rounded rectangle from (0, 0) to (right, bottom), right and bottom edges
// excluded, with corner ellipses of the given size.
QRegion roundedRegion(int right, int bottom, int ellipse)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, right, bottom), ellipse / 2.0, ellipse / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

QImage HintPicture()
{
    // The tray as the user will find it: the desktop, the panel with the globe
    // in its tray, and the address in the icon's tip. The picture is cut at the
    // right and the bottom in the window, so nothing of note lies there.
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 128));
    QPainter p(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(10, 6, 176, 16), Qt::AlignLeft, TfmHintIP::tr("Your address, always"));
    p.drawText(QRect(10, 21, 176, 16), Qt::AlignLeft, TfmHintIP::tr("one glance away:"));

    // The panel along the bottom, with a sunken tray at its right end.
    p.fillRect(0, 66, kPictureWidth, 34, QColor(192, 192, 192));
    p.setPen(Qt::white);
    p.drawLine(0, 67, kPictureWidth, 67);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(134, 70, 44, 19);
    p.drawImage(QRect(148, 72, 16, 16),
                MainIconPixmap().toImage().scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    // The tip over the icon.
    font.setBold(false);
    font.setPixelSize(11);
    p.setFont(font);
    const QRect tip(74, 44, 90, 17);
    p.fillRect(tip, QColor(255, 255, 255));
    p.setPen(Qt::black);
    p.drawRect(tip);
    p.drawText(tip, Qt::AlignCenter, QStringLiteral("10.64.3.17"));
    p.end();

    return image.convertToFormat(QImage::Format_Indexed8, classicPalette(), Qt::ThresholdDither);
}

TfmHintIP::TfmHintIP(QWidget *parent) : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmHintIP"));
    setWindowTitle(tr("Hint"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, kClientWidth, kClientHeight);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised); // raised outside and inside
    Panel1->setLineWidth(2);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(2, 2, kClientWidth - 4, kClientHeight - 4);
    // Drawn at its own size from the top left corner: what does not fit is cut.
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setScaledContents(false);
    Image1->setPixmap(QPixmap::fromImage(HintPicture()));

    // Moves over the picture hide the window; moves over the bevel reach the
    // panel, which ignores them.
    setMouseTracking(true);
    Image1->setMouseTracking(true);
    Image1->installEventFilter(this);

    FormCreate();
    hide();
}

TfmHintIP::~TfmHintIP() = default;

void TfmHintIP::FormCreate()
{
    HintRegion = roundedRegion(width() - 2, height() - 2, kCornerEllipse);
    setMask(HintRegion);
    update();
}

void TfmHintIP::FormMouseMove()
{
    hide();
}

void TfmHintIP::Image1MouseMove()
{
    hide();
}

void TfmHintIP::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    FormMouseMove();
}

bool TfmHintIP::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1 && event->type() == QEvent::MouseMove)
        Image1MouseMove();
    return QWidget::eventFilter(watched, event);
}

} // namespace vantrel
