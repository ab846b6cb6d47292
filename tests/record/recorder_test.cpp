// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <vector>

#include "recorder.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

MeterReading reading(std::string value, std::string unit = "mV", std::string coupling = "DC",
                     std::string range = "AUTO") {
    MeterReading r;
    r.valueText = std::move(value);
    r.unitText = std::move(unit);
    r.couplingText = std::move(coupling);
    r.rangeText = std::move(range);
    return r;
}

class RecorderTest : public testing::Test {
protected:
    std::vector<std::int32_t> numbers() const {
        std::vector<std::int32_t> n;
        for (const auto row : table) n.push_back(*row.no());
        return n;
    }
    // Shows nothing, remembers what would have been shown.
    ShowMessage recordShown() {
        return [this](const Message& m) { shown.push_back(m); };
    }

    RecordTable table;
    FixedClock clock{hms(9, 5, 7, 250)};
    Recorder rec{table, &clock};
    std::vector<Message> shown;
};

TEST_F(RecorderTest, RecordsTheReadingWithTheTimeOfDay) {
    MeterReading r = reading("12.345", "k*", "AC+DC", "");
    EXPECT_EQ(rec.addReading(r, hms(1, 0, 0)), 1);
    ASSERT_EQ(table.size(), 1u);
    const auto row = table.back();
    EXPECT_EQ(row.no(), 1);
    EXPECT_EQ(row.timeMs(), hms(9, 5, 7, 250)) << "not the reading time while recall is off";
    EXPECT_EQ(*row.text(kFieldDcAc), "AC+DC");
    EXPECT_EQ(*row.text(kFieldValue), "12.345");
    EXPECT_EQ(*row.text(kFieldUnit), "k*");
    EXPECT_EQ(*row.text(kFieldAuto), "");
    EXPECT_EQ(rec.recordNo(), 2);
    EXPECT_EQ(rec.recordTotal(), 1);
    EXPECT_EQ(rec.lastRecordKey(), "12.345AC+DCk*");
}

TEST_F(RecorderTest, RecallTicksTakeTheReadingTime) {
    rec.useRecallClock = true;
    rec.addReading(reading("1"), hms(0, 0, 5));
    EXPECT_EQ(table.back().timeMs(), hms(0, 0, 5));
}

TEST_F(RecorderTest, LimitStopsRecordingWithoutTouchingTheNumbers) {
    rec.setRecordLimit(2);
    rec.addReading(reading("1"), 0);
    rec.addReading(reading("2"), 0);
    EXPECT_EQ(rec.addReading(reading("3"), 0), std::nullopt);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(rec.recordNo(), 3);
    EXPECT_EQ(rec.recordTotal(), 2);
}

TEST_F(RecorderTest, LoweringTheLimitKeepsRecordsAndStopsRecording) {
    rec.setRecordLimit(RecordLimitItem::Limitless);
    for (int i = 0; i < 1500; ++i) rec.addReading(reading(std::to_string(i)), 0);
    rec.setRecordLimit(RecordLimitItem::Records1000);
    EXPECT_EQ(rec.recordLimit(), 1000);
    EXPECT_EQ(rec.checkedLimitItem(), RecordLimitItem::Records1000);
    EXPECT_FALSE(rec.addReading(reading("x"), 0));
    EXPECT_EQ(table.size(), 1500u);
    rec.clearRecords();
    EXPECT_EQ(rec.addReading(reading("x"), 0), 1);
}

TEST_F(RecorderTest, LimitMenuItemsSetTheirLimits) {
    const std::pair<RecordLimitItem, std::int32_t> items[] = {
        {RecordLimitItem::Records1000, 1000},     {RecordLimitItem::Records5000, 5000},
        {RecordLimitItem::Records10000, 10000},   {RecordLimitItem::Records50000, 50000},
        {RecordLimitItem::Records100000, 100000}, {RecordLimitItem::Limitless, 10000000},
    };
    EXPECT_EQ(rec.recordLimit(), 10000);
    EXPECT_EQ(rec.checkedLimitItem(), RecordLimitItem::Records10000);
    for (const auto& [item, limit] : items) {
        rec.setRecordLimit(item);
        EXPECT_EQ(rec.recordLimit(), limit);
        EXPECT_EQ(rec.checkedLimitItem(), item);
    }
}

