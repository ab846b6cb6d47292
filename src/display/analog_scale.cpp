// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analog_scale.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cstdlib>

#include "clickable_image.h"
#include "pictures.h"
#include "scale_layout.h"
#include "stretched_picture.h"

namespace dmm {

namespace {

constexpr int kBevel = 2;
constexpr int kZoomIconSize = 25;
constexpr int kNeedleWidth = 2;

// A dot of the scale: an ellipse in the 2 x 2 box at the point, drawn with the pen of the
// moment and filled white.
void drawDot(QPainter& p, ScalePoint at) {
    p.drawEllipse(QRectF(at.x, at.y, 2, 2));
}

// The pixels a needle's line may cover, as short strips along it: a slanted needle's bounding
// box would take in the panel's corners (and the link indicator drawn over one of them).
QRegion needleArea(const NeedleLine& n) {
    constexpr int kStrip = 8;
    const int dx = n.base.x - n.tip.x;
    const int dy = n.base.y - n.tip.y;
    const int strips = std::max(1, (std::max(std::abs(dx), std::abs(dy)) + kStrip - 1) / kStrip);
    QRegion area;
    QPoint from(n.tip.x, n.tip.y);
    for (int i = 1; i <= strips; ++i) {
        const QPoint to(n.tip.x + dx * i / strips, n.tip.y + dy * i / strips);
        area += QRect(from, to).normalized().adjusted(-kNeedleWidth, -kNeedleWidth,
                                                      kNeedleWidth, kNeedleWidth);
        from = to;
    }
    return area;
}

}  // namespace

AnalogScale::AnalogScale(QWidget* parent)
    : QFrame(parent),
      picture_(new StretchedPicture(this)),
      enlargeIcon_(new ClickableImage(this)),
      restoreIcon_(new ClickableImage(this)) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBevel);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    picture_->setObjectName("scalePicture");
    enlargeIcon_->setObjectName("scaleEnlargeIcon");
    enlargeIcon_->setToolTip("Enlarge");
    enlargeIcon_->setPixmap(drawIcon(Icon::ZoomIn, kZoomIconSize));
    restoreIcon_->setObjectName("scaleRestoreIcon");
    restoreIcon_->setToolTip("Restore");
    restoreIcon_->setPixmap(drawIcon(Icon::ZoomOut, kZoomIconSize));
    for (ClickableImage* icon : {enlargeIcon_, restoreIcon_}) {
        icon->resize(kZoomIconSize, kZoomIconSize);
        icon->hide();
        connect(icon, &ClickableImage::clicked, this, &AnalogScale::toggleEnlarged);
    }
    resize(371, 143);
    placePicture();
}

const QImage& AnalogScale::picture() const { return picture_->picture(); }

QSize AnalogScale::drawingPanelSize() {
    if (!picture_->hasPicture()) {
        // Lay the picture out for the panel's present size first: a panel resized while hidden has
        // not had its resize event yet.
        placePicture();
        drawingPanel_ = size();
        picture_->picture();
    }
    return drawingPanel_;
}

ScaleGeometry AnalogScale::scaleGeometry() const {
    const QSize panel = picture_->hasPicture() ? drawingPanel_ : size();
    return ScaleGeometry(panel.width(), panel.height());
}

void AnalogScale::drawScale() {
    drawingPanelSize();
    const ScaleGeometry g = scaleGeometry();
    const ScaleLayout layout = ScaleLayout::forSettings(settings_);
    QImage& image = picture_->picture();
    QPainter p(&image);
    p.fillRect(image.rect(), Qt::white);
    p.setBrush(Qt::white);
    p.setBackground(Qt::white);
    p.setBackgroundMode(Qt::OpaqueMode);
    QFont font = p.font();
    font.setPointSize(8);
    p.setFont(font);

    const int ticks = layout.ticks();
    for (int i = 0; i <= ticks; ++i) {
        p.setPen(QPen(Qt::black, 1));
        if (const ScaleLabel* label = layout.labelAt(i)) {
            const ScalePoint at = g.pointAt(i, ticks, g.radius() + 18.0f);
            const QString text = QString::fromLatin1(label->text.data(),
                                                     static_cast<qsizetype>(label->text.size()));
            const QPoint topLeft(at.x - label->dx, at.y - label->dy);
            const QRect box = p.fontMetrics().boundingRect(text);
            p.drawText(QRect(topLeft, box.size()), Qt::AlignLeft | Qt::AlignTop, text);
        }
        if (layout.isMajorTick(i)) {
            p.setPen(QPen(Qt::red, 2));
            drawDot(p, g.pointAt(i, ticks, g.radius() + 6.0f));
        }
    }

    const int dots = arcDotCount(settings_.countClass);
    const int positions = dots - 1;
    const QPen black(Qt::black, 4);
    const QPen red(Qt::red, 4);
    for (int c = 0; c < dots; ++c) {
        p.setPen(arcDotIsRed(c, settings_) ? red : black);
        drawDot(p, g.pointAt(c, positions, g.radius() + 3.0f));
    }
    p.end();
    needleDrawn_ = false;
    picture_->pictureChanged();
}

void AnalogScale::moveNeedle(int needlePosition) {
    drawingPanelSize();
    const ScaleGeometry g = scaleGeometry();
    int positions = settings_.countClass.needleStep * 10;
    int q = needlePosition;
    if (settings_.frequencyMode) {
        positions = 1000;
        q = needlePosition + 100;
    }
    const NeedleLine next = g.needle(q, positions);
    // A needle drawn where it stands already changes nothing.
    if (needleDrawn_ && next == lastNeedle_) return;

    QImage& image = picture_->picture();
    QPainter p(&image);
    p.setPen(QPen(palette().color(QPalette::Window), kNeedleWidth));
    p.drawLine(lastNeedle_.tip.x, lastNeedle_.tip.y, lastNeedle_.base.x, lastNeedle_.base.y);
    p.setPen(QPen(Qt::black, kNeedleWidth));
    p.drawLine(next.tip.x, next.tip.y, next.base.x, next.base.y);
    p.end();
    // Only the strips of the old and the new needle are painted again.
    for (const QRect& strip : needleArea(lastNeedle_) + needleArea(next)) {
        picture_->pictureChanged(strip);
    }
    lastNeedle_ = next;
    needleDrawn_ = true;
}

void AnalogScale::placePicture() {
    const int left = width() - 30;
    enlargeIcon_->move(left, enlargeIcon_->y());
    restoreIcon_->move(left, restoreIcon_->y());
    if (enlarged_) {
        picture_->setGeometry(kBevel, kBevel, width() - 40, height() - 140);
    } else {
        picture_->setGeometry(kBevel, kBevel, width() - 2 * kBevel, height() - 2 * kBevel);
    }
}

void AnalogScale::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    placePicture();
}

void AnalogScale::toggleEnlarged() {
    // The panel's state decides, not its width, so that a small window cannot make a second
    // click enlarge again and lose the bounds to restore.
    if (!enlarged_) {
        enlargeIcon_->hide();
        restoreIcon_->show();
        savedBounds_ = geometry();
        const QSize outer = window()->frameGeometry().size();
        enlarged_ = true;
        setGeometry(2, 28, outer.width() - 12, outer.height() - 80);
        raise();
    } else {
        restoreIcon_->hide();
        enlargeIcon_->show();
        enlarged_ = false;
        setGeometry(savedBounds_);
    }
    placePicture();
    emit enlargedChanged(enlarged_);
}

}  // namespace dmm
