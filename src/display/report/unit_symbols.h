// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace dmm {

// A unit glyph text as the user reads it: "k*" gives k-ohm, "uA" micro-ampere, "#" degree C.
// Tables and files keep the glyph text; only what is shown on screen or paper is converted.
QString unitSymbols(const QString& glyphText);

}  // namespace dmm
