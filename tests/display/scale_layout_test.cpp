// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scale_layout.h"

#include <gtest/gtest.h>

#include "count_class.h"

namespace dmm {
namespace {

TEST(ScaleLayout, LabelsTicksAndMajorDotsPerLayout) {
    struct Row {
        const char* cls;
        bool frequency;
        int ticks;
        int firstTick;
        const char* firstText;
        int lastTick;
        const char* lastText;
        int majorDots;
    };
    const Row rows[] = {
        {"4", false, 80, 0, "-40", 80, "40", 9},  {"6", false, 120, 0, "-60", 120, "60", 9},
        {"34", false, 68, 4, "-30", 64, "30", 7}, {"2", false, 40, 0, "-20", 40, "20", 0},
        {"4", true, 100, 0, "-50", 100, "50", 11}, {"2", true, 100, 0, "-50", 100, "50", 11},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "class " << r.cls << " frequency " << r.frequency);
        ScaleSettings s;
        s.countClass = *findCountClass(r.cls);
        s.frequencyMode = r.frequency;
        const ScaleLayout l = ScaleLayout::forSettings(s);
        EXPECT_EQ(l.ticks(), r.ticks);
        ASSERT_FALSE(l.labels().empty());
        EXPECT_EQ(l.labels().front().tick, r.firstTick);
        EXPECT_EQ(l.labels().front().text, r.firstText);
        EXPECT_EQ(l.labels().back().tick, r.lastTick);
        EXPECT_EQ(l.labels().back().text, r.lastText);
        int majors = 0;
        for (int i = 0; i <= l.ticks(); ++i) majors += l.isMajorTick(i) ? 1 : 0;
        EXPECT_EQ(majors, r.majorDots);
        for (const ScaleLabel& label : l.labels()) {
            EXPECT_EQ(l.labelAt(label.tick), &label);
            EXPECT_LE(label.tick, l.ticks());
        }
    }
}

TEST(ScaleLayout, RedArcDotsFollowTheActiveLimits) {
    ScaleSettings s;  // class "4": a dot stands for (c - 400) * 100 counts
    s.upperLimit = 20000.0f;
    s.upperLimitOn = true;
    EXPECT_EQ(arcDotCount(s.countClass), 801);
    for (int c = 0; c <= 800; ++c) EXPECT_EQ(arcDotIsRed(c, s), c >= 601) << c;

    s.upperLimitOn = false;
    for (int c = 0; c <= 800; ++c) EXPECT_FALSE(arcDotIsRed(c, s)) << c;

    // Start-up lower limit -40002, switched on: the left end is -40000, not below it.
    s.lowerLimit = -40002.0f;
    s.lowerLimitOn = true;
    for (int c = 0; c <= 800; ++c) EXPECT_FALSE(arcDotIsRed(c, s)) << c;

    s.lowerLimit = -10000.0f;
    for (int c = 0; c <= 800; ++c) EXPECT_EQ(arcDotIsRed(c, s), c <= 299) << c;

    ScaleSettings six;
    six.countClass = *findCountClass("6");  // (c - 600) * 10 counts
    six.upperLimit = 3000.0f;
    six.upperLimitOn = true;
    EXPECT_FALSE(arcDotIsRed(900, six));
    EXPECT_TRUE(arcDotIsRed(901, six));
}

}  // namespace
}  // namespace dmm
