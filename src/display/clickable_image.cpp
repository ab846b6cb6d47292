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
