// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Kelt frames: nine characters of which the low nibbles carry five digits, a range digit, a
// function digit, a coupling digit and a status digit, followed by "DA".

#include <array>

#include "decoded_frame.h"

namespace dmm {

namespace {

using E = LcdElement;

constexpr int kNone = kNoDecimalPoint;

// Decimal point by range digit 0..7 for one function; kNone where the range is not listed.
using RangePoints = std::array<int, 8>;

void appendPrefixUnit(DecodedFrame& f, std::string_view prefix, std::string_view unit) {
    f.reading.unitText.append(prefix);
    f.reading.unitText.append(unit);
}

// Shows the function's annunciators and sets the unit text; returns the decimal point.
int applyFunction(int fn, int r, DecodedFrame& f) {
    LcdPanel& p = f.panel;
    const auto pointFor = [r](const RangePoints& table) {
        return (r >= 0 && r < 8) ? table[static_cast<std::size_t>(r)] : kNone;
    };
    switch (fn) {
    case 0:
        return kNone;
    case 1:
    case 2:
        p.show(E::Volt);
        appendPrefixUnit(f, "", "V");
        return pointFor({kNone, 0, 1, 2, 3, kNone, kNone, kNone});
    case 3:
        p.show(E::Volt);
        p.show(E::Milli);
        appendPrefixUnit(f, "m", "V");
        return 2;
    case 4: {
        p.show(E::Ohm);
        std::string_view prefix;
        if (r >= 2 && r <= 4) {
            p.show(E::Kilo);
            prefix = "k";
        } else if (r == 5 || r == 6) {
            p.show(E::Mega);
            prefix = "M";
        }
        appendPrefixUnit(f, prefix, "*");
        return pointFor({kNone, 2, 0, 1, 2, 0, 1, kNone});
    }
    case 5: {
        p.show(E::Farad);
        std::string_view prefix;
        if (r == 1 || r == 2) {
            p.show(E::Nano);
            prefix = "n";
        } else if (r >= 3 && r <= 5) {
            p.show(E::Micro);
            prefix = "u";
        } else if (r == 6 || r == 7) {
            p.show(E::Milli);
            prefix = "m";
        }
        appendPrefixUnit(f, prefix, "F");
        return pointFor({kNone, 1, 2, 0, 1, 2, 0, 1});
    }
    case 6:
        p.show(E::Celsius);
        appendPrefixUnit(f, "", "#");
        return 3;
    case 7: {
        p.show(E::Ampere);
        std::string_view prefix;
        if (r == 0 || r == 1) {
            p.show(E::Micro);
            prefix = "u";
        }
        appendPrefixUnit(f, prefix, "A");
        return pointFor({2, 3, kNone, kNone, kNone, kNone, kNone, kNone});
    }
    case 8: {
        p.show(E::Ampere);
        std::string_view prefix;
        if (r == 0 || r == 1) {
            p.show(E::Milli);
            prefix = "m";
        }
        appendPrefixUnit(f, prefix, "A");
        return pointFor({1, 2, kNone, kNone, kNone, kNone, kNone, kNone});
    }
    case 9:
        p.show(E::Ampere);
        appendPrefixUnit(f, "", "A");
        return 1;
    case 10:
        p.show(E::Continuity);
        p.show(E::Ohm);
        appendPrefixUnit(f, "", "*&");
        return 2;
    case 11:
        p.show(E::Diode);
        p.show(E::Volt);
        appendPrefixUnit(f, "", "V)");
        return 0;
    case 12: {
        p.show(E::Hertz);
        std::string_view prefix;
        if (r >= 2 && r <= 4) {
            p.show(E::Kilo);
            prefix = "k";
        } else if (r >= 5 && r <= 7) {
            p.show(E::Mega);
            prefix = "M";
        }
        appendPrefixUnit(f, prefix, "Hz");
        return pointFor({1, 2, 0, 1, 2, 0, 1, 2});
    }
    case 13:
        p.show(E::Fahrenheit);
        appendPrefixUnit(f, "", "?");
        return 3;
    case 14:
        p.show(E::Watt);
        appendPrefixUnit(f, "", "W");
        return 3;
    case 15:
        p.show(E::Percent);
        appendPrefixUnit(f, "", "mA%");
        return 2;
    default:
        return kNone;
    }
}

void applyCoupling(int c, int fn, DecodedFrame& f) {
    LcdPanel& p = f.panel;
    for (E e : {E::Ac, E::AcDcPlusSign, E::Dc, E::TrueRmsT, E::TrueRms}) p.hide(e);
    f.reading.couplingText.clear();
    switch (c) {
    case 0:
        if (fn == 0 || fn == 1 || fn == 3 || fn == 7 || fn == 8 || fn == 9) {
            f.reading.couplingText = "DC";
        }
        break;
    case 1:
        p.show(E::Ac);
        p.show(E::TrueRmsT);
        p.show(E::TrueRms);
        f.reading.couplingText = "AC";
        break;
    case 2:
        p.show(E::Dc);
        f.reading.couplingText = "DC";
        break;
    case 3:
        for (E e : {E::Ac, E::TrueRmsT, E::TrueRms, E::AcDcPlusSign, E::Dc}) p.show(e);
        f.reading.couplingText = "AC+DC";
        break;
    default:
        break;
    }
}

}  // namespace

bool decodeKelt(std::string_view frame, std::string_view separator, DecodedFrame& f) {
    if (frame.size() < 11) return false;
    const auto at = [frame](int position) { return frame[static_cast<std::size_t>(position - 1)]; };

    // Digits, taken only from a frame that ends in "DA".
    if (at(10) == 'D' && at(11) == 'A') {
        if (at(1) == 'A') {
            // Overload ("0L") and blank ("L0") forms.
            if (at(2) == 'C') {
                f.db = '@';
                f.dc = '0';
            } else {
                f.db = '0';
                f.dc = '@';
            }
        } else if (at(4) == 'B') {
            f.d0 = f.da = f.db = f.dc = f.dd = '0';
        } else {
            f.d0 = at(1);
            f.da = at(2);
            f.db = at(3);
            f.dc = at(4);
            f.dd = at(5) == 'A' ? '\0' : at(5);
        }
    }

    LcdPanel& p = f.panel;
    for (E e :
         {E::Volt, E::Milli, E::Ohm, E::Kilo, E::Mega, E::Farad, E::Nano, E::Micro, E::Celsius,
          E::Ampere, E::Hertz, E::Percent, E::Continuity, E::Diode, E::Fahrenheit, E::Watt}) {
        p.hide(e);
    }

    const int range = decimalValue(at(6));
    const int function = hexValue(at(7));
    const int coupling = decimalValue(at(8));
    int status = decimalValue(at(9));
    if (range < 0 || function < 0 || coupling < 0 || status < 0) return false;

    int decimalPos = applyFunction(function, range, f);
    applyCoupling(coupling, function, f);

    if (status >= 8) status -= 8;
    if (status >= 4) {
        f.negative = true;
        p.show(E::Minus);
        status -= 4;
    } else {
        p.hide(E::Minus);
    }
    if (status == 1) {
        p.show(E::Auto);
        f.reading.rangeText = "AUTO";
    } else {
        p.hide(E::Auto);
    }

    // A frequency shown with the minus sign is a percentage (duty cycle).
    if (p.shown(E::Hertz) && p.shown(E::Minus)) {
        decimalPos = 2;
        for (E e : {E::Kilo, E::Mega, E::Hertz, E::Minus}) p.hide(e);
        p.show(E::Percent);
        f.negative = false;
        f.reading.unitText = "%";
    }

    std::string_view sep[4];
    for (E e : {E::Point0, E::Point1, E::Point2, E::Point3}) p.hide(e);
    if (decimalPos >= 0 && decimalPos <= 3) {
        static constexpr E kPoints[4] = {E::Point0, E::Point1, E::Point2, E::Point3};
        p.show(kPoints[decimalPos]);
        sep[decimalPos] = separator;
    }
    // The blank form shows its point after the third digit, whatever the range.
    if (f.db == '@' && f.dc == '0') {
        sep[3] = separator;
        p.show(E::Point3);
        sep[2] = {};
        p.hide(E::Point2);
    }

    // The blank form reads "L0." whatever the range; every other form is read as shown.
    if (f.db == '@' && f.dc != '@') {
        f.reading.valueText = "L0.";
    } else {
        appendValueText(f.reading.valueText, f, sep);
    }
    return true;
}

}  // namespace dmm
