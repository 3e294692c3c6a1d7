// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's artwork at build time: the sixteen frames of the turning
// globe at 32 x 32 and at 22 x 22, and the globe on a red ground of the dial
// progress window, written as a C++ include of ARGB32 (premultiplied) pixels
// that src/ui/monitor/globeicon.cpp builds its pictures from.
//
// Drawn here rather than at start-up: the per-pixel sphere needs the maths
// library's trigonometry, whose pages (and the smooth scaling's) would stay
// resident in the program for the whole session, and the program starts
// faster without the drawing.
//
// Usage: vantrel-globeart OUTPUT_FILE
#include "ui/monitor/globeicon.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace vantrel {

namespace {

// Drawn four times larger, then scaled down: smooth edges at 32 x 32.
constexpr int kScale = 4;
constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180.0;

// The land repeats every quarter turn, and the globe turns a quarter in sixteen
// frames: the last frame leads back into the first. Meridians are 30 degrees
// apart, so they line up again after a quarter turn too.
constexpr double kLandPeriod = 90.0;
constexpr double kTurnPerFrame = kLandPeriod / kGlobeFrameCount;
constexpr double kMeridianStep = 30.0;
constexpr double kParallelStep = 40.0;
constexpr double kTilt = 22.0 * kDeg; // north pole leaning towards the viewer

struct Blob {
    double lon, lat, halfLon, halfLat;
};
// Land within one quarter of longitude, in degrees.
constexpr Blob kLand[] = {
    {14.0, 38.0, 20.0, 16.0}, {30.0, 8.0, 9.0, 24.0}, {62.0, -26.0, 13.0, 20.0},
    {70.0, 54.0, 11.0, 8.0},  {48.0, 20.0, 6.0, 6.0},
};

bool isLand(double lonDeg, double latDeg)
{
    for (const Blob &b : kLand) {
        double dLon = std::fmod(lonDeg - b.lon, kLandPeriod);
        if (dLon < -kLandPeriod / 2)
            dLon += kLandPeriod;
        if (dLon > kLandPeriod / 2)
            dLon -= kLandPeriod;
        const double dLat = latDeg - b.lat;
        if ((dLon * dLon) / (b.halfLon * b.halfLon) + (dLat * dLat) / (b.halfLat * b.halfLat) < 1.0)
            return true;
    }
    return false;
}

// Angular distance (degrees) from `value` to the nearest multiple of `step`.
double toGrid(double value, double step)
{
    const double r = std::fmod(std::fabs(value), step);
    return std::min(r, step - r);
}

QColor shaded(const QColor &c, double light)
{
    return QColor::fromRgbF(static_cast<float>(std::clamp(c.redF() * light, 0.0, 1.0)),
                            static_cast<float>(std::clamp(c.greenF() * light, 0.0, 1.0)),
                            static_cast<float>(std::clamp(c.blueF() * light, 0.0, 1.0)));
}

// The globe turned by `turnDeg`, drawn into a square of `size` pixels.
QImage drawGlobe(double turnDeg, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    const double centre = size / 2.0;
    const double radius = size / 2.0 - 1.5 * kScale;
    // Basis of the globe seen from the viewer: x right, y up, z towards the viewer.
    const double poleY = std::cos(kTilt), poleZ = std::sin(kTilt);
    const double frontY = -std::sin(kTilt), frontZ = std::cos(kTilt);
    // Light from the upper left, in front.
    const double lx = -0.45, ly = 0.55, lz = 0.70;
    const double lLen = std::sqrt(lx * lx + ly * ly + lz * lz);

    const QColor ocean(24, 86, 196);
    const QColor land(52, 160, 64);
    const QColor gridOnOcean(150, 205, 255);
    const QColor gridOnLand(170, 230, 150);
    const double lineHalfWidth = 0.55 * kScale; // pixels on the sphere's face

    for (int py = 0; py < size; ++py) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(py));
        for (int px = 0; px < size; ++px) {
            const double x = (px + 0.5 - centre) / radius;
            const double y = (centre - (py + 0.5)) / radius;
            const double rr = x * x + y * y;
            if (rr >= 1.0)
                continue;
            const double z = std::sqrt(1.0 - rr);
            const double sinLat = y * poleY + z * poleZ;
            const double lat = std::asin(std::clamp(sinLat, -1.0, 1.0)) / kDeg;
            const double viewLon = std::atan2(x, y * frontY + z * frontZ) / kDeg;
            const double lon = viewLon - turnDeg; // the surface moves eastwards, to the right

            const bool onLand = isLand(lon, lat);
            const double cosLat = std::cos(lat * kDeg);
            // Distance to the nearest grid line, measured on the face in pixels.
            const double toMeridian = toGrid(lon, kMeridianStep) * kDeg * cosLat * radius;
            const double toParallel = toGrid(lat, kParallelStep) * kDeg * radius;
            const bool onGrid = (toMeridian < lineHalfWidth && std::fabs(lat) < 75.0) || toParallel < lineHalfWidth;

            QColor base = onLand ? land : ocean;
            if (onGrid) {
                // Half-tone lines: the land must still read through the grid.
                const QColor line = onLand ? gridOnLand : gridOnOcean;
                base = QColor((base.red() + line.red()) / 2, (base.green() + line.green()) / 2,
                              (base.blue() + line.blue()) / 2);
            }
            const double diffuse = std::max(0.0, (x * lx + y * ly + z * lz) / lLen);
            const QColor c = shaded(base, 0.45 + 0.75 * diffuse);
            row[px] = qPremultiply(c.rgba());
        }
    }

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A soft highlight, then the outline.
    QRadialGradient shine(QPointF(centre - radius * 0.4, centre - radius * 0.45), radius * 0.7);
    shine.setColorAt(0.0, QColor(255, 255, 255, 90));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QPointF(centre, centre), radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(8, 32, 96), 1.2 * kScale));
    p.drawEllipse(QPointF(centre, centre), radius, radius);
    p.end();
    return image;
}

