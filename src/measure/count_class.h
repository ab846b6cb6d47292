// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string_view>

namespace dmm {

// The display class of the meter: how many counts it shows at full scale, and the numbers the
// needle, the bar and the scale derive from it.
struct CountClass {
    std::string_view name;   // "4", "6", "34" or "2"
    std::int32_t fullScale;  // largest magnitude of a reading, in display counts
    std::int32_t needleCentre;  // needle position of a zero reading
    std::int32_t barFull;    // bar position shown for an overload
    std::int32_t needleStep; // tick intervals of the scale; the needle runs over needleStep*10
    std::int32_t barMaximum; // the bar graph's full length in bar positions
};

// The four known classes; nullptr for any other name.
const CountClass* findCountClass(std::string_view name);

// Class "4": 40000 counts, the standard build.
const CountClass& standardCountClass();

// The range of the trend chart's value axis, in display counts.
struct ValueAxis {
    std::int32_t minimum;
    std::int32_t maximum;
    bool operator==(const ValueAxis&) const = default;
};

// -FullScale .. FullScale; while a Sorn meter shows a frequency, -5000 .. 5000.
ValueAxis chartValueAxis(const CountClass& cc, bool frequencyMode);

}  // namespace dmm
