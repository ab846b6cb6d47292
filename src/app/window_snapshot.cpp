#include "window_snapshot.h"

#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

namespace dmm {

QImage windowSnapshot(QWidget& window) { return window.grab().toImage(); }

bool saveWindowSnapshot(QWidget& window, const QString& fileName) {
    // Written beside the target and renamed over it once whole: a picture cut short (a full
    // disk, a file size limit) leaves neither a partial file nor a damaged older one.
    const QImage image = windowSnapshot(window);
    const QByteArray format = QFileInfo(fileName).suffix().toLatin1();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image.save(&file, format.isEmpty() ? nullptr : format.constData())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace dmm
