// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "count_class.h"

namespace dmm {

enum class Family { Kelt, Sorn, Brio };

std::optional<Family> parseFamily(std::string_view name);  // "kelt", "sorn", "brio"
std::string_view familyName(Family f);

// Which decimal point of the panel is lit: 0 (after Digit0, Kelt only) .. 3, or none.
constexpr int kNoDecimalPoint = -1;

// A simulated clock of three integers, advanced by the Kelt pipeline while recalled data are
// recorded. Values come from edits and are not range-checked.
struct RecallClock {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    bool operator==(const RecallClock&) const = default;
};

// The settings the pipeline and the decoders read. The window sets them when the user changes
// a choice; dmmcli sets them from its options.
struct MeterSettings {
    bool upperLimitOn = false;  // a reading above ReadingState::upperLimit raises the alarm
    bool lowerLimitOn = false;  // a reading below ReadingState::lowerLimit raises the alarm
    bool recallClockOn = false;        // Kelt frames advance the recall clock and take its time
    std::string recallStepText = "1";  // the recall clock's step in seconds, as typed
    // Meter models within a family, fixed at start-up:
    bool ivraModel = false;   // Sorn: the true-RMS annunciator follows the AC bit
    bool brioModel = false;   // Brio: the lowest frequency range reads kHz
    bool fermoModel = false;  // Brio: as brioModel, and continuity shows the ohm glyph too
};

// The last unit text at start-up. No unit reads "113", so the first decoded frame always counts
// as a range change: it starts a new chart and resets the extremes.
inline constexpr std::string_view kStartUnitText = "113";

// Shared state of the reading pipeline, with the start values of the standard build.
struct ReadingState {
    CountClass countClass = standardCountClass();
    std::string localeDecimal = ".";

    float upperLimit = 40002.0f;
    float lowerLimit = -40002.0f;
    float runningMax = -40001.0f;
    float runningMin = 40001.0f;
    std::string maxReadingText;
    std::string minReadingText;

    std::string lastUnitText{kStartUnitText};
    int lastDecimalPos = kNoDecimalPoint;

    std::int32_t readingTimeMs = 0;  // time of day of the current reading, ms since midnight
    RecallClock recallClock;
    bool frequencyMode = false;    // Sorn frequency annunciator on

    // The state at start-up: the standard count class with its limits and extremes, the last
    // unit kStartUnitText, the locale's decimal separator and the reading time given.
    static ReadingState atStartUp(std::string_view localeDecimal, std::int32_t timeOfDayMs);

    // Start values for a count class: members, limits FullScale + 2, extremes FullScale + 1.
    void applyCountClass(const CountClass& cc);
};

}  // namespace dmm
