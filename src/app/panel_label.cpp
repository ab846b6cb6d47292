#include "panel_label.h"

#include <QMouseEvent>

namespace dmm {

PanelLabel::PanelLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void PanelLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->pos())) {
        emit clicked();
    }
}

}  // namespace dmm
