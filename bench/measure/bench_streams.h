// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "reading_state.h"

// A stream of 1000 frames of one family with readings that wander and now and then change
// range, as a meter on the bench would send them.
inline std::vector<std::uint8_t> benchStream(dmm::Family family) {
    std::vector<std::uint8_t> out;
    auto nibbleByte = [](int v) { return static_cast<std::uint8_t>(0x30 | (v & 0xF)); };
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int i = 0; i < 1000; ++i) {
        const int value = 10000 + static_cast<int>(next() % 20000);
        const int range = (i % 250 == 0) ? 3 : 2;
        char digits[6];
        std::snprintf(digits, sizeof digits, "%05d", value);
        if (family == dmm::Family::Sorn) {
            // segment frame of "1.234"-like readings: fixed pattern with varying last digit
            static const char* patterns[] = {"705DB1F2700040", "705DB1F2F00040", "705DB1F2B10040"};
            const char* p = patterns[value % 3];
            for (int k = 0; k < 14; ++k) {
                const int v = p[k] <= '9' ? p[k] - '0' : p[k] - 'A' + 10;
                out.push_back(static_cast<std::uint8_t>(((k + 1) << 4) | v));
            }
            continue;
        }
        out.push_back(0x0A);
        if (family == dmm::Family::Brio) {
            out.push_back(nibbleByte(range == 3 ? 2 : 1));
            for (int k = 1; k < 5; ++k) out.push_back(nibbleByte(digits[k] - '0'));
            out.push_back(nibbleByte(0xB));
            out.push_back(nibbleByte(0));
            out.push_back(nibbleByte(0));
            out.push_back(nibbleByte(0xA));
        } else {
            for (int k = 0; k < 5; ++k) out.push_back(nibbleByte(digits[k] - '0'));
            out.push_back(nibbleByte(range));
            out.push_back(nibbleByte(1));
            out.push_back(nibbleByte(2));
            out.push_back(nibbleByte(1));
        }
        out.push_back(0x0D);
    }
    return out;
}
