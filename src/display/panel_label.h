// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "clickable_image.h"

namespace dmm {

// A captioned, sunken panel that reports clicks: the port panels and the hidden connect panels.
class PanelLabel : public ClickableLabel {
    Q_OBJECT
public:
    explicit PanelLabel(QWidget* parent = nullptr);
};

}  // namespace dmm
