// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "key_filter.h"

#include <QKeyEvent>

namespace dmm {

KeyFilter::KeyFilter(QString allowed, QObject* parent)
    : QObject(parent), allowed_(std::move(allowed)) {}

bool KeyFilter::accepts(int key, const QString& text) const {
    if (key == Qt::Key_Backspace) return true;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return true;
    if (text.isEmpty()) return true;
    for (QChar c : text) {
        if (!allowed_.contains(c)) return false;
    }
    return true;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (!accepts(ke->key(), ke->text())) return true;
    } else if (event->type() == QEvent::ShortcutOverride) {
        // Keep the edit's own copy/cut/paste shortcuts from running behind the filter's back.
        auto* ke = static_cast<QKeyEvent*>(event);
        if (!accepts(ke->key(), ke->text())) {
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace dmm
