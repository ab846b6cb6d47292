// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lcd_view.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include <cstdint>

namespace dmm {

namespace {

using E = LcdElement;

// A label shows a caption in a face; a shape (a decimal point) is a small filled block.
enum class Kind : std::uint8_t { Label, Shape };
using K = Kind;

// The faces the panel paints in. Digits: the seven-segment digit face ("@" is the letter L).
// Annunciators: the glyph face in which some ASCII characters stand for symbols
// ("*" ohm, "+" micro, "#", "?", "&", ")", "$" battery, '"' hold, "!" ...). Arial: plain text.
enum class Face : std::uint8_t { Digits, Annunciators, Arial };
using F = Face;

struct PanelBox {
    int left, top, width, height;
};

// Where and how each element of the panel is drawn.
struct ElementPlace {
    LcdElement id;
    Kind kind;
    Face face;
    int fontHeight;
    bool bold;
    PanelBox box;  // inside the panel
};

// id, kind, face, font height (pixels, 0 for shapes), bold, left, top, width, height
constexpr std::array<ElementPlace, kLcdElementCount> kPlaces{{
    {E::Minus, K::Label, F::Digits, 100, false, {5, 20, 26, 112}},
    {E::Digit0, K::Label, F::Digits, 100, false, {40, 20, 56, 113}},
    {E::Digit1, K::Label, F::Digits, 100, false, {88, 20, 56, 113}},
    {E::Digit2, K::Label, F::Digits, 100, false, {136, 20, 56, 113}},
    {E::Digit3, K::Label, F::Digits, 100, false, {184, 20, 56, 113}},
    {E::Digit4, K::Label, F::Digits, 100, false, {232, 20, 56, 113}},
    {E::Point0, K::Shape, F::Digits, 0, false, {78, 105, 7, 8}},
    {E::Point1, K::Shape, F::Digits, 0, false, {127, 105, 7, 8}},
    {E::Point2, K::Shape, F::Digits, 0, false, {175, 105, 7, 8}},
    {E::Point3, K::Shape, F::Digits, 0, false, {224, 105, 7, 8}},
    {E::Auto, K::Label, F::Annunciators, 19, true, {8, 11, 54, 22}},
    {E::Rs232Left, K::Label, F::Annunciators, 19, true, {70, 11, 26, 22}},
    {E::Rs232Right, K::Label, F::Arial, 14, true, {98, 15, 34, 16}},
    {E::AcPlusDc, K::Label, F::Arial, 16, true, {77, 14, 56, 19}},
    {E::Percent, K::Label, F::Annunciators, 24, false, {136, 8, 21, 28}},
    {E::RecordMode, K::Label, F::Annunciators, 32, false, {160, 3, 9, 37}},
    {E::Ac, K::Label, F::Annunciators, 20, true, {182, 14, 27, 24}},
    {E::AcDcPlusSign, K::Label, F::Arial, 21, false, {211, 13, 12, 24}},
    {E::Dc, K::Label, F::Annunciators, 20, true, {223, 14, 28, 24}},
    {E::TrueRmsT, K::Label, F::Annunciators, 19, true, {253, 13, 13, 22}},
    {E::TrueRms, K::Label, F::Annunciators, 12, true, {264, 19, 26, 15}},
    {E::Rpm, K::Label, F::Annunciators, 19, true, {286, 11, 43, 22}},
    {E::Hold, K::Label, F::Annunciators, 35, false, {8, 30, 12, 40}},
    {E::Battery, K::Label, F::Annunciators, 35, false, {8, 80, 19, 40}},
    {E::OpenParenthesis, K::Label, F::Annunciators, 35, false, {288, 25, 12, 40}},
    {E::Celsius, K::Label, F::Annunciators, 32, false, {304, 33, 18, 37}},
    {E::Fahrenheit, K::Label, F::Annunciators, 32, false, {304, 33, 18, 37}},
    {E::Diode, K::Label, F::Annunciators, 29, false, {296, 33, 10, 34}},
    {E::Continuity, K::Label, F::Annunciators, 32, false, {296, 31, 25, 36}},
    {E::Kilo, K::Label, F::Annunciators, 27, false, {286, 55, 14, 31}},
    {E::Mega, K::Label, F::Annunciators, 24, false, {278, 57, 20, 28}},
    {E::Ohm, K::Label, F::Annunciators, 29, false, {304, 54, 11, 34}},
    {E::Hertz, K::Label, F::Annunciators, 24, false, {296, 58, 28, 28}},
    {E::Micro, K::Label, F::Annunciators, 32, false, {288, 75, 19, 37}},
    {E::Milli, K::Label, F::Annunciators, 24, false, {280, 81, 20, 28}},
    {E::Nano, K::Label, F::Annunciators, 24, false, {288, 82, 13, 28}},
    {E::Ampere, K::Label, F::Annunciators, 24, false, {304, 82, 16, 28}},
    {E::Farad, K::Label, F::Annunciators, 24, false, {304, 82, 15, 28}},
    {E::Volt, K::Label, F::Annunciators, 24, false, {304, 83, 16, 28}},
    {E::Watt, K::Label, F::Annunciators, 19, true, {296, 99, 17, 22}},
}};

constexpr bool placesInOrder() {
    for (std::size_t i = 0; i < kPlaces.size(); ++i) {
        if (static_cast<std::size_t>(kPlaces[i].id) != i) return false;
    }
    return true;
}
static_assert(placesInOrder(), "the places must follow the LcdElement order");

const ElementPlace& placeOf(LcdElement e) { return kPlaces[static_cast<std::size_t>(e)]; }

// The panel's size in the window.
constexpr int kPanelWidth = 334;
constexpr int kPanelHeight = 129;

constexpr const char* kDigitFamily = "DSEG7 Classic";
const QColor kInk(20, 20, 24);

// Where a digit's glyph stands inside its label: the labels are wider than a glyph so that
// the decimal point after a digit falls in the gap before the next one.
constexpr qreal kGlyphLeft = 2.0;
constexpr qreal kGlyphWidth = 34.0;
constexpr qreal kGlyphTop = 30.0;   // inside the panel
constexpr qreal kGlyphBottom = 112.0;
// A label's picture is this wide, centred on the label: a symbol may be wider than its label.
constexpr int kLabelPictureWidth = 80;

// Segments a..g, bit 0 = a (top), clockwise, g the middle bar.
unsigned segmentMask(char c) {
    switch (c) {
    case '0': return 0x3F;
    case '1': return 0x06;
    case '2': return 0x5B;
    case '3': return 0x4F;
    case '4': return 0x66;
    case '5': return 0x6D;
    case '6': return 0x7D;
    case '7': return 0x07;
    case '8': return 0x7F;
    case '9': return 0x6F;
    case 'L': return 0x38;
    case '-': return 0x40;
    case 'A': return 0x77;
    case 'b': return 0x7C;
    case 'C': return 0x39;
    case 'd': return 0x5E;
    case 'E': return 0x79;
    case 'F': return 0x71;
    case 'H': return 0x76;
    case 'n': return 0x54;
    case 'o': return 0x5C;
    case 'P': return 0x73;
    case 'r': return 0x50;
    case 'U': return 0x3E;
    default: return 0;
    }
}

// Where an element's drawing may fall: its label, and what is drawn past it (a digit's glyph,
// a decimal point at the foot of the digits, a symbol's picture wider than its label).
QRect paintedArea(const ElementPlace& place) {
    const QRectF box(place.box.left, place.box.top, place.box.width, place.box.height);
    QRectF area = box;
    if (place.kind == Kind::Shape) {
        area |= QRectF(box.left(), kGlyphBottom - 7.0, 6.0, 7.0);
    } else if (place.face == Face::Digits) {
        area |= QRectF(box.left() + kGlyphLeft, kGlyphTop, kGlyphWidth, kGlyphBottom - kGlyphTop);
    } else {
        area |= QRectF(box.center().x() - kLabelPictureWidth / 2.0, box.top(), kLabelPictureWidth,
                       box.height());
    }
    return area.toAlignedRect().adjusted(-1, -1, 1, 1);
}

QFont annunciatorFont(const ElementPlace& place) {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Arial")});
    // The layout gives cell heights; the drawn letters are about three quarters of that.
    f.setPixelSize(std::max(6, place.fontHeight * 3 / 4));
    f.setBold(place.bold);
    return f;
}

}  // namespace

LcdView::LcdView(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    resize(kPanelWidth, kPanelHeight);
    digitFont_ = QFontDatabase::hasFamily(QString::fromLatin1(kDigitFamily));
}

void LcdView::setPanel(const LcdPanel& panel) {
    if (panel == panel_) return;
    // Only the elements that appear, go or show another digit are painted again.
    QRegion changed;
    for (const ElementPlace& place : kPlaces) {
        if (panel.shown(place.id) != panel_.shown(place.id) ||
            panel.caption(place.id) != panel_.caption(place.id)) {
            changed += paintedArea(place);
        }
    }
    panel_ = panel;
    update(changed);
}

void LcdView::setUseDigitFont(bool on) {
    digitFont_ = on && QFontDatabase::hasFamily(QString::fromLatin1(kDigitFamily));
    digitCache_.clear();
    update();
}

QString LcdView::annunciatorSymbol(LcdElement e) {
    const LcdElementInfo& info = LcdPanel::info(e);
    const QString caption = QString::fromLatin1(info.caption.data(),
                                                static_cast<qsizetype>(info.caption.size()));
    if (placeOf(e).face != Face::Annunciators) return caption;
    switch (e) {
    case LcdElement::Micro: return QStringLiteral("\u00B5");          // micro
    case LcdElement::Ohm: return QStringLiteral("\u03A9");        // ohm
    case LcdElement::Celsius: return QStringLiteral("\u00B0C");        // degree Celsius
    case LcdElement::Fahrenheit: return QStringLiteral("\u00B0F");        // degree Fahrenheit
    case LcdElement::Diode: return QStringLiteral("\u25B6|");        // diode
    case LcdElement::Continuity: return QStringLiteral("\u00B7)))");      // continuity buzzer
    case LcdElement::Battery: return QStringLiteral("\u25AD");       // battery
    case LcdElement::Hold: return QStringLiteral("H");            // data hold
    case LcdElement::RecordMode: return QStringLiteral("!");
    default: return caption;
    }
}

void LcdView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);

    for (const ElementPlace& place : kPlaces) {
        if (!panel_.shown(place.id)) continue;
        const QRectF rect(elementRect(place.id));

        if (place.kind == Kind::Shape) {
            // A decimal point: a small filled block at the foot of the digits.
            p.fillRect(QRectF(rect.left(), kGlyphBottom - 7.0, 6.0, 7.0), kInk);
            continue;
        }
        if (place.id == LcdElement::Minus) {
            // The minus sign: the middle bar of a digit, drawn in its own narrow label.
            const qreal mid = (kGlyphTop + kGlyphBottom) / 2.0;
            p.fillRect(QRectF(rect.left() + 2.0, mid - 4.0, rect.width() - 4.0, 8.0), kInk);
            continue;
        }
        if (place.face == Face::Digits) {
            const std::string_view cap = panel_.caption(place.id);
            if (cap.empty()) continue;  // a blank digit
            const char glyph = cap[0] == '@' ? 'L' : cap[0];
            p.drawPixmap(QPointF(rect.left() + kGlyphLeft, kGlyphTop), digitPicture(glyph));
            continue;
        }
        const QPixmap& pic = labelPicture(place.id);
        // Centred by its size on the panel, not in device pixels.
        const qreal left = rect.center().x() - pic.deviceIndependentSize().width() / 2.0;
        p.drawPixmap(QPointF(left, rect.top()), pic);
    }
}

