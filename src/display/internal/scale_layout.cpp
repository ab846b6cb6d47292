// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scale_layout.h"

#include <array>

namespace dmm {

namespace {

constexpr std::array<ScaleLabel, 11> kFrequencyLabels{{
    {0, "-50", 5, 7}, {10, "-40", 8, 6}, {20, "-30", 10, 5}, {30, "-20", 10, 4},
    {40, "-10", 5, 4}, {50, "0", 3, 3}, {60, "10", 8, 5}, {70, "20", 8, 5},
    {80, "30", 9, 4}, {90, "40", 12, 9}, {100, "50", 14, 11},
}};

constexpr std::array<ScaleLabel, 9> kClass4Labels{{
    {0, "-40", 5, 7}, {10, "-30", 8, 6}, {20, "-20", 10, 5}, {30, "-10", 10, 4},
    {40, "0", 3, 4}, {50, "10", 5, 5}, {60, "20", 8, 5}, {70, "30", 10, 6}, {80, "40", 12, 7},
}};

constexpr std::array<ScaleLabel, 9> kClass6Labels{{
    {0, "-60", 5, 7}, {15, "-45", 8, 6}, {30, "-30", 10, 5}, {45, "-15", 10, 4},
    {60, "0", 3, 4}, {75, "15", 5, 5}, {90, "30", 8, 5}, {105, "45", 10, 6}, {120, "60", 11, 7},
}};

constexpr std::array<ScaleLabel, 7> kClass34Labels{{
    {4, "-30", 8, 6}, {14, "-20", 10, 5}, {24, "-10", 10, 4}, {34, "0", 3, 4},
    {44, "10", 5, 5}, {54, "20", 8, 5}, {64, "30", 10, 6},
}};

constexpr std::array<ScaleLabel, 9> kClass2Labels{{
    {0, "-20", 5, 7}, {5, "-15", 8, 6}, {10, "-10", 10, 5}, {15, "-5", 10, 4},
    {20, "0", 3, 4}, {25, "5", 5, 5}, {30, "10", 8, 5}, {35, "15", 10, 6}, {40, "20", 12, 7},
}};

}  // namespace

ScaleLayout ScaleLayout::forSettings(const ScaleSettings& settings) {
    if (settings.frequencyMode) return {100, kFrequencyLabels, Major::EveryTenth};
    const CountClass& cc = settings.countClass;
    const std::string_view name = cc.name;
    if (name == "4") return {cc.needleStep, kClass4Labels, Major::EveryTenth};
    if (name == "6") return {cc.needleStep, kClass6Labels, Major::EveryFifteenth};
    if (name == "34") return {cc.needleStep, kClass34Labels, Major::FourthOfTen};
    if (name == "2") return {cc.needleStep, kClass2Labels, Major::None};
    return {cc.needleStep, {}, Major::None};
}

const ScaleLabel* ScaleLayout::labelAt(int tick) const {
    for (const ScaleLabel& l : labels_) {
        if (l.tick == tick) return &l;
    }
    return nullptr;
}

bool ScaleLayout::isMajorTick(int tick) const {
    switch (major_) {
        case Major::EveryTenth: return tick % 10 == 0;
        case Major::EveryFifteenth: return tick % 15 == 0;
        case Major::FourthOfTen: return tick % 10 == 4;
        case Major::None: return false;
    }
    return false;
}

int arcDotCount(const CountClass& countClass) { return countClass.needleStep * 10 + 1; }

bool arcDotIsRed(int position, const ScaleSettings& settings) {
    const CountClass& cc = settings.countClass;
    if (cc.needleCentre == 0) return false;
    const double v = static_cast<double>(position - cc.needleCentre) * cc.fullScale /
                     cc.needleCentre;
    if (settings.upperLimitOn && v > static_cast<double>(settings.upperLimit)) return true;
    return settings.lowerLimitOn && v < static_cast<double>(settings.lowerLimit);
}

}  // namespace dmm
