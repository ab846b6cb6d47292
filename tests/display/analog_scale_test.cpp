// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analog_scale.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

#include "count_class.h"
#include "paint_counter.h"
#include "scale_layout.h"
#include "stretched_picture.h"
#include "wait_for.h"
#include "widget_test_app.h"

namespace dmm {
namespace {

bool isRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }
bool isDark(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }

struct Neighbourhood {
    int red = 0;
    int dark = 0;
};

// The 3 x 3 pixels around the centre of the dot drawn at a point.
Neighbourhood around(const QImage& img, ScalePoint p) {
    Neighbourhood n;
    for (int dx = 0; dx <= 2; ++dx) {
        for (int dy = 0; dy <= 2; ++dy) {
            const QRgb c = img.pixel(p.x + dx, p.y + dy);
            n.red += isRed(c) ? 1 : 0;
            n.dark += isDark(c) ? 1 : 0;
        }
    }
    return n;
}

int darkPixelsIn(const QImage& img, QRect r) {
    int count = 0;
    r = r.intersected(img.rect());
    for (int x = r.left(); x <= r.right(); ++x) {
        for (int y = r.top(); y <= r.bottom(); ++y) count += isDark(img.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

class AnalogScaleTest : public testing::Test {
protected:
    // The scale as start-up draws it, for the given settings.
    void draw(const ScaleSettings& s) {
        kd.setSettings(s);
        kd.drawScale();
    }

    // A scale where the window has it, shown, drawn, its needle in the middle.
    AnalogScale* showInWindow(QWidget& window) {
        window.resize(711, 485);
        auto* scale = new AnalogScale(&window);
        scale->setGeometry(340, 30, 371, 143);
        window.show();
        scale->drawScale();
        scale->moveNeedle(400);
        return scale;
    }

    QApplication& app = test::widgetApp();
    AnalogScale kd;
};

TEST_F(AnalogScaleTest, PanelNamesAndPictureSize) {
    EXPECT_EQ(kd.size(), QSize(371, 143));
    auto* kd1 = kd.findChild<StretchedPicture*>("scalePicture");
    ASSERT_NE(kd1, nullptr);
    EXPECT_EQ(kd1->geometry(), QRect(2, 2, 367, 139));
    ASSERT_NE(kd.findChild<QWidget*>("scaleEnlargeIcon"), nullptr);
    ASSERT_NE(kd.findChild<QWidget*>("scaleRestoreIcon"), nullptr);
    EXPECT_TRUE(kd.findChild<QWidget*>("scaleEnlargeIcon")->isHidden());
    EXPECT_TRUE(kd.findChild<QWidget*>("scaleRestoreIcon")->isHidden());
    kd.drawScale();
    EXPECT_EQ(kd.picture().size(), QSize(367, 139));
}

TEST_F(AnalogScaleTest, ArcDotsAreRedExactlyWhereTheActiveUpperLimitIsExceeded) {
    ScaleSettings s;
    s.upperLimit = 20000.0f;
    s.upperLimitOn = true;
    draw(s);
    const ScaleGeometry g = kd.scaleGeometry();
    const QImage ticked = kd.picture();
    for (int c = 0; c <= 800; c += 5) {
        if (c > 588 && c < 612) continue;  // neighbouring dots overlap at the boundary
        const Neighbourhood n = around(ticked, g.pointAt(c, 800, g.radius() + 3.0f));
        if (c >= 601) {
            EXPECT_GT(n.red, 0) << "dot " << c << " should be red";
        } else {
            EXPECT_EQ(n.red, 0) << "dot " << c << " should be black";
            EXPECT_GT(n.dark, 0) << "dot " << c;
        }
    }

    s.upperLimitOn = false;
    draw(s);
    const QImage unticked = kd.picture();
    for (int c = 0; c <= 800; c += 5) {
        const Neighbourhood n = around(unticked, g.pointAt(c, 800, g.radius() + 3.0f));
        EXPECT_EQ(n.red, 0) << "dot " << c;
        EXPECT_GT(n.dark, 0) << "dot " << c;
    }
}

TEST_F(AnalogScaleTest, LowerLimitColoursTheLeftEndAndStartUpLimitNone) {
    ScaleSettings s;
    s.lowerLimit = -40002.0f;
    s.lowerLimitOn = true;
    draw(s);
    const ScaleGeometry g = kd.scaleGeometry();
    for (int c = 0; c <= 800; c += 10) {
        EXPECT_EQ(around(kd.picture(), g.pointAt(c, 800, g.radius() + 3.0f)).red, 0) << c;
    }
    s.lowerLimit = -30000.0f;
    draw(s);
    EXPECT_GT(around(kd.picture(), g.pointAt(50, 800, g.radius() + 3.0f)).red, 0);
    EXPECT_EQ(around(kd.picture(), g.pointAt(150, 800, g.radius() + 3.0f)).red, 0);
}

TEST_F(AnalogScaleTest, LabelsOfTheLayoutInForce) {
    for (const char* name : {"4", "6", "34", "2"}) {
        for (bool frequency : {false, true}) {
            SCOPED_TRACE(testing::Message() << "class " << name << " frequency " << frequency);
            ScaleSettings s;
            s.countClass = *findCountClass(name);
            s.frequencyMode = frequency;
            draw(s);
            const ScaleGeometry g = kd.scaleGeometry();
            const ScaleLayout layout = ScaleLayout::forSettings(s);
            for (const ScaleLabel& l : layout.labels()) {
                const ScalePoint at = g.pointAt(l.tick, layout.ticks(), g.radius() + 18.0f);
                const QRect box(at.x - l.dx, at.y - l.dy, 14, 10);
                EXPECT_GT(darkPixelsIn(kd.picture(), box), 3) << "label " << l.text;
            }
            // Between the labels of the ends there is no text.
            const int between = layout.labels()[0].tick + 3;
            const ScalePoint gap = g.pointAt(between, layout.ticks(), g.radius() + 18.0f);
            EXPECT_EQ(darkPixelsIn(kd.picture(), QRect(gap.x - 1, gap.y - 1, 3, 3)), 0);
        }
    }
}

TEST_F(AnalogScaleTest, FrequencyLayoutShowsRedMajorTicksAndKeepsTheArc) {
    ScaleSettings s;
    draw(s);
    const QImage normal = kd.picture();
    s.frequencyMode = true;
    draw(s);
    const QImage frequency = kd.picture();
    const ScaleGeometry g = kd.scaleGeometry();
    int redMajors = 0;
    for (int i = 0; i <= 100; i += 10) {
        const ScalePoint p = g.pointAt(i, 100, g.radius() + 6.0f);
        QRect r(p.x - 1, p.y - 2, 4, 3);
        bool red = false;
        for (int x = r.left(); x <= r.right(); ++x)
            for (int y = r.top(); y <= r.bottom(); ++y) red = red || isRed(frequency.pixel(x, y));
        redMajors += red ? 1 : 0;
    }
    EXPECT_GE(redMajors, 9);
    // The arc of dots is the same in both layouts.
    for (int c = 0; c <= 800; c += 20) {
        const ScalePoint p = g.pointAt(c, 800, g.radius() + 3.0f);
        EXPECT_EQ(normal.pixel(p.x + 1, p.y + 1), frequency.pixel(p.x + 1, p.y + 1)) << c;
    }
}

TEST_F(AnalogScaleTest, NeedleMovesWithoutTouchingTheScale) {
    draw(ScaleSettings{});
    kd.moveNeedle(400);
    const QImage atZero = kd.picture();
    const NeedleLine vertical = kd.lastNeedle();
    EXPECT_EQ(vertical.tip, (ScalePoint{186, 34}));
    // A point halfway down the visible part of the needle is black.
    EXPECT_TRUE(isDark(atZero.pixel(vertical.tip.x, 90)));

    kd.moveNeedle(700);
    const QImage moved = kd.picture();
    EXPECT_FALSE(isDark(moved.pixel(vertical.tip.x, 90))) << "old needle not erased";
    const NeedleLine n = kd.lastNeedle();
    const int y = 100;
    const int x = n.tip.x + (n.base.x - n.tip.x) * (y - n.tip.y) / (n.base.y - n.tip.y);
    EXPECT_GT(darkPixelsIn(moved, QRect(x - 1, y, 3, 1)), 0) << "new needle not drawn";

    // Sweep over the whole scale and beyond its ends, and back: only the needle changes.
    for (int p = -40; p <= 840; p += 7) kd.moveNeedle(p);
    kd.moveNeedle(400);
    EXPECT_EQ(kd.picture(), atZero);
}

TEST_F(AnalogScaleTest, FrequencyNeedleRunsOnThousandPositionsShiftedBy100) {
    ScaleSettings s;
    s.frequencyMode = true;
    draw(s);
    kd.moveNeedle(400);
    EXPECT_EQ(kd.lastNeedle(), kd.scaleGeometry().needle(500, 1000));
    EXPECT_EQ(kd.lastNeedle().tip, (ScalePoint{186, 34}));
    kd.moveNeedle(-100);
    EXPECT_EQ(kd.lastNeedle(), kd.scaleGeometry().needle(0, 800));
}

TEST_F(AnalogScaleTest, FirstNeedleErasesNothingAndSetupKeepsTheLastNeedle) {
    EXPECT_EQ(kd.lastNeedle(), NeedleLine{});
    draw(ScaleSettings{});
    kd.moveNeedle(400);
    const NeedleLine n = kd.lastNeedle();
    kd.drawScale();  // repaints the scale, the needle is drawn again at the next reading
    EXPECT_EQ(kd.lastNeedle(), n);
    EXPECT_FALSE(isDark(kd.picture().pixel(n.tip.x, 90)));
    kd.moveNeedle(400);
    EXPECT_TRUE(isDark(kd.picture().pixel(n.tip.x, 90)));
}

// A reading that leaves the needle where it stands repaints nothing; one that moves it repaints
// the strips of the old and the new needle, not the corner where the link indicator stands.
// Enlarged, the panel shows the needle where it stands now, as the whole bitmap stretched would.
TEST_F(AnalogScaleTest, NeedleRepaintsOnlyWhereItMoved) {
    QWidget window;
    AnalogScale* scale = showInWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, test::kGenerousDeadlineMs));
    ASSERT_TRUE(test::processQueuedEvents());
    auto* kd1 = scale->findChild<StretchedPicture*>("scalePicture");
    test::PaintCounter counter(kd1);
    for (const auto& [position, repainted] : {std::pair(400, false), {600, true}, {600, false}, {0, true}}) {
        counter.reset();
        scale->moveNeedle(position);
        ASSERT_TRUE(test::processQueuedEvents());
        EXPECT_EQ(counter.paints > 0, repainted) << position;
        EXPECT_FALSE(counter.painted.intersects(QRect(0, 0, 30, 30))) << position;
    }
    // A slanted needle repaints strips along its line, not the box around it.
    counter.reset();
    scale->moveNeedle(150);
    ASSERT_TRUE(test::processQueuedEvents());
    int stripsArea = 0;
    for (const QRect& r : counter.painted) stripsArea += r.width() * r.height();
    const QRect box = counter.painted.boundingRect();
    EXPECT_LT(stripsArea, box.width() * box.height() / 2);

    scale->toggleEnlarged();
    for (int position : {300, 500, 650}) {
        scale->moveNeedle(position);
        ASSERT_TRUE(test::processQueuedEvents());
    }
    QImage stretched(kd1->size(), QImage::Format_RGB32);
    QPainter p(&stretched);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(stretched.rect(), scale->picture());
    p.end();
    // Within a shade: stretching a part gives the same pixels as stretching it all, but for
    // the rounding of a few blends.
    const QImage shown = kd1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int unlike = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y);
            const QRgb b = stretched.pixel(x, y);
            const int apart = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b));
            unlike += apart > 6 ? 1 : 0;
        }
    }
    EXPECT_EQ(unlike, 0);
}

