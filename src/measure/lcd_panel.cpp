// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lcd_panel.h"

#include <stdexcept>

namespace dmm {

namespace {

using E = LcdElement;
using K = LcdKind;
using F = LcdFont;

// name, kind, caption, font, font height, bold, left, top, width, height, shown at start
constexpr std::array<LcdElementInfo, kLcdElementCount> kTable{{
    {E::Minus, "LcdFH", K::Label, "-", F::Digits, 100, false, {5, 20, 26, 112}, true},
    {E::Digit0, "LcdD0", K::Label, "3", F::Digits, 100, false, {40, 20, 56, 113}, true},
    {E::Digit1, "LcdDa", K::Label, "9", F::Digits, 100, false, {88, 20, 56, 113}, true},
    {E::Digit2, "LcdDb", K::Label, "9", F::Digits, 100, false, {136, 20, 56, 113}, true},
    {E::Digit3, "LcdDc", K::Label, "9", F::Digits, 100, false, {184, 20, 56, 113}, true},
    {E::Digit4, "LcdDd", K::Label, "9", F::Digits, 100, false, {232, 20, 56, 113}, true},
    {E::Point0, "LcdP0", K::Shape, "", F::Digits, 0, false, {78, 105, 7, 8}, false},
    {E::Point1, "LcdP1", K::Shape, "", F::Digits, 0, false, {127, 105, 7, 8}, false},
    {E::Point2, "LcdP2", K::Shape, "", F::Digits, 0, false, {175, 105, 7, 8}, false},
    {E::Point3, "LcdP3", K::Shape, "", F::Digits, 0, false, {224, 105, 7, 8}, false},
    {E::Auto, "LcdAuto", K::Label, "AUTO", F::Annunciators, 19, true, {8, 11, 54, 22}, false},
    {E::Rs232Left, "LCDRS", K::Label, "RS", F::Annunciators, 19, true, {70, 11, 26, 22}, false},
    {E::Rs232Right, "LCD232C", K::Label, "232C", F::Arial, 14, true, {98, 15, 34, 16}, false},
    {E::AcPlusDc, "LcdACDC", K::Label, "AC+DC", F::Arial, 16, true, {77, 14, 56, 19}, false},
    {E::Percent, "LCDBF", K::Label, "%", F::Annunciators, 24, false, {136, 8, 21, 28}, false},
    {E::RecordMode, "LCDRec", K::Label, "!", F::Annunciators, 32, false, {160, 3, 9, 37}, false},
    {E::Ac, "LcdAC", K::Label, "AC", F::Annunciators, 20, true, {182, 14, 27, 24}, false},
    {E::AcDcPlusSign, "LCDJa", K::Label, "+", F::Arial, 21, false, {211, 13, 12, 24}, false},
    {E::Dc, "LcdDc1", K::Label, "DC", F::Annunciators, 20, true, {223, 14, 28, 24}, false},
    {E::TrueRmsT, "LCDTRMST", K::Label, "T", F::Annunciators, 19, true, {253, 13, 13, 22}, false},
    {E::TrueRms, "LCDTRMS", K::Label, "RMS", F::Annunciators, 12, true, {264, 19, 26, 15}, false},
    {E::Rpm, "LcdRPM", K::Label, "RPM", F::Annunciators, 19, true, {286, 11, 43, 22}, false},
    {E::Hold, "LCDHold", K::Label, "\"", F::Annunciators, 35, false, {8, 30, 12, 40}, false},
    {E::Battery, "LCDBATT", K::Label, "$", F::Annunciators, 35, false, {8, 80, 19, 40}, false},
    {E::OpenParenthesis,
     "LCDBT",
     K::Label,
     "(",
     F::Annunciators,
     35,
     false,
     {288, 25, 12, 40},
     false},
    {E::Celsius, "LCDCS", K::Label, "#", F::Annunciators, 32, false, {304, 33, 18, 37}, false},
    {E::Fahrenheit, "LCDFS", K::Label, "?", F::Annunciators, 32, false, {304, 33, 18, 37}, false},
    {E::Diode, "LCDDI", K::Label, ")", F::Annunciators, 29, false, {296, 33, 10, 34}, false},
    {E::Continuity, "LCDFm", K::Label, "&", F::Annunciators, 32, false, {296, 31, 25, 36}, false},
    {E::Kilo, "LCDk", K::Label, "k", F::Annunciators, 27, false, {286, 55, 14, 31}, false},
    {E::Mega, "LCDM1", K::Label, "M", F::Annunciators, 24, false, {278, 57, 20, 28}, false},
    {E::Ohm, "LCDohm", K::Label, "*", F::Annunciators, 29, false, {304, 54, 11, 34}, false},
    {E::Hertz, "LCDHz", K::Label, "Hz", F::Annunciators, 24, false, {296, 58, 28, 28}, false},
    {E::Micro, "LCDu", K::Label, "+", F::Annunciators, 32, false, {288, 75, 19, 37}, false},
    {E::Milli, "Lcdm", K::Label, "m", F::Annunciators, 24, false, {280, 81, 20, 28}, false},
    {E::Nano, "LCDn", K::Label, "n", F::Annunciators, 24, false, {288, 82, 13, 28}, false},
    {E::Ampere, "LCDA", K::Label, "A", F::Annunciators, 24, false, {304, 82, 16, 28}, false},
    {E::Farad, "LCDF", K::Label, "F", F::Annunciators, 24, false, {304, 82, 15, 28}, false},
    {E::Volt, "LcdV", K::Label, "V", F::Annunciators, 24, false, {304, 83, 16, 28}, false},
    {E::Watt, "lcdW", K::Label, "W", F::Annunciators, 19, true, {296, 99, 17, 22}, false},
}};

constexpr bool tableInOrder() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].id) != i) return false;
    }
    return true;
}
static_assert(tableInOrder(), "element table must follow the LcdElement order");
static_assert(kLcdElementCount <= 64, "shown mask is 64 bits");

}  // namespace

