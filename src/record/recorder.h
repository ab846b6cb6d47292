// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "clock.h"
#include "message.h"
#include "meter_reading.h"
#include "reading_state.h"
#include "record_table.h"

namespace dmm {

// The record limits to choose from; exactly one of them is the chosen one.
enum class RecordLimitItem {
    Records1000, Records5000, Records10000, Records50000, Records100000, Limitless
};

struct RecordLimitChoice {
    RecordLimitItem item;
    std::string_view caption;
    std::int32_t limit;
};

inline constexpr std::array<RecordLimitChoice, 6> kRecordLimitChoices = {{
    {RecordLimitItem::Records1000, "1000", 1000},
    {RecordLimitItem::Records5000, "5000", 5000},
    {RecordLimitItem::Records10000, "10000", 10000},
    {RecordLimitItem::Records50000, "50000", 50000},
    {RecordLimitItem::Records100000, "100000", 100000},
    {RecordLimitItem::Limitless, "limitless", 10000000},
}};

inline constexpr std::string_view kRecordDeletedText = " Record deleted ";
inline constexpr std::string_view kInputErrorText = "Input error!";

// Decides which readings become records of the data table and appends them.
//
// The window (or dmmcli) sets the recording choices in the public members below when the user
// changes them; it reads back the recall clock's texts after the recall-clock routines, which
// may rewrite them. Nothing here throws for bad input: a text that is not an
// integer is reported through the ShowMessage callback with "'%s' is not a valid integer
// value" and the rest of that routine is skipped. Nothing throws except addReading when memory
// runs out (std::bad_alloc, or std::length_error past four billion distinct texts); the
// window's guard around its handlers reports that like any other failure.
//
// `useRecallClock` is also read by the core's pipeline (MeterSettings::recallClockOn): the
// window sets both.
class Recorder {
public:
    explicit Recorder(RecordTable& table, const Clock* clock = &SystemClock::instance());

    // The recording choices, with their start values.
    bool recordRepeats = true;          // identical readings in a row are recorded too
    bool sampleByInterval = false;      // one reading per sampling interval is recorded
    std::string intervalText = "10";    // the sampling interval in seconds, as typed
    bool useRecallClock = false;        // records carry the reading time instead of the clock's
    std::string recallHoursText = "23";  // the recall clock's start time, as typed
    std::string recallMinutesText = "59";
    std::string recallSecondsText = "59";

    // Called once per decoded frame, after the reading and its time are set. Returns the No of
    // the record appended, or nothing when the reading was not recorded.
    std::optional<std::int32_t> addReading(const MeterReading& reading, std::int32_t readingTimeMs);

    // A tick of the one-second sampling timer: counts the wait between two samples down.
    void onSamplingTick();
    // The interval or the recall clock's time changed: the wait starts again from the interval.
    void restartSamplingWait();

    // One of the record limits to choose from was chosen.
    void setRecordLimit(RecordLimitItem item);
    RecordLimitItem checkedLimitItem() const { return limitItem_; }
    std::int32_t recordLimit() const { return recordLimit_; }
    // Any limit, for callers with a number of their own (dmmcli --limit); no choice is then the
    // chosen one unless the number is one of theirs.
    void setRecordLimit(std::int32_t limit);

    // Clears the records: shows " Record deleted " through `show` (if given) and, once it is
    // closed, empties the table and restarts numbering. Returns the message shown.
    Message clearRecords(const ShowMessage& show = {});

    // The recall clock. Each writes the clock the pipeline advances.
    // The recall clock was switched: sets its texts to 00:00:00 when `useRecallClock` is on, to
    // 23:59:59 when it is off, then reads them into the clock.
    void resetRecallClock(RecallClock& clock, const ShowMessage& show);
    // Reads the texts into the clock without range checks (the user left the recall clock).
    void readRecallClock(RecallClock& clock, const ShowMessage& show);
    // Checks each text (the user typed in one): one above its maximum shows "Input error!"
    // and is set to "00", leaving its part of the clock as it was; the others go into the clock.
    void checkRecallClock(RecallClock& clock, const ShowMessage& show);

    std::int32_t recordNo() const { return recordNo_; }
    std::int32_t recordTotal() const { return recordTotal_; }
    std::int32_t sampleCountdown() const { return sampleCountdown_; }
    const std::string& lastRecordKey() const { return lastRecordKey_; }

    RecordTable& table() { return table_; }
    const RecordTable& table() const { return table_; }

    // The interval edit's text as a number of seconds. "-", "+" and an empty text mean 0, and
    // so does any text that is not a non-negative integer (it can only arrive by pasting): the
    // countdown never starts negative, which would stop recording for good.
    static std::int32_t intervalSeconds(std::string_view text);

private:
    void advanceRecordNo();

    RecordTable& table_;
    const Clock* clock_;

    std::int32_t recordNo_ = 1;
    std::int32_t recordTotal_ = 0;
    std::int32_t recordLimit_ = 10000;
    RecordLimitItem limitItem_ = RecordLimitItem::Records10000;
    std::int32_t sampleCountdown_ = 0;
    std::string lastRecordKey_;
    std::string key_;  // scratch for the key of the current reading
};

}  // namespace dmm