TEST_F(RecorderTest, RepeatUntickedSkipsIdenticalReadingsAndLeavesAGap) {
    rec.recordRepeats = false;
    rec.addReading(reading("5.00"), 0);
    rec.addReading(reading("5.00"), 0);
    rec.addReading(reading("5.00"), 0);
    rec.addReading(reading("5.00", "V"), 0);   // another unit is another reading
    rec.addReading(reading("5.00", "V", "AC"), 0);
    rec.addReading(reading("5.00", "V", "AC", "MANU"), 0);
    EXPECT_EQ(numbers(), (std::vector<std::int32_t>{1, 4, 5, 6}));
    EXPECT_EQ(rec.recordTotal(), 4);
}

TEST_F(RecorderTest, RepeatTickedRecordsIdenticalReadingsConsecutively) {
    for (int i = 0; i < 3; ++i) rec.addReading(reading("5.00"), 0);
    EXPECT_EQ(numbers(), (std::vector<std::int32_t>{1, 2, 3}));
}

TEST_F(RecorderTest, SamplingWaitsTheIntervalInTimerTicks) {
    rec.sampleByInterval = true;
    rec.intervalText = "10";
    rec.addReading(reading("1"), 0);
    for (int tick = 0; tick < 9; ++tick) {
        rec.onSamplingTick();
        EXPECT_FALSE(rec.addReading(reading("2"), 0)) << "tick " << tick;
    }
    EXPECT_EQ(rec.recordNo(), 2) << "readings in between change nothing";
    rec.onSamplingTick();
    EXPECT_EQ(rec.addReading(reading("3"), 0), 2);
}

class SamplingWithoutIntervalTest : public RecorderTest,
                                    public testing::WithParamInterface<const char*> {};

TEST_P(SamplingWithoutIntervalTest, EveryReadingIsRecorded) {
    rec.sampleByInterval = true;
    rec.intervalText = GetParam();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(rec.addReading(reading("1"), 0));
    EXPECT_EQ(rec.sampleCountdown(), 0);
}

// "-5" and "1x" can only be pasted; a countdown stuck below zero would end recording for good.
INSTANTIATE_TEST_SUITE_P(Texts, SamplingWithoutIntervalTest,
                         testing::Values("0", "+", "-", "", "-5", "1x", "99999999999"));

TEST_F(RecorderTest, CountdownStandsStillWhileSamplingIsOff) {
    rec.addReading(reading("1"), 0);  // loads 10 even with sampling off
    EXPECT_EQ(rec.sampleCountdown(), 10);
    for (int i = 0; i < 4; ++i) rec.onSamplingTick();
    EXPECT_EQ(rec.sampleCountdown(), 10);
    rec.sampleByInterval = true;
    rec.onSamplingTick();
    EXPECT_EQ(rec.sampleCountdown(), 9);
    EXPECT_FALSE(rec.addReading(reading("2"), 0));
}

TEST_F(RecorderTest, EditingTheIntervalRestartsTheWait) {
    rec.sampleByInterval = true;
    rec.addReading(reading("1"), 0);
    rec.onSamplingTick();
    rec.intervalText = "5";
    rec.restartSamplingWait();
    EXPECT_EQ(rec.sampleCountdown(), 5);
    rec.intervalText = "";
    rec.restartSamplingWait();
    EXPECT_TRUE(rec.addReading(reading("2"), 0));
}

TEST_F(RecorderTest, SkippedRepeatDoesNotReloadTheCountdown) {
    rec.recordRepeats = false;
    rec.addReading(reading("1"), 0);
    rec.intervalText = "3";
    rec.addReading(reading("1"), 0);
    EXPECT_EQ(rec.sampleCountdown(), 10);
}

TEST_F(RecorderTest, CloseDataShowsTheMessageThenEmptiesAndRestartsNumbering) {
    rec.addReading(reading("1"), 0);
    rec.addReading(reading("2"), 0);
    std::size_t rowsWhileShown = 99;
    rec.clearRecords([&](const Message& m) {
        shown.push_back(m);
        rowsWhileShown = table.size();
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], information(" Record deleted "));
    EXPECT_EQ(shown[0].caption(), "Information");
    EXPECT_EQ(rowsWhileShown, 2u) << "the table is emptied once the message is closed";
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(rec.addReading(reading("3"), 0), 1);
}

