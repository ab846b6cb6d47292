// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

namespace dmm {

// Keeps or drops each character typed into the edits it is installed on. Keys that type
// nothing (arrows, Delete, Home, Tab) pass; backspace passes; every other character, the
// control characters of copy, cut and paste included, must be in the allowed set.
class KeyFilter : public QObject {
    Q_OBJECT
public:
    KeyFilter(QString allowed, QObject* parent);

    bool accepts(int key, const QString& text) const;

    // The count edits take digits; the limit edits take a sign as well.
    static QString digits() { return QStringLiteral("0123456789"); }
    static QString signedDigits() { return QStringLiteral("0123456789+-"); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString allowed_;
};

}  // namespace dmm
