// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <vector>

namespace dmm {

enum class ReportBandKind { PageHeader, ColumnHeader, Detail, PageFooter };

// Band heights in micrometres.
struct ReportBandHeights {
    int pageHeader = 0;
    int columnHeader = 0;
    int detail = 0;
    int pageFooter = 0;
};

// Lays bands out on pages: on every page the page header, the column header, then one detail
// band per record for consecutive records while they fit above the page footer, and the page
// footer at the foot of the page body; the next record starts the next page. No records, no
// pages. Only arithmetic: nothing here paints.
class ReportPageComposer {
public:
    // bodyHeight: the height of a page inside its margins, in micrometres.
    ReportPageComposer(int bodyHeight, const ReportBandHeights& heights);

    // Records on a full page; at least one, so that any number of records ends on some page
    // even when the fixed bands leave no room (the detail band then overlaps the footer).
    std::size_t recordsPerPage() const { return perPage_; }
    std::size_t pageCount(std::size_t records) const;

    struct PlacedBand {
        ReportBandKind kind;
        int top;             // from the top of the page body, micrometres
        std::size_t record;  // detail bands: the record's index in the table
    };
    // The bands of page `page` (from 0) when `records` records are printed, top to bottom.
    std::vector<PlacedBand> composePage(std::size_t page, std::size_t records) const;

private:
    int bodyHeight_;
    ReportBandHeights heights_;
    std::size_t perPage_;
};

}  // namespace dmm
