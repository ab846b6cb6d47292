// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "unit_check_box.h"

#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace dmm {

std::pair<QString, QString> UnitCheckBox::splitCaption(const QString& caption) {
    static const QRegularExpression blanks(QStringLiteral("^(.*\\S) {2,}(\\S.*)$"));
    const QRegularExpressionMatch m = blanks.match(caption);
    if (!m.hasMatch()) return {caption, QString()};
    return {m.captured(1), m.captured(2)};
}

void UnitCheckBox::paintEvent(QPaintEvent*) {
    const auto [head, unit] = splitCaption(text());
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text = head;
    painter.drawControl(QStyle::CE_CheckBox, option);
    if (!unit.isEmpty()) {
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignRight | Qt::AlignVCenter, unit);
    }
}

}  // namespace dmm
