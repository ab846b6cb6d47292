// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "clock_time.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

// The one reading of a clock time: the data packet's time values, and the locale's 24-hour
// time in TAB text (its colons checked by the caller).
TEST(ClockTime, ReadsHoursMinutesAndSecondsWithMillisecondsPaddedOnTheRight) {
    struct Row {
        const char* text;
        std::int32_t ms;
    } rows[] = {
        {"00:00:00", 0},
        {"09:05:07", hms(9, 5, 7)},
        {"23:59:59", hms(23, 59, 59)},
        {"09:05:07250", hms(9, 5, 7, 250)},
        {"09:05:0725", hms(9, 5, 7, 250)},
        {"23:59:59999", hms(23, 59, 59, 999)},
        {"09:05", hms(9, 5, 0)},
        {"09:05:", hms(9, 5, 0)},
        {"09:05:5", hms(9, 5, 50)},          // one digit is the tens of seconds
        {"10-00-00", hms(10, 0, 0)},         // the separators are not looked at
        {"24:00:00", -1},  {"10:60:00", -1}, {"10:00:60", -1},    {"23:59:60000", -1},
        {"1O:00:00", -1},  {" 9:05:07", -1}, {"09:05:0:", -1},    {"09:05:/7", -1}, {"09:05:7", -1},
        {"09:05:\xB7" "7", -1},              {"99:99:99", -1},    {"9:05", -1},
        {"09:05:072500", -1},                {"", -1},            {"0905", -1},
    };
    for (const Row& r : rows) EXPECT_EQ(readClockTime(r.text), r.ms) << r.text;
}

}  // namespace
}  // namespace dmm
