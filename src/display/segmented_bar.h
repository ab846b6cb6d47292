// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QProgressBar>

namespace dmm {

// The bar graph `PBar2`: a horizontal progress bar drawn as a row of separate blocks, the way a
// meter's analog bar looks. Minimum 0, maximum 40, position 20 in the layout.
class SegmentedBar : public QProgressBar {
    Q_OBJECT
public:
    explicit SegmentedBar(QWidget* parent = nullptr);

    // Sets the position, clamped into minimum..maximum. (QProgressBar::setValue ignores a value
    // outside the range and would leave the bar standing at the previous reading.)
    void setPosition(int position);

    // Number of blocks lit for the current position, of blockCount() blocks.
    int litBlocks() const;
    int blockCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int blockWidth() const;
};

}  // namespace dmm
