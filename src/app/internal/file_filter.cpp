// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "file_filter.h"

#include <QStringList>

namespace dmm {

QString qtFileFilter(const QString& barSeparated) {
    const QStringList parts = barSeparated.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = parts[i + 1].trimmed();
        if (description.trimmed().endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
            entries << description;
        } else {
            entries << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
        }
    }
    if (parts.size() % 2 == 1 && !parts.back().isEmpty()) entries << parts.back();
    return entries.join(QStringLiteral(";;"));
}

QStringList filterPatterns(const QString& barSeparated) {
    const QStringList parts = barSeparated.split(QLatin1Char('|'));
    QStringList patterns;
    for (qsizetype i = 1; i < parts.size(); i += 2) patterns << parts[i].trimmed();
    return patterns;
}

}  // namespace dmm
