// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "text_codec.h"

namespace dmm {
namespace {

TEST(TextCodec, EveryWindows1252ByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToCp1252(utf8), all);
    EXPECT_EQ(cp1252ToUtf8("\x80\xB0\xB5"), "\xE2\x82\xAC\xC2\xB0\xC2\xB5");  // euro, degree, micro
}

TEST(TextCodec, WhatTheCodePageLacksBecomesAQuestionMark) {
    EXPECT_EQ(utf8ToCp1252("\xE2\x84\xA6"), "?");        // ohm sign U+2126
    EXPECT_EQ(utf8ToCp1252("a\xFF" "b"), "a?b");         // not UTF-8
    EXPECT_EQ(utf8ToCp1252("\xC3"), "?");                // cut sequence
    EXPECT_EQ(utf8ToCp1252("\xED\xA0\x80"), "???");      // a surrogate is not a character
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));               // overlong
}

TEST(TextCodec, NamesCompareWithoutRegardToCaseOfAsciiLettersOnly) {
    struct Row {
        const char* a;
        const char* b;
        bool equal;
    } rows[] = {
        {"DC/AC", "dc/ac", true}, {".XML", ".xml", true},  {"Auto", "AUTO", true},
        {"", "", true},           {"no", "No ", false},    {"time", "tim", false},
        {"[", "{", false},        {"\xC4", "\xE4", false},  // only ASCII letters fold
    };
    for (const Row& r : rows) EXPECT_EQ(equalsIgnoringCase(r.a, r.b), r.equal) << r.a << " " << r.b;
}

}  // namespace
}  // namespace dmm
