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
    EXPECT_EQ(rec.INDataToTable(r, hms(1, 0, 0)), 1);
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
    rec.recallCheck = true;
    rec.INDataToTable(reading("1"), hms(0, 0, 5));
    EXPECT_EQ(table.back().timeMs(), hms(0, 0, 5));
}

TEST_F(RecorderTest, LimitStopsRecordingWithoutTouchingTheNumbers) {
    rec.setRecordLimit(2);
    rec.INDataToTable(reading("1"), 0);
    rec.INDataToTable(reading("2"), 0);
    EXPECT_EQ(rec.INDataToTable(reading("3"), 0), std::nullopt);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(rec.recordNo(), 3);
    EXPECT_EQ(rec.recordTotal(), 2);
}

TEST_F(RecorderTest, LoweringTheLimitKeepsRecordsAndStopsRecording) {
    rec.limitessClick();
    for (int i = 0; i < 1500; ++i) rec.INDataToTable(reading(std::to_string(i)), 0);
    rec.N10001Click();
    EXPECT_EQ(rec.recordLimit(), 1000);
    EXPECT_EQ(rec.checkedLimitItem(), RecordLimitItem::N10001);
    EXPECT_FALSE(rec.INDataToTable(reading("x"), 0));
    EXPECT_EQ(table.size(), 1500u);
    rec.RecordNewClick();
    EXPECT_EQ(rec.INDataToTable(reading("x"), 0), 1);
}

TEST_F(RecorderTest, LimitMenuItemsSetTheirLimits) {
    const std::pair<void (Recorder::*)(), std::int32_t> items[] = {
        {&Recorder::N10001Click, 1000},    {&Recorder::N50001Click, 5000},
        {&Recorder::N100001Click, 10000},  {&Recorder::N500001Click, 50000},
        {&Recorder::N1000001Click, 100000}, {&Recorder::limitessClick, 10000000},
    };
    EXPECT_EQ(rec.recordLimit(), 10000);
    EXPECT_EQ(rec.checkedLimitItem(), RecordLimitItem::N100001);
    for (const auto& [click, limit] : items) {
        (rec.*click)();
        EXPECT_EQ(rec.recordLimit(), limit);
    }
}

TEST_F(RecorderTest, RepeatUntickedSkipsIdenticalReadingsAndLeavesAGap) {
    rec.repeatSet = false;
    rec.INDataToTable(reading("5.00"), 0);
    rec.INDataToTable(reading("5.00"), 0);
    rec.INDataToTable(reading("5.00"), 0);
    rec.INDataToTable(reading("5.00", "V"), 0);   // another unit is another reading
    rec.INDataToTable(reading("5.00", "V", "AC"), 0);
    rec.INDataToTable(reading("5.00", "V", "AC", "MANU"), 0);
    EXPECT_EQ(numbers(), (std::vector<std::int32_t>{1, 4, 5, 6}));
    EXPECT_EQ(rec.recordTotal(), 4);
}

TEST_F(RecorderTest, RepeatTickedRecordsIdenticalReadingsConsecutively) {
    for (int i = 0; i < 3; ++i) rec.INDataToTable(reading("5.00"), 0);
    EXPECT_EQ(numbers(), (std::vector<std::int32_t>{1, 2, 3}));
}

TEST_F(RecorderTest, SamplingWaitsTheIntervalInTimerTicks) {
    rec.recordSI = true;
    rec.recordSITime = "10";
    rec.INDataToTable(reading("1"), 0);
    for (int tick = 0; tick < 9; ++tick) {
        rec.TrecordTimer();
        EXPECT_FALSE(rec.INDataToTable(reading("2"), 0)) << "tick " << tick;
    }
    EXPECT_EQ(rec.recordNo(), 2) << "readings in between change nothing";
    rec.TrecordTimer();
    EXPECT_EQ(rec.INDataToTable(reading("3"), 0), 2);
}

class SamplingWithoutIntervalTest : public RecorderTest,
                                    public testing::WithParamInterface<const char*> {};

TEST_P(SamplingWithoutIntervalTest, EveryReadingIsRecorded) {
    rec.recordSI = true;
    rec.recordSITime = GetParam();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(rec.INDataToTable(reading("1"), 0));
    EXPECT_EQ(rec.sampleCountdown(), 0);
}

// "-5" and "1x" can only be pasted; a countdown stuck below zero would end recording for good.
INSTANTIATE_TEST_SUITE_P(Texts, SamplingWithoutIntervalTest,
                         testing::Values("0", "+", "-", "", "-5", "1x", "99999999999"));

TEST_F(RecorderTest, CountdownStandsStillWhileSamplingIsOff) {
    rec.INDataToTable(reading("1"), 0);  // loads 10 even with sampling off
    EXPECT_EQ(rec.sampleCountdown(), 10);
    for (int i = 0; i < 4; ++i) rec.TrecordTimer();
    EXPECT_EQ(rec.sampleCountdown(), 10);
    rec.recordSI = true;
    rec.TrecordTimer();
    EXPECT_EQ(rec.sampleCountdown(), 9);
    EXPECT_FALSE(rec.INDataToTable(reading("2"), 0));
}

TEST_F(RecorderTest, EditingTheIntervalRestartsTheWait) {
    rec.recordSI = true;
    rec.INDataToTable(reading("1"), 0);
    rec.TrecordTimer();
    rec.recordSITime = "5";
    rec.RecordSITimeChange();
    EXPECT_EQ(rec.sampleCountdown(), 5);
    rec.recordSITime = "";
    rec.RecordSITimeChange();
    EXPECT_TRUE(rec.INDataToTable(reading("2"), 0));
}