TEST_F(AnalogScaleTest, ZoomEnlargesAndRestoresThePanel) {
    QWidget window;
    AnalogScale* scale = showInWindow(window);
    const NeedleLine normalNeedle = scale->lastNeedle();
    QSignalSpy spy(scale, &AnalogScale::enlargedChanged);
    auto* kd1 = scale->findChild<StretchedPicture*>("scalePicture");
    auto* fd = scale->findChild<QWidget*>("scaleEnlargeIcon");
    auto* sx = scale->findChild<QWidget*>("scaleRestoreIcon");

    scale->toggleEnlarged();
    const QSize outer = window.frameGeometry().size();
    EXPECT_EQ(scale->geometry(), QRect(2, 28, outer.width() - 12, outer.height() - 80));
    EXPECT_EQ(kd1->geometry(), QRect(2, 2, scale->width() - 40, scale->height() - 140));
    EXPECT_TRUE(fd->isHidden());
    EXPECT_FALSE(sx->isHidden());
    EXPECT_EQ(sx->x(), scale->width() - 30);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    // The picture keeps its size and is stretched; the needle stays on the scale drawn on it.
    EXPECT_EQ(scale->picture().size(), QSize(367, 139));
    scale->moveNeedle(400);
    EXPECT_EQ(scale->lastNeedle(), normalNeedle);

    scale->toggleEnlarged();
    EXPECT_EQ(scale->geometry(), QRect(340, 30, 371, 143));
    EXPECT_EQ(kd1->geometry(), QRect(2, 2, 367, 139));
    EXPECT_FALSE(fd->isHidden());
    EXPECT_TRUE(sx->isHidden());
    ASSERT_EQ(spy.count(), 2);
    EXPECT_FALSE(spy.at(1).at(0).toBool());
}

