// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace dmm {

// The window's client area and menu as they are painted now.
QImage windowSnapshot(QWidget& window);
// Saves windowSnapshot as a PNG (or the format the name's extension names); false with the
// reason when the picture was not saved.
bool saveWindowSnapshot(QWidget& window, const QString& fileName, QString* reason = nullptr);

}  // namespace dmm
