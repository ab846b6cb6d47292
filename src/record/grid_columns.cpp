// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "grid_columns.h"

namespace dmm {

std::string gridCellText(const RecordTable::Row& row, int column, const LongTimeFormat& fmt) {
    switch (column) {
        case kFieldNo:
            return row.no() ? std::to_string(*row.no()) : std::string();
        case kFieldTime:
            return row.timeMs() ? fmt.format(*row.timeMs()) : std::string();
        case kFieldDcAc:
        case kFieldValue:
        case kFieldUnit:
        case kFieldAuto:
            return std::string(row.text(column).value_or(std::string_view()));
        default:
            return {};
    }
}

}  // namespace dmm
