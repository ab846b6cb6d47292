// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "report_document.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

#include <cmath>

namespace dmm {

namespace {

// The height of the device's page inside its margins, in micrometres.
int bodyHeightOf(const QPagedPaintDevice& device) {
    const QRectF body = device.pageLayout().paintRect(QPageLayout::Millimeter);
    return static_cast<int>(std::lround(body.height() * 1000.0));
}

}  // namespace

ReportDocument::ReportDocument(const RecordTable& table, const LongTimeFormat& timeFormat)
    : table_(table),
      timeFormat_(timeFormat),
      fonts_(ReportFonts::standard()),
      pageHeader_(report_layout::kPageHeaderHeight, {report_layout::kPageHeaderLabel}),
      columnHeader_(report_layout::kColumnHeaderHeight,
                    {report_layout::kColumnTitles.begin(), report_layout::kColumnTitles.end()}),
      detail_(table_, timeFormat_),
      pageFooter_(report_layout::kPageFooterHeight, {report_layout::kPageFooterLabel}) {}

void ReportDocument::setUpPage(QPagedPaintDevice& device) {
    const double margin = report_layout::kMargin / 1000.0;
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(margin, margin, margin, margin),
                                     QPageLayout::Millimeter));
}

ReportPageComposer ReportDocument::composerFor(int bodyHeight) const {
    return ReportPageComposer(bodyHeight, {pageHeader_.height(), columnHeader_.height(),
                                           detail_.height(), pageFooter_.height()});
}

std::size_t ReportDocument::pageCount() const {
    return composerFor(report_layout::kBodyHeight).pageCount(table_.size());
}

const ReportBand& ReportDocument::band(ReportBandKind kind) const {
    switch (kind) {
    case ReportBandKind::PageHeader: return pageHeader_;
    case ReportBandKind::ColumnHeader: return columnHeader_;
    case ReportBandKind::Detail: return detail_;
    case ReportBandKind::PageFooter: break;
    }
    return pageFooter_;
}

bool ReportDocument::print(QPagedPaintDevice& device) const {
    const std::size_t records = table_.size();
    const ReportPageComposer composer = composerFor(bodyHeightOf(device));
    const std::size_t pages = composer.pageCount(records);
    if (pages == 0) return true;
    QPainter painter;
    if (!painter.begin(&device)) return false;
    ReportCanvas canvas(painter, fonts_);
    for (std::size_t page = 0; page < pages; ++page) {
        if (page > 0 && !device.newPage()) {
            painter.end();
            return false;
        }
        paintPage(canvas, composer, page, records);
    }
    return painter.end();
}

void ReportDocument::paintPage(ReportCanvas& canvas, const ReportPageComposer& composer,
                               std::size_t page, std::size_t records) const {
    for (const ReportPageComposer::PlacedBand& b : composer.composePage(page, records)) {
        band(b.kind).paint(canvas, b.top, b.record);
    }
}

}  // namespace dmm
