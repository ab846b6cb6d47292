// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading_script.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace dmm {

namespace {

// One range of a quantity: its unit text, its full scale in that unit (4, 40, 400 or 4000,
// as on a meter of 4000 or 40000 counts) and what one unit is in volts, ohms or hertz.
struct Range {
    const char* unit;
    int fullScale;
    double unitSize;
};

const Range kVoltRanges[] = {
    {"mV", 400, 1e-3}, {"V", 4, 1}, {"V", 40, 1}, {"V", 400, 1}, {"V", 4000, 1},
};
const Range kOhmRanges[] = {
    {"*", 400, 1},    {"k*", 4, 1e3}, {"k*", 40, 1e3},
    {"k*", 400, 1e3}, {"M*", 4, 1e6}, {"M*", 40, 1e6},
};
const Range kHertzRanges[] = {
    {"Hz", 400, 1},  {"kHz", 4, 1e3}, {"kHz", 40, 1e3}, {"kHz", 400, 1e3},
    {"MHz", 4, 1e6}, {"MHz", 40, 1e6},
};

// Frames per scene, in order.
struct Scene {
    const char* name;
    int frames;
};
constexpr Scene kScenes[] = {
    {"dc", 40}, {"step", 4}, {"ac", 6}, {"negative", 4},
    {"overload", 3}, {"resistance", 6}, {"frequency", 6},
};

int integerDigits(int fullScale) {
    return fullScale >= 1000 ? 4 : fullScale >= 100 ? 3 : fullScale >= 10 ? 2 : 1;
}

}  // namespace

ReadingScript::ReadingScript(Family family, std::uint64_t seed) : family_(family), rng_(seed) {}

double ReadingScript::jitter(double span) {
    // From the raw engine output, so that a seed gives the same readings everywhere.
    const double unit = static_cast<double>(rng_() >> 11) / static_cast<double>(1ull << 53);
    return (unit * 2.0 - 1.0) * span;
}

MeterDisplay ReadingScript::format(Quantity q, double value, const std::string& coupling,
                                   int fixedRange) const {
    const Range* begin = q == Quantity::Volts ? std::begin(kVoltRanges)
                       : q == Quantity::Ohms  ? std::begin(kOhmRanges)
                                              : std::begin(kHertzRanges);
    const Range* end = q == Quantity::Volts ? std::end(kVoltRanges)
                     : q == Quantity::Ohms  ? std::end(kOhmRanges)
                                            : std::end(kHertzRanges);
    const int digits = displayDigits(family_);
    const long limit = 4 * static_cast<long>(std::pow(10, digits - 1));

    MeterDisplay d;
    d.coupling = coupling;
    d.negative = value < 0;
    d.autoRange = fixedRange < 0;
    std::string bytes;
    const Range* last = nullptr;
    for (const Range* r = begin; r != end; ++r) {
        if (fixedRange >= 0 && r - begin != fixedRange) continue;
        d.unit = r->unit;
        d.decimals = digits - integerDigits(r->fullScale);
        d.digits = std::string(static_cast<std::size_t>(digits), '0');
        d.overload = false;
        if (!encodeFrame(family_, d, bytes)) continue;  // a range this family does not have
        last = r;
        const long counts =
            std::lround(std::fabs(value) / r->unitSize * std::pow(10, d.decimals));
        if (counts >= limit) continue;
        std::string text = std::to_string(counts);
        d.digits = std::string(static_cast<std::size_t>(digits) - text.size(), '0') + text;
        return d;
    }
    // Beyond the last (or the fixed) range: the meter shows its overload.
    if (last) {
        d.unit = last->unit;
        d.decimals = digits - integerDigits(last->fullScale);
    }
    d.digits = std::string(static_cast<std::size_t>(digits), '0');
    d.overload = true;
    return d;
}

MeterDisplay ReadingScript::next() {
    int cycleLength = 0;
    for (const Scene& s : kScenes) cycleLength += s.frames;
    int at = static_cast<int>(step_ % static_cast<std::uint64_t>(cycleLength));
    const Scene* scene = kScenes;
    while (at >= scene->frames) {
        at -= scene->frames;
        ++scene;
    }
    ++step_;
    scene_ = scene->name;

    if (scene_ == "dc") {
        dcVolts_ = std::clamp(dcVolts_ + jitter(0.02), 2.6, 3.6);
        return format(Quantity::Volts, dcVolts_, "DC");
    }
    if (scene_ == "step") {
        // The input rises past the 4 V range: the meter steps up to the next range.
        return format(Quantity::Volts, 4.05 + 0.35 * at + jitter(0.01), "DC");
    }
    if (scene_ == "ac") {
        acVolts_ = std::clamp(acVolts_ + jitter(0.4), 225.0, 235.0);
        return format(Quantity::Volts, acVolts_, "AC");
    }
    if (scene_ == "negative") {
        negativeVolts_ = std::clamp(negativeVolts_ + jitter(0.002), -1.6, -1.4);
        return format(Quantity::Volts, negativeVolts_, "DC");
    }
    if (scene_ == "overload") {
        // 5 V on the 4 V range held by hand.
        return format(Quantity::Volts, 5.0 + jitter(0.1), "DC", 1);
    }
    if (scene_ == "resistance") {
        ohms_ = std::clamp(ohms_ + jitter(5.0), 9900.0, 10100.0);
        return format(Quantity::Ohms, ohms_, "");
    }
    hertz_ = std::clamp(hertz_ + jitter(3.0), 980.0, 1020.0);
    return format(Quantity::Hertz, hertz_, "");
}

}  // namespace dmm