const QPixmap& LcdView::digitPicture(char glyph) {
    auto it = digitCache_.find(glyph);
    if (it != digitCache_.end()) return *it;
    const qreal dpr = devicePixelRatioF();
    QPixmap pm(QSize(static_cast<int>(kGlyphWidth * dpr),
                     static_cast<int>((kGlyphBottom - kGlyphTop) * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paintDigit(p, QRectF(0, 0, kGlyphWidth, kGlyphBottom - kGlyphTop), glyph);
    p.end();
    return *digitCache_.insert(glyph, pm);
}

QRect LcdView::elementRect(LcdElement e) {
    const PanelBox& b = placeOf(e).box;
    return QRect(b.left, b.top, b.width, b.height);
}

const QPixmap& LcdView::labelPicture(LcdElement e) {
    QPixmap& pm = labelCache_[static_cast<std::size_t>(e)];
    if (!pm.isNull()) return pm;
    // Labels may be narrower than their symbol; the picture is wider and centred on the label,
    // as the transparent labels of a real panel overlap.
    const qreal dpr = devicePixelRatioF();
    pm = QPixmap(QSize(static_cast<int>(kLabelPictureWidth * dpr),
                       static_cast<int>(placeOf(e).box.height * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintLabel(p, e);
    return pm;
}

void LcdView::paintLabel(QPainter& p, LcdElement e) const {
    const ElementPlace& place = placeOf(e);
    QFont f = annunciatorFont(place);
    if (place.face == Face::Arial) {
        f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("DejaVu Sans")});
    }
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 80, place.box.height), Qt::AlignHCenter | Qt::AlignVCenter,
               annunciatorSymbol(e));
}

void LcdView::paintDigit(QPainter& p, const QRectF& box, char glyph) const {
    if (!digitFont_) {
        paintSegments(p, box, glyph);
        return;
    }
    // The glyph's outline, mapped so that an "8" of the font fills the digit box exactly: every
    // digit then stands in the same cell, whatever the font's own proportions.
    QFont f(QString::fromLatin1(kDigitFamily));
    f.setPixelSize(100);
    QPainterPath eight;
    eight.addText(0, 0, f, QStringLiteral("8"));
    const QRectF ref = eight.boundingRect();
    if (ref.width() <= 0 || ref.height() <= 0) {
        paintSegments(p, box, glyph);
        return;
    }
    QPainterPath path;
    path.addText(0, 0, f, QString(QChar(glyph)));
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width() / ref.width(), box.height() / ref.height());
    t.translate(-ref.left(), -ref.top());
    p.fillPath(t.map(path), kInk);
}

void LcdView::paintSegments(QPainter& p, const QRectF& box, char glyph) const {
    const unsigned mask = segmentMask(glyph);
    const qreal t = 7.0;  // segment thickness
    const qreal x0 = box.left(), x1 = box.right(), y0 = box.top(), y2 = box.bottom();
    const qreal y1 = (y0 + y2) / 2.0;
    const QRectF seg[7] = {
        {x0 + t, y0, x1 - x0 - 2 * t, t},                 // a
        {x1 - t, y0 + t, t, y1 - y0 - 1.5 * t},           // b
        {x1 - t, y1 + 0.5 * t, t, y2 - y1 - 1.5 * t},     // c
        {x0 + t, y2 - t, x1 - x0 - 2 * t, t},             // d
        {x0, y1 + 0.5 * t, t, y2 - y1 - 1.5 * t},         // e
        {x0, y0 + t, t, y1 - y0 - 1.5 * t},               // f
        {x0 + t, y1 - 0.5 * t, x1 - x0 - 2 * t, t},       // g
    };
    for (int i = 0; i < 7; ++i) {
        if (mask & (1u << i)) p.fillRect(seg[i], kInk);
    }
}

}  // namespace dmm
