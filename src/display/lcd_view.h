// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFrame>
#include <QHash>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <array>

#include "lcd_panel.h"
#include "unit_symbols.h"

namespace dmm {

// The virtual LCD: paints the elements an LcdPanel shows, each at its place in the panel.
// Digits are seven-segment glyphs (the "@" glyph is the letter L), the annunciators the
// symbols their glyph characters stand for ("*" ohm, "+" micro, "#" degree C ...), the
// decimal points small filled shapes. Nothing the panel hides is drawn.
class LcdView : public QFrame {
    Q_OBJECT
public:
    explicit LcdView(QWidget* parent = nullptr);

    void setPanel(const LcdPanel& panel);
    const LcdPanel& panel() const { return panel_; }

    // Whether the seven-segment font was found; without it the segments are painted.
    bool usesDigitFont() const { return digitFont_; }
    void setUseDigitFont(bool on);

    // The text an annunciator label shows for its glyph caption.
    static QString annunciatorSymbol(LcdElement e);
    // Where an element is drawn inside the panel.
    static QRect elementRect(LcdElement e);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintDigit(QPainter& p, const QRectF& box, char glyph) const;
    void paintSegments(QPainter& p, const QRectF& box, char glyph) const;
    void paintLabel(QPainter& p, LcdElement e) const;
    // Digits and labels are drawn once into pictures and then only copied: a frame changes
    // which of them show, never how they look.
    const QPixmap& digitPicture(char glyph);
    const QPixmap& labelPicture(LcdElement e);

    LcdPanel panel_;
    bool digitFont_ = false;
    QHash<char, QPixmap> digitCache_;
    std::array<QPixmap, kLcdElementCount> labelCache_;
};

}  // namespace dmm
