#include "window_snapshot.h"

#include <QPixmap>
#include <QWidget>

namespace dmm {

QImage windowSnapshot(QWidget& window) { return window.grab().toImage(); }

bool saveWindowSnapshot(QWidget& window, const QString& fileName) {
    return windowSnapshot(window).save(fileName);
}

}  // namespace dmm
