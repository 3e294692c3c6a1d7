#include "dialer/cnxicons.h"

#include "monitor/globeicon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace vantrel {

namespace {

// Everything is drawn at four times the size and scaled down once, so the
// small shapes keep smooth edges.
constexpr int kScale = 4;
constexpr int kBig = kCnxIconSize * kScale;

QImage bigGlobe()
{
    return GlobeFrame(0).toImage().scaled(kBig, kBig, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QPixmap finish(const QImage &big)
{
    return QPixmap::fromImage(big.scaled(kCnxIconSize, kCnxIconSize, Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation));
}

// A desk telephone in the lower right quarter: handset over a body with a dial.
void drawTelephone(QPainter &p)
{
    const QColor ink(24, 24, 24);
    p.setPen(QPen(QColor(250, 250, 250), 3.0));
    p.setBrush(ink);
    QPainterPath body;
    body.moveTo(30, 62);
    body.lineTo(34, 44);
    body.lineTo(58, 44);
    body.lineTo(62, 62);
    body.closeSubpath();
    p.drawPath(body);
    QPainterPath handset;
    handset.addRoundedRect(QRectF(26, 33, 40, 9), 4, 4);
    handset.addRoundedRect(QRectF(26, 33, 10, 14), 3, 3);
    handset.addRoundedRect(QRectF(56, 33, 10, 14), 3, 3);
    p.drawPath(handset.simplified());
    p.setPen(QPen(QColor(250, 250, 250), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(46, 53), 5, 5);
}

// A red digit with a white rim in the lower right, readable over land and sea.
void drawDigit(QPainter &p, int digit)
{
    QFont font;
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setBold(true);
    font.setPixelSize(44);
    QPainterPath path;
    path.addText(0, 0, font, QString::number(digit));
    const QRectF box = path.boundingRect();
    path.translate(kBig - 2 - box.right(), kBig - 2 - box.bottom());
    p.setPen(QPen(Qt::white, 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 0, 0));
    p.drawPath(path);
}

} // namespace

QList<QPixmap> ConnectionListIcons()
{
    const QImage globe = bigGlobe();
    QList<QPixmap> icons;
    icons.reserve(kCnxIconCount);
    for (int i = 0; i < kCnxIconCount; ++i) {
        QImage big = globe;
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        if (i == 0)
            drawTelephone(p);
        else if (i >= 2)
            drawDigit(p, i - 1);
        p.end();
        icons.append(finish(big));
    }
    return icons;
}

} // namespace vantrel