QImage downscaled(const QImage &big, int size)
{
    return big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage globeFrame(int frame, int size)
{
    return downscaled(drawGlobe(frame * kTurnPerFrame, kGlobeIconSize * kScale), size);
}

QImage globeOnRed()
{
    const int big = kGlobeIconSize * kScale;
    QImage image(big, big, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(96, 0, 0), 1.0 * kScale));
    p.setBrush(QColor(200, 16, 16));
    p.drawRoundedRect(QRectF(0.5 * kScale, 0.5 * kScale, big - kScale, big - kScale), 4.0 * kScale, 4.0 * kScale);
    const int inset = 2 * kScale;
    p.drawImage(QRect(inset, inset, big - 2 * inset, big - 2 * inset), drawGlobe(0.0, big - 2 * inset));
    p.end();
    return downscaled(image, kGlobeIconSize);
}

// "NAME[COUNT][SIZE * SIZE] = { ... };" with one picture per COUNT.
QByteArray pixelArray(const char *name, const QList<QImage> &images)
{
    const int size = images.first().width();
    QByteArray out = QByteArray("inline constexpr unsigned int ") + name + "[" + QByteArray::number(images.size()) + "]["
                     + QByteArray::number(size * size) + "] = {\n";
    for (const QImage &image : images) {
        out += "    {";
        for (int y = 0; y < size; ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < size; ++x)
                out += "0x" + QByteArray::number(row[x], 16).rightJustified(8, '0') + ",";
            out += "\n     ";
        }
        out += "},\n";
    }
    return out + "};\n";
}

} // namespace
} // namespace vantrel

int main(int argc, char **argv)
{
    using namespace vantrel;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FILE\n", argv[0]);
        return 2;
    }
    QList<QImage> large, small;
    for (int i = 0; i < kGlobeFrameCount; ++i) {
        large.append(globeFrame(i, kGlobeIconSize));
        small.append(globeFrame(i, kTraySmallIconSize));
    }
    QByteArray text = "// Made by vantrel-globeart at build time; do not edit.\n";
    text += pixelArray("kGlobeFrames", large);
    text += pixelArray("kGlobeFramesSmall", small);
    text += pixelArray("kGlobeOnRed", {globeOnRed()});
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text) != text.size() || !out.flush()) {
        std::fprintf(stderr, "vantrel-globeart: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
