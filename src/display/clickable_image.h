// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLabel>

namespace dmm {

// A label that reports a left click: pressed and let go over it.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A small picture that reacts to a left click, like the zoom magnifiers on the scale and chart.
class ClickableImage : public ClickableLabel {
    Q_OBJECT
public:
    explicit ClickableImage(QWidget* parent = nullptr);
};

}  // namespace dmm
