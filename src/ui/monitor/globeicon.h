// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's artwork, drawn by code at build time (globeart.cpp): the main
// icon and the sixteen frames of the turning globe (ImageList1), and the globe
// on a red ground of the dial progress window.
#include <QIcon>
#include <QList>
#include <QPixmap>

namespace vantrel {

constexpr int kGlobeFrameCount = 16;
constexpr int kGlobeIconSize = 32;
// The size panels draw tray icons at, and the smallest picture a
// StatusNotifierItem host is sent.
constexpr int kTraySmallIconSize = 22;

// Frame `frame` (0..15) of the turning globe, 32 x 32. Frame 15 leads back into
// frame 0, so the sixteen repeat without a jump.
QPixmap GlobeFrame(int frame);

// The sixteen animation frames, in order, as tray icons. Each holds its frame
// at 32 x 32 and at 22 x 22, both scaled from one drawing: showing a frame in
// any tray then never scales a picture. Their 32 x 32 pictures are
// the image list shared by the main window and the alarm message window.
QList<QIcon> GlobeFrameIcons();

// The main icon (MAINICON): the globe at rest, which is frame 0.
QPixmap MainIconPixmap();

// The dial progress window's picture: the globe on a red ground, 32 x 32.
QPixmap GlobeOnRedPixmap();

} // namespace vantrel
