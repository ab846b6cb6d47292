// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The steps after decoding: alarm, range change and extremes, recall clock, order of effects.

#include <gtest/gtest.h>

#include "test_support.h"

namespace dmm {
namespace {

using test::RecordingSink;

struct Fixture : ::testing::Test {
    RecordingSink sink;
    FixedClock clock{12 * 3600 * 1000};
    MeterCore core{&sink, &clock};

    void kelt(const char* frame) {
        core.setFrameText(frame);
        ASSERT_TRUE(core.decodeFrame(Family::Kelt)) << frame;
    }
};

using Pipeline = Fixture;

TEST_F(Pipeline, EffectsComeInTheirFixedOrder) {
    kelt("123452121DA");
    const std::vector<std::string> first{"frameSeen", "alarmOff", "rangeChanged", "needle",
                                         "record",    "bar",      "chart",        "frameDone"};
    EXPECT_EQ(sink.calls, first);
    sink.calls.clear();
    kelt("123462121DA");
    const std::vector<std::string> second{"frameSeen", "alarmOff", "needle", "record",
                                          "bar",       "chart",    "frameDone"};
    EXPECT_EQ(sink.calls, second);
}

TEST_F(Pipeline, FirstFrameIsARangeChangeAndLaterFramesTrackExtremes) {
    kelt("123452121DA");
    EXPECT_EQ(sink.rangeChanges, 1);
    EXPECT_EQ(core.state.maxReadingText, "");
    EXPECT_EQ(core.state.minReadingText, "");
    EXPECT_FLOAT_EQ(core.state.runningMax, -40000);
    EXPECT_FLOAT_EQ(core.state.runningMin, 40000);

    kelt("123452121DA");  // equal values replace both texts (>= and <=)
    EXPECT_EQ(core.state.maxReadingText, "12.345");
    EXPECT_EQ(core.state.minReadingText, "12.345");
    kelt("200002121DA");
    kelt("011112121DA");
    EXPECT_EQ(core.state.maxReadingText, "20.000");
    EXPECT_EQ(core.state.minReadingText, "01.111");
    EXPECT_EQ(sink.rangeChanges, 1);
}

TEST_F(Pipeline, MovedDecimalPointOrNewUnitStartsANewChart) {
    kelt("123452121DA");
    kelt("123453121DA");  // same unit, point moved
    EXPECT_EQ(sink.rangeChanges, 2);
    EXPECT_FLOAT_EQ(core.state.runningMax, -40000);
    kelt("123453221DA");  // function 2: same unit text "V" and point
    EXPECT_EQ(sink.rangeChanges, 2);
    kelt("123453322DA");  // millivolts
    EXPECT_EQ(sink.rangeChanges, 3);
    EXPECT_EQ(core.state.lastUnitText, "mV");
}

TEST_F(Pipeline, LimitAlarmIsStrictAndNeedsItsBox) {
    core.state.upperLimit = 12345;
    core.state.lowerLimit = -100;
    kelt("123452121DA");  // equal to the limit
    EXPECT_FALSE(sink.alarmShown);
    kelt("123462121DA");  // one count above, box unticked
    EXPECT_FALSE(sink.alarmShown);
    core.settings.upperLimitOn = true;
    kelt("123462121DA");
    EXPECT_TRUE(sink.alarmShown);
    kelt("123462121DA");
    EXPECT_EQ(sink.beeps, 2);  // every frame outside the limits beeps
    kelt("001002125DA");  // -1.00 = -100: equal to the lower limit
    EXPECT_FALSE(sink.alarmShown);
    core.settings.lowerLimitOn = true;
    kelt("001012125DA");
    EXPECT_TRUE(sink.alarmShown);
    EXPECT_TRUE(core.lastOutcome().alarm);
}

TEST_F(Pipeline, BrioRangeChangeResetsExtremesBeyondFullScale) {
    core.setFrameText("A11234B00AD");
    ASSERT_TRUE(core.decodeFrame(Family::Brio));
    EXPECT_FLOAT_EQ(core.state.runningMax, -40001);
    EXPECT_FLOAT_EQ(core.state.runningMin, 40001);
}

TEST_F(Pipeline, CountClassSetsNeedleBarAndOverloadValues) {
    core.state.applyCountClass(*findCountClass("2"));
    kelt("A00002121DA");
    EXPECT_FLOAT_EQ(core.reading().value, 20000);
    EXPECT_EQ(core.lastOutcome().needle, 400);
    EXPECT_EQ(core.lastOutcome().bar, 20);
    kelt("AC0002121DA");
    EXPECT_EQ(core.lastOutcome().needle, 200);
    kelt("012342121DA");
    EXPECT_EQ(core.lastOutcome().needle, 212);
}

TEST_F(Pipeline, KeltStampsTheReadingWithTheTimeOfDay) {
    kelt("123452121DA");
    EXPECT_EQ(core.state.readingTimeMs, 12 * 3600 * 1000);
    core.setFrameText("705DB1F2700040");
    clock.advance(1000);
    ASSERT_TRUE(core.decodeFrame(Family::Sorn));  // other families leave it alone
    EXPECT_EQ(core.state.readingTimeMs, 12 * 3600 * 1000);
}

struct RecallRow {
    RecallClock start;
    const char* step;
    RecallClock end;
};

// "From23h59m50sBy15s"; a step that is no number shows as it stands ("ByMinus30", "ByEmpty").
void PrintTo(const RecallRow& r, std::ostream* os) {
    std::string step = r.step;
    if (step.empty()) step = "Empty";
    if (step[0] == '-') step = "Minus" + step.substr(1);
    const bool number = step.find_first_not_of("0123456789") == std::string::npos;
    *os << "From" << r.start.hours << 'h' << r.start.minutes << 'm' << r.start.seconds << "sBy"
        << step << (number ? "s" : "");
}

class RecallClockSteps : public ::testing::TestWithParam<RecallRow> {};

TEST_P(RecallClockSteps, AdvanceBeforeRecording) {
    MeterCore core;
    core.settings.recallClockOn = true;
    core.settings.recallStepText = GetParam().step;
    core.state.recallClock = GetParam().start;
    core.setFrameText("123452121DA");
    ASSERT_TRUE(core.decodeFrame(Family::Kelt));
    const RecallClock& c = core.state.recallClock;
    const RecallClock& e = GetParam().end;
    EXPECT_EQ(c.hours, e.hours);
    EXPECT_EQ(c.minutes, e.minutes);
    EXPECT_EQ(c.seconds, e.seconds);
    EXPECT_EQ(core.state.readingTimeMs, ((e.hours * 60 + e.minutes) * 60 + e.seconds) * 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Kelt, RecallClockSteps,
    ::testing::Values(RecallRow{{23, 59, 50}, "15", {0, 0, 5}},
                      RecallRow{{10, 58, 0}, "125", {11, 0, 5}},
                      RecallRow{{0, 0, 0}, "1", {0, 0, 1}},
                      RecallRow{{1, 2, 3}, "0", {1, 2, 3}},
                      RecallRow{{23, 0, 0}, "7200", {1, 0, 0}},
                      RecallRow{{0, 0, 0}, "86400", {0, 0, 0}},
                      // a step that is no number advances nothing and stops nothing
                      RecallRow{{5, 6, 7}, "abc", {5, 6, 7}},
                      RecallRow{{5, 6, 7}, "", {5, 6, 7}},
                      RecallRow{{5, 6, 7}, "-30", {5, 6, 7}},
                      RecallRow{{5, 6, 7}, "99999999999999999999", {5, 6, 7}},
                      // edits that were never range-checked: minutes come down a carry at a time
                      RecallRow{{30, 75, 0}, "60", {0, 16, 0}},
                      RecallRow{{2, 200, 0}, "180", {5, 23, 0}}),
    ::testing::PrintToStringParamName());

TEST(PipelineStart, LocaleSeparatorGoesIntoTheValueText) {
    MeterCore core;
    core.state.localeDecimal = ",";
    core.setFrameText("123452121DA");
    ASSERT_TRUE(core.decodeFrame(Family::Kelt));
    EXPECT_EQ(core.reading().valueText, "12,345");
}

}  // namespace
}  // namespace dmm
