// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Brio frames: a range digit, four digits, a function character and three status nibbles,
// between the line feed of the previous frame and the carriage return of this one.

#include "decoded_frame.h"

namespace dmm {

namespace {

using E = LcdElement;

struct Flags {
    bool p1 = false, p2 = false, p3 = false;
    bool kilo = false, mega = false, milli = false, micro = false, ampere = false, nano = false;

    void clearAll() { *this = Flags{}; }
    void point(int n) {
        p1 = n == 1;
        p2 = n == 2;
        p3 = n == 3;
    }
};

// One row of a range table: the unit text, the lit point (0 = none) and the prefix.
enum class Prefix { None, Kilo, Mega, Milli, Micro, Nano };
struct RangeRow {
    std::string_view unit;
    int point;
    Prefix prefix;
};

void applyPrefix(Prefix prefix, Flags& fl) {
    switch (prefix) {
    case Prefix::Kilo: fl.kilo = true; break;
    case Prefix::Mega: fl.mega = true; break;
    case Prefix::Milli: fl.milli = true; break;
    case Prefix::Micro: fl.micro = true; break;
    case Prefix::Nano: fl.nano = true; break;
    case Prefix::None: break;
    }
}

// Applies row r of a table of n rows; false when r is past the table (nothing applied).
template <std::size_t N>
bool applyRow(const RangeRow (&rows)[N], int r, std::string& unit, Flags& fl) {
    if (r < 0 || static_cast<std::size_t>(r) >= N) return false;
    const RangeRow& row = rows[r];
    unit = row.unit;
    fl.point(row.point);
    applyPrefix(row.prefix, fl);
    return true;
}

constexpr RangeRow kFrequencyRows[] = {
    {"kHz", 1, Prefix::Kilo}, {"kHz", 2, Prefix::Kilo}, {"kHz", 3, Prefix::Kilo},
    {"MHz", 1, Prefix::Mega}, {"MHz", 2, Prefix::Mega}, {"MHz", 3, Prefix::Mega},
};

}  // namespace

bool decodeBrio(std::string_view frame, std::string_view separator, const MeterSettings& settings,
                DecodedFrame& f) {
    if (frame.size() < 11) return false;
    const auto at = [frame](int position) { return frame[static_cast<std::size_t>(position - 1)]; };
    const int status = hexValue(at(8));
    const int coupling = hexValue(at(10));
    if (status < 0 || coupling < 0) return false;
    // Bits p25..p28 are position 8, bits p33..p36 position 10, each bit 3 first.
    const bool frequencyOrRpm = status & 8;  // p25
    const bool minus = status & 4;           // p26
    const bool battery = status & 2;         // p27
    const bool overload = status & 1;        // p28
    const bool dcBit = coupling & 8;         // p33
    const bool acBit = coupling & 4;         // p34
    const bool autoBit = coupling & 2;       // p35
    const bool rsBit = coupling & 1;         // p36: the annunciator shows when this is 0

    // The range digit is converted only where a function uses it.
    const int range = decimalValue(at(2));
    bool rangeNeededButBad = false;
    const auto r = [&]() {
        if (range < 0) rangeNeededButBad = true;
        return range;
    };

    f.da = at(3);
    f.db = at(4);
    f.dc = at(5);
    if (overload) {
        f.dc = '@';
        f.db = '0';
    }
    f.dd = at(6);
    const char fn = at(7);
    f.brioFunctionOne = fn == '1';

    LcdPanel& p = f.panel;
    MeterReading& rd = f.reading;
    // A four-digit display: the fifth digit of the panel and its point stay dark.
    p.hide(E::Digit0);
    p.hide(E::Point0);

    f.negative = minus;
    p.setShown(E::Minus, minus);
    p.setShown(E::Battery, battery);
    if (acBit) {
        p.show(E::Ac);
        rd.couplingText = "AC";
    } else {
        p.hide(E::Ac);
    }
    if (dcBit) {
        p.show(E::Dc);
        rd.couplingText = "DC";
    } else {
        p.hide(E::Dc);
    }
    if (autoBit) {
        p.show(E::Auto);
        rd.rangeText = "AUTO";
    } else {
        p.hide(E::Auto);
        rd.rangeText = "MANU";
    }
    p.setShown(E::Rs232Left, !rsBit);
    p.setShown(E::Rs232Right, !rsBit);

    Flags fl;
    std::string& unit = rd.unitText;

    if (fn == 'B') {
        p.show(E::Volt);
        unit = "V";
        switch (r()) {
        case 0: unit = "mV"; fl.p3 = true; fl.milli = true; break;
        case 1: fl.p1 = true; break;
        case 2: fl.p2 = true; break;
        case 3: fl.p3 = true; break;
        default: break;
        }
    } else {
        p.hide(E::Volt);
    }
    if (fn == 'D') {
        unit = "uA";
        fl.micro = fl.ampere = true;
        if (r() == 0) fl.p3 = true;
    } else {
        p.hide(E::Micro);
    }
    if (fn == '9') {
        unit = "mA";
        fl.milli = fl.ampere = true;
        const int rr = r();
        if (rr == 0) fl.p2 = true;
        if (rr == 1) fl.p3 = true;
    }
    if (fn == 'F') {
        unit = "A";
        fl.ampere = true;
        fl.p2 = true;
    }
    if (fn == '3') {
        p.show(E::Ohm);
        static constexpr RangeRow kOhm[] = {
            {"*", 3, Prefix::None},  {"k*", 1, Prefix::Kilo}, {"k*", 2, Prefix::Kilo},
            {"k*", 3, Prefix::Kilo}, {"M*", 1, Prefix::Mega}, {"M*", 2, Prefix::Mega},
        };
        unit = "*";
        applyRow(kOhm, r(), unit, fl);
    } else {
        p.hide(E::Ohm);
    }
    if (fn == '2') {
        if (!frequencyOrRpm) {
            p.show(E::Hertz);
            p.hide(E::Rpm);
            const int rr = r();
            if (rr == 0 && !settings.fermoModel && !settings.brioModel) {
                unit = "Hz";
            } else {
                applyRow(kFrequencyRows, rr, unit, fl);
            }
        } else {
            p.show(E::Rpm);
            p.hide(E::Hertz);
            static constexpr RangeRow kRpm[] = {
                {"kRPM", 2, Prefix::Kilo}, {"kRPM", 3, Prefix::Kilo}, {"MRPM", 1, Prefix::Mega},
                {"MRPM", 2, Prefix::Mega}, {"MRPM", 3, Prefix::Mega}, {"MRPM", 0, Prefix::Mega},
            };
            applyRow(kRpm, r(), unit, fl);
        }
    } else {
        p.hide(E::Rpm);
        p.hide(E::Hertz);
    }
    if (fn == '4') {
        p.setShown(E::Celsius, frequencyOrRpm);
        p.setShown(E::Fahrenheit, !frequencyOrRpm);
        unit = frequencyOrRpm ? "#" : "?";
    } else {
        p.hide(E::Celsius);
        p.hide(E::Fahrenheit);
    }
    if (fn == '5') {
        p.show(E::Continuity);
        if (settings.fermoModel) p.show(E::Ohm);
        unit = settings.fermoModel ? "&*" : "&";
        fl.p3 = true;
    } else {
        p.hide(E::Continuity);
    }
    if (fn == '1') {
        p.show(E::Diode);
        p.show(E::Volt);
        unit = ")";
        fl.p1 = true;
    } else {
        p.hide(E::Diode);
    }
    if (fn == '6') {
        p.show(E::Farad);
        static constexpr RangeRow kFarad[] = {
            {"nF", 1, Prefix::Nano},  {"nF", 2, Prefix::Nano},  {"nF", 3, Prefix::Nano},
            {"uF", 1, Prefix::Micro}, {"uF", 2, Prefix::Micro}, {"uF", 3, Prefix::Micro},
            {"mF", 1, Prefix::Milli}, {"mF", 2, Prefix::Milli},
        };
        applyRow(kFarad, r(), unit, fl);
    } else {
        p.hide(E::Farad);
    }

    // Frequency shown over any function.
    if (at(8) == '0' && at(9) == '1') {
        fl.clearAll();
        p.hide(E::Volt);
        p.show(E::Hertz);
        p.hide(E::Rpm);
        applyRow(kFrequencyRows, r(), unit, fl);
    }
    if (rangeNeededButBad) return false;

    std::string_view sep[4];
    static constexpr E kPoints[3] = {E::Point1, E::Point2, E::Point3};
    const bool points[3] = {fl.p1, fl.p2, fl.p3};
    for (int i = 0; i < 3; ++i) {
        p.setShown(kPoints[i], points[i]);
        if (points[i]) sep[i + 1] = separator;
    }
    p.setShown(E::Kilo, fl.kilo);
    p.setShown(E::Mega, fl.mega);
    p.setShown(E::Milli, fl.milli);
    p.setShown(E::Micro, fl.micro);
    p.setShown(E::Ampere, fl.ampere);
    p.setShown(E::Nano, fl.nano);

    if (p.shown(E::Diode)) {
        f.dd = '\0';
        unit.append("V");
    }
    if (p.shown(E::Continuity)) {
        f.dd = '\0';
        sep[3] = {};
        p.hide(E::Point3);
        unit.append("*");
        p.show(E::Ohm);
    }

    if (f.dc == '@') {
        // Overload: only the "0L" of the display, with the lit separators.
        std::string& v = rd.valueText;
        if (minus) v.push_back('-');
        v.append(sep[1]);
        v.push_back('0');
        v.append(sep[2]);
        v.push_back('L');
        v.append(sep[3]);
    } else {
        appendValueText(rd.valueText, f, sep);
    }

    // Leading-zero blanking, from the points of the function (before the "&" rule above).
    for (E e : {E::Digit1, E::Digit2, E::Digit3, E::Digit4}) p.show(e);
    if (!fl.p1 && !fl.p2 && !fl.p3) {
        if (f.da == '0' && f.db == '0' && f.dc == '0') {
            p.hide(E::Digit1);
            p.hide(E::Digit2);
            p.hide(E::Digit3);
        } else if (f.da == '0' && f.db == '0') {
            p.hide(E::Digit1);
            p.hide(E::Digit2);
        } else if (f.da == '0') {
            p.hide(E::Digit1);
        }
    }
    if (fl.p2 && f.da == '0') p.hide(E::Digit1);
    if (fl.p3 && f.da == '0' && f.db == '0') {
        p.hide(E::Digit1);
        p.hide(E::Digit2);
    }
    if (fl.p3 && f.da == '0') p.hide(E::Digit1);
    if (overload) {
        p.hide(E::Digit1);
        p.hide(E::Digit4);
    }
    return true;
}

}  // namespace dmm
