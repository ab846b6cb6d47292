// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pixel_fonts.h"

#include <QWidget>

namespace dmm {

namespace {

const QStringList kNarrowFaces = {QStringLiteral("Liberation Sans Narrow"),
                                  QStringLiteral("DejaVu Sans Condensed"),
                                  QStringLiteral("DejaVu Sans")};

}  // namespace

QFont pixelFont(const QString& family, int pixels) {
    QFont font;
    font.setFamilies(QStringList{family} + kNarrowFaces);
    font.setPixelSize(pixels);
    font.setBold(false);
    font.setItalic(false);
    return font;
}

void applyPixelFonts(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        bool ok = false;
        const int pixels = w->property("pixelSize").toInt(&ok);
        if (!ok || pixels <= 0) continue;
        QFont font = w->font();
        font.setFamilies(font.families() + kNarrowFaces);
        font.setPixelSize(pixels);
        w->setFont(font);
    }
    // A widget with a style sheet took its parent's font when the sheet was set and does not
    // follow the parent's later changes: it is given the parent's font as it is now.
    for (QWidget* w : widgets) {
        if (w != root && !w->styleSheet().isEmpty() && !w->testAttribute(Qt::WA_SetFont)) {
            w->setFont(w->parentWidget()->font());
        }
    }
}

}  // namespace dmm
