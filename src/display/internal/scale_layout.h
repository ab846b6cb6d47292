// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <span>
#include <string_view>

#include "scale_settings.h"

namespace dmm {

// A tick label: drawn with its top-left corner at the tick's outer point (radius R + 18) moved
// left by dx and up by dy.
struct ScaleLabel {
    int tick;
    std::string_view text;
    int dx;
    int dy;
};

// The ticks of one scale layout: ticks + 1 tick steps (0 to ticks), some of them labelled, some
// of them marked with a red dot.
class ScaleLayout {
public:
    // The layout for the count class in force, or the frequency layout (100 ticks, -50 to 50).
    static ScaleLayout forSettings(const ScaleSettings& settings);

    int ticks() const { return ticks_; }
    std::span<const ScaleLabel> labels() const { return labels_; }
    // The label of tick i, or nullptr.
    const ScaleLabel* labelAt(int tick) const;
    // Whether tick i carries a red major-tick dot.
    bool isMajorTick(int tick) const;

private:
    enum class Major { EveryTenth, EveryFifteenth, FourthOfTen, None };
    ScaleLayout(int ticks, std::span<const ScaleLabel> labels, Major major)
        : ticks_(ticks), labels_(labels), major_(major) {}

    int ticks_;
    std::span<const ScaleLabel> labels_;
    Major major_;
};

// Number of dots of the thick arc: one per needle position, 0 to needleStep * 10.
int arcDotCount(const CountClass& countClass);
// Whether the arc dot for needle position c is red: the display count it stands for lies above
// an active upper limit or below an active lower limit.
bool arcDotIsRed(int position, const ScaleSettings& settings);

}  // namespace dmm