TEST_F(RecorderTest, SkippedRepeatDoesNotReloadTheCountdown) {
    rec.repeatSet = false;
    rec.INDataToTable(reading("1"), 0);
    rec.recordSITime = "3";
    rec.INDataToTable(reading("1"), 0);
    EXPECT_EQ(rec.sampleCountdown(), 10);
}

TEST_F(RecorderTest, CloseDataShowsTheMessageThenEmptiesAndRestartsNumbering) {
    rec.INDataToTable(reading("1"), 0);
    rec.INDataToTable(reading("2"), 0);
    std::size_t rowsWhileShown = 99;
    rec.RecordNewClick([&](const Message& m) {
        shown.push_back(m);
        rowsWhileShown = table.size();
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], information(" Record deleted "));
    EXPECT_EQ(shown[0].caption(), "Information");
    EXPECT_EQ(rowsWhileShown, 2u) << "the table is emptied once the message is closed";
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(rec.INDataToTable(reading("3"), 0), 1);
}

TEST_F(RecorderTest, CloseDataKeepsTheLastKeySoAnEqualFirstReadingIsSkipped) {
    rec.repeatSet = false;
    rec.recordSITime = "7";
    rec.limitessClick();
    rec.INDataToTable(reading("4.20"), 0);
    rec.RecordNewClick();
    EXPECT_EQ(rec.lastRecordKey(), "4.20DCmVAUTO");
    EXPECT_EQ(rec.sampleCountdown(), 7);
    EXPECT_EQ(rec.recordLimit(), 10000000);
    EXPECT_FALSE(rec.INDataToTable(reading("4.20"), 0));
    EXPECT_EQ(rec.INDataToTable(reading("4.21"), 0), 2);
}

TEST_F(RecorderTest, LongAndBlankEndedTextsAreStoredByTheTableRules) {
    rec.INDataToTable(reading("1234567890123456789012345"), 0);
    rec.INDataToTable(reading("1.5  "), 0);
    EXPECT_EQ(*table[0].text(kFieldValue), "12345678901234567890");
    EXPECT_EQ(*table[1].text(kFieldValue), "1.5");
    // The key keeps the reading as it was, blanks included.
    EXPECT_EQ(rec.lastRecordKey(), "1.5  DCmVAUTO");
}

TEST_F(RecorderTest, RecallCheckClickSetsTheEditsAndTheClock) {
    RecallClock clock{5, 6, 7};
    rec.recallCheck = true;
    rec.RecallCheckClick(clock, recordShown());
    EXPECT_EQ(rec.timeH + rec.timeM + rec.timeS, "000000");
    EXPECT_EQ(clock, (RecallClock{0, 0, 0}));
    rec.recallCheck = false;
    rec.RecallCheckClick(clock, recordShown());
    EXPECT_EQ(rec.timeH + ":" + rec.timeM + ":" + rec.timeS, "23:59:59");
    EXPECT_EQ(clock, (RecallClock{23, 59, 59}));
    EXPECT_TRUE(shown.empty());
}

TEST_F(RecorderTest, RecallCheckExitReadsWithoutRangeChecksAndStopsAtABadText) {
    RecallClock clock{1, 2, 3};
    rec.timeH = "30";
    rec.timeM = "";
    rec.timeS = "9";
    rec.RecallCheckExit(clock, recordShown());
    EXPECT_EQ(clock, (RecallClock{30, 2, 3}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], error("'' is not a valid integer value"));
}

TEST_F(RecorderTest, TimeKeyUpRejectsOutOfRangeEditsOneByOne) {
    RecallClock clock{1, 2, 3};
    rec.timeH = "24";
    rec.timeM = "30";
    rec.timeS = "60";
    rec.TimeHKeyUp(clock, recordShown());
    EXPECT_EQ(shown, (std::vector<Message>{information("Input error!"), information("Input error!")}));
    EXPECT_EQ(rec.timeH, "00");
    EXPECT_EQ(rec.timeS, "00");
    EXPECT_EQ(clock, (RecallClock{1, 30, 3})) << "rejected parts keep their values";
    rec.TimeHKeyUp(clock, recordShown());
    EXPECT_EQ(clock, (RecallClock{0, 30, 0}));
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(RecorderTest, TimeKeyUpReportsATextThatIsNoNumberAndStops) {
    RecallClock clock{1, 2, 3};
    rec.timeH = "7";
    rec.timeM = "x";
    rec.timeS = "99";
    rec.TimeHKeyUp(clock, recordShown());
    EXPECT_EQ(shown, (std::vector<Message>{error("'x' is not a valid integer value")}));
    EXPECT_EQ(clock, (RecallClock{7, 2, 3}));
    EXPECT_EQ(rec.timeS, "99") << "the seconds were never checked";
}

TEST_F(RecorderTest, AReadingTimeOutsideTheDayIsWrappedIntoIt) {
    rec.recallCheck = true;
    rec.INDataToTable(reading("1"), -1000);
    rec.INDataToTable(reading("2"), kMsPerDay + 5);
    EXPECT_EQ(table[0].timeMs(), kMsPerDay - 1000);
    EXPECT_EQ(table[1].timeMs(), 5);
}

}  // namespace
}  // namespace dmm
