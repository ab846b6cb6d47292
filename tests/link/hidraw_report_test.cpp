// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Reports read from a hidraw node reach the reader report ID first, whether the device numbers
// its reports or not, one report per read even when several wait in the node.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "linux_hid_backend.h"

using namespace dmm;

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HidrawReport, ReachesTheReaderReportIdFirst) {
    struct Row {
        const char* name;
        bool numbered;
        Bytes node;             // the bytes waiting in the node, reports one after the other
        std::size_t bufferSize;
        std::vector<Bytes> reads;  // what each read hands over; empty: nothing
    } rows[] = {
        {"unnumbered: a 0 goes in front", false,
         {0xF7, 0x33, 0x31, 0x38, 0x35, 0x34, 0x31, 0x31, 0xF4, 0x30, 0x31, 0x0D, 0x0A, 0, 0, 0},
         9,
         {{0x00, 0xF7, 0x33, 0x31, 0x38, 0x35, 0x34, 0x31, 0x31},
          {0x00, 0xF4, 0x30, 0x31, 0x0D, 0x0A, 0, 0, 0}}},
        {"numbered: the device's ID stays first", true,
         {0x01, 0xF7, 0x33, 0x31, 0x38, 0x35, 0x34, 0x31, 0x31, 0x02, 0xF4, 0x30, 0x31, 0x0D, 0x0A,
          0, 0, 0},
         9,
         {{0x01, 0xF7, 0x33, 0x31, 0x38, 0x35, 0x34, 0x31, 0x31},
          {0x02, 0xF4, 0x30, 0x31, 0x0D, 0x0A, 0, 0, 0}}},
        {"unnumbered, a first data byte 0 is data", false, {0x00, 0xF1}, 3, {{0, 0, 0xF1}}},
        {"unnumbered, nothing waiting", false, {}, 9, {}},
        {"numbered, nothing waiting", true, {}, 9, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t taken = 0;
        const auto read = [&](std::uint8_t* into, std::size_t count) {
            const std::size_t n = std::min(count, row.node.size() - taken);
            std::copy_n(row.node.begin() + static_cast<long>(taken), n, into);
            taken += n;
            return static_cast<int>(n);
        };
        for (const Bytes& expected : row.reads) {
            Bytes buffer(row.bufferSize, 0xEE);
            ASSERT_EQ(readReportIdFirst(row.numbered, buffer.data(), buffer.size(), read),
                      static_cast<int>(expected.size()));
            buffer.resize(expected.size());
            EXPECT_EQ(buffer, expected);
        }
        Bytes buffer(row.bufferSize, 0xEE);
        EXPECT_EQ(readReportIdFirst(row.numbered, buffer.data(), buffer.size(), read), 0)
            << "every byte read, no more reports";
        EXPECT_EQ(buffer, Bytes(row.bufferSize, 0xEE)) << "nothing written for no report";
    }
}

TEST(HidrawReport, AFailedReadOrATooSmallBufferGivesMinusOne) {
    int reads = 0;
    const auto failing = [&](std::uint8_t*, std::size_t) { return ++reads, -1; };
    for (const bool numbered : {false, true}) {
        std::uint8_t buffer[9] = {};
        EXPECT_EQ(readReportIdFirst(numbered, buffer, sizeof buffer, failing), -1);
        EXPECT_EQ(readReportIdFirst(numbered, buffer, 1, failing), -1);
    }
    EXPECT_EQ(reads, 2) << "a buffer without room for a report is not read into";
}

}  // namespace
