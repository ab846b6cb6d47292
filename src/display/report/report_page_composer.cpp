// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "report_page_composer.h"

#include <algorithm>

namespace dmm {

ReportPageComposer::ReportPageComposer(int bodyHeight, const ReportBandHeights& heights)
    : bodyHeight_(bodyHeight), heights_(heights) {
    const int room = bodyHeight - heights.pageHeader - heights.columnHeader - heights.pageFooter;
    const int fit = heights.detail > 0 && room > 0 ? room / heights.detail : 0;
    perPage_ = static_cast<std::size_t>(std::max(fit, 1));
}

std::size_t ReportPageComposer::pageCount(std::size_t records) const {
    return records / perPage_ + (records % perPage_ != 0 ? 1 : 0);
}

std::vector<ReportPageComposer::PlacedBand> ReportPageComposer::composePage(
    std::size_t page, std::size_t records) const {
    std::vector<PlacedBand> bands;
    if (page >= pageCount(records)) return bands;
    const std::size_t first = page * perPage_;
    const std::size_t last = std::min(records, first + perPage_);
    bands.reserve(3 + (last - first));

    int top = 0;
    bands.push_back({ReportBandKind::PageHeader, top, 0});
    top += heights_.pageHeader;
    bands.push_back({ReportBandKind::ColumnHeader, top, 0});
    top += heights_.columnHeader;
    for (std::size_t r = first; r < last; ++r) {
        bands.push_back({ReportBandKind::Detail, top, r});
        top += heights_.detail;
    }
    bands.push_back({ReportBandKind::PageFooter, bodyHeight_ - heights_.pageFooter, 0});
    return bands;
}

}  // namespace dmm
