// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>

#include "long_time_format.h"
#include "record_table.h"
#include "report_bands.h"
#include "report_page_composer.h"

class QPagedPaintDevice;

namespace dmm {

// The printed report of a record table: a page header, the column titles, one line per record
// and a page footer on every page, on A4 portrait paper. Each use lays out the records the
// table holds at that moment; the document keeps nothing of the pages it painted.
class ReportDocument {
public:
    explicit ReportDocument(const RecordTable& table,
                            const LongTimeFormat& timeFormat = LongTimeFormat::fromLocale());
    ReportDocument(const ReportDocument&) = delete;  // its bands refer to its own members
    ReportDocument& operator=(const ReportDocument&) = delete;

    // Gives a printer or PDF writer the report's page: A4 portrait, 10 mm margins.
    static void setUpPage(QPagedPaintDevice& device);

    // Pages on the standard page for the records the table holds now; none when it is empty.
    std::size_t pageCount() const;

    // Paints every page on the device, the first on its current page, and ends the painting.
    // The page's body height (its set-up may have been changed) decides the records per page.
    // False when the device cannot be painted on or refuses a new page; an empty table paints
    // nothing and succeeds.
    bool print(QPagedPaintDevice& device) const;

private:
    ReportPageComposer composerFor(int bodyHeight) const;
    const ReportBand& band(ReportBandKind kind) const;
    void paintPage(ReportCanvas& canvas, const ReportPageComposer& composer, std::size_t page,
                   std::size_t records) const;

    const RecordTable& table_;
    LongTimeFormat timeFormat_;
    ReportFonts fonts_;
    LabelBand pageHeader_;
    LabelBand columnHeader_;
    DetailBand detail_;
    LabelBand pageFooter_;
};

}  // namespace dmm
