// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal: the test writes meter bytes to the master side, the program opens the
// slave path as its serial port.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    const QString& slavePath() const { return path_; }
    bool write(const QByteArray& bytes);

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};
