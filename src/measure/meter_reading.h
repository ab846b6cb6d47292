// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace dmm {

// The current reading as the meter displays it.
struct MeterReading {
    std::string valueText;     // sign, digits, decimal separator, "L" for the overload glyph
    std::string couplingText;  // "DC", "AC", "AC+DC" or empty
    std::string unitText;      // prefix and unit in LCD glyph characters ("mV", "k*", "#", ...)
    std::string rangeText;     // "AUTO", "MANU" or empty
    float value = 0.0f;        // displayed digits as one signed integer, point ignored
};

}  // namespace dmm
