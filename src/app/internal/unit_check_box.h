// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCheckBox>

namespace dmm {

// A check box whose caption ends in a unit set apart by a run of blanks ("Sampling Interval
// 's"), with an edit lying over the blanks: the unit is drawn at the box's right edge, past the
// edit, whatever the width of the blanks in the font at hand. The caption text stays whole.
class UnitCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

    // The caption before the blanks, and the unit after them (empty without a run of blanks).
    static std::pair<QString, QString> splitCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dmm
