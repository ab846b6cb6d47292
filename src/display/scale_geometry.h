// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace dmm {

struct ScalePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScalePoint&, const ScalePoint&) = default;
};

// A needle drawn as one line from its tip towards a pivot below the picture.
struct NeedleLine {
    ScalePoint tip;
    ScalePoint base;
    friend bool operator==(const NeedleLine&, const NeedleLine&) = default;
};

// The arc of the analog scale for a panel of a given size: a circle through the two ends of a
// chord of width W = panel width - 40 whose arc rises H = panel height - 60 above the chord,
// the chord 20 pixels in from the sides and the top of the arc 30 pixels below the panel's top.
// All numbers are single precision and the sweep's conversion to degrees uses 3.1415: both
// decide on which pixel a dot or a needle end lands, so they are part of the scale's look.
//
// Panels of any size give finite numbers: the chord and the rise are at least one pixel, the
// sweep is measured with atan2 (so a tall panel, W <= 2H, gets an arc of 180 degrees or more
// instead of a negative sweep), and every point is clamped into the range a painter can draw.
class ScaleGeometry {
public:
    ScaleGeometry(int panelWidth, int panelHeight);

    float chord() const { return w_; }        // W
    float rise() const { return h_; }         // H
    float radius() const { return r_; }       // R
    float sweepDegrees() const { return s_; } // S
    float startDegrees() const { return a_; } // A

    // The angle in radians of position p on a scale of n positions, from the left chord end.
    float angle(int position, int positions) const;
    // The point at radius rho for position p on n positions, rounded half to even.
    ScalePoint pointAt(int position, int positions, float rho) const;
    // The needle for position p on n positions: tip 4 pixels below the circle of radius R, base
    // where the line towards the circle's centre meets the line y = H + 310 (below the panel),
    // or the centre itself when the centre lies inside the panel.
    NeedleLine needle(int position, int positions) const;

private:
    float w_;
    float h_;
    float r_;
    float s_;
    float a_;
};

// Nearest integer with halves to the even neighbour; NaN gives 0 and far values are clamped to
// +-1000000 so that the result always converts to int.
int roundHalfEven(float v);

}  // namespace dmm