LcdPanel::LcdPanel() {
    for (const LcdElementInfo& e : kTable) {
        if (e.shownAtStart) show(e.id);
    }
    for (LcdElement d : {E::Digit0, E::Digit1, E::Digit2, E::Digit3, E::Digit4}) {
        digits_[static_cast<std::size_t>(digitSlot(d))] = info(d).caption[0];
    }
}

const LcdElementInfo& LcdPanel::info(LcdElement e) { return kTable[index(e)]; }

const std::array<LcdElementInfo, kLcdElementCount>& LcdPanel::table() { return kTable; }

const LcdElementInfo* LcdPanel::find(std::string_view name) {
    for (const LcdElementInfo& e : kTable) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

int LcdPanel::digitSlot(LcdElement e) {
    switch (e) {
    case E::Digit0: return 0;
    case E::Digit1: return 1;
    case E::Digit2: return 2;
    case E::Digit3: return 3;
    case E::Digit4: return 4;
    default: return -1;
    }
}

std::string_view LcdPanel::caption(LcdElement e) const {
    const int slot = digitSlot(e);
    if (slot < 0) return info(e).caption;
    const char& c = digits_[static_cast<std::size_t>(slot)];
    return std::string_view(&c, c ? 1 : 0);
}

void LcdPanel::setDigit(LcdElement e, char c) {
    const int slot = digitSlot(e);
    if (slot < 0) throw std::invalid_argument("not a digit label");
    digits_[static_cast<std::size_t>(slot)] = c;
}

std::string LcdPanel::shownNames() const {
    std::string names;
    for (const LcdElementInfo& e : kTable) {
        if (!shown(e.id)) continue;
        if (!names.empty()) names.push_back(' ');
        names.append(e.name);
    }
    return names;
}

char LcdPanel::digit(LcdElement e) const {
    const int slot = digitSlot(e);
    return slot < 0 ? '\0' : digits_[static_cast<std::size_t>(slot)];
}

}  // namespace dmm
