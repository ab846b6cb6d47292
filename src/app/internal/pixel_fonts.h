// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>

class QWidget;

namespace dmm {

// The window's layout is measured in pixels and does not scale with the screen's density, so
// its fonts are sized in pixels too. A Designer form sizes fonts in points; each control of the
// form whose font is its own therefore carries the size in pixels as the property "pixelSize".
// This gives `root` and every widget below it that carries the property its font at that pixel
// size, with the narrow faces the captions were measured with after the form's family, for
// systems that lack it.
void applyPixelFonts(QWidget* root);

// A regular font of the family at the pixel size, with the same narrow faces after it.
QFont pixelFont(const QString& family, int pixels);

}  // namespace dmm
