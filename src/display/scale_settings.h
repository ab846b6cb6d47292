// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "count_class.h"

namespace dmm {

// What the analog scale is drawn for: the count class in force, the frequency layout, and the
// alarm limits whose exceeding dots are drawn red when their check box is ticked.
struct ScaleSettings {
    CountClass countClass = standardCountClass();
    bool frequencyMode = false;
    float upperLimit = 40002.0f;
    float lowerLimit = -40002.0f;
    bool upperLimitOn = false;  // upper limit switched on
    bool lowerLimitOn = false;  // lower limit switched on
};

}  // namespace dmm
