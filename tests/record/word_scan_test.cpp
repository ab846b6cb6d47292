// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <algorithm>

#include "word_scan.h"

namespace dmm {
namespace {

// The word tests against byte-by-byte ones: every byte value in every place of a word.
TEST(WordScan, SpecialBitsMarkExactlyTheControlAndHighBytes) {
    if constexpr (!wordscan::kUsable) GTEST_SKIP() << "words are read byte by byte here";
    for (int place = 0; place < 8; ++place) {
        for (int value = 0; value < 256; ++value) {
            for (const char filler : {'a', '\t', '\xFF', ' '}) {
                char bytes[8];
                std::fill(bytes, bytes + 8, filler);
                bytes[place] = static_cast<char>(value);
                unsigned expected = 0;
                for (int i = 0; i < 8; ++i) {
                    const auto c = static_cast<unsigned char>(bytes[i]);
                    if (c < 0x20 || c >= 0x80) expected |= 1u << i;
                }
                ASSERT_EQ(wordscan::specialBits(wordscan::load8(bytes)), expected)
                    << "byte " << value << " at " << place;
            }
        }
    }
}

TEST(WordScan, MarkBytesEqualMarksExactlyTheEqualBytes) {
    if constexpr (!wordscan::kUsable) GTEST_SKIP() << "words are read byte by byte here";
    for (const char c : {'\t', '"', '&', '\0', '\x80', '\xFF'}) {
        for (int place = 0; place < 8; ++place) {
            for (int value = 0; value < 256; ++value) {
                for (const char filler : {'a', c, '\x01', '\xFF'}) {
                    char bytes[8];
                    std::fill(bytes, bytes + 8, filler);
                    bytes[place] = static_cast<char>(value);
                    std::uint64_t expected = 0;
                    for (int i = 0; i < 8; ++i) {
                        if (bytes[i] == c) expected |= std::uint64_t{0x80} << (8 * i);
                    }
                    const std::uint64_t marks = wordscan::markBytesEqual(wordscan::load8(bytes), c);
                    ASSERT_EQ(marks, expected) << "byte " << value << " at " << place;
                    if (marks != 0) {
                        ASSERT_EQ(bytes[wordscan::firstMarkedByte(marks)], c);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace dmm
