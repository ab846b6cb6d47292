// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "chart_picture.h"

#include <QFileInfo>
#include <QMenu>

#include "dialogs.h"
#include "trend_chart.h"

namespace dmm {

void saveChartPictureWithDialog(TrendChart& chart, Dialogs& dialogs) {
    const QString filter = QStringLiteral("Bitmaps (*.bmp)");
    QString name =
        dialogs.getSaveFileName(QStringLiteral("Save Picture"), filter, QStringLiteral("bmp"));
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".bmp");
    QString error;
    if (!chart.savePicture(name, &error)) {
        dialogs.error(error);
        return;
    }
    dialogs.information(QStringLiteral("Graphic has saved on %1").arg(name));
}

QMenu* makeGraphicMenu(TrendChart& chart, QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("Graphic"), parent);
    menu->setObjectName(QStringLiteral("graphicMenu"));
    menu->menuAction()->setObjectName(QStringLiteral("graphicMenuAction"));
    menu->addActions(chart.actions());
    return menu;
}

}  // namespace dmm
