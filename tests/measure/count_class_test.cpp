// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "count_class.h"

namespace dmm {
namespace {

TEST(CountClass, EachClassHasItsNumbersBarAndChartAxis) {
    struct Row {
        const char* name;
        std::int32_t fullScale, needleCentre, barFull, needleStep, barMaximum;
    } rows[] = {
        {"4", 40000, 400, 40, 80, 40},
        {"6", 6000, 600, 60, 120, 40},
        {"34", 3400, 340, 34, 68, 40},
        {"2", 20000, 200, 20, 40, 20},
    };
    for (const Row& r : rows) {
        const CountClass* cc = findCountClass(r.name);
        ASSERT_NE(cc, nullptr) << r.name;
        EXPECT_EQ(cc->fullScale, r.fullScale) << r.name;
        EXPECT_EQ(cc->needleCentre, r.needleCentre) << r.name;
        EXPECT_EQ(cc->barFull, r.barFull) << r.name;
        EXPECT_EQ(cc->needleStep, r.needleStep) << r.name;
        EXPECT_EQ(cc->barMaximum, r.barMaximum) << r.name;
        EXPECT_EQ(chartValueAxis(*cc, false), (ValueAxis{-r.fullScale, r.fullScale})) << r.name;
        EXPECT_EQ(chartValueAxis(*cc, true), (ValueAxis{-5000, 5000})) << r.name;
    }
    EXPECT_EQ(standardCountClass().name, "4");
    for (const char* unknown : {"5", "", "40000", "4 "}) EXPECT_EQ(findCountClass(unknown), nullptr);
}

}  // namespace
}  // namespace dmm
