// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scale_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dmm {

namespace {
constexpr float kDegreesPerHalfTurn = 180.0f;
constexpr float kScalePi = 3.1415f;  // the sweep's conversion to degrees uses this constant
constexpr float kLimit = 1000000.0f;
}  // namespace

int roundHalfEven(float v) {
    if (std::isnan(v)) return 0;
    v = std::clamp(v, -kLimit, kLimit);
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default;
    // do it by hand so that a changed floating-point environment cannot alter the picture.
    const float lower = std::floor(v);
    const float diff = v - lower;
    float result = lower;
    if (diff > 0.5f) {
        result = lower + 1.0f;
    } else if (diff == 0.5f) {
        result = std::fmod(lower, 2.0f) == 0.0f ? lower : lower + 1.0f;
    }
    return static_cast<int>(result);
}

ScaleGeometry::ScaleGeometry(int panelWidth, int panelHeight)
    : w_(static_cast<float>(std::max(panelWidth - 40, 1))),
      h_(static_cast<float>(std::max(panelHeight - 60, 1))) {
    r_ = (4.0f * h_ * h_ + w_ * w_) / (8.0f * h_);
    s_ = 2.0f * std::atan2(w_ / 2.0f, r_ - h_) * kDegreesPerHalfTurn / kScalePi;
    a_ = (kDegreesPerHalfTurn - s_) / 2.0f;
}

float ScaleGeometry::angle(int position, int positions) const {
    const float n = static_cast<float>(positions > 0 ? positions : 1);
    const float degrees = a_ + s_ * static_cast<float>(position) / n;
    return degrees * std::numbers::pi_v<float> / kDegreesPerHalfTurn;
}

ScalePoint ScaleGeometry::pointAt(int position, int positions, float rho) const {
    const float t = angle(position, positions);
    return {roundHalfEven(w_ / 2.0f - rho * std::cos(t)) + 20,
            roundHalfEven(r_ - rho * std::sin(t)) + 30};
}

NeedleLine ScaleGeometry::needle(int position, int positions) const {
    const float t = angle(position, positions);
    const float c = std::cos(t);
    const float s = std::sin(t);
    NeedleLine line;
    line.tip = {roundHalfEven(w_ / 2.0f - r_ * c) + 20, roundHalfEven(r_ - r_ * s + 4.0f) + 30};
    if (r_ < h_ + 30.0f) {
        // The circle's centre lies inside the panel (a tall panel): the needle pivots there,
        // instead of running on through it towards a pivot line below the panel.
        line.base = {roundHalfEven(w_ / 2.0f) + 20, roundHalfEven(r_) + 30};
        return line;
    }
    const float l = (r_ - h_) - 280.0f;
    // A horizontal needle (sin 0) never meets the pivot line; roundHalfEven clamps the infinity.
    const float baseX = s != 0.0f ? w_ / 2.0f - l * c / s : (l * c > 0.0f ? -kLimit : kLimit);
    line.base = {roundHalfEven(baseX) + 20, roundHalfEven(h_ + 280.0f) + 30};
    return line;
}

}  // namespace dmm
