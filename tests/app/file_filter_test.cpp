// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "file_filter.h"

#include <gtest/gtest.h>

namespace dmm {
namespace {

TEST(FileFilter, DialogFiltersBecomeQtFilters) {
    EXPECT_EQ(qtFileFilter("Excel File(*.xls)|*.xls|XML(*.xml)|*.xml"), "Excel File(*.xls);;XML(*.xml)");
    EXPECT_EQ(qtFileFilter("Bitmaps|*.bmp"), "Bitmaps (*.bmp)");
    EXPECT_EQ(qtFileFilter(""), "");
    EXPECT_EQ(filterPatterns(kOpenDataFilter), QStringList({"*.xls", "*.xml", "*.txt"}));
}

}  // namespace
}  // namespace dmm
