// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window_placement.h"

#include <algorithm>

namespace dmm {

namespace {

int placeAlong(int start, int room, int length) {
    return length <= room ? start + (room - length) / 2 : start;
}

}  // namespace

QPoint placeOnScreen(const QRect& available, const QSize& frame) {
    return {placeAlong(available.left(), available.width(), frame.width()),
            placeAlong(available.top(), available.height(), frame.height())};
}

}  // namespace dmm
