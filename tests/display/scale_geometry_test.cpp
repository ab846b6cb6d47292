// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scale_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace dmm {
namespace {

void expectNear(ScalePoint actual, ScalePoint expected, int tolerance, const char* what) {
    EXPECT_LE(std::abs(actual.x - expected.x), tolerance)
        << what << ": x " << actual.x << " expected about " << expected.x;
    EXPECT_LE(std::abs(actual.y - expected.y), tolerance)
        << what << ": y " << actual.y << " expected about " << expected.y;
}

TEST(ScaleGeometry, LayoutPanelNumbers) {
    const ScaleGeometry g(371, 143);
    EXPECT_FLOAT_EQ(g.chord(), 331.0f);
    EXPECT_FLOAT_EQ(g.rise(), 83.0f);
    EXPECT_NEAR(g.radius(), 206.5f, 0.01f);
    EXPECT_NEAR(g.sweepDegrees(), 106.54f, 0.01f);
    EXPECT_NEAR(g.startDegrees(), 36.73f, 0.01f);
}

TEST(ScaleGeometry, ArcDotsAtTheEndsAndTheTop) {
    const ScaleGeometry g(371, 143);
    const float rho = g.radius() + 3.0f;
    struct Row {
        int position;
        ScalePoint expected;
    };
    for (const Row& r : {Row{0, {18, 111}}, Row{400, {186, 27}}, Row{800, {353, 111}}}) {
        SCOPED_TRACE(r.position);
        expectNear(g.pointAt(r.position, 800, rho), r.expected, 1, "dot");
    }
    // The two ends are mirror images about the vertical through the top.
    const ScalePoint left = g.pointAt(0, 800, rho);
    const ScalePoint right = g.pointAt(800, 800, rho);
    EXPECT_EQ(left.y, right.y);
    EXPECT_LE(std::abs((left.x + right.x) - 2 * 186), 1);
}

TEST(ScaleGeometry, NeedleAtCentreIsVerticalWithItsTipUnderTheArc) {
    const ScaleGeometry g(371, 143);
    const NeedleLine n = g.needle(400, 800);
    expectNear(n.tip, {186, 34}, 0, "tip");
    EXPECT_EQ(n.base.x, n.tip.x);
    EXPECT_EQ(n.base.y, 83 + 280 + 30);
}

TEST(ScaleGeometry, NeedleEndsPointAtTheScaleEndsAndMirror) {
    const ScaleGeometry g(371, 143);
    const NeedleLine left = g.needle(0, 800);
    const NeedleLine right = g.needle(800, 800);
    // Tips 4 pixels below the chord ends of the circle of radius R.
    expectNear(left.tip, {20, 117}, 0, "left tip");
    expectNear(right.tip, {351, 117}, 0, "right tip");
    // The line runs through the circle's centre (185.5, 236.5) on to y = 393, so the left
    // needle's base lies right of the centre and the right needle's left of it.
    EXPECT_EQ(left.base.y, 393);
    EXPECT_NEAR(left.base.x, 395, 1);
    EXPECT_LE(std::abs((left.base.x + right.base.x) - 2 * 186), 1);
    const double atCentreY = left.tip.x + (left.base.x - left.tip.x) *
                                              (236.5 - left.tip.y) / (left.base.y - left.tip.y);
    EXPECT_NEAR(atCentreY, 185.5, 4.0);
    // Every needle on the scale stays inside the dot arc (the tip lies below the dots).
    for (int p = 0; p <= 800; p += 50) {
        const NeedleLine n = g.needle(p, 800);
        const ScalePoint dot = g.pointAt(p, 800, g.radius() + 3.0f);
        EXPECT_GT(n.tip.y, dot.y + 2) << p;
    }
}

TEST(ScaleGeometry, FrequencyNeedleOffsetOnThousandPositions) {
    // The frequency layout draws p at p + 100 of 1000 positions: 400 points at "0" (the top).
    const ScaleGeometry g(371, 143);
    EXPECT_EQ(g.needle(400 + 100, 1000), g.needle(400, 800));
    // -50 (tick 0 of 100) is at needle position -100, the scale's left end.
    EXPECT_EQ(g.needle(-100 + 100, 1000), g.needle(0, 800));
}

TEST(ScaleGeometry, RoundsHalvesToEven) {
    struct Row {
        float in;
        int out;
    };
    for (const Row& r : {Row{0.5f, 0}, Row{1.5f, 2}, Row{2.5f, 2}, Row{-0.5f, 0}, Row{-1.5f, -2},
                         Row{2.4999f, 2}, Row{2.5001f, 3}, Row{-2.6f, -3}, Row{165.5f, 166},
                         Row{166.5f, 166}}) {
        EXPECT_EQ(roundHalfEven(r.in), r.out) << r.in;
    }
    EXPECT_EQ(roundHalfEven(std::nanf("")), 0);
    EXPECT_EQ(roundHalfEven(INFINITY), 1000000);
    EXPECT_EQ(roundHalfEven(-INFINITY), -1000000);
}

TEST(ScaleGeometry, AnyPanelSizeGivesFinitePointsAndNeedles) {
    struct Row {
        int w;
        int h;
    };
    // Tall panels (W <= 2H, as when the scale is enlarged), degenerate and tiny ones.
    for (const Row& r : {Row{705, 405}, Row{100, 300}, Row{40, 60}, Row{0, 0}, Row{-5, -9},
                         Row{371, 61}, Row{2000, 143}, Row{60, 70}}) {
        SCOPED_TRACE(testing::Message() << r.w << " x " << r.h);
        const ScaleGeometry g(r.w, r.h);
        EXPECT_TRUE(std::isfinite(g.radius()));
        EXPECT_TRUE(std::isfinite(g.sweepDegrees()));
        EXPECT_GT(g.sweepDegrees(), 0.0f);
        EXPECT_LT(g.sweepDegrees(), 360.5f);
        for (int p : {-5000, -100, 0, 1, 399, 400, 401, 800, 1000, 5000}) {
            const NeedleLine n = g.needle(p, 800);
            for (int v : {n.tip.x, n.tip.y, n.base.x, n.base.y}) {
                EXPECT_LE(std::abs(v), 1000000 + 400) << p;
            }
            const ScalePoint d = g.pointAt(p, 800, g.radius() + 3.0f);
            EXPECT_LE(std::abs(d.x), 1000000 + 400);
        }
        // Zero positions must not divide by zero either.
        (void)g.pointAt(3, 0, g.radius());
    }
}

TEST(ScaleGeometry, TallPanelArcStillRunsFromLeftChordEndOverTheTopToTheRight) {
    const ScaleGeometry g(705, 405);  // W = 665 <= 2H = 690
    const ScalePoint left = g.pointAt(0, 800, g.radius());
    const ScalePoint top = g.pointAt(400, 800, g.radius());
    const ScalePoint right = g.pointAt(800, 800, g.radius());
    expectNear(left, {20, 30 + 345}, 1, "left end");
    expectNear(top, {20 + 332, 30}, 1, "top");
    expectNear(right, {20 + 665, 30 + 345}, 1, "right end");
    // The centre (352.5, 362.7) is inside the 405 pixels high panel: needles pivot on it.
    for (int p : {0, 200, 400, 650, 800}) {
        const NeedleLine n = g.needle(p, 800);
        EXPECT_EQ(n.base, (ScalePoint{352, 363})) << p;
        EXPECT_LT(n.tip.y, 405) << p;
    }
}

}  // namespace
}  // namespace dmm
