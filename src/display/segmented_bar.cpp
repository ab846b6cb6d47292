// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmented_bar.h"

#include <QPainter>

#include <algorithm>

namespace dmm {

namespace {
constexpr int kFrame = 2;
constexpr int kGap = 2;
}  // namespace

SegmentedBar::SegmentedBar(QWidget* parent) : QWidget(parent) {
    // Every paint fills the whole bar.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setRange(0, 40);
    setValue(20);
}

template <class Change>
void SegmentedBar::changeLit(const Change& change) {
    const int before = litBlocks();
    change();
    if (litBlocks() != before) update();
}

void SegmentedBar::setRange(int minimum, int maximum) {
    changeLit([&] {
        minimum_ = minimum;
        maximum_ = std::max(minimum, maximum);
        if (value_ < minimum_ || value_ > maximum_) value_ = minimum_ - 1;
    });
}

void SegmentedBar::setValue(int value) {
    if (value == value_ || value < minimum_ || value > maximum_) return;
    changeLit([&] { value_ = value; });
}

void SegmentedBar::setPosition(int position) {
    setValue(std::clamp(position, minimum_, maximum_));
}

int SegmentedBar::blockWidth() const {
    // Blocks about two thirds as wide as the bar is high, as a classic segmented bar has them.
    return std::max(2, (height() - 2 * kFrame) * 2 / 3);
}

int SegmentedBar::blockCount() const {
    const int inner = width() - 2 * kFrame;
    return std::max(1, (inner + kGap) / (blockWidth() + kGap));
}

int SegmentedBar::litBlocks() const {
    const long long span = static_cast<long long>(maximum_) - minimum_;
    if (span <= 0) return value_ > minimum_ ? blockCount() : 0;
    const long long done = static_cast<long long>(value_) - minimum_;
    // Round up, so that any position above the minimum lights at least one block.
    const long long lit = (done * blockCount() + span - 1) / span;
    return static_cast<int>(std::clamp<long long>(lit, 0, blockCount()));
}

void SegmentedBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect outer = rect();
    p.fillRect(outer, palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(outer.topLeft(), outer.topRight());
    p.drawLine(outer.topLeft(), outer.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(outer.bottomLeft(), outer.bottomRight());
    p.drawLine(outer.topRight(), outer.bottomRight());

    const QColor block = palette().color(QPalette::Highlight);
    const int w = blockWidth();
    const int top = kFrame;
    const int h = height() - 2 * kFrame;
    const int lit = litBlocks();
    for (int i = 0; i < lit; ++i) {
        p.fillRect(QRect(kFrame + i * (w + kGap), top, w, h), block);
    }
}

}  // namespace dmm
