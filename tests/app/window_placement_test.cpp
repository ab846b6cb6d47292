// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window_placement.h"

#include <gtest/gtest.h>

#include <QPoint>
#include <QRect>
#include <QSize>

namespace dmm {
namespace {

// Centred where the window fits; where it does not (a dense screen doubles its size), its top
// left stays on the screen instead of going off to the left or top.
TEST(WindowPlacement, WindowIsPlacedOnTheScreen) {
    struct Row {
        QRect available;
        QSize frame;
        QPoint expected;
    } rows[] = {
        {{0, 0, 1280, 1024}, {713, 530}, {283, 247}},
        {{0, 0, 1280, 1024}, {1424, 1060}, {0, 0}},      // twice the size: both sides too long
        {{0, 0, 1920, 1000}, {1424, 1060}, {248, 0}},    // fits across, not down
        {{1280, 30, 1024, 738}, {713, 530}, {1435, 134}},  // a second screen, a panel on top
        {{0, 0, 713, 530}, {713, 530}, {0, 0}},          // exactly the screen
    };
    for (const Row& r : rows) {
        EXPECT_EQ(placeOnScreen(r.available, r.frame), r.expected) << r.frame.width();
    }
}

}  // namespace
}  // namespace dmm
