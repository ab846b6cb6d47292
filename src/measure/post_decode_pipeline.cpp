// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The steps every decoded frame runs after its decoder: value, limit alarm, range change and
// extremes, needle, recall clock, record, bar graph and chart point.

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <optional>

#include "meter_core.h"

namespace dmm {

namespace {

using E = LcdElement;

// The integer of SignText followed by digit texts ('\0' = a blank digit). Meters blank leading
// zeros, so blank digits before the first digit add nothing, and with no digit at all the
// number is 0 unless a digit is required. A blank between two digits, or a character that is no
// decimal digit, leaves the text without a number.
std::optional<std::int32_t> integerOf(bool negative, std::initializer_list<char> digits,
                                      bool requireDigit) {
    std::int32_t n = 0;
    bool seenDigit = false;
    bool gap = false;
    for (char c : digits) {
        if (c == '\0') {
            if (seenDigit) gap = true;
            continue;
        }
        const int d = decimalValue(c);
        if (d < 0 || gap) return std::nullopt;
        n = n * 10 + d;
        seenDigit = true;
    }
    if (!seenDigit && requireDigit) return std::nullopt;
    return negative ? -n : n;
}

// A non-negative decimal integer, else nothing: the recall step comes from an edit that may
// hold anything that was pasted into it.
std::int64_t stepSeconds(const std::string& text) {
    std::int64_t v = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc{} || ptr != last || first == last || v < 0) return 0;
    return v;
}

struct Numbers {
    float value;
    int needle;
    int bar;
    double chart;
};

// Works out value, needle, bar and chart point of a decoded frame; nothing when one of the
// numbers cannot be formed.
std::optional<Numbers> numbersOf(const DecodedFrame& f, const CountClass& cc) {
    const bool neg = f.negative;
    const int fs = cc.fullScale;
    Numbers out{};
    const auto overloadNumbers = [&]() {
        out.value = static_cast<float>(neg ? -fs : fs);
        out.needle = neg ? 0 : cc.needleStep * 10;
        out.bar = cc.barFull;
        out.chart = static_cast<double>(neg ? -fs : fs);
        return out;
    };
    if (f.family == Family::Brio) {
        if (f.dc == '@') {
            // Brio shows an overload one count beyond full scale, and its bar in the diode
            // function at 25.
            overloadNumbers();
            out.value = static_cast<float>(neg ? -(fs + 1) : fs + 1);
            if (f.brioFunctionOne) out.bar = 25;
            return out;
        }
    } else if (f.db == '0' && f.dc == '@') {
        return overloadNumbers();
    } else if (f.family == Family::Kelt && f.db == '@' && f.dc == '0') {  // blank reading
        out.value = 0.0f;
        out.needle = cc.needleStep * 5;
        out.bar = 1;
        out.chart = 0.0;
        return out;
    }
    // A normal reading. Only Kelt has the fifth digit d0; for the others it is blank, and a
    // blank leading digit adds nothing.
    const bool kelt = f.family == Family::Kelt;
    const auto value = integerOf(neg, {f.d0, f.da, f.db, f.dc, f.dd}, true);
    const auto needle = kelt ? integerOf(neg, {f.d0, f.da, f.db}, false)
                             : integerOf(neg, {f.da, f.db, f.dc}, false);
    const auto bar = kelt ? integerOf(false, {f.d0, f.da}, false)
                          : integerOf(false, {f.da, f.db}, false);
    if (!value || !needle || !bar) return std::nullopt;
    out.value = static_cast<float>(*value);
    out.needle = *needle + cc.needleCentre;
    out.bar = *bar < 2 ? 1 : *bar;
    out.chart = static_cast<double>(*value);
    return out;
}

int decimalPosOf(const LcdPanel& p, Family family) {
    int pos = kNoDecimalPoint;
    if (family == Family::Kelt && p.shown(E::Point0)) pos = 0;
    if (p.shown(E::Point1)) pos = 1;
    if (p.shown(E::Point2)) pos = 2;
    if (p.shown(E::Point3)) pos = 3;
    return pos;
}

}  // namespace

