// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmented_bar.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QTest>

#include "paint_counter.h"
#include "wait_for.h"
#include "widget_test_app.h"

namespace dmm {
namespace {

class SegmentedBarTest : public testing::Test {
protected:
    void SetUp() override { bar.resize(334, 17); }
    QApplication& app = test::widgetApp();
    SegmentedBar bar;
};

TEST_F(SegmentedBarTest, LayoutValuesAndPositionsClampedIntoRange) {
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 40);
    EXPECT_EQ(bar.value(), 20);
    struct Row {
        int maximum;
        int position;
        int shown;
    };
    for (const Row& r : {Row{40, 12, 12}, Row{40, 40, 40}, Row{40, 99, 40}, Row{40, 1, 1},
                         Row{40, -3, 0}, Row{20, 25, 20}, Row{20, 20, 20}}) {
        bar.setMaximum(r.maximum);
        bar.setPosition(5);
        bar.setPosition(r.position);
        EXPECT_EQ(bar.value(), r.shown) << r.maximum << " " << r.position;
    }
}

TEST_F(SegmentedBarTest, LitBlocksFollowThePosition) {
    bar.setMaximum(40);
    bar.setPosition(0);
    EXPECT_EQ(bar.litBlocks(), 0);
    bar.setPosition(1);
    EXPECT_EQ(bar.litBlocks(), 1);
    bar.setPosition(40);
    EXPECT_EQ(bar.litBlocks(), bar.blockCount());
    bar.setPosition(20);
    EXPECT_NEAR(bar.litBlocks(), bar.blockCount() / 2, 1);
    EXPECT_GT(bar.blockCount(), 10);

    // The painted bar: the right end is lit only when the bar is full.
    const QColor block = bar.palette().color(QPalette::Highlight);
    bar.setPosition(40);
    const QImage full = bar.grab().toImage();
    bar.setPosition(10);
    const QImage quarter = bar.grab().toImage();
    const int rightX = 2 + (bar.blockCount() - 1) * (bar.width() / bar.blockCount()) + 2;
    EXPECT_EQ(QColor(full.pixel(rightX, 8)), block);
    EXPECT_NE(QColor(quarter.pixel(rightX, 8)), block);
    EXPECT_EQ(QColor(quarter.pixel(4, 8)), block);
}

// A new position repaints the bar when it lights another number of blocks, with the next paint
// of the window and not at once; one that lights as many blocks repaints nothing.
TEST_F(SegmentedBarTest, RepaintsOnlyWhenTheLitBlocksChange) {
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar, test::kGenerousDeadlineMs));
    bar.setMaximum(40);
    bar.setPosition(5);
    ASSERT_TRUE(test::processQueuedEvents());
    test::PaintCounter counter(&bar);
    // 33 blocks over 40 positions: 5 and 6 light 5 blocks, 39 and 40 all of them.
    const struct Row {
        int position;
        bool repainted;
    } rows[] = {{6, false}, {20, true}, {20, false}, {40, true}, {39, false}, {99, false},
                {-3, true}};
    for (const Row& row : rows) {
        counter.reset();
        bar.setPosition(row.position);
        EXPECT_EQ(counter.paints, 0) << row.position << ": painted at once";
        ASSERT_TRUE(test::processQueuedEvents());
        EXPECT_EQ(counter.paints > 0, row.repainted) << row.position;
    }
}

}  // namespace
}  // namespace dmm
