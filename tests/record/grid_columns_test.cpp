// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "grid_columns.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::add;

TEST(GridColumns, CellsShowTheValuesAndEmptyForMissingOnes) {
    RecordTable t;
    add(t, -7, test::hms(13, 5, 7, 999), "DC", " 1.5", "k*", "");
    add(t, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    const LongTimeFormat fmt("%I:%M:%S %p");
    const std::vector<std::string> first = {"-7", "01:05:07 PM", "DC", " 1.5", "k*", ""};
    for (int c = 0; c < kFieldCount; ++c) {
        EXPECT_EQ(kGridColumns[c].title, kFields[c].name);
        EXPECT_EQ(gridCellText(t[0], c, fmt), first[c]) << c;
        EXPECT_EQ(gridCellText(t[1], c, fmt), "") << c;
    }
}

}  // namespace
}  // namespace dmm
