// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "stretched_picture.h"

#include <QPainter>

namespace dmm {

StretchedPicture::StretchedPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& StretchedPicture::picture() {
    if (image_.isNull()) {
        image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        image_.fill(Qt::white);
    }
    return image_;
}

void StretchedPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (image_.isNull()) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, size() != image_.size());
    p.drawImage(rect(), image_);
}

}  // namespace dmm
