// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "data_file_drop.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "file_filter.h"

namespace dmm {

DataFileDrop::DataFileDrop(QWidget* window, std::function<void(const QString&)> open)
    : QObject(window), open_(std::move(open)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // Widgets that take drops of their own (edits, the chart's view) would otherwise keep a
    // file dropped on them from the window.
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->acceptDrops()) w->installEventFilter(this);
    }
}

QString DataFileDrop::dataFileOf(const QMimeData* data) {
    if (!data || data->urls().size() != 1) return {};
    const QUrl& url = data->urls().front();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    static const QStringList patterns = filterPatterns(QString::fromLatin1(kOpenDataFilter));
    return QDir::match(patterns, QFileInfo(path).fileName()) ? path : QString();
}

bool DataFileDrop::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return QObject::eventFilter(watched, event);
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = dataFileOf(drop->mimeData());
    if (path.isEmpty() || !(drop->possibleActions() & Qt::CopyAction)) {
        return QObject::eventFilter(watched, event);
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        // Opened after the drop has returned, so that a message box about the file does not
        // hold up the program the file came from.
        QMetaObject::invokeMethod(this, [this, path] { open_(path); }, Qt::QueuedConnection);
    }
    return true;
}

}  // namespace dmm
