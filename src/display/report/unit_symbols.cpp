// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "unit_symbols.h"

namespace dmm {

QString unitSymbols(const QString& glyphText) {
    QString out;
    out.reserve(glyphText.size() + 4);
    for (QChar c : glyphText) {
        switch (c.unicode()) {
        case '*': out += QChar(0x03A9); break;
        case 'u': out += QChar(0x00B5); break;
        case '#': out += QStringLiteral("\u00B0C"); break;
        case '?': out += QStringLiteral("\u00B0F"); break;
        case ')': out += QStringLiteral("\u25B6|"); break;
        case '&': out += QStringLiteral("\u00B7)))"); break;
        default: out += c; break;
        }
    }
    return out;
}

}  // namespace dmm
