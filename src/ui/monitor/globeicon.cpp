// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/monitor/globeicon.h"

#include <QImage>

#include <iterator>

namespace vantrel {

namespace {

// The pictures, drawn at build time by vantrel-globeart (globeart.cpp).
#include "globeart.inc"

static_assert(std::size(kGlobeFrames) == kGlobeFrameCount && std::size(kGlobeFramesSmall) == kGlobeFrameCount);
static_assert(std::size(kGlobeFrames[0]) == kGlobeIconSize * kGlobeIconSize);
static_assert(std::size(kGlobeFramesSmall[0]) == kTraySmallIconSize * kTraySmallIconSize);

QPixmap picture(const unsigned int *pixels, int size)
{
    // The image only borrows the pixels; the pixmap takes a copy.
    const QImage image(reinterpret_cast<const uchar *>(pixels), size, size, size * 4, QImage::Format_ARGB32_Premultiplied);
    return QPixmap::fromImage(image);
}

int frameIndex(int frame)
{
    return ((frame % kGlobeFrameCount) + kGlobeFrameCount) % kGlobeFrameCount;
}

} // namespace

QPixmap GlobeFrame(int frame)
{
    return picture(kGlobeFrames[frameIndex(frame)], kGlobeIconSize);
}

QList<QIcon> GlobeFrameIcons()
{
    QList<QIcon> frames;
    frames.reserve(kGlobeFrameCount);
    for (int i = 0; i < kGlobeFrameCount; ++i) {
        QIcon icon(picture(kGlobeFrames[i], kGlobeIconSize));
        icon.addPixmap(picture(kGlobeFramesSmall[i], kTraySmallIconSize));
        frames.append(icon);
    }
    return frames;
}

QPixmap MainIconPixmap()
{
    return GlobeFrame(0);
}

QPixmap GlobeOnRedPixmap()
{
    return picture(kGlobeOnRed[0], kGlobeIconSize);
}

} // namespace vantrel
