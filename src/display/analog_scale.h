// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFrame>
#include <QImage>
#include <QRect>

#include "scale_geometry.h"
#include "scale_settings.h"

namespace dmm {

class ClickableImage;
class StretchedPicture;

// The analog scale panel: a white, lowered panel holding the picture `scalePicture` on which the
// scale and the needle are drawn, and the two zoom magnifiers `scaleEnlargeIcon` and
// `scaleRestoreIcon` (hidden in the standard layout). The window may add its own children (the link
// images, the alarm panel).
//
// The scale is drawn once (drawScale) and only the needle's line is redrawn, and painted again,
// for each reading that moves it (moveNeedle). The geometry comes from the panel size the
// picture was created for, so a panel that is enlarged by the zoom shows the same scale
// stretched, with the needle still on it.
class AnalogScale : public QFrame {
    Q_OBJECT
public:
    explicit AnalogScale(QWidget* parent = nullptr);

    const ScaleSettings& settings() const { return settings_; }
    // Takes effect at the next drawScale / moveNeedle.
    void setSettings(const ScaleSettings& settings) { settings_ = settings; }

    // Clears the picture and draws the whole scale.
    void drawScale();
    // Erases the last drawn needle and draws the needle for the position.
    void moveNeedle(int needlePosition);
    // Enlarges the panel to nearly the whole window, or restores it.
    void toggleEnlarged();

    const QImage& picture() const;
    NeedleLine lastNeedle() const { return lastNeedle_; }
    bool isEnlarged() const { return enlarged_; }
    // The geometry the picture is drawn with.
    ScaleGeometry scaleGeometry() const;

    StretchedPicture* pictureWidget() const { return picture_; }

signals:
    // The zoom changed; the window hides the chart while the scale is enlarged.
    void enlargedChanged(bool enlarged);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePicture();
    QSize drawingPanelSize();

    ScaleSettings settings_;
    StretchedPicture* picture_;
    ClickableImage* enlargeIcon_;
    ClickableImage* restoreIcon_;
    NeedleLine lastNeedle_;
    bool needleDrawn_ = false;  // lastNeedle_ is on the picture (drawScale clears it)
    QSize drawingPanel_;  // the panel size the picture was created for
    bool enlarged_ = false;
    QRect savedBounds_;
};

}  // namespace dmm
