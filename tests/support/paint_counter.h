// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Counts the paint events a widget receives and the area they cover, for checks that a change
// repaints what it changed and nothing when it changed nothing on screen. The repaints an update
// schedules happen when the event loop handles its queued events (processQueuedEvents).

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

namespace dmm::test {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }

    int paints = 0;
    QRegion painted;  // in the watched widget's pixels

    void reset() {
        paints = 0;
        painted = QRegion();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

}  // namespace dmm::test
