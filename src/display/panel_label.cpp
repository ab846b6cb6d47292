// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "panel_label.h"

namespace dmm {

PanelLabel::PanelLabel(QWidget* parent) : ClickableLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

}  // namespace dmm
