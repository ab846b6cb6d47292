// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <string>

#include "short_text_key.h"
#include "text_pool.h"

namespace dmm {
namespace {

// Keys are equal exactly when the texts are, however they were made.
TEST(ShortTextKey, EqualForEqualTextsOnlyWhicheverWayMade) {
    const std::string texts[] = {"",         std::string(1, '\0'), std::string(2, '\0'), "A",
                                 "AC",       "AC+DC",              "12:34:56",           "12:34:57",
                                 "12:34:5",  std::string("a\0b", 3), "longer than eight"};
    for (const std::string& a : texts) {
        // Eight readable bytes after the text's start, and garbage beyond the text.
        const std::string padded = a + "\x7F\x7F\x7F\x7F\x7F\x7F\x7F\x7F";
        const ShortTextKey key = ShortTextKey::of(a);
        EXPECT_EQ(key, ShortTextKey::ofPadded(padded.data(), a.size())) << a;
        EXPECT_EQ(key, ShortTextKey::ofBefore(a, a.data() + a.size())) << a;
        const std::string_view inPadded = std::string_view(padded).substr(0, a.size());
        EXPECT_EQ(key, ShortTextKey::ofBefore(inPadded, padded.data() + padded.size())) << a;
        EXPECT_EQ(key.isShort(), a.size() <= 8) << a;
        for (const std::string& b : texts) {
            if (a.size() <= 8 || b.size() <= 8) {
                EXPECT_EQ(key == ShortTextKey::of(b), a == b) << a << " / " << b;
            }
        }
    }
    EXPECT_EQ(ShortTextKey::of("ninebytes"), ShortTextKey::longText());
    EXPECT_NE(ShortTextKey{}, ShortTextKey::of(""));
}

// The pool's key of a text of up to seven bytes is never 0 and tells texts apart the same way.
TEST(ShortTextKey, PoolKeysOfShortTextsAreNeverZero) {
    EXPECT_NE(TextPool::shortKey(""), 0u);
    EXPECT_NE(TextPool::shortKey(std::string(1, '\0')), TextPool::shortKey(""));
    EXPECT_NE(TextPool::shortKey("mV"), TextPool::shortKey("V"));
    EXPECT_EQ(TextPool::shortKey("1234567"), TextPool::shortKey(std::string("1234567")));
    EXPECT_EQ(TextPool::shortKey("12345678"), 0u);
}

}  // namespace
}  // namespace dmm
