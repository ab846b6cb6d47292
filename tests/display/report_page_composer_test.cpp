// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// How the report's bands fall on pages, without painting.
#include <gtest/gtest.h>

#include "report_layout.h"
#include "report_page_composer.h"

namespace {

using dmm::ReportBandHeights;
using dmm::ReportBandKind;
using dmm::ReportPageComposer;
namespace layout = dmm::report_layout;

const ReportBandHeights kStandard{layout::kPageHeaderHeight, layout::kColumnHeaderHeight,
                                  layout::kDetailHeight, layout::kPageFooterHeight};

TEST(ReportPageComposer, RecordsPerPageAndPageCount) {
    struct Row {
        const char* what;
        int body;
        ReportBandHeights heights;
        std::size_t perPage;
        std::vector<std::pair<std::size_t, std::size_t>> recordsToPages;
    } rows[] = {
        // 277 mm - 3 x 13.2 mm leaves 237.4 mm: 35 lines of 6.6 mm (36 would need 237.6 mm).
        {"A4 with 10 mm margins", layout::kBodyHeight, kStandard, 35,
         {{0, 0}, {1, 1}, {34, 1}, {35, 1}, {36, 2}, {70, 2}, {71, 3}, {10000, 286}, {100000, 2858}}},
        {"room for exactly four lines", 70000, {10000, 10000, 10000, 10000}, 4, {{4, 1}, {5, 2}}},
        {"a micrometre short of four", 69999, {10000, 10000, 10000, 10000}, 3, {{3, 1}, {4, 2}}},
        {"fixed bands leave no room", 30000, {10000, 10000, 5000, 10000}, 1, {{0, 0}, {3, 3}}},
        {"a detail band of no height", 70000, {10000, 10000, 0, 10000}, 1, {{2, 2}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const ReportPageComposer composer(r.body, r.heights);
        EXPECT_EQ(composer.recordsPerPage(), r.perPage);
        for (const auto& [records, pages] : r.recordsToPages) {
            EXPECT_EQ(composer.pageCount(records), pages) << records << " records";
        }
    }
}

// Every page, the last included: page header, column header, the page's records one under the
// other in table order, and the footer at the foot of the body, below the last line.
TEST(ReportPageComposer, EveryPageHasHeadersRecordsInOrderAndFooterAtTheFoot) {
    const ReportPageComposer composer(layout::kBodyHeight, kStandard);
    for (std::size_t records : {1u, 35u, 36u, 71u}) {
        std::size_t next = 0;
        const std::size_t pages = composer.pageCount(records);
        for (std::size_t page = 0; page < pages; ++page) {
            SCOPED_TRACE(testing::Message() << records << " records, page " << page);
            const auto bands = composer.composePage(page, records);
            ASSERT_GE(bands.size(), 4u);
            EXPECT_EQ(bands[0].kind, ReportBandKind::PageHeader);
            EXPECT_EQ(bands[0].top, 0);
            EXPECT_EQ(bands[1].kind, ReportBandKind::ColumnHeader);
            EXPECT_EQ(bands[1].top, layout::kPageHeaderHeight);
            int top = layout::kPageHeaderHeight + layout::kColumnHeaderHeight;
            for (std::size_t i = 2; i + 1 < bands.size(); ++i) {
                EXPECT_EQ(bands[i].kind, ReportBandKind::Detail);
                EXPECT_EQ(bands[i].record, next++);
                EXPECT_EQ(bands[i].top, top);
                top += layout::kDetailHeight;
            }
            const auto& footer = bands.back();
            EXPECT_EQ(footer.kind, ReportBandKind::PageFooter);
            EXPECT_EQ(footer.top, layout::kBodyHeight - layout::kPageFooterHeight);
            EXPECT_LE(top, footer.top);
        }
        EXPECT_EQ(next, records);
        EXPECT_TRUE(composer.composePage(pages, records).empty());
    }
}

}  // namespace
