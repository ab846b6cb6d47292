// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <string>
#include <string_view>

#include "long_time_format.h"
#include "record_table.h"

namespace dmm {

// The columns of the grid that shows the data table, one per field in field order. Their titles
// also make the header line of a TAB text file.
struct GridColumn {
    std::string_view title;
};

inline constexpr std::array<GridColumn, 6> kGridColumns = {{
    {"No"}, {"Time"}, {"DC/AC"}, {"Value"}, {"Unit"}, {"Auto"},
}};

// What a grid cell shows: No in decimal, Time in the long time format (no milliseconds), the
// texts as stored; a missing value shows as an empty cell.
std::string gridCellText(const RecordTable::Row& row, int column, const LongTimeFormat& fmt);

}  // namespace dmm
