// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include "text_codec.h"

namespace dmm {

// A text the window shows that quotes a name or a file's bytes, with control characters and
// bytes that are no valid UTF-8 escaped as \xNN (printable()); `lines`: the text's own line
// breaks stay.
inline QString printableText(const QString& text, bool lines = false) {
    if (!lines) return QString::fromStdString(printable(text.toStdString()));
    QStringList shown = text.split(QLatin1Char('\n'));
    for (QString& line : shown) line = printableText(line);
    return shown.join(QLatin1Char('\n'));
}

}  // namespace dmm
