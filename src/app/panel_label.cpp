#include "panel_label.h"

namespace dmm {

PanelLabel::PanelLabel(QWidget* parent) : ClickableLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

}  // namespace dmm
