// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Sorn frames: fourteen bytes whose low nibbles carry the state of 56 LCD segments and
// annunciators; the digits are rebuilt from their seven-segment patterns.

#include "decoded_frame.h"

namespace dmm {

namespace {

using E = LcdElement;

// Digit text for a seven-segment pattern, segments in the order d c g b e f a (bit 6 = d).
// '\0' for a pattern that is no digit (a blank digit). The L glyph is known in digit 3 only.
char digitForPattern(unsigned pattern, bool thirdDigit) {
    switch (pattern) {
    case 0x6F: return '0';
    case 0x28: return '1';
    case 0x5D: return '2';
    case 0x79: return '3';
    case 0x3A: return '4';
    case 0x73: return '5';
    case 0x77: return '6';
    case 0x29: return '7';
    case 0x7F: return '8';
    case 0x7B: return '9';
    case 0x46: return thirdDigit ? '@' : '\0';
    default: return '\0';
    }
}

struct Annunciator {
    int bit;
    E element;
    std::string_view unit;
};

// Shown in this order; the prefixes come before the units in the unit text.
constexpr Annunciator kAnnunciators[] = {
    {37, E::Micro, "u"},  {38, E::Nano, "n"},  {39, E::Kilo, "k"},   {40, E::Diode, ""},
    {41, E::Milli, "m"},  {42, E::Percent, "%"}, {43, E::Mega, "M"},  {44, E::Continuity, ""},
    {45, E::Farad, "F"},  {46, E::Ohm, "*"}, {47, E::RecordMode, ""}, {48, E::Hold, ""},
    {49, E::Ampere, "A"},  {50, E::Volt, "V"},  {52, E::Battery, ""},
};

}  // namespace

bool decodeSorn(std::string_view frame, std::string_view separator, const MeterSettings& settings,
                DecodedFrame& f) {
    if (frame.size() < 14) return false;
    unsigned nib[15] = {};  // nib[b] = low nibble of byte b (1..14)
    for (int b = 1; b <= 14; ++b) {
        const int v = hexValue(frame[static_cast<std::size_t>(b - 1)]);
        if (v < 0) return false;
        nib[b] = static_cast<unsigned>(v);
    }
    // Bit position p (1..56): bit 3 - ((p - 1) mod 4) of byte (p - 1) div 4 + 1.
    const auto bit = [&nib](int p) -> bool {
        return (nib[(p - 1) / 4 + 1] >> (3 - (p - 1) % 4)) & 1u;
    };

    char digits[4];
    for (int k = 1; k <= 4; ++k) {
        const unsigned pattern = (nib[2 * k + 1] << 3) | (nib[2 * k] & 7u);
        digits[k - 1] = digitForPattern(pattern, k == 3);
    }
    f.da = digits[0];
    f.db = digits[1];
    f.dc = digits[2];
    f.dd = digits[3];

    LcdPanel& p = f.panel;
    MeterReading& r = f.reading;
    // A four-digit display: the fifth digit of the panel and its point stay dark, rather than
    // showing the layout's placeholder before every reading.
    p.hide(E::Digit0);
    p.hide(E::Point0);

    f.negative = bit(5);
    p.setShown(E::Minus, f.negative);

    std::string_view sep[4];
    static constexpr E kPoints[3] = {E::Point1, E::Point2, E::Point3};
    static constexpr int kPointBits[3] = {13, 21, 29};
    for (int i = 0; i < 3; ++i) {
        const bool lit = bit(kPointBits[i]);
        p.setShown(kPoints[i], lit);
        if (lit) sep[i + 1] = separator;
    }

    if (bit(1)) {
        p.show(E::Ac);
        r.couplingText = "AC";
    } else {
        p.hide(E::Ac);
    }
    if (settings.ivraModel) {
        p.setShown(E::TrueRmsT, bit(1));
        p.setShown(E::TrueRms, bit(1));
    }
    if (bit(2)) r.couplingText = "DC";
    if (bit(3)) {
        p.show(E::Auto);
        r.rangeText = "AUTO";
    } else {
        p.hide(E::Auto);
        r.rangeText = "MANU";
    }
    p.setShown(E::Rs232Left, bit(4));
    p.setShown(E::Rs232Right, bit(4));

    for (const Annunciator& a : kAnnunciators) {
        const bool on = bit(a.bit);
        p.setShown(a.element, on);
        if (on) r.unitText.append(a.unit);
    }

    if (bit(56) && !bit(51)) {
        p.show(E::Celsius);
        r.couplingText.clear();
        r.unitText = "#";
    } else {
        p.hide(E::Celsius);
    }

    if (bit(51)) {
        p.hide(E::Celsius);
        p.show(E::Hertz);
        r.unitText.append("Hz");
        r.rangeText = "AUTO";
        f.frequencyMode = true;
    } else {
        p.hide(E::Hertz);
        f.frequencyMode = false;
    }

    appendValueText(r.valueText, f, sep);
    return true;
}

}  // namespace dmm