TEST_F(AnalogScaleTest, ZoomInASmallWindowStillRestores) {
    QWidget window;
    window.resize(420, 300);  // the enlarged panel stays narrower than 470 pixels
    auto* scale = new AnalogScale(&window);
    scale->setGeometry(40, 30, 371, 143);
    window.show();
    scale->toggleEnlarged();
    EXPECT_TRUE(scale->isEnlarged());
    EXPECT_LT(scale->width(), 470);
    scale->toggleEnlarged();
    EXPECT_FALSE(scale->isEnlarged());
    EXPECT_EQ(scale->geometry(), QRect(40, 30, 371, 143));
}

TEST_F(AnalogScaleTest, PanelResizedBeforeShowingDrawsForItsSize) {
    AnalogScale wide;
    wide.resize(451, 163);  // hidden: no resize event has run yet
    wide.drawScale();
    EXPECT_EQ(wide.picture().size(), QSize(447, 159));
    EXPECT_FLOAT_EQ(wide.scaleGeometry().chord(), 411.0f);
    EXPECT_FLOAT_EQ(wide.scaleGeometry().rise(), 103.0f);
}

TEST_F(AnalogScaleTest, ResizeKeepsZoomPicturesAtTheRightEdge) {
    kd.show();
    kd.resize(420, 150);
    EXPECT_EQ(kd.findChild<QWidget*>("scaleEnlargeIcon")->x(), 390);
    EXPECT_EQ(kd.findChild<QWidget*>("scaleRestoreIcon")->x(), 390);
}

}  // namespace
}  // namespace dmm
