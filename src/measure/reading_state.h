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

// Which decimal point of the panel is lit: 0 (after LcdD0, Kelt only) .. 3, or none.
constexpr int kNoDecimalPoint = -1;

// A simulated clock of three integers, advanced by the Kelt pipeline while recalled data are
// recorded. Values come from edits and are not range-checked.
struct RecallClock {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    bool operator==(const RecallClock&) const = default;
};

// The window controls the pipeline reads. The window copies them in when they change.
struct MeterSettings {
    bool setMaxB = false;       // upper limit switched on
    bool setMinB = false;       // lower limit switched on
    bool recallCheck = false;   // records carry the recall clock
    std::string timeInt = "1";  // recall clock step in seconds (text of its edit)
    bool ivra = false;          // hidden model box: Sorn shows the true-RMS annunciator
    bool brio = false;          // hidden model box read by the Brio decoder
    bool fermo = false;         // hidden model box read by the Brio decoder
};

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

    std::string lastUnitText = "113";  // matches no unit text: the first frame is a range change
    int lastDecimalPos = kNoDecimalPoint;

    int linkWatchdog = 0;          // watchdog ticks since the last decoded frame
    std::int32_t readingTimeMs = 0;  // time of day of the current reading, ms since midnight
    RecallClock recallClock;
    bool frequencyMode = false;    // Sorn frequency annunciator on

    // Start values for a count class: members, limits FullScale + 2, extremes FullScale + 1.
    void applyCountClass(const CountClass& cc);
};

}  // namespace dmm
