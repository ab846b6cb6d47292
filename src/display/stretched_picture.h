// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QImage>
#include <QWidget>

namespace dmm {

// Shows a bitmap stretched to the widget's size. The bitmap keeps the size it was created with,
// so a widget that grows shows the same drawing larger.
class StretchedPicture : public QWidget {
public:
    explicit StretchedPicture(QWidget* parent = nullptr);

    // The bitmap; created white at the widget's size on first use.
    QImage& picture();
    const QImage& picture() const { return image_; }
    bool hasPicture() const { return !image_.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

}  // namespace dmm
