// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window_snapshot.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

#include <cerrno>
#include <cstring>

namespace dmm {

QImage windowSnapshot(QWidget& window) { return window.grab().toImage(); }

bool saveWindowSnapshot(QWidget& window, const QString& fileName, QString* reason) {
    // Written beside the target and renamed over it once whole: a picture cut short (a full
    // disk, a file size limit) leaves neither a partial file nor a damaged older one.
    const QImage image = windowSnapshot(window);
    const QByteArray format = QFileInfo(fileName).suffix().toLatin1();
    QSaveFile file(fileName);
    const auto fail = [reason](const QString& why) {
        if (reason) *reason = why;
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    QImageWriter writer(&file, format.isEmpty() ? QByteArray("png") : format);
    errno = 0;
    if (!writer.write(image)) {
        // A failed write (a full disk, a file size limit) leaves the system's reason in errno;
        // the writer and the file would only say "Unknown error".
        const int err = errno;
        const QString why = file.error() == QFileDevice::NoError ? writer.errorString()
                            : err != 0 ? QString::fromLocal8Bit(std::strerror(err))
                                       : file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    return file.commit() ? true : fail(file.errorString());
}

}  // namespace dmm
