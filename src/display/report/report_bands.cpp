// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "report_bands.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <utility>

#include "grid_columns.h"
#include "unit_symbols.h"

namespace dmm {

namespace {

const QString kLcdFamily = QStringLiteral("DSEG14 Classic");

constexpr double kMicrometresPerInch = 25400.0;

bool lcdFaceCanPrint(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                           (u >= '0' && u <= '9') || u == ' ';
        if (!plain) return false;
    }
    return true;
}

}  // namespace

ReportFonts ReportFonts::standard() {
    ReportFonts f;
    f.lcdInstalled = QFontDatabase::hasFamily(kLcdFamily);
    f.lcd = QFont(kLcdFamily);
    f.lcd.setPointSizeF(report_layout::kFontPoints);
    f.text.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                        QStringLiteral("DejaVu Sans")});
    f.text.setPointSizeF(report_layout::kFontPoints);
    return f;
}

const QFont& ReportFonts::fontFor(ReportFace face, const QString& text) const {
    return face == ReportFace::Glyph && lcdInstalled && lcdFaceCanPrint(text) ? lcd : this->text;
}

ReportCanvas::ReportCanvas(QPainter& painter, const ReportFonts& fonts)
    : painter_(painter),
      fonts_(fonts),
      dotsPerMicrometreX_(painter.device()->logicalDpiX() / kMicrometresPerInch),
      dotsPerMicrometreY_(painter.device()->logicalDpiY() / kMicrometresPerInch),
      lcdAscent_(QFontMetricsF(fonts.lcd, painter.device()).ascent()),
      textAscent_(QFontMetricsF(fonts.text, painter.device()).ascent()),
      lcdMetrics_(fonts.lcd, painter.device()),
      textMetrics_(fonts.text, painter.device()) {
    painter_.setPen(Qt::black);
}

void ReportCanvas::drawText(int left, int top, ReportFace face, const QString& text, int room) {
    if (text.isEmpty()) return;
    const QFont& font = fonts_.fontFor(face, text);
    const QFontMetricsF& metrics = &font == &fonts_.lcd ? lcdMetrics_ : textMetrics_;
    const double width = room * dotsPerMicrometreX_;
    // Measured only when its widest characters would not fit: nearly every text is short.
    if (room <= 0 || static_cast<double>(text.size()) * metrics.maxWidth() <= width ||
        metrics.horizontalAdvance(text) <= width) {
        drawAt(left * dotsPerMicrometreX_, top, font, text);
    } else {
        // Cut in the text face, which has the ellipsis.
        drawAt(left * dotsPerMicrometreX_, top, fonts_.text,
               textMetrics_.elidedText(text, Qt::ElideRight, width));
    }
}

void ReportCanvas::drawCentred(int top, ReportFace face, const QString& text) {
    if (text.isEmpty()) return;
    const QFont& font = fonts_.fontFor(face, text);
    const double width = QFontMetricsF(font, painter_.device()).horizontalAdvance(text);
    drawAt((report_layout::kBodyWidth * dotsPerMicrometreX_ - width) / 2.0, top, font, text);
}

void ReportCanvas::drawAt(double x, int top, const QFont& font, const QString& text) {
    // A label's text hangs from the label's top edge: its baseline is one ascent further down.
    const double ascent = &font == &fonts_.lcd ? lcdAscent_ : textAscent_;
    painter_.setFont(font);
    painter_.drawText(QPointF(x, top * dotsPerMicrometreY_ + ascent), text);
}

LabelBand::LabelBand(int height, std::vector<ReportLabel> labels)
    : height_(height), labels_(std::move(labels)) {}

void LabelBand::paint(ReportCanvas& canvas, int top, std::size_t) const {
    for (const ReportLabel& l : labels_) {
        const QString text =
            QString::fromUtf8(l.text.data(), static_cast<qsizetype>(l.text.size()));
        if (l.centred) {
            canvas.drawCentred(top + l.top, l.face, text);
        } else {
            canvas.drawText(l.left, top + l.top, l.face, text);
        }
    }
}

DetailBand::DetailBand(const RecordTable& table, const LongTimeFormat& timeFormat)
    : table_(table), timeFormat_(timeFormat) {}

QString DetailBand::fieldText(std::size_t record, const ReportField& field) const {
    const std::string text = gridCellText(table_[record], field.field, timeFormat_);
    // Texts are held as UTF-8.
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return field.face == ReportFace::Glyph ? unitSymbols(s) : s;
}

void DetailBand::paint(ReportCanvas& canvas, int top, std::size_t record) const {
    if (record >= table_.size()) return;
    for (std::size_t i = 0; i < report_layout::kDetailFields.size(); ++i) {
        const ReportField& f = report_layout::kDetailFields[i];
        canvas.drawText(f.left, top + report_layout::kFieldTop, f.face, fieldText(record, f),
                        report_layout::detailFieldRoom(i));
    }
}

}  // namespace dmm