TEST_F(RecorderTest, CloseDataKeepsTheLastKeySoAnEqualFirstReadingIsSkipped) {
    rec.recordRepeats = false;
    rec.intervalText = "7";
    rec.setRecordLimit(RecordLimitItem::Limitless);
    rec.addReading(reading("4.20"), 0);
    rec.clearRecords();
    EXPECT_EQ(rec.lastRecordKey(), "4.20DCmVAUTO");
    EXPECT_EQ(rec.sampleCountdown(), 7);
    EXPECT_EQ(rec.recordLimit(), 10000000);
    EXPECT_FALSE(rec.addReading(reading("4.20"), 0));
    EXPECT_EQ(rec.addReading(reading("4.21"), 0), 2);
}

TEST_F(RecorderTest, LongAndBlankEndedTextsAreStoredByTheTableRules) {
    rec.addReading(reading("1234567890123456789012345"), 0);
    rec.addReading(reading("1.5  "), 0);
    EXPECT_EQ(*table[0].text(kFieldValue), "12345678901234567890");
    EXPECT_EQ(*table[1].text(kFieldValue), "1.5");
    // The key keeps the reading as it was, blanks included.
    EXPECT_EQ(rec.lastRecordKey(), "1.5  DCmVAUTO");
}

TEST_F(RecorderTest, ResettingTheRecallClockSetsTheEditsAndTheClock) {
    RecallClock clock{5, 6, 7};
    rec.useRecallClock = true;
    rec.resetRecallClock(clock, recordShown());
    EXPECT_EQ(rec.recallHoursText + rec.recallMinutesText + rec.recallSecondsText, "000000");
    EXPECT_EQ(clock, (RecallClock{0, 0, 0}));
    rec.useRecallClock = false;
    rec.resetRecallClock(clock, recordShown());
    EXPECT_EQ(rec.recallHoursText + ":" + rec.recallMinutesText + ":" + rec.recallSecondsText, "23:59:59");
    EXPECT_EQ(clock, (RecallClock{23, 59, 59}));
    EXPECT_TRUE(shown.empty());
}

TEST_F(RecorderTest, ReadingTheRecallClockSkipsRangeChecksAndStopsAtABadText) {
    RecallClock clock{1, 2, 3};
    rec.recallHoursText = "30";
    rec.recallMinutesText = "";
    rec.recallSecondsText = "9";
    rec.readRecallClock(clock, recordShown());
    EXPECT_EQ(clock, (RecallClock{30, 2, 3}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], error("'' is not a valid integer value"));
}

TEST_F(RecorderTest, CheckingTheRecallClockRejectsOutOfRangeEditsOneByOne) {
    RecallClock clock{1, 2, 3};
    rec.recallHoursText = "24";
    rec.recallMinutesText = "30";
    rec.recallSecondsText = "60";
    rec.checkRecallClock(clock, recordShown());
    EXPECT_EQ(shown, (std::vector<Message>{information("Input error!"), information("Input error!")}));
    EXPECT_EQ(rec.recallHoursText, "00");
    EXPECT_EQ(rec.recallSecondsText, "00");
    EXPECT_EQ(clock, (RecallClock{1, 30, 3})) << "rejected parts keep their values";
    rec.checkRecallClock(clock, recordShown());
    EXPECT_EQ(clock, (RecallClock{0, 30, 0}));
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(RecorderTest, CheckingTheRecallClockReportsATextThatIsNoNumberAndStops) {
    RecallClock clock{1, 2, 3};
    rec.recallHoursText = "7";
    rec.recallMinutesText = "x";
    rec.recallSecondsText = "99";
    rec.checkRecallClock(clock, recordShown());
    EXPECT_EQ(shown, (std::vector<Message>{error("'x' is not a valid integer value")}));
    EXPECT_EQ(clock, (RecallClock{7, 2, 3}));
    EXPECT_EQ(rec.recallSecondsText, "99") << "the seconds were never checked";
}

TEST_F(RecorderTest, AReadingTimeOutsideTheDayIsWrappedIntoIt) {
    rec.useRecallClock = true;
    rec.addReading(reading("1"), -1000);
    rec.addReading(reading("2"), kMsPerDay + 5);
    EXPECT_EQ(table[0].timeMs(), kMsPerDay - 1000);
    EXPECT_EQ(table[1].timeMs(), 5);
}

}  // namespace
}  // namespace dmm
