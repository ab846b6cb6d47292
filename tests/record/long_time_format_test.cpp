// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "long_time_format.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

struct TimeCase {
    const char* format;
    std::int32_t ms;
    const char* text;
};

void PrintTo(const TimeCase& c, std::ostream* os) {
    *os << '"' << c.format << "\" gives \"" << c.text << '"';
}

class LongTimeTest : public testing::TestWithParam<TimeCase> {};

TEST_P(LongTimeTest, FormatsWithoutMillisecondsAndParsesBack) {
    const LongTimeFormat fmt(GetParam().format);
    EXPECT_EQ(fmt.format(GetParam().ms), GetParam().text);
    EXPECT_EQ(fmt.parse(GetParam().text), GetParam().ms / 1000 * 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LongTimeTest,
    testing::Values(TimeCase{"%H:%M:%S", hms(9, 5, 7, 250), "09:05:07"},
                    TimeCase{"%H:%M:%S", 0, "00:00:00"},
                    TimeCase{"%T", hms(23, 59, 59, 999), "23:59:59"},
                    TimeCase{"%I:%M:%S %p", hms(0, 0, 1), "12:00:01 AM"},
                    TimeCase{"%I:%M:%S %p", hms(12, 30, 0), "12:30:00 PM"},
                    TimeCase{"%I:%M:%S %p", hms(13, 5, 7), "01:05:07 PM"},
                    TimeCase{"%H.%M.%S %Z", hms(8, 0, 0), "08.00.00"},  // no time zone
                    TimeCase{"%k:%M:%S", hms(8, 1, 2), " 8:01:02"}));

TEST(LongTime, AcceptsTheTwentyFourHourFormsAndRefusesTheRest) {
    const LongTimeFormat fmt("%I:%M:%S %p");
    EXPECT_EQ(fmt.parse("13:05:07"), hms(13, 5, 7));
    EXPECT_EQ(fmt.parse(" 9:05 "), hms(9, 5, 0));
    for (const char* bad : {"NULL", "", "25:00:00", "12:60:00", "1:2:3:4", "noon"}) {
        EXPECT_EQ(fmt.parse(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace dmm