void MeterCore::advanceRecallClock() {
    RecallClock& c = state.recallClock;
    std::int64_t seconds =
        static_cast<std::int64_t>(c.seconds) + stepSeconds(settings.recallStepText);
    // Each whole minute carried moves the minutes on by one; minutes past 59 carry an hour,
    // hours past 23 start again at 0.
    std::int64_t carries = seconds > 59 ? (seconds - 60) / 60 + 1 : 0;
    seconds -= carries * 60;
    std::int64_t minutes = c.minutes;
    std::int64_t hours = c.hours;
    // Adds n carried hours; hours past 23 start again at 0.
    const auto carryHours = [&hours](std::int64_t n) {
        if (n <= 0) return;
        hours = hours > 23 ? (n - 1) % 24 : (hours + n) % 24;
    };
    // Minutes that stand at 59 or above (an edit is not range-checked) come down by 59 with
    // each carry until they are below 59.
    if (carries > 0 && minutes >= 59) {
        const std::int64_t steps = std::min(carries, (minutes - 59) / 59 + 1);
        minutes -= 59 * steps;
        carryHours(steps);
        carries -= steps;
    }
    if (carries > 0) {
        const std::int64_t total = minutes + carries;
        carryHours(total / 60);
        minutes = total % 60;
    }
    c.seconds = static_cast<int>(seconds);
    c.minutes = static_cast<int>(minutes);
    c.hours = static_cast<int>(hours);
    const std::int64_t ms = ((hours * 60 + minutes) * 60 + seconds) * 1000;
    state.readingTimeMs = static_cast<std::int32_t>(((ms % kMsPerDay) + kMsPerDay) % kMsPerDay);
}

bool MeterCore::runPipeline(DecodedFrame& f) {
    const CountClass& cc = state.countClass;
    const std::optional<Numbers> numbers = numbersOf(f, cc);
    if (!numbers) {
        ++counters_.undecodable;
        return false;
    }

    // Connection step: the link has delivered a frame.
    sink_->frameSeen();
    if (f.family == Family::Kelt) frameDiagnostic_ = frameText_;
    if (f.family == Family::Brio) brioFrames_.append(frameText_);
    if (f.family == Family::Sorn && f.frequencyMode != state.frequencyMode) {
        state.frequencyMode = f.frequencyMode;
        sink_->frequencyModeChanged(f.frequencyMode);
    }

    // The panel and the reading of this frame (the digit labels show the final digit texts).
    std::swap(panel_, f.panel);
    if (f.family == Family::Kelt) panel_.setDigit(E::Digit0, f.d0);
    panel_.setDigit(E::Digit1, f.da);
    panel_.setDigit(E::Digit2, f.db);
    panel_.setDigit(E::Digit3, f.dc);
    panel_.setDigit(E::Digit4, f.dd);
    std::swap(reading_, f.reading);
    reading_.value = numbers->value;
    const float value = reading_.value;

    FrameOutcome& out = outcome_;
    out = FrameOutcome{};
    out.family = f.family;
    out.needle = numbers->needle;
    out.bar = numbers->bar;
    out.chart = numbers->chart;

    // Limit alarm.
    out.alarm = (value > state.upperLimit && settings.upperLimitOn) ||
                (value < state.lowerLimit && settings.lowerLimitOn);
    if (out.alarm) sink_->beep();
    sink_->showAlarm(out.alarm);

    // Range change, or the running extremes.
    out.decimalPos = decimalPosOf(panel_, f.family);
    if (reading_.unitText != state.lastUnitText || out.decimalPos != state.lastDecimalPos) {
        out.rangeChange = true;
        sink_->rangeChanged();
        state.lastUnitText = reading_.unitText;
        const int reset = f.family == Family::Brio ? cc.fullScale + 1 : cc.fullScale;
        state.runningMax = static_cast<float>(-reset);
        state.runningMin = static_cast<float>(reset);
    } else {
        if (value >= state.runningMax) {
            state.maxReadingText = reading_.valueText;
            state.runningMax = value;
        }
        if (value <= state.runningMin) {
            state.minReadingText = reading_.valueText;
            state.runningMin = value;
        }
    }
    state.lastDecimalPos = out.decimalPos;

    sink_->needle(out.needle);

    if (f.family == Family::Kelt) {
        if (settings.recallClockOn) {
            advanceRecallClock();
        } else {
            state.readingTimeMs = clock_->timeOfDayMs();
        }
    }

    sink_->record();
    sink_->bar(out.bar);
    sink_->chartPoint(out.chart);
    ++counters_.decoded;
    sink_->frameDone();
    return true;
}

}  // namespace dmm
