// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMimeData;
class QWidget;

namespace dmm {

// Opens a data file dropped on a window. A drag that carries exactly one local file whose name
// the Open dialog offers (.xls, .xml, .txt, in any case) is accepted anywhere on the window, as
// a copy, so that the file manager never takes it for a move; its drop hands the path to `open`
// once the drop is over. Other drags (text into an edit, several files, a remote address) reach
// the widgets as before.
class DataFileDrop : public QObject {
    Q_OBJECT
public:
    DataFileDrop(QWidget* window, std::function<void(const QString&)> open);

    // The one data file a drag carries, or an empty text.
    static QString dataFileOf(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> open_;
};

}  // namespace dmm
