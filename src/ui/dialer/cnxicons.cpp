// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialer/cnxicons.h"

#include "ui/monitor/globeicon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <utility>

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
    return QPixmap::fromImage(big.scaled(kCnxIconSize, kCnxIconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// A telephone handset in the lower right: a curved grip with the ear and mouth
// pieces at its ends, dark with a white rim so that it reads over the globe.
void drawTelephone(QPainter &p)
{
    QPainterPath handset;
    handset.arcMoveTo(QRectF(28, 40, 32, 14), 10);
    handset.arcTo(QRectF(28, 40, 32, 14), 10, 160);
    QPainterPath pieces;
    pieces.addRoundedRect(QRectF(22, 48, 16, 8), 3, 3);
    pieces.addRoundedRect(QRectF(50, 48, 16, 8), 3, 3);
    const QColor ink(20, 20, 20);
    for (const auto &[colour, grow] : {std::pair{QColor(Qt::white), 5.0}, std::pair{ink, 0.0}}) {
        p.setPen(QPen(colour, 7.0 + grow, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(handset);
        p.setPen(grow > 0 ? QPen(colour, grow) : Qt::NoPen);
        p.setBrush(colour);
        p.drawPath(pieces);
    }
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
