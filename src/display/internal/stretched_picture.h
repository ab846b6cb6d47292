// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

namespace dmm {

// Shows a bitmap stretched to the widget's size. The bitmap keeps the size it was created with,
// so a widget that grows shows the same drawing larger. The stretched copy is kept and only the
// parts of the bitmap said to have changed are stretched again; a paint copies pixels.
class StretchedPicture : public QWidget {
public:
    explicit StretchedPicture(QWidget* parent = nullptr);

    // The bitmap; created white at the widget's size on first use. Drawing on it shows once
    // pictureChanged says where.
    QImage& picture();
    const QImage& picture() const { return image_; }
    bool hasPicture() const { return !image_.isNull(); }
    // The bitmap changed within `area` (in its own pixels), or all over: that part of the widget
    // is painted again.
    void pictureChanged(const QRect& area);
    void pictureChanged() { pictureChanged(image_.rect()); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The widget's pixels that show `area` of the bitmap, and those that smoothing blends it
    // into.
    QRect widgetArea(const QRect& area) const;

    QImage image_;
    QImage stretched_;      // the bitmap at the widget's size, while the two sizes differ
    QRegion staleStretch_;  // parts of stretched_ (in the widget's pixels) to stretch again
};

}  // namespace dmm
