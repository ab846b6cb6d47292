// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "unit_symbols.h"

#include <gtest/gtest.h>

#include <QString>

namespace dmm {
namespace {

TEST(UnitSymbols, UnitGlyphTextsShowAsSymbols) {
    struct Row {
        const char* glyphs;
        const char* shown;
    } rows[] = {
        {"k*", "k\u03A9"}, {"M*", "M\u03A9"}, {"uA", "\u00B5A"}, {"uF", "\u00B5F"},
        {"mV", "mV"},      {"#", "\u00B0C"},  {"?", "\u00B0F"},  {"MHz", "MHz"},
        {"mA%", "mA%"},    {"", ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(unitSymbols(QString::fromLatin1(r.glyphs)), QString::fromUtf8(r.shown)) << r.glyphs;
    }
}

}  // namespace
}  // namespace dmm
