// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

#include <algorithm>

namespace dmm {

// The bar graph: a horizontal bar drawn as a row of separate blocks, the way a meter's
// analog bar looks, lit from the left in proportion to its value. Minimum 0, maximum 40, value 20
// in the layout. A new value repaints the bar only when it lights another number of blocks, and
// never at once: with the window's next paint. (A progress bar repaints itself at once for
// nearly every new value.)
class SegmentedBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int value READ value WRITE setValue)
public:
    explicit SegmentedBar(QWidget* parent = nullptr);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int value() const { return value_; }
    // As a progress bar's: a maximum below the minimum is raised to it, and a value outside the
    // new range empties the bar (the value becomes minimum - 1).
    void setRange(int minimum, int maximum);
    void setMinimum(int minimum) { setRange(minimum, std::max(minimum, maximum_)); }
    void setMaximum(int maximum) { setRange(std::min(minimum_, maximum), maximum); }
    // As a progress bar's: a value outside the range is ignored.
    void setValue(int value);

    // Sets the position, clamped into minimum..maximum (setValue would ignore a value outside the
    // range and leave the bar standing at the previous reading).
    void setPosition(int position);

    // Number of blocks lit for the current position, of blockCount() blocks.
    int litBlocks() const;
    int blockCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int blockWidth() const;
    // Runs a change of the range or the value; repaints when it changed the blocks lit.
    template <class Change>
    void changeLit(const Change& change);

    int minimum_ = 0;
    int maximum_ = 100;
    int value_ = -1;
};

}  // namespace dmm
