// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <cstddef>
#include <vector>

#include "long_time_format.h"
#include "record_table.h"
#include "report_layout.h"

class QPainter;

namespace dmm {

// The report's fonts at 10 pt. The glyph face is the 14-segment LCD face; a text it has no
// signs for (a unit symbol such as k-ohm or degree C) is printed in the text face instead,
// and so is everything when the LCD face is not installed.
struct ReportFonts {
    QFont lcd;
    QFont text;
    bool lcdInstalled = false;

    static ReportFonts standard();
    // The font a text of a face is printed in: the LCD face takes letters, digits and blanks.
    const QFont& fontFor(ReportFace face, const QString& text) const;
};

// Where the bands paint: a painter on a page, addressed in micrometres from the top left corner
// of the page body. Texts are placed by the top of their label and drawn from its left edge.
class ReportCanvas {
public:
    ReportCanvas(QPainter& painter, const ReportFonts& fonts);

    // `room` (micrometres, 0: any): a text wider than that is cut to it with an ellipsis.
    void drawText(int left, int top, ReportFace face, const QString& text, int room = 0);
    // Centred across the width of the bands.
    void drawCentred(int top, ReportFace face, const QString& text);

private:
    void drawAt(double x, int top, const QFont& font, const QString& text);

    QPainter& painter_;
    const ReportFonts& fonts_;
    double dotsPerMicrometreX_;
    double dotsPerMicrometreY_;
    double lcdAscent_;   // device dots
    double textAscent_;
    QFontMetricsF lcdMetrics_;
    QFontMetricsF textMetrics_;
};

// One band of the report: how tall it is and how it paints itself.
class ReportBand {
public:
    virtual ~ReportBand() = default;
    virtual int height() const = 0;
    // Paints the band with its top edge `top` micrometres below the page body's top; a detail
    // band prints the record with index `record`.
    virtual void paint(ReportCanvas& canvas, int top, std::size_t record) const = 0;
};

// A band of fixed texts: the page header, the column header, the page footer.
class LabelBand : public ReportBand {
public:
    LabelBand(int height, std::vector<ReportLabel> labels);
    int height() const override { return height_; }
    void paint(ReportCanvas& canvas, int top, std::size_t record) const override;

private:
    int height_;
    std::vector<ReportLabel> labels_;
};

// One record's fields as the grid shows them: No in decimal, Time in the long time format,
// texts as stored, unit glyphs in the glyph columns as their symbols; a missing value prints
// nothing.
class DetailBand : public ReportBand {
public:
    DetailBand(const RecordTable& table, const LongTimeFormat& timeFormat);
    int height() const override { return report_layout::kDetailHeight; }
    void paint(ReportCanvas& canvas, int top, std::size_t record) const override;

private:
    QString fieldText(std::size_t record, const ReportField& field) const;

    const RecordTable& table_;
    const LongTimeFormat& timeFormat_;
};

}  // namespace dmm
