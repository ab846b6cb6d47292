// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "count_class.h"

#include <array>

namespace dmm {

namespace {
constexpr std::array<CountClass, 4> kClasses{{
    // The bar is 40 positions long, but for the 20000-count class, whose overload fills 20.
    {"4", 40000, 400, 40, 80, 40},
    {"6", 6000, 600, 60, 120, 40},
    {"34", 3400, 340, 34, 68, 40},
    {"2", 20000, 200, 20, 40, 20},
}};
}  // namespace

const CountClass* findCountClass(std::string_view name) {
    for (const CountClass& c : kClasses) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

const CountClass& standardCountClass() { return kClasses[0]; }

ValueAxis chartValueAxis(const CountClass& cc, bool frequencyMode) {
    if (frequencyMode) return {-5000, 5000};
    return {-cc.fullScale, cc.fullScale};
}

}  // namespace dmm
