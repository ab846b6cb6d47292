// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "stretched_picture.h"

#include <QPaintEvent>
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

QRect StretchedPicture::widgetArea(const QRect& area) const {
    if (image_.isNull() || size() == image_.size()) return area;
    // A stretched pixel blends the bitmap's pixels on either side of the one it stands on.
    const QRect blended = area.adjusted(-1, -1, 1, 1);
    const qreal sx = static_cast<qreal>(width()) / image_.width();
    const qreal sy = static_cast<qreal>(height()) / image_.height();
    return QRectF(blended.x() * sx, blended.y() * sy, blended.width() * sx,
                  blended.height() * sy)
        .toAlignedRect()
        .intersected(rect());
}

void StretchedPicture::pictureChanged(const QRect& area) {
    const QRect shown = widgetArea(area.intersected(image_.rect()));
    if (shown.isEmpty()) return;
    staleStretch_ += shown;
    update(shown);
}

void StretchedPicture::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (image_.isNull()) {
        p.fillRect(event->rect(), Qt::white);
        return;
    }
    if (size() == image_.size()) {
        staleStretch_ = QRegion();
        for (const QRect& r : event->region()) p.drawImage(r, image_, r);
        return;
    }
    if (stretched_.size() != size()) {
        stretched_ = QImage(size(), QImage::Format_RGB32);
        staleStretch_ = rect();
    }
    if (!staleStretch_.isEmpty()) {
        // The whole bitmap drawn stretched, clipped to what changed: the same pixels as
        // stretching it all again.
        QPainter stretch(&stretched_);
        stretch.setClipRegion(staleStretch_);
        stretch.setRenderHint(QPainter::SmoothPixmapTransform);
        stretch.drawImage(stretched_.rect(), image_);
        staleStretch_ = QRegion();
    }
    for (const QRect& r : event->region()) p.drawImage(r, stretched_, r);
}

}  // namespace dmm
