// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clickable_image.h"

#include <QMouseEvent>

namespace dmm {

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

ClickableImage::ClickableImage(QWidget* parent) : ClickableLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

}  // namespace dmm
