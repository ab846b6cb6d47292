// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "frame_encoder.h"
#include "reading_state.h"

namespace dmm {

// The readings of a simulated meter at a bench: a slowly varying DC voltage, a step that makes
// the meter change range, an AC mains voltage, a negative voltage, an overload in a fixed
// range, a resistance and a frequency, then the same again with new drift. Each reading is
// formatted the way a meter of the family displays it (its digits, its ranges). The same seed
// gives the same readings.
class ReadingScript {
public:
    explicit ReadingScript(Family family, std::uint64_t seed = 1);

    // The next display of the sequence.
    MeterDisplay next();

    // What the scene of the last display is, for logs: "dc", "step", "ac", "negative",
    // "overload", "resistance" or "frequency".
    const std::string& scene() const { return scene_; }

    // The display of `value` (in volts, ohms or hertz) in the smallest range of the quantity
    // that holds it, or in range `fixedRange` (an index into the quantity's ranges; an
    // overload when the value does not fit). Exposed for tests.
    enum class Quantity { Volts, Ohms, Hertz };
    MeterDisplay format(Quantity q, double value, const std::string& coupling,
                        int fixedRange = -1) const;

private:
    double jitter(double span);  // uniform in [-span, span]

    Family family_;
    std::mt19937_64 rng_;
    std::uint64_t step_ = 0;
    std::string scene_;
    double dcVolts_ = 3.2;
    double acVolts_ = 230.0;
    double negativeVolts_ = -1.5;
    double ohms_ = 10000.0;
    double hertz_ = 1000.0;
};

}  // namespace dmm
