// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "reading_state.h"

namespace dmm {
namespace {

TEST(ReadingState, StartsWithTheStandardClassAndAUnitNoFrameHas) {
    const ReadingState s = ReadingState::atStartUp(",", 36000000);
    EXPECT_EQ(s.countClass.name, "4");
    EXPECT_FLOAT_EQ(s.upperLimit, 40002);
    EXPECT_FLOAT_EQ(s.lowerLimit, -40002);
    EXPECT_FLOAT_EQ(s.runningMax, -40001);
    EXPECT_FLOAT_EQ(s.runningMin, 40001);
    EXPECT_EQ(s.lastUnitText, "113");
    EXPECT_EQ(s.lastDecimalPos, kNoDecimalPoint);
    EXPECT_EQ(s.localeDecimal, ",");
    EXPECT_EQ(s.readingTimeMs, 36000000);
    EXPECT_FALSE(s.frequencyMode);
    EXPECT_EQ(s.recallClock, RecallClock{});
}

TEST(ReadingState, StartValuesFollowTheCountClass) {
    ReadingState s;
    EXPECT_FLOAT_EQ(s.upperLimit, 40002);
    EXPECT_EQ(s.lastUnitText, "113");
    s.applyCountClass(*findCountClass("34"));
    EXPECT_FLOAT_EQ(s.upperLimit, 3402);
    EXPECT_FLOAT_EQ(s.lowerLimit, -3402);
    EXPECT_FLOAT_EQ(s.runningMax, -3401);
    EXPECT_FLOAT_EQ(s.runningMin, 3401);
    EXPECT_EQ(s.countClass.needleStep, 68);
    EXPECT_EQ(findCountClass("5"), nullptr);
}

TEST(ReadingState, FamilyNamesGoBothWays) {
    for (Family f : {Family::Kelt, Family::Sorn, Family::Brio}) {
        EXPECT_EQ(parseFamily(familyName(f)), f);
    }
    for (const char* bad : {"", "Kelt", "other", "kelt "}) {
        EXPECT_EQ(parseFamily(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace dmm
