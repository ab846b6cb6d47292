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

// The record-limit items of the "Record" menu; exactly one carries the check mark.
enum class RecordLimitItem { N10001, N50001, N100001, N500001, N1000001, limitess };

struct RecordLimitChoice {
    RecordLimitItem item;
    std::string_view objectName;  // the menu item's name
    std::string_view caption;
    std::int32_t limit;
};

inline constexpr std::array<RecordLimitChoice, 6> kRecordLimitChoices = {{
    {RecordLimitItem::N10001, "N10001", "1000", 1000},
    {RecordLimitItem::N50001, "N50001", "5000", 5000},
    {RecordLimitItem::N100001, "N100001", "10000", 10000},
    {RecordLimitItem::N500001, "N500001", "50000", 50000},
    {RecordLimitItem::N1000001, "N1000001", "100000", 100000},
    {RecordLimitItem::limitess, "limitess", "limitless", 10000000},
}};

inline constexpr std::string_view kRecordDeletedText = " Record deleted ";
inline constexpr std::string_view kInputErrorText = "Input error!";

// Decides which readings become records of the data table and appends them.
//
// The window (or dmmcli) owns the controls and copies their states into the public members
// below when they change; it reads back the recall edits' texts after the recall handlers,
// which may rewrite them. Handlers never throw for bad input: a text that is not an integer
// is reported through the ShowMessage callback with "'%s' is not a valid integer value" and
// the rest of that handler is skipped. Nothing throws except INDataToTable when memory runs out
// (std::bad_alloc, or std::length_error past four billion distinct texts); the window's guard
// around its handlers reports that like any other failure.
//
// `recallCheck` is also read by the core's pipeline (MeterSettings::recallCheck): the window
// copies the box's state into both.
class Recorder {
public:
    explicit Recorder(RecordTable& table, const Clock* clock = &SystemClock::instance());

    // Control states, with their start values.
    bool repeatSet = true;               // "Repeat" ticked: identical readings are recorded
    bool recordSI = false;               // "Sampling Interval" ticked
    std::string recordSITime = "10";     // the interval edit's text, in seconds
    bool recallCheck = false;            // records carry ReadingTime instead of the time of day
    std::string timeH = "23";            // recall edits
    std::string timeM = "59";
    std::string timeS = "59";

    // Called once per decoded frame, after the reading and its time are set. Returns the No of
    // the record appended, or nothing when the reading was not recorded.
    std::optional<std::int32_t> INDataToTable(const MeterReading& reading,
                                              std::int32_t readingTimeMs);

    // The one-second sampling timer.
    void TrecordTimer();
    // Change of the interval edit or of a recall edit: restart the wait from the interval.
    void RecordSITimeChange();

    // Record-limit menu items.
    void N10001Click() { setRecordLimit(RecordLimitItem::N10001); }
    void N50001Click() { setRecordLimit(RecordLimitItem::N50001); }
    void N100001Click() { setRecordLimit(RecordLimitItem::N100001); }
    void N500001Click() { setRecordLimit(RecordLimitItem::N500001); }
    void N1000001Click() { setRecordLimit(RecordLimitItem::N1000001); }
    void limitessClick() { setRecordLimit(RecordLimitItem::limitess); }
    void setRecordLimit(RecordLimitItem item);
    RecordLimitItem checkedLimitItem() const { return limitItem_; }
    std::int32_t recordLimit() const { return recordLimit_; }
    // Any limit, for callers without the menu (dmmcli --limit); no menu item is then checked
    // unless the number is one of the items'.
    void setRecordLimit(std::int32_t limit);

    // "Close Data": shows " Record deleted " through `show` (if given) and, once it is closed,
    // empties the table and restarts numbering. Returns the message shown.
    Message RecordNewClick(const ShowMessage& show = {});

    // Recall-data panel. Each writes the recall clock the pipeline advances.
    void RecallCheckClick(RecallClock& clock, const ShowMessage& show);
    void RecallCheckExit(RecallClock& clock, const ShowMessage& show);
    void TimeHKeyUp(RecallClock& clock, const ShowMessage& show);

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
    RecordLimitItem limitItem_ = RecordLimitItem::N100001;
    std::int32_t sampleCountdown_ = 0;
    std::string lastRecordKey_;
    std::string key_;  // scratch for the key of the current reading
};

}  // namespace dmm
