// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace dmm {

// Where a window of outer size `frame` goes on a screen whose free area is `available`: centred
// along each side it fits in, at that side's start along one it does not (a window enlarged for
// a dense screen then shows its top left, with its title bar and first controls, on the screen).
QPoint placeOnScreen(const QRect& available, const QSize& frame);

}  // namespace dmm
