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
