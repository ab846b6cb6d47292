// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recorder.h"

#include "integer_text.h"

namespace dmm {

Recorder::Recorder(RecordTable& table, const Clock* clock) : table_(table), clock_(clock) {}

std::int32_t Recorder::intervalSeconds(std::string_view text) {
    if (text.empty() || text == "-" || text == "+") return 0;
    const auto v = parseIntegerText(text);
    return (v && *v > 0) ? *v : 0;
}

std::optional<std::int32_t> Recorder::addReading(const MeterReading& r,
                                                 std::int32_t readingTimeMs) {
    if (recordTotal_ >= recordLimit_) return std::nullopt;
    if (sampleByInterval && sampleCountdown_ != 0) return std::nullopt;

    key_.clear();
    key_.append(r.valueText).append(r.couplingText).append(r.unitText).append(r.rangeText);
    if (!recordRepeats && key_ == lastRecordKey_) {
        advanceRecordNo();
        return std::nullopt;
    }
    lastRecordKey_.swap(key_);
    sampleCountdown_ = intervalSeconds(intervalText);
    ++recordTotal_;

    std::int32_t t = useRecallClock ? readingTimeMs : clock_->timeOfDayMs();
    t = ((t % kMsPerDay) + kMsPerDay) % kMsPerDay;  // a time of day, whatever the source says
    RecordValues v;
    v.no = recordNo_;
    v.timeMs = t;
    v.text[kFieldDcAc - kFieldDcAc] = r.couplingText;
    v.text[kFieldValue - kFieldDcAc] = r.valueText;
    v.text[kFieldUnit - kFieldDcAc] = r.unitText;
    v.text[kFieldAuto - kFieldDcAc] = r.rangeText;
    table_.append(v);
    const std::int32_t no = recordNo_;
    advanceRecordNo();
    return no;
}

void Recorder::advanceRecordNo() {
    // Wraps like the 32-bit field it fills instead of overflowing.
    recordNo_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(recordNo_) + 1u);
}

void Recorder::onSamplingTick() {
    if (sampleByInterval && sampleCountdown_ > 0) --sampleCountdown_;
}

void Recorder::restartSamplingWait() { sampleCountdown_ = intervalSeconds(intervalText); }

void Recorder::setRecordLimit(RecordLimitItem item) {
    for (const auto& c : kRecordLimitChoices) {
        if (c.item == item) {
            limitItem_ = item;
            recordLimit_ = c.limit;
        }
    }
}

void Recorder::setRecordLimit(std::int32_t limit) {
    recordLimit_ = limit;
    for (const auto& c : kRecordLimitChoices) {
        if (c.limit == limit) limitItem_ = c.item;
    }
}

Message Recorder::clearRecords(const ShowMessage& show) {
    Message m = information(std::string(kRecordDeletedText));
    if (show) show(m);
    if (!table_.empty()) table_.clear();
    recordNo_ = 1;
    recordTotal_ = 0;
    return m;
}

namespace {

// Reads the three recall edits into the clock, in the order hours, minutes, seconds; stops at
// the first text that is not an integer and reports it.
void readRecallTexts(const std::string& h, const std::string& m, const std::string& s,
                     RecallClock& clock, const ShowMessage& show) {
    const std::string* texts[] = {&h, &m, &s};
    int* parts[] = {&clock.hours, &clock.minutes, &clock.seconds};
    for (int i = 0; i < 3; ++i) {
        const auto v = parseIntegerText(*texts[i]);
        if (!v) {
            if (show) show(error(notAnIntegerMessage(*texts[i])));
            return;
        }
        *parts[i] = *v;
    }
}

}  // namespace

void Recorder::resetRecallClock(RecallClock& clock, const ShowMessage& show) {
    if (useRecallClock) {
        recallHoursText = "00";
        recallMinutesText = "00";
        recallSecondsText = "00";
    } else {
        recallHoursText = "23";
        recallMinutesText = "59";
        recallSecondsText = "59";
    }
    readRecallTexts(recallHoursText, recallMinutesText, recallSecondsText, clock, show);
}

void Recorder::readRecallClock(RecallClock& clock, const ShowMessage& show) {
    readRecallTexts(recallHoursText, recallMinutesText, recallSecondsText, clock, show);
}

void Recorder::checkRecallClock(RecallClock& clock, const ShowMessage& show) {
    std::string* texts[] = {&recallHoursText, &recallMinutesText, &recallSecondsText};
    int* parts[] = {&clock.hours, &clock.minutes, &clock.seconds};
    const int maxima[] = {23, 59, 59};
    for (int i = 0; i < 3; ++i) {
        const auto v = parseIntegerText(*texts[i]);
        if (!v) {
            if (show) show(error(notAnIntegerMessage(*texts[i])));
            return;
        }
        // A negative number (only possible by pasting) is as wrong as one above the maximum.
        if (*v > maxima[i] || *v < 0) {
            if (show) show(information(std::string(kInputErrorText)));
            *texts[i] = "00";
        } else {
            *parts[i] = *v;
        }
    }
}

}  // namespace dmm
