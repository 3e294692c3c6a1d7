// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ten 16 x 16 pictures of the connection entries list (ListaIcone), drawn
// by code from the program's globe.
#include <QList>
#include <QPixmap>

namespace vantrel {

constexpr int kCnxIconSize = 16;
constexpr int kCnxIconCount = 10;

// 0: the globe with a telephone (the list's header row); 1: the plain globe (an
// entry outside the cycle); 2..9: the globe with a red digit 1..8 (the entry's
// place in the cycle).
QList<QPixmap> ConnectionListIcons();

} // namespace vantrel
