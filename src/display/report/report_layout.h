// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <string_view>

#include "record_table.h"

namespace dmm {

// The printed report's layout: one A4 portrait page with 10 mm margins, bands 190 mm wide,
// stacked from the top of the page body (the area inside the margins). All lengths are in
// micrometres, so that the band arithmetic is exact.
//
//   band           height    content (left edge and top measured from the band's corner)
//   page header    13.2 mm   "Test Data", centred, 2.1 mm down
//   column header  13.2 mm   six titles, 4.2 mm down
//   detail         6.6 mm    one record's six fields, 2.1 mm down
//   page footer    13.2 mm   "The Data Print Foot", 8.5 mm in, 4.2 mm down; at the page's foot
//
// No frame lines, white backgrounds, every text 10 pt, left-aligned and as wide as it is.
namespace report_layout {

constexpr int kPageWidth = 210000;
constexpr int kPageHeight = 297000;
constexpr int kMargin = 10000;
constexpr int kBodyWidth = kPageWidth - 2 * kMargin;    // 190 mm, the bands' width
constexpr int kBodyHeight = kPageHeight - 2 * kMargin;  // 277 mm

constexpr int kPageHeaderHeight = 13200;
constexpr int kColumnHeaderHeight = 13200;
constexpr int kDetailHeight = 6600;
constexpr int kPageFooterHeight = 13200;

constexpr double kFontPoints = 10.0;

}  // namespace report_layout

// The two faces of the report. Glyph: the LCD face, for the titles, the page header and footer
// and the Unit and Auto fields (unit glyphs print as the symbols they stand for). Text: the
// plain sans-serif face of the other fields and the "DC/AC" title.
enum class ReportFace { Glyph, Text };

// A fixed text of a band.
struct ReportLabel {
    std::string_view text;
    int left;  // from the band's left edge; ignored when centred
    int top;   // from the band's top edge
    ReportFace face;
    bool centred = false;
};

// A field of a record in the detail band.
struct ReportField {
    int field;  // kFieldNo .. kFieldAuto
    int left;
    ReportFace face;
};

namespace report_layout {

constexpr ReportLabel kPageHeaderLabel{"Test Data", 0, 2100, ReportFace::Glyph, true};
constexpr ReportLabel kPageFooterLabel{"The Data Print Foot", 8500, 4200, ReportFace::Glyph};

constexpr int kTitleTop = 4200;
constexpr std::array<ReportLabel, kFieldCount> kColumnTitles = {{
    {"No", 8500, kTitleTop, ReportFace::Glyph},
    {"Time", 33900, kTitleTop, ReportFace::Glyph},
    {"DC/AC", 64300, kTitleTop, ReportFace::Text},
    {"Value", 99500, kTitleTop, ReportFace::Glyph},
    {"Unit", 132300, kTitleTop, ReportFace::Glyph},
    {"AUTO", 163000, kTitleTop, ReportFace::Glyph},
}};

constexpr int kFieldTop = 2100;
constexpr std::array<ReportField, kFieldCount> kDetailFields = {{
    {kFieldNo, 8500, ReportFace::Text},
    {kFieldTime, 33900, ReportFace::Text},
    {kFieldDcAc, 65600, ReportFace::Text},
    {kFieldValue, 99500, ReportFace::Text},
    {kFieldUnit, 131200, ReportFace::Glyph},
    {kFieldAuto, 163000, ReportFace::Glyph},
}};

// The room of detail field i: up to 1 mm before the next field, the last one up to the band's
// right edge. A longer text is cut to it with an ellipsis.
constexpr int kFieldGap = 1000;
constexpr int detailFieldRoom(std::size_t i) {
    const int end = i + 1 < kDetailFields.size() ? kDetailFields[i + 1].left - kFieldGap
                                                  : kBodyWidth;
    return end - kDetailFields[i].left;
}

}  // namespace report_layout

}  // namespace dmm
