// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "integer_text.h"

namespace dmm {
namespace {

// The one reading of an integer typed into an edit: the window's limits, the recorder's recall
// edits and the record numbers of TAB text files.
TEST(IntegerText, ConvertsSignedDecimalIntegersOfThirtyTwoBitsOnly) {
    struct Row {
        const char* text;
        std::optional<std::int32_t> value;
    } rows[] = {
        {"0", 0},           {"-12", -12},         {"+5", 5},          {"007", 7},
        {"2147483647", 2147483647},               {"-2147483648", -2147483647 - 1},
        {"2147483648", {}}, {"-2147483649", {}},  {"99999999999999999999", {}},
        {"12a", {}},        {"1.5", {}},          {"-", {}},          {"+", {}},
        {"", {}},           {" 7", {}},           {"7 ", {}},         {"--1", {}},
        {"+-1", {}},        {"\xEF\xBC\x91", {}},  // a full-width digit is no digit
    };
    for (const Row& r : rows) {
        EXPECT_EQ(parseIntegerText(r.text), r.value) << '"' << r.text << '"';
    }
    EXPECT_EQ(notAnIntegerMessage(" 7"), "' 7' is not a valid integer value");
}

TEST(IntegerText, DigitRunsStopAtTheFirstOtherByteAndNeverOverflow) {
    struct Row {
        const char* text;
        std::size_t length;
        std::optional<std::int32_t> positive, negative;
    } rows[] = {
        {"", 0, 0, 0},
        {"x1", 0, 0, 0},
        {"-1", 0, 0, 0},
        {"12:34", 2, 12, -12},
        {"7\tDC\t1.5\t", 1, 7, -7},
        {"0012\tDC\t", 4, 12, -12},
        {"98765432", 8, 98765432, -98765432},
        {"1a345678", 1, 1, -1},
        {"1234567\xB9", 7, 1234567, -1234567},
        {"/2345678", 0, 0, 0},
        {"4294967296\"", 10, {}, {}},
        {"2147483648", 10, {}, -2147483647 - 1},
        {"123456789012345678901234567890", 30, {}, {}},
    };
    for (const Row& r : rows) {
        const DigitRun run = readDigits(r.text);
        EXPECT_EQ(run.length, r.length) << r.text;
        EXPECT_EQ(signedInt32(false, run), r.positive) << r.text;
        EXPECT_EQ(signedInt32(true, run), r.negative) << r.text;
    }
}

}  // namespace
}  // namespace dmm
