#pragma once
// The program's artwork, drawn by code: the main icon and the sixteen frames of
// the turning globe (ImageList1), and the globe on a red ground of the dial
// progress window.
#include <QList>
#include <QPixmap>

namespace vantrel {

constexpr int kGlobeFrameCount = 16;
constexpr int kGlobeIconSize = 32;

// Frame `frame` (0..15) of the turning globe, 32 x 32. Frame 15 leads back into
// frame 0, so the sixteen repeat without a jump.
QPixmap GlobeFrame(int frame);

// The sixteen animation frames, in order: the image list shared by the main
// window and the alarm message window.
QList<QPixmap> GlobeFrames();

// The main icon (MAINICON): the globe at rest, which is frame 0.
QPixmap MainIconPixmap();

// The dial progress window's picture: the globe on a red ground, 32 x 32.
QPixmap GlobeOnRedPixmap();

} // namespace vantrel
