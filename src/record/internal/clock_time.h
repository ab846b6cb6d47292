// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dmm {

// A time of day written as two-digit hours at 0, two-digit minutes at 3 and, from 6 on, the
// seconds as one to five digits of seconds and milliseconds padded with zeros on the right:
// "09:05:07" and "09:05:07000" are 9:05:07, "09:05:07250" is 9:05:07.250, and "09:05" is
// 9:05:00. What stands at 2 and 5 is not looked at: callers that need colons there check them.
// Milliseconds since midnight, or -1 for any other text and for a time past 23:59:59.999.
inline std::int32_t readClockTime(std::string_view text) {
    const std::size_t n = text.size();
    if (n < 5 || n > 11) return -1;
    const auto digit = [text](std::size_t at) {
        return static_cast<int>(static_cast<unsigned char>(text[at])) - '0';
    };
    const auto bad = [](int d) { return d < 0 || d > 9; };
    const int h1 = digit(0), h2 = digit(1), m1 = digit(3), m2 = digit(4);
    if (bad(h1) || bad(h2) || bad(m1) || bad(m2)) return -1;
    const int hours = h1 * 10 + h2;
    const int minutes = m1 * 10 + m2;
    int secondsMs = 0;
    for (std::size_t at = 6; at < 11; ++at) {
        const int d = at < n ? digit(at) : 0;
        if (bad(d)) return -1;
        secondsMs = secondsMs * 10 + d;
    }
    if (hours > 23 || minutes > 59 || secondsMs > 59999) return -1;
    return (hours * 60 + minutes) * 60000 + secondsMs;
}

}  // namespace dmm
